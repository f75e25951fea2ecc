#include "platform/linux/qt/report_box.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

#include "platform/linux/qt/look.h"

namespace tivrel::qt {

ReportBox::ReportBox(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  // Read-only, yet the user selects, scrolls and copies.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setTabChangesFocus(true);
  setUndoRedoEnabled(false);
  // A thin margin, as an edit box has: the read-me text is broken by hand
  // to just fit its box.
  document()->setDocumentMargin(1);
  setFocusPolicy(Qt::StrongFocus);
  // Only the window's own handler decides what a right click shows.
  verticalScrollBar()->setContextMenuPolicy(Qt::PreventContextMenu);
  origin_.push_back(0);
  // At fractional scales (150 %) the text area and the scroll bar, rounded
  // outwards to whole device pixels, cover the frame's bottom and right
  // lines: the frame is drawn once more on a see-through layer above them.
  frame_ = new FrameLayer(this);
  frame_->raise();
}

int ReportBox::LineRoom(int width) {
  // What the style's frame and scroll bar take, found once.
  static const int taken = [] {
    ReportBox probe;
    return 2 * probe.frameWidth() + probe.verticalScrollBar()->sizeHint().width() +
           2 * static_cast<int>(probe.document()->documentMargin());
  }();
  return width - taken;
}

ReportBox::FrameLayer::FrameLayer(ReportBox* box) : QWidget(box), box_(box) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
}

void ReportBox::FrameLayer::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  box_->drawFrame(&painter);
}

void ReportBox::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  frame_->setGeometry(rect());
}

void ReportBox::SetExactText(std::u16string_view text) {
  text_.assign(text);
  // The document wants one break per line; CR LF, a lone CR and a lone LF
  // each become one, and origin_ remembers where every character came from.
  QString shown;
  shown.reserve(static_cast<qsizetype>(text_.size()));
  origin_.clear();
  for (size_t i = 0; i < text_.size();) {
    origin_.push_back(i);
    const char16_t c = text_[i];
    if (c == u'\r' && i + 1 < text_.size() && text_[i + 1] == u'\n') {
      shown.append(QChar(u'\n'));
      i += 2;
    } else if (c == u'\r' || c == u'\n') {
      shown.append(QChar(u'\n'));
      ++i;
    } else {
      shown.append(QChar(c));
      ++i;
    }
  }
  origin_.push_back(text_.size());
  setPlainText(shown);
  moveCursor(QTextCursor::Start);
  verticalScrollBar()->setValue(0);
}

size_t ReportBox::ExactPosition(int documentPosition) const {
  const size_t k = static_cast<size_t>(
      std::clamp<int>(documentPosition, 0, static_cast<int>(origin_.size()) - 1));
  return origin_[k];
}

std::u16string ReportBox::SelectedExactText() const {
  const QTextCursor cursor = textCursor();
  if (!cursor.hasSelection()) return {};
  const size_t from = ExactPosition(cursor.selectionStart());
  const size_t to = ExactPosition(cursor.selectionEnd());
  return text_.substr(from, to - from);
}

void ReportBox::SelectExact(size_t start, size_t length) {
  // The document position of an index in text_: the last entry not after it.
  auto toDocument = [&](size_t exact) {
    const auto it = std::upper_bound(origin_.begin(), origin_.end(), exact);
    return static_cast<int>(std::distance(origin_.begin(), it)) - 1;
  };
  const size_t end = std::min(text_.size(), start + length);
  QTextCursor cursor = textCursor();
  cursor.setPosition(std::max(0, toDocument(std::min(start, text_.size()))));
  cursor.setPosition(std::max(0, toDocument(end)), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
}

void ReportBox::mousePressEvent(QMouseEvent* event) {
  int button = 0;
  switch (event->button()) {
    case Qt::LeftButton:
      button = 1;
      break;
    case Qt::RightButton:
      button = 2;
      break;
    case Qt::MiddleButton:
      button = 4;
      break;
    default:
      break;
  }
  const Qt::KeyboardModifiers mods = event->modifiers();
  const int shift = (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
                    (mods & Qt::AltModifier ? 4 : 0);
  const QPoint point = viewport()->mapTo(this, event->position().toPoint());
  QPointer<ReportBox> self(this);
  if (button != 0) emit mousePressed(button, shift, point);
  if (!self) return;
  // The right button selects nothing and moves no caret here.
  if (event->button() == Qt::RightButton) {
    event->accept();
    return;
  }
  QPlainTextEdit::mousePressEvent(event);
}

namespace {
std::optional<QPoint> g_menuKeyPoint;
}  // namespace

std::optional<QPoint> MenuKeyPoint() { return g_menuKeyPoint; }

void ReportBox::contextMenuEvent(QContextMenuEvent* event) {
  if (toolkitMenu_) {
    QPlainTextEdit::contextMenuEvent(event);
    return;
  }
  // Never the toolkit's own edit menu. The menu key comes here.
  event->accept();
  if (event->reason() == QContextMenuEvent::Keyboard) MenuKey(event->modifiers());
}

void ReportBox::keyPressEvent(QKeyEvent* event) {
  // Shift+F10 does not come as a context-menu event under X11.
  if (!toolkitMenu_ && event->key() == Qt::Key_F10 && (event->modifiers() & Qt::ShiftModifier)) {
    event->accept();
    MenuKey(event->modifiers());
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void ReportBox::MenuKey(Qt::KeyboardModifiers mods) {
  // What a right-click does, with the menu at the caret rather than at the
  // pointer.
  const QPoint caret = viewport()->mapTo(this, cursorRect().bottomLeft());
  const int shift = (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
                    (mods & Qt::AltModifier ? 4 : 0);
  g_menuKeyPoint = mapToGlobal(caret);
  emit mousePressed(2, shift, caret);
  g_menuKeyPoint.reset();
}

QMimeData* ReportBox::createMimeDataFromSelection() const {
  // Ctrl+C and dragging carry the text as given, CR LF included.
  auto* data = new QMimeData;
  data->setText(ToQString(SelectedExactText()));
  return data;
}

bool ReportBox::canInsertFromMimeData(const QMimeData*) const { return false; }

void ReportBox::insertFromMimeData(const QMimeData*) {}

}  // namespace tivrel::qt
