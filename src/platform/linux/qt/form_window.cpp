#include "platform/linux/qt/form_window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cstring>
#include <memory>

#include "platform/linux/qt/hosted_widgets.h"
#include "platform/linux/qt/look.h"
#include "platform/linux/qt/report_box.h"

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define TIVREL_HAVE_XCB 1
#endif

namespace tivrel::qt {

namespace {

// A design line: a straight rule of its colour and width.
class LineWidget : public QWidget {
 public:
  LineWidget(QColor colour, QWidget* parent) : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), colour_);
  }

 private:
  QColor colour_;
};

QString MenuText(std::u16string_view caption) {
  // No caption of ours has an access key: an '&' is a character.
  return ToQString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

FormWindow::FormWindow(const FormDesign& design, EventSink& sink)
    : QWidget(nullptr),
      design_(design),
      sink_(sink),
      id_(design.id),
      closable_(design.userCanClose) {
  setObjectName(QString::fromStdString(design.name));
  setAttribute(Qt::WA_DeleteOnClose, false);
  // Fixed size, title and close box only: no minimize, maximize or resize.
  Qt::WindowFlags flags = design.border == BorderStyle::FixedDialog ? Qt::Dialog : Qt::Window;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
           Qt::WindowCloseButtonHint;
  if (design.minButton) flags |= Qt::WindowMinimizeButtonHint;
  if (design.maxButton) flags |= Qt::WindowMaximizeButtonHint;
  setWindowFlags(flags);
  setWindowTitle(ToQString(design.caption));
  const QPixmap icon = Image(design.icon);
  if (!icon.isNull()) setWindowIcon(QIcon(icon));
  setFont(design.font ? MakeFont(*design.font) : DefaultFont());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  client_->setFixedSize(Px(design.clientWidth), Px(design.clientHeight));
  layout->addWidget(client_);

  CreateControls();
  CreateMenus();
  if (menuBar_) layout->setMenuBar(menuBar_);
  layout->activate();

  // The design places the client area; the menu bar sits above it. The
  // whole window stays on the screen it would open on.
  const int menuHeight = menuBar_ ? menuBar_->sizeHint().height() : 0;
  QRect placed(QPoint(Px(design.left), Px(design.top) - menuHeight), sizeHint());
  const QScreen* screen = QGuiApplication::screenAt(placed.topLeft());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (screen) {
    const QRect area = screen->availableGeometry();
    const ScreenRect kept = KeepInside({placed.x(), placed.y(), placed.width(), placed.height()},
                                       {area.x(), area.y(), area.width(), area.height()});
    placed.moveTo(kept.left, kept.top);
  }
  setGeometry(placed);
}

// ---------------------------------------------------------------------------
// Controls, one function a kind; the Win32 window builds them alike.

void FormWindow::CreateControls() {
  QtTextMeasure measure(&ReportBox::LineRoom);
  fonts_ = ChooseFonts(design_, measure);
  for (const ControlDesign& c : design_.controls) {
    QWidget* w = CreateControl(c);
    if (!w) continue;
    const std::string key = ControlKey({c.name, c.index});
    w->setObjectName(QString::fromStdString(key));
    if (c.kind != ControlKind::Line) {
      w->setGeometry(Px(c.left), Px(c.top), Px(c.width), Px(c.height));
    }
    if (!c.tabStop) {
      w->setFocusPolicy(static_cast<Qt::FocusPolicy>(w->focusPolicy() & ~Qt::TabFocus));
    }
    controls_.emplace(key, w);
  }
  CreateToolTips();
  SetTabOrder();
}

QWidget* FormWindow::CreateControl(const ControlDesign& c) {
  switch (c.kind) {
    case ControlKind::TextBox:
      return CreateTextBox(c);
    case ControlKind::Label:
      return CreateLabel(c);
    case ControlKind::Line:
      return CreateLine(c);
    case ControlKind::PictureBox:
      return CreatePictureBox(c);
    case ControlKind::HostedButton:
      return CreateHostedButton(c);
    case ControlKind::MovingText:
      return CreateMovingText(c);
  }
  return nullptr;
}

const FontDesign& FormWindow::FontOf(const ControlDesign& c) const {
  return fonts_[static_cast<size_t>(&c - design_.controls.data())];
}

QWidget* FormWindow::CreateTextBox(const ControlDesign& c) {
  auto* box = new ReportBox(client_);
  box->setFont(MakeFont(FontOf(c)));
  box->setReadOnly(c.locked);
  box->SetToolkitMenu(c.toolkitMenu);
  if (c.locked) {
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  }
  box->setVerticalScrollBarPolicy(c.verticalScrollBar ? Qt::ScrollBarAlwaysOn
                                                      : Qt::ScrollBarAlwaysOff);
  box->setLineWrapMode(c.multiLine ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  QPalette pal = box->palette();
  const QColor back = MapColour(c.backColor, pal);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Base, back);
  }
  if (c.foreColorSet) pal.setColor(QPalette::Text, MapColour(c.foreColor, pal));
  box->setPalette(pal);
  box->SetExactText(c.text);
  // Events name the control as the design does; the design outlives us.
  const ControlRef ref{c.name, c.index};
  connect(box, &ReportBox::mousePressed, this, [this, ref](int button, int shift, QPoint point) {
    sink_.OnMouseDown(id_, ref, static_cast<int16_t>(button), static_cast<int16_t>(shift),
                      Twips(point.x()), Twips(point.y()));
  });
  return box;
}

QWidget* FormWindow::CreateLabel(const ControlDesign& c) {
  const QFont font = MakeFont(FontOf(c));
  auto* label = new QLabel(ToQString(c.text), client_);
  label->setTextFormat(Qt::PlainText);
  label->setFocusPolicy(Qt::NoFocus);
  // A one-line label centres its line: a fallback face's line may be taller
  // than the label the design made for 宋体.
  const bool oneLine = Px(c.height) < 2 * QFontMetrics(font).lineSpacing();
  label->setAlignment(Qt::AlignLeft | (oneLine ? Qt::AlignVCenter : Qt::AlignTop));
  label->setWordWrap(!oneLine);
  label->setFont(font);
  if (c.foreColorSet) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, MapColour(c.foreColor, pal));
    label->setPalette(pal);
  }
  return label;
}

QWidget* FormWindow::CreateLine(const ControlDesign& c) {
  // Drawn as pixel rows; the thinner line goes on top so that a grey-over-
  // white pair reads as an etched rule.
  const QColor colour = MapColour(c.foreColor, palette());
  const int x1 = Px(std::min(c.left, c.width)), x2 = Px(std::max(c.left, c.width));
  const int y1 = Px(std::min(c.top, c.height)), y2 = Px(std::max(c.top, c.height));
  auto* line = new LineWidget(colour, client_);
  line->setFocusPolicy(Qt::NoFocus);
  if (y1 == y2) {
    line->setGeometry(x1, y1, x2 - x1 + 1, std::max(1, c.lineWidth));
  } else {
    line->setGeometry(x1, y1, std::max(1, c.lineWidth), y2 - y1 + 1);
  }
  if (c.lineWidth > 1) line->lower();
  return line;
}

QWidget* FormWindow::CreatePictureBox(const ControlDesign& c) {
  auto* picture = new QLabel(client_);
  picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picture->setLineWidth(2);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture->setPixmap(Image(c.picture));
  picture->setFocusPolicy(Qt::StrongFocus);
  return picture;
}

QWidget* FormWindow::CreateHostedButton(const ControlDesign& c) {
  ButtonSettings settings = c.button.value_or(ButtonSettings{});
  settings.font = FontOf(c);
  auto* button = new BitmapButton(settings, client_);
  const ControlRef ref{c.name, c.index};
  connect(button, &QAbstractButton::clicked, this, [this, ref] { sink_.OnClick(id_, ref); });
  return button;
}

QWidget* FormWindow::CreateMovingText(const ControlDesign& c) {
  MovingTextSettings settings = c.moving.value_or(MovingTextSettings{});
  settings.font = FontOf(c);
  auto* moving = new MovingTextWidget(settings, c.tabStop, client_);
  const ControlRef ref{c.name, c.index};
  connect(moving, &MovingTextWidget::focusArrived, this,
          [this, ref] { sink_.OnGotFocus(id_, ref); });
  return moving;
}

void FormWindow::CreateToolTips() {
  for (const ControlDesign& c : design_.controls) {
    QWidget* w = Control(c.name, c.index);
    if (w && !c.toolTip.empty()) w->setToolTip(ToQString(c.toolTip));
  }
}

void FormWindow::SetTabOrder() {
  // As designed; controls that Tab skips keep their place.
  QWidget* previous = nullptr;
  for (const ControlDesign* c : design_.TabOrder()) {
    QWidget* w = Control(c->name, c->index);
    if (!w || w->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

// ---------------------------------------------------------------------------
// Menus

void FormWindow::CreateMenus() {
  for (const MenuDesign& top : design_.menus) {
    auto* menu = new QMenu(MenuText(top.caption), this);
    menu->setObjectName(QString::fromStdString(top.name));
    actions_.emplace(top.name, menu->menuAction());
    menu->menuAction()->setObjectName(QString::fromStdString(top.name));
    menu->menuAction()->setEnabled(top.enabled);
    // A hidden top-level menu is only ever a pop-up: PopupMenu runs the
    // chosen item itself, so its items are not wired here.
    AddMenuItems(menu, top.items, top.visible);
    if (top.visible) {
      if (!menuBar_) {
        menuBar_ = new QMenuBar(this);
        menuBar_->setNativeMenuBar(false);
      }
      menuBar_->addMenu(menu);
    } else {
      popups_.emplace(top.name, menu);
    }
  }
}

void FormWindow::AddMenuItems(QMenu* menu, const std::vector<MenuDesign>& items, bool dispatch) {
  for (const MenuDesign& item : items) {
    QAction* action = nullptr;
    if (!item.items.empty()) {
      QMenu* sub = menu->addMenu(MenuText(item.caption));
      sub->setObjectName(QString::fromStdString(item.name));
      AddMenuItems(sub, item.items, dispatch);
      action = sub->menuAction();
    } else {
      action = menu->addAction(MenuText(item.caption));
      if (dispatch) {
        const std::string name = item.name;
        connect(action, &QAction::triggered, this, [this, name] { sink_.OnMenuClick(id_, name); });
      }
    }
    action->setObjectName(QString::fromStdString(item.name));
    action->setEnabled(item.enabled);
    action->setVisible(item.visible);
    actions_.emplace(item.name, action);
  }
}

QWidget* FormWindow::Control(std::string_view name, int index) const {
  const auto it = controls_.find(ControlKey({name, index}));
  return it == controls_.end() ? nullptr : it->second;
}

QAction* FormWindow::MenuAction(std::string_view name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

QMenu* FormWindow::PopupMenu(std::string_view name) const {
  const auto it = popups_.find(name);
  return it == popups_.end() ? nullptr : it->second;
}

void FormWindow::RemoveCloseCommand() {
  closable_ = false;
  const bool wasVisible = isVisible();
  setWindowFlag(Qt::WindowCloseButtonHint, false);
  setWindowFlag(Qt::WindowSystemMenuHint, false);
  if (wasVisible) show();
}

void FormWindow::Present() {
  if (!presented_) {
    presented_ = true;
    for (const ControlDesign* c : design_.TabOrder()) {
      QWidget* w = Control(c->name, c->index);
      if (w && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
        w->setFocus(Qt::TabFocusReason);
        break;
      }
    }
    if (!design_.showInTaskbar) MarkSkipTaskbar();
  }
  show();
  raise();
  activateWindow();
}

void FormWindow::MarkSkipTaskbar() {
#ifdef TIVREL_HAVE_XCB
  // A parentless dialog is already transient for the application's group,
  // which keeps it off most taskbars; the EWMH state says so outright. Qt
  // merges its own states into this property when it maps the window.
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  xcb_connection_t* c = x11->connection();
  const auto window = static_cast<xcb_window_t>(winId());
  auto atom = [c](const char* name) -> xcb_atom_t {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  };
  const xcb_atom_t state = atom("_NET_WM_STATE");
  const xcb_atom_t skip[] = {atom("_NET_WM_STATE_SKIP_TASKBAR")};
  if (state == XCB_ATOM_NONE || skip[0] == XCB_ATOM_NONE) return;
  xcb_change_property(c, XCB_PROP_MODE_APPEND, window, state, XCB_ATOM_ATOM, 32, 1, skip);
  xcb_flush(c);
#endif
}

void FormWindow::closeEvent(QCloseEvent* event) {
  // The core decides what closing means; it destroys the window itself.
  event->ignore();
  if (closable_) sink_.OnUserClose(id_);
}

}  // namespace tivrel::qt
