#include "platform/linux/qt/qt_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <cstdlib>

#include "framework/error.h"
#include "framework/host.h"
#include "platform/linux/qt/hosted_widgets.h"
#include "platform/linux/qt/look.h"
#include "platform/linux/qt/report_box.h"
#include "platform/linux/qt/x_clipboard.h"

namespace tivrel::qt {

namespace {

size_t Slot(FormId form) { return static_cast<size_t>(form); }

[[noreturn]] void NotSupported(ControlRef control, const char* what) {
  throw Error("对象不支持该属性或方法：" + ControlKey(control) + "." + what);
}

// Message boxes show lines, not CR characters.
QString DialogText(std::u16string_view text) {
  return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::Icon IconOfStyle(int style) {
  switch (style & 0x70) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

QtHost::QtHost(std::function<bool()> prevInstance) : prevInstanceQuery_(std::move(prevInstance)) {}

QtHost::~QtHost() {
  for (auto& w : windows_) delete w.data();
}

FormWindow* QtHost::Window(FormId form) const { return windows_[Slot(form)].data(); }

FormWindow& QtHost::Loaded(FormId form) const {
  FormWindow* w = Window(form);
  if (!w) throw Error(std::string("窗体未加载：") + FormName(form));
  return *w;
}

QWidget& QtHost::Control(FormId form, ControlRef control) const {
  QWidget* w = Loaded(form).Control(control.name, control.index);
  if (!w) throw Error("找不到控件：" + ControlKey(control));
  return *w;
}

QWidget* QtHost::DialogOwner() const {
  return qobject_cast<FormWindow*>(QApplication::activeWindow());
}

void QtHost::CreateForm(const FormDesign& design) {
  if (Window(design.id)) DestroyForm(design.id);
  windows_[Slot(design.id)] = new FormWindow(design, *this);
}

void QtHost::DestroyForm(FormId form) {
  FormWindow& w = Loaded(form);
  windows_[Slot(form)].clear();
  w.hide();
  // The event that unloads a window may be one of its own (a click on its
  // button): the widgets go once that event is over.
  w.deleteLater();
}

void QtHost::ShowForm(FormId form) { Loaded(form).Present(); }

std::u16string QtHost::GetText(FormId form, ControlRef control) {
  QWidget& w = Control(form, control);
  if (auto* box = qobject_cast<ReportBox*>(&w)) return box->ExactText();
  if (auto* label = qobject_cast<QLabel*>(&w)) return FromQString(label->text());
  NotSupported(control, "Text");
}

void QtHost::SetText(FormId form, ControlRef control, std::u16string_view text) {
  QWidget& w = Control(form, control);
  if (auto* box = qobject_cast<ReportBox*>(&w)) {
    box->SetExactText(text);
  } else if (auto* label = qobject_cast<QLabel*>(&w)) {
    label->setText(ToQString(text));
  } else {
    NotSupported(control, "Text");
  }
}

std::u16string QtHost::GetSelText(FormId form, ControlRef control) {
  QWidget& w = Control(form, control);
  if (auto* box = qobject_cast<ReportBox*>(&w)) return box->SelectedExactText();
  NotSupported(control, "SelText");
}

void QtHost::SetEnabled(FormId form, ControlRef control, bool enabled) {
  Control(form, control).setEnabled(enabled);
}

void QtHost::SetFontSize(FormId form, ControlRef control, float points) {
  QWidget& w = Control(form, control);
  QFont font = w.font();
  font.setPointSizeF(points);
  w.setFont(font);
}

void QtHost::SetFocus(FormId form, ControlRef control) {
  QWidget& w = Control(form, control);
  if (!w.window()->isVisible() || !w.isVisibleTo(w.window()) || !w.isEnabled() ||
      w.focusPolicy() == Qt::NoFocus) {
    throw Error("无效的过程调用或参数：无法将焦点移到 " + ControlKey(control));
  }
  w.setFocus(Qt::OtherFocusReason);
}

bool QtHost::HasFocus(FormId form, ControlRef control) {
  QWidget& w = Control(form, control);
  return w.window()->focusWidget() == &w;
}

void QtHost::SetMenuEnabled(FormId form, std::string_view item, bool enabled) {
  QAction* action = Loaded(form).MenuAction(item);
  if (!action) throw Error("找不到菜单：" + std::string(item));
  action->setEnabled(enabled);
}

void QtHost::PutBoolProperty(FormId form, ControlRef control, int32_t dispid, bool value) {
  auto* button = qobject_cast<BitmapButton*>(&Control(form, control));
  if (!button || dispid != kButtonFlagDispId) NotSupported(control, "0x6803000F");
  button->SetDoneFlag(value);
}

void QtHost::PopupMenu(FormId form, std::string_view name) {
  QMenu* menu = Loaded(form).PopupMenu(name);
  if (!menu) throw Error("找不到菜单：" + std::string(name));
  // exec returns the chosen item; it runs here, once, before we return.
  QAction* chosen = menu->exec(MenuKeyPoint().value_or(QCursor::pos()));
  if (chosen && chosen->isEnabled() && !chosen->menu()) {
    OnMenuClick(form, chosen->objectName().toStdString());
  }
}

void QtHost::MessageBox(std::u16string_view text, std::u16string_view title, int style) {
  QMessageBox box(IconOfStyle(style), ToQString(title), DialogText(text), QMessageBox::Ok,
                  DialogOwner());
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setText(QString::fromUtf16(kOkText));
  box.exec();
}

void QtHost::Beep() { QApplication::beep(); }

bool QtHost::PrevInstance() {
  if (!prevInstance_) prevInstance_ = prevInstanceQuery_ ? prevInstanceQuery_() : false;
  return *prevInstance_;
}

void QtHost::ClipboardClear() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw ClipboardBusy();
  clipboard->clear(QClipboard::Clipboard);
}

void QtHost::ClipboardSetText(std::u16string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) throw ClipboardBusy();
  const QString wanted = ToQString(text);
  // Success is told without asking the clipboard's owner, who may never
  // answer: under X11 the text is there while the server names us as the
  // owner (Qt's own belief can be stale); elsewhere Qt knows, or (offscreen)
  // the clipboard lives in this process.
  const auto holds = [&] {
    if (const std::optional<bool> owns = OwnsClipboardNow()) return *owns;
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
      return clipboard->ownsClipboard();
    }
    return clipboard->text(QClipboard::Clipboard) == wanted;
  };
  for (int attempt = 0; attempt < kClipboardRetry.tries; ++attempt) {
    clipboard->setText(wanted, QClipboard::Clipboard);
    // A client that takes the clipboard back does so the moment it hears
    // that it lost it: let its claim arrive before asking who owns it. The
    // window goes on painting meanwhile; input waits.
    QEventLoop settle;
    QTimer::singleShot(kClipboardRetry.delayMs, &settle, &QEventLoop::quit);
    settle.exec(QEventLoop::ExcludeUserInputEvents);
    if (holds()) return;
  }
  throw ClipboardBusy();
}

void QtHost::ShowErrorBox(std::u16string_view text, std::u16string_view title) {
  QMessageBox box(QMessageBox::Critical, ToQString(title), DialogText(text), QMessageBox::Ok,
                  DialogOwner());
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setText(QString::fromUtf16(kOkText));
  box.exec();
}

void QtHost::EndProcess() {
  // At once: no handler runs again, every window vanishes together.
  SetApp(nullptr);
  for (auto& w : windows_) {
    if (w) w->hide();
  }
  // Skipping Qt's teardown would lose what was copied: hand it over first.
  HandOverClipboard(std::chrono::seconds(3));
  std::_Exit(0);
}

void QtHost::QuitEventLoop() { QCoreApplication::quit(); }

}  // namespace tivrel::qt
