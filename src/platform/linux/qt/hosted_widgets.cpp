#include "platform/linux/qt/hosted_widgets.h"

#include <qdrawutil.h>

#include <QBitmap>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "platform/linux/qt/look.h"

namespace tivrel::qt {

BitmapButton::BitmapButton(const ButtonSettings& s, QWidget* parent) : QAbstractButton(parent) {
  setText(ToQString(s.caption));
  setFont(MakeFont(s.font));
  mask_ = MapColour(s.picmaskcolor, palette());
  showFocus_ = s.showfocus.value_or(true);
  frames_ = s.pictureFrames > 0 ? s.pictureFrames : 1;
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_Hover);
  SetFace(Image(s.picture));
  const QPixmap icon = Image(s.icon);
  if (!icon.isNull()) icon_ = icon;
}

void BitmapButton::SetFace(const QPixmap& picture) {
  face_ = picture;
  if (face_.isNull()) return;
  // The mask colour is transparent: the window shows through it.
  face_.setMask(face_.createMaskFromColor(mask_, Qt::MaskInColor));
  update();
}

ButtonLook BitmapButton::look() const {
  if (!isEnabled()) return ButtonLook::Disabled;
  if (isDown()) return ButtonLook::Pressed;
  if (underMouse()) return ButtonLook::Hot;
  if (hasFocus() && showFocus_) return ButtonLook::Focused;
  return ButtonLook::Normal;
}

QSize BitmapButton::sizeHint() const {
  const QFontMetrics fm(font());
  return QSize(fm.horizontalAdvance(text()) + 32, fm.height() + 10);
}

void BitmapButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const ButtonLook current = look();
  const QRect r = rect();
  const bool framed = !face_.isNull() && frames_ > 1;
  if (!face_.isNull()) {
    const FrameRect f = ButtonFaceFrame(face_.width(), face_.height(), frames_, current);
    p.drawPixmap(r, face_, QRect(f.x, f.y, f.width, f.height));
  } else {
    p.fillRect(r, palette().color(QPalette::Button));
  }
  // A single-frame face has no looks of its own: shade it and sink the
  // caption so that hot and pressed still show.
  int shift = 0;
  if (!framed) {
    if (current == ButtonLook::Pressed) {
      p.fillRect(r, QColor(0, 0, 0, 40));
      shift = 1;
    } else if (current == ButtonLook::Hot) {
      p.fillRect(r, QColor(255, 255, 255, 50));
    }
    qDrawShadePanel(&p, r, palette(), current == ButtonLook::Pressed, 1);
  } else if (current == ButtonLook::Pressed) {
    shift = 1;
  }
  if (!icon_.isNull()) {
    const QRect iconRect(4 + shift, (height() - 16) / 2 + shift, 16, 16);
    if (isEnabled()) {
      p.drawPixmap(iconRect, icon_);
    } else {
      p.drawPixmap(iconRect, QIcon(icon_).pixmap(16, 16, QIcon::Disabled));
    }
  }
  p.setFont(font());
  p.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  p.drawText(r.translated(shift, shift), Qt::AlignCenter | Qt::TextSingleLine, text());
  if (hasFocus() && showFocus_ && !framed) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = r.adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
  }
}

void BitmapButton::keyPressEvent(QKeyEvent* event) {
  // Enter presses a focused button as Space does; one click per press.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!event->isAutoRepeat()) click();
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void BitmapButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  update();
}

void BitmapButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  update();
}

MovingTextWidget::MovingTextWidget(const MovingTextSettings& s, bool tabStop, QWidget* parent)
    : QWidget(parent),
      message_(ToQString(s.msgchar)),
      charColour_(s.charcolor),
      backSetting_(s.backcolor) {
  setFont(MakeFont(s.font));
  // Off the tab chain where the design says so, but a click still focuses it.
  setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  textColour_ = MapColour(charColour_, palette());
  backColour_ = MapColour(backSetting_, palette());
  timer_.setInterval(kMovingTextIntervalMs);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
}

int MovingTextWidget::offset() const {
  return MovingTextOffset(tick_, width(), QFontMetrics(font()).horizontalAdvance(message_));
}

void MovingTextWidget::Step() {
  ++tick_;
  update();
}

void MovingTextWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), backColour_);
  p.setFont(font());
  p.setPen(textColour_);
  const QFontMetrics fm(font());
  const int baseline = (height() - fm.height()) / 2 + fm.ascent();
  p.drawText(offset(), baseline, message_);
}

void MovingTextWidget::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  // Focus coming back with the window or after a pop-up is no new arrival:
  // otherwise every return from the mail program would start another mail.
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) {
    return;
  }
  emit focusArrived();
}

void MovingTextWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  timer_.start();
}

void MovingTextWidget::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  timer_.stop();
}

void MovingTextWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    textColour_ = MapColour(charColour_, palette());
    backColour_ = MapColour(backSetting_, palette());
  }
}

}  // namespace tivrel::qt
