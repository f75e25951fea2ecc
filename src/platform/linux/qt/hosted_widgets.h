// Our own equivalents of the two hosted controls: the bitmap push button and
// the scrolling-text line, with the settings the designs persist for them.
#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include "controls/hosted.h"
#include "framework/design.h"

namespace tivrel::qt {

class BitmapButton : public QAbstractButton {
  Q_OBJECT
 public:
  explicit BitmapButton(const ButtonSettings& settings, QWidget* parent = nullptr);

  // The face: the picture with its mask colour made transparent.
  void SetFace(const QPixmap& picture);
  const QPixmap& face() const { return face_; }
  // The look the face shows now.
  ButtonLook look() const;
  // The Boolean behind kButtonFlagDispId. Ours marks a button whose work is
  // done (Test after a test); it changes nothing about pressing it.
  void SetDoneFlag(bool value) { doneFlag_ = value; }
  bool doneFlag() const { return doneFlag_; }
  bool showFocus() const { return showFocus_; }
  int frames() const { return frames_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QPixmap face_;
  QPixmap icon_;
  QColor mask_;
  int frames_ = 1;
  bool showFocus_ = true;
  bool doneFlag_ = kButtonFlagDefault;
};

class MovingTextWidget : public QWidget {
  Q_OBJECT
 public:
  MovingTextWidget(const MovingTextSettings& settings, bool tabStop, QWidget* parent = nullptr);

  QString message() const { return message_; }
  QColor textColour() const { return textColour_; }
  QColor backColour() const { return backColour_; }
  long long tick() const { return tick_; }
  // Where the text's left edge stands now, in pixels from the left.
  int offset() const;
  bool scrolling() const { return timer_.isActive(); }

 signals:
  // The input focus arrived here from another control (not merely back with
  // its window or from a closed pop-up).
  void focusArrived();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void Step();

  QString message_;
  Colour charColour_;
  Colour backSetting_;
  QColor textColour_;
  QColor backColour_;
  QTimer timer_;
  long long tick_ = 0;
};

}  // namespace tivrel::qt
