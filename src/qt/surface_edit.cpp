#include "qt/surface_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <utility>

#include "qt/qt_rich_text_box.h"

namespace scrivlet {

namespace {

std::optional<SurfaceShortcut> ShortcutOf(const QKeyEvent* event) {
  static constexpr std::pair<QKeySequence::StandardKey, SurfaceShortcut> kKeys[] = {
      {QKeySequence::Bold, SurfaceShortcut::kBold},
      {QKeySequence::Italic, SurfaceShortcut::kItalic},
      {QKeySequence::Underline, SurfaceShortcut::kUnderline},
      {QKeySequence::Cut, SurfaceShortcut::kCut},
      {QKeySequence::Copy, SurfaceShortcut::kCopy},
      {QKeySequence::Paste, SurfaceShortcut::kPaste},
  };
  for (const auto& [key, shortcut] : kKeys) {
    if (event->matches(key)) {
      return shortcut;
    }
  }
  // Word processors' key for a hyperlink; Qt would take it for deleting to the end of the line.
  if (event->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_K)) {
    return SurfaceShortcut::kHyperlink;
  }
  return std::nullopt;
}

// Keys that only move the caret or the selection: QTextEdit's own handling is kept for them.
bool IsNavigation(const QKeyEvent* event) {
  static constexpr QKeySequence::StandardKey kKeys[] = {
      QKeySequence::MoveToNextChar,
      QKeySequence::MoveToPreviousChar,
      QKeySequence::MoveToNextWord,
      QKeySequence::MoveToPreviousWord,
      QKeySequence::MoveToNextLine,
      QKeySequence::MoveToPreviousLine,
      QKeySequence::MoveToNextPage,
      QKeySequence::MoveToPreviousPage,
      QKeySequence::MoveToStartOfLine,
      QKeySequence::MoveToEndOfLine,
      QKeySequence::MoveToStartOfBlock,
      QKeySequence::MoveToEndOfBlock,
      QKeySequence::MoveToStartOfDocument,
      QKeySequence::MoveToEndOfDocument,
      QKeySequence::SelectNextChar,
      QKeySequence::SelectPreviousChar,
      QKeySequence::SelectNextWord,
      QKeySequence::SelectPreviousWord,
      QKeySequence::SelectNextLine,
      QKeySequence::SelectPreviousLine,
      QKeySequence::SelectNextPage,
      QKeySequence::SelectPreviousPage,
      QKeySequence::SelectStartOfLine,
      QKeySequence::SelectEndOfLine,
      QKeySequence::SelectStartOfBlock,
      QKeySequence::SelectEndOfBlock,
      QKeySequence::SelectStartOfDocument,
      QKeySequence::SelectEndOfDocument,
      QKeySequence::SelectAll,
      QKeySequence::Deselect,
  };
  for (const QKeySequence::StandardKey key : kKeys) {
    if (event->matches(key)) {
      return true;
    }
  }
  return false;
}

bool IsUndoKey(const QKeyEvent* event) {
  return event->matches(QKeySequence::Undo);
}

// Ctrl+Y and Ctrl+Shift+Z on every desktop, whatever the platform's own Redo key is.
bool IsRedoKey(const QKeyEvent* event) {
  const QKeyCombination key = event->keyCombination();
  return event->matches(QKeySequence::Redo) ||
         key == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
         key == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

// A pause this long in typing ends the typing step, as word processors gather their undo.
constexpr qint64 kTypingPauseMs = 1000;

// Text a key press types: not a control character (a tab excepted), not a Ctrl chord.
bool IsTypedText(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) {
    return false;
  }
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
    return false;
  }
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if ((unit < 0x20 && unit != u'\t') || (unit >= 0x7F && unit < 0xA0)) {
      return false;
    }
  }
  return true;
}

}  // namespace

SurfaceEdit::SurfaceEdit(QtRichTextBox& surface, QWidget* parent)
    : QTextEdit(parent), surface_(surface) {
  for (QObject* child : children()) {
    if (child->inherits("QWidgetTextControl")) {
      textControl_ = child;
      child->installEventFilter(this);
    }
  }
}

// Each blink of the caret asks for its rectangle, and that lays the document out up to the
// caret at once. After a change of most of a large page the layout goes on lazily, the part in
// view first: a caret not laid out yet is out of view, and its blink waits until the layout
// reaches it rather than laying out the whole page there and then (the caret at the end of the
// page after Select All and Bold, say).
bool SurfaceEdit::eventFilter(QObject* watched, QEvent* e) {
  if (watched == textControl_ && e->type() == QEvent::Timer && !CaretLaidOut()) {
    return true;
  }
  return QTextEdit::eventFilter(watched, e);
}

bool SurfaceEdit::CaretLaidOut() const {
  const QTextLayout* layout = textCursor().block().layout();
  return layout == nullptr || layout->lineCount() > 0;
}

bool SurfaceEdit::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // Claim the editing chords before window shortcuts take them.
    auto* key = static_cast<QKeyEvent*>(e);
    if (ShortcutOf(key) || IsUndoKey(key) || IsRedoKey(key)) {
      key->accept();
      return true;
    }
  }
  return QTextEdit::event(e);
}

void SurfaceEdit::keyPressEvent(QKeyEvent* e) {
  if (isReadOnly()) {
    // Still moves, selects and copies.
    if (e->matches(QKeySequence::Copy)) {
      surface_.RunShortcut(SurfaceShortcut::kCopy);
      e->accept();
    } else if (IsNavigation(e)) {
      QTextEdit::keyPressEvent(e);
    } else {
      e->ignore();
    }
    return;
  }
  if (typed_.isValid() && typed_.elapsed() >= kTypingPauseMs) {
    surface_.SealUndoStep();
  }
  typed_.start();
  if (const auto shortcut = ShortcutOf(e)) {
    surface_.RunShortcut(*shortcut);
  } else if (IsUndoKey(e)) {
    surface_.Undo();
  } else if (IsRedoKey(e)) {
    surface_.Redo();
  } else if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
             !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
    surface_.SetSelText(u"\n");  // Shift+Enter too: no soft line breaks
  } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
    surface_.DeleteBackward();
  } else if (e->matches(QKeySequence::Delete)) {
    surface_.DeleteForward();
  } else if (e->matches(QKeySequence::DeleteStartOfWord)) {
    QTextCursor target = textCursor();
    if (!target.hasSelection()) {
      target.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
    }
    surface_.DeleteTo(target);
  } else if (e->matches(QKeySequence::DeleteEndOfWord)) {
    QTextCursor target = textCursor();
    if (!target.hasSelection()) {
      target.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
    }
    surface_.DeleteTo(target);
  } else if (e->matches(QKeySequence::DeleteEndOfLine)) {
    QTextCursor target = textCursor();
    if (!target.hasSelection()) {
      target.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
      if (!target.hasSelection()) {
        target.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
      }
    }
    surface_.DeleteTo(target);
  } else if (IsNavigation(e)) {
    QTextEdit::keyPressEvent(e);
    return;
  } else if (IsTypedText(e)) {
    surface_.SetSelText(e->text().toStdU16String());
  } else {
    e->ignore();  // not an editing key: the parent may want it
    return;
  }
  e->accept();
}

void SurfaceEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (isReadOnly()) {
    e->ignore();
    return;
  }
  if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
    if (e->replacementLength() > 0 && !textCursor().hasSelection()) {
      const std::int32_t start =
          surface_.AdjustBoundary(surface_.SelStart() + e->replacementStart());
      surface_.ShowSelection(start,
                             surface_.AdjustBoundary(start + e->replacementLength()) - start);
    }
    surface_.SetSelText(e->commitString().toStdU16String());
  } else if (!e->preeditString().isEmpty() && textCursor().hasSelection()) {
    // Composing over a selection replaces it; QTextEdit would delete it behind our back.
    surface_.SetSelText(u"");
  }
  // The composition itself is drawn by QTextEdit and is no part of the document.
  QInputMethodEvent preedit(e->preeditString(), e->attributes());
  QTextEdit::inputMethodEvent(&preedit);
  e->accept();
}

void SurfaceEdit::focusInEvent(QFocusEvent* e) {
  QTextEdit::focusInEvent(e);
  surface_.OnEditorFocusIn(e->reason());
}

void SurfaceEdit::contextMenuEvent(QContextMenuEvent* e) {
  // QTextEdit's own menu would edit the document directly.
  const auto text = [](const char* source) {
    return QCoreApplication::translate("QWidgetTextControl", source);
  };
  const bool selected = textCursor().hasSelection();
  const bool editable = !isReadOnly();
  const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
  QMenu menu(this);
  menu.addAction(text("&Undo"), [this] { surface_.Undo(); })
      ->setEnabled(editable && surface_.CanUndo());
  menu.addAction(text("&Redo"), [this] { surface_.Redo(); })
      ->setEnabled(editable && surface_.CanRedo());
  menu.addSeparator();
  menu.addAction(text("Cu&t"), [this] { surface_.RunShortcut(SurfaceShortcut::kCut); })
      ->setEnabled(editable && selected);
  menu.addAction(text("&Copy"), [this] { surface_.RunShortcut(SurfaceShortcut::kCopy); })
      ->setEnabled(selected);
  menu.addAction(text("&Paste"), [this] { surface_.RunShortcut(SurfaceShortcut::kPaste); })
      ->setEnabled(editable && clipboard != nullptr &&
                   QtRichTextBox::CanInsertMimeData(*clipboard));
  menu.addAction(text("Delete"), [this] { surface_.SetSelText(u""); })
      ->setEnabled(editable && selected);
  menu.addSeparator();
  menu.addAction(text("Select All"), [this] { selectAll(); });
  menu.exec(e->globalPos());
}

void SurfaceEdit::mousePressEvent(QMouseEvent* e) {
  dragStart_.reset();
  const QTextCursor cursor = textCursor();
  if (e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier && cursor.hasSelection()) {
    const int at = cursorForPosition(e->position().toPoint()).position();
    if (at >= cursor.selectionStart() && at < cursor.selectionEnd()) {
      dragStart_ = e->position().toPoint();
      e->accept();
      return;
    }
  }
  QTextEdit::mousePressEvent(e);
}

void SurfaceEdit::mouseMoveEvent(QMouseEvent* e) {
  if (dragStart_) {
    if ((e->position().toPoint() - *dragStart_).manhattanLength() >=
        QApplication::startDragDistance()) {
      dragStart_.reset();
      StartDrag();
    }
    e->accept();
    return;
  }
  QTextEdit::mouseMoveEvent(e);
}

void SurfaceEdit::mouseReleaseEvent(QMouseEvent* e) {
  if (dragStart_) {
    // No drag after all: the click puts the caret where it was.
    dragStart_.reset();
    setTextCursor(cursorForPosition(e->position().toPoint()));
    e->accept();
    return;
  }
  QTextEdit::mouseReleaseEvent(e);
}

void SurfaceEdit::dropEvent(QDropEvent* e) {
  QDragLeaveEvent leave;
  QTextEdit::dragLeaveEvent(&leave);  // takes the drop caret away
  const QMimeData* data = e->mimeData();
  if (isReadOnly() || data == nullptr || !QtRichTextBox::CanInsertMimeData(*data)) {
    e->ignore();
    return;
  }
  const std::int32_t at = cursorForPosition(e->position().toPoint()).position();
  if (e->source() == this && e->dropAction() == Qt::MoveAction) {
    surface_.MoveSelection(at);
  } else {
    surface_.SetSelStart(at);
    surface_.InsertMimeData(*data);
  }
  e->acceptProposedAction();
}

void SurfaceEdit::paintEvent(QPaintEvent* e) {
  QTextEdit::paintEvent(e);
  surface_.PaintBullets(e->rect());
}

QMimeData* SurfaceEdit::createMimeDataFromSelection() const {
  return surface_.SelectionMimeData().release();
}
bool SurfaceEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source != nullptr && QtRichTextBox::CanInsertMimeData(*source);
}
void SurfaceEdit::insertFromMimeData(const QMimeData* source) {
  if (source != nullptr) {
    surface_.InsertMimeData(*source);
  }
}

void SurfaceEdit::StartDrag() {
  auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
  drag->setMimeData(surface_.SelectionMimeData().release());
  const Qt::DropActions allowed =
      isReadOnly() ? Qt::DropActions(Qt::CopyAction) : (Qt::CopyAction | Qt::MoveAction);
  const Qt::DropAction action = drag->exec(allowed, isReadOnly() ? Qt::CopyAction : Qt::MoveAction);
  QObject* target = drag->target();
  // A move onto this editor was done by its drop; a move elsewhere takes the text away.
  if (action == Qt::MoveAction && target != this && target != viewport()) {
    surface_.SetSelText(u"");
  }
}

}  // namespace scrivlet
