// The read-only multi-line text box (the report and the read-me text). It
// keeps the text exactly as it was given, CR LF included, and maps the
// on-screen selection back onto that text.
#pragma once

#include <QPlainTextEdit>
#include <QPoint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tivrel::qt {

// While a menu key's press on a report box is being handled: where the
// pop-up menu goes (the caret, on the screen) instead of the pointer.
std::optional<QPoint> MenuKeyPoint();

class ReportBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit ReportBox(QWidget* parent = nullptr);
  // The width a line of text has in a box this wide, inside its frame,
  // margins and scroll bar.
  static int LineRoom(int width);

  void SetExactText(std::u16string_view text);
  const std::u16string& ExactText() const { return text_; }
  // The selected part of the text as given, line ends and all.
  std::u16string SelectedExactText() const;
  // Selects by positions in the text as given (a CR LF is two there).
  void SelectExact(size_t start, size_t length);
  // Position in the text as given of a position in the document.
  size_t ExactPosition(int documentPosition) const;
  // Whether the toolkit's own edit menu may open, as the design says; off,
  // the menu key and Shift+F10 come as a right-click instead.
  void SetToolkitMenu(bool on) { toolkitMenu_ = on; }

 signals:
  // A mouse press: button 1 left, 2 right, 4 middle; shift bits 1 Shift,
  // 2 Ctrl, 4 Alt; the point in this widget's coordinates. Shift+F10 and the
  // menu key come as the right button at the caret.
  void mousePressed(int button, int shift, QPoint point);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  bool toolkitMenu_ = false;
  // The box's frame, drawn again above its children.
  class FrameLayer : public QWidget {
   public:
    explicit FrameLayer(ReportBox* box);

   protected:
    void paintEvent(QPaintEvent* event) override;

   private:
    ReportBox* box_;
  };

  // Shift+F10 or the menu key.
  void MenuKey(Qt::KeyboardModifiers modifiers);

  FrameLayer* frame_ = nullptr;
  std::u16string text_;
  // origin_[k]: index in text_ of document position k; one entry more than
  // the document has characters.
  std::vector<size_t> origin_;
};

}  // namespace tivrel::qt
