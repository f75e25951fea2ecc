// Text, fonts, colours, units and images as the Qt widgets need them.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "framework/design.h"
#include "framework/faces.h"

namespace tivrel::qt {

inline QString ToQString(std::u16string_view s) {
  return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}
inline std::u16string FromQString(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()),
                        static_cast<size_t>(s.size()));
}

// Whether fontconfig has the family.
bool Installed(const QString& family);
// The face for Chinese UI text: 宋体 where installed, else the fallback
// face the core tries first at the default size. Chosen once.
QString ChineseUiFamily();
// A design font; an empty or missing face takes ChineseUiFamily().
QFont MakeFont(const FontDesign& design);
// The framework's default: the Chinese UI face at 9 points.
QFont DefaultFont();

// What the core's choice of faces measures, in Qt's own terms. A text box's
// line has the room that lineRoom gives for the box's width.
class QtTextMeasure : public TextMeasure {
 public:
  explicit QtTextMeasure(std::function<int(int width)> lineRoom) : lineRoom_(std::move(lineRoom)) {}
  bool Installed(std::u16string_view face) override;
  TextExtent Measure(const FontDesign& font, std::u16string_view text) override;
  TextRoom Room(const ControlDesign& control) override;

 private:
  std::function<int(int width)> lineRoom_;
};

// Simplified Chinese for Qt's own texts and the locale, whatever the user's
// locale is: Qt's translations where installed, and the dialogs' button
// named as on Chinese Windows in any case.
void UseChineseInterface(QCoreApplication& app);
inline const char16_t kOkText[] = u"确定";

// 0x00BBGGRR, or a system colour mapped to the palette's role.
QColor MapColour(Colour colour, const QPalette& palette);

// Logical dots per inch of the primary screen (96 when there is none).
int LogicalDpi();
inline int Px(int twips) { return TwipsToPixels(twips, LogicalDpi()); }
inline float Twips(double pixels) {
  return static_cast<float>(pixels * kTwipsPerInch / LogicalDpi());
}

// An embedded image by its id (":/tivrel/<id>"); null when not built in.
QPixmap Image(ImageId id);
QString ImagePath(ImageId id);

}  // namespace tivrel::qt
