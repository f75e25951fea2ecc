#include "platform/linux/qt/look.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

namespace tivrel::qt {

namespace {}  // namespace

bool Installed(const QString& family) {
  static const QStringList installed = QFontDatabase::families();
  return installed.contains(family, Qt::CaseInsensitive);
}

QString ChineseUiFamily() {
  static const QString family = [] {
    const QString own = ToQString(kDefaultFace);
    if (Installed(own)) return own;
    for (const std::u16string_view name : FallbackOrder(kDefaultPoints)) {
      const QString f = ToQString(name);
      if (Installed(f)) return f;
    }
    // Let fontconfig find whatever covers Chinese.
    return own;
  }();
  return family;
}

void UseChineseInterface(QCoreApplication& app) {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(&app);
  if (translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

QFont MakeFont(const FontDesign& design) {
  QString family = ToQString(design.face);
  if (family.isEmpty() || family == ToQString(kDefaultFace) || !Installed(family)) {
    family = ChineseUiFamily();
  }
  QFont font(family);
  font.setPointSizeF(design.points);
  font.setWeight(static_cast<QFont::Weight>(design.weight));
  return font;
}

QFont DefaultFont() { return MakeFont(FontDesign{}); }

bool QtTextMeasure::Installed(std::u16string_view face) { return qt::Installed(ToQString(face)); }

TextExtent QtTextMeasure::Measure(const FontDesign& font, std::u16string_view text) {
  const QFontMetrics m(MakeFont(font));
  return TextExtent{m.horizontalAdvance(ToQString(text)), m.height()};
}

TextRoom QtTextMeasure::Room(const ControlDesign& c) {
  switch (c.kind) {
    case ControlKind::TextBox:
      return TextRoom{lineRoom_(Px(c.width)), 0};
    case ControlKind::Label:
      return TextRoom{Px(c.width), Px(c.height)};
    default:
      return TextRoom{};  // a hosted control lays out its own text
  }
}

QColor MapColour(Colour colour, const QPalette& palette) {
  if (!IsSystemColour(colour)) {
    return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                  static_cast<int>((colour >> 16) & 0xFF));
  }
  // The Windows system colours that have a counterpart in the palette.
  switch (SystemColourIndex(colour)) {
    case 5:
      return palette.color(QPalette::Base);  // window
    case 6:
      return palette.color(QPalette::Shadow);  // window frame
    case 8:
      return palette.color(QPalette::Text);  // window text
    case 13:
      return palette.color(QPalette::Highlight);
    case 14:
      return palette.color(QPalette::HighlightedText);
    case 15:
      return palette.color(QPalette::Button);  // button face
    case 16:
      return palette.color(QPalette::Dark);  // button shadow
    case 17:
      return palette.color(QPalette::PlaceholderText);  // grey text
    case 18:
      return palette.color(QPalette::ButtonText);
    case 20:
      return palette.color(QPalette::Light);  // button highlight
    case 21:
      return palette.color(QPalette::Shadow);  // 3D dark shadow
    case 22:
      return palette.color(QPalette::Midlight);
    case 23:
      return palette.color(QPalette::ToolTipText);
    case 24:
      return palette.color(QPalette::ToolTipBase);
    default:
      return palette.color(QPalette::Window);
  }
}

int LogicalDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  return dpi > 0 ? static_cast<int>(dpi + 0.5) : 96;
}

QString ImagePath(ImageId id) { return QStringLiteral(":/tivrel/%1").arg(static_cast<int>(id)); }

QPixmap Image(ImageId id) {
  if (id == ImageId::None) return {};
  const QString path = ImagePath(id);
  if (!QFile::exists(path)) return {};
  // The resources carry no file suffix: name the format, or Qt loads every
  // image plugin it has to guess it, which costs start-up time.
  QImageReader reader(path,
                      static_cast<int>(id) < static_cast<int>(ImageId::TestFace) ? "ico" : "bmp");
  reader.setAutoDetectImageFormat(false);
  const QImage image = reader.read();
  return image.isNull() ? QPixmap(path) : QPixmap::fromImage(image);
}

}  // namespace tivrel::qt
