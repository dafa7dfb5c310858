#include "qt/qt_rich_text_box.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextLayout>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

#include "conversion/conversion_context.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "document/rtf_reader.h"
#include "document/rtf_writer.h"
#include "qt/qt_text.h"

namespace scrivlet {

namespace {

// Exact values kept beside what Qt draws. Character formats:
constexpr int kFaceProperty = QTextFormat::UserProperty + 1;        // QByteArray, the face's bytes
constexpr int kHalfPointsProperty = QTextFormat::UserProperty + 2;  // int
constexpr int kColorProperty = QTextFormat::UserProperty + 3;       // int, 0x00BBGGRR
// A unit QTextDocument cannot hold as text (it would break the block) is stored as U+FFFD with
// its own value here.
constexpr int kStandInProperty = QTextFormat::UserProperty + 4;
// Block formats:
constexpr int kAlignmentProperty = QTextFormat::UserProperty + 10;    // int, Alignment
constexpr int kIndentProperty = QTextFormat::UserProperty + 11;       // int, twips
constexpr int kRightIndentProperty = QTextFormat::UserProperty + 12;  // int, twips
constexpr int kBulletProperty = QTextFormat::UserProperty + 13;       // bool
constexpr int kMarkProperty = QTextFormat::UserProperty + 14;         // QTextFormat, the mark

constexpr char16_t kStandInUnit = 0xFFFD;

// From this size on, a change of most of the document is laid out lazily (LazyLayout); smaller
// documents lay out at once, which costs little.
constexpr std::int64_t kLazyLayoutCharacters = 100000;
constexpr char16_t kBulletCharacter = 0x2022;

const char* const kRtfMimeTypes[] = {"text/rtf", "application/rtf"};

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units QTextCursor::insertText turns into block breaks or frame marks, and the object
// replacement character, which Qt lays out as an embedded object.
bool NeedsStandIn(char16_t unit) {
  return unit == u'\r' || unit == u'\n' || unit == 0x2029 || unit == 0xFDD0 || unit == 0xFDD1 ||
         unit == 0xFFFC;
}

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

bool SameRuns(const Paragraph& a, const Paragraph& b) {
  if (a.runs.size() != b.runs.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.runs.size(); ++i) {
    if (a.runs[i].text != b.runs[i].text || !(a.runs[i].format == b.runs[i].format)) {
      return false;
    }
  }
  return true;
}

// Whether two paragraphs hold the same characters, whatever their runs and formats.
bool SameText(const Paragraph& a, const Paragraph& b) {
  if (a.Length() != b.Length()) {
    return false;
  }
  std::size_t ai = 0;
  std::size_t bi = 0;
  std::size_t ao = 0;
  std::size_t bo = 0;
  while (ai < a.runs.size() && bi < b.runs.size()) {
    const std::u16string& at = a.runs[ai].text;
    const std::u16string& bt = b.runs[bi].text;
    const std::size_t n = std::min(at.size() - ao, bt.size() - bo);
    if (at.compare(ao, n, bt, bo, n) != 0) {
      return false;
    }
    ao += n;
    bo += n;
    if (ao == at.size()) {
      ++ai;
      ao = 0;
    }
    if (bo == bt.size()) {
      ++bi;
      bo = 0;
    }
  }
  return true;
}

bool SameParagraph(const Paragraph& a, const Paragraph& b) {
  return a.format == b.format && a.mark == b.mark && SameRuns(a, b);
}

// Holds a document in one edit block while it lives. Qt lays the changed text out again when
// the outermost block ends: a block per paragraph made a change over many paragraphs quadratic
// (each layout also placed every paragraph after it).
class EditBlock {
 public:
  explicit EditBlock(QTextDocument& document) : cursor_(&document) { cursor_.beginEditBlock(); }
  ~EditBlock() { cursor_.endEditBlock(); }
  EditBlock(const EditBlock&) = delete;
  EditBlock& operator=(const EditBlock&) = delete;

 private:
  QTextCursor cursor_;
};

// Holds a document's layout off while it lives: Qt then lays the whole document out again lazily
// when it ends (the part in view first, the rest in steps between events), as for a document
// just loaded. For a change of most of a large document: otherwise the change returns only once
// every line of the document is laid out again.
class LazyLayout {
 public:
  explicit LazyLayout(QTextDocument& document)
      : document_(document), pageSize_(document.pageSize()) {
    document_.setPageSize(QSizeF(0, 0));  // a null size: the layout waits
  }
  ~LazyLayout() { document_.setPageSize(pageSize_); }
  LazyLayout(const LazyLayout&) = delete;
  LazyLayout& operator=(const LazyLayout&) = delete;

 private:
  QTextDocument& document_;
  QSizeF pageSize_;
};

// Characters in paragraphs, their breaks counted.
std::int64_t CharactersIn(const std::vector<Paragraph>& paragraphs) {
  std::int64_t characters = 0;
  for (const Paragraph& paragraph : paragraphs) {
    characters += paragraph.Length() + 1;
  }
  return characters;
}

// The number of units at the start of two paragraphs that are the same text in the same format.
std::size_t CommonPrefix(const Paragraph& a, const Paragraph& b) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < a.runs.size() && i < b.runs.size(); ++i) {
    const TextRun& x = a.runs[i];
    const TextRun& y = b.runs[i];
    if (!(x.format == y.format)) {
      break;
    }
    const auto common = static_cast<std::size_t>(
        std::mismatch(x.text.begin(), x.text.end(), y.text.begin(), y.text.end()).first -
        x.text.begin());
    units += common;
    if (common < x.text.size() || common < y.text.size()) {
      break;
    }
  }
  return units;
}

// The same at the end, counting no more than `limit` units.
std::size_t CommonSuffix(const Paragraph& a, const Paragraph& b, std::size_t limit) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < a.runs.size() && i < b.runs.size(); ++i) {
    const TextRun& x = a.runs[a.runs.size() - 1 - i];
    const TextRun& y = b.runs[b.runs.size() - 1 - i];
    if (!(x.format == y.format)) {
      break;
    }
    const auto common = static_cast<std::size_t>(
        std::mismatch(x.text.rbegin(), x.text.rend(), y.text.rbegin(), y.text.rend()).first -
        x.text.rbegin());
    units += common;
    if (units >= limit) {
      return limit;
    }
    if (common < x.text.size() || common < y.text.size()) {
      break;
    }
  }
  return units;
}

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

// ----- The editor -----

// The QTextEdit the user works in. It keeps Qt's caret movement, selection, scrolling and
// drawing, and hands every change of the document to the surface.
class SurfaceEdit final : public QTextEdit {
 public:
  SurfaceEdit(QtRichTextBox& surface, QWidget* parent) : QTextEdit(parent), surface_(surface) {}

 protected:
  bool event(QEvent* e) override {
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

  void keyPressEvent(QKeyEvent* e) override {
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

  void inputMethodEvent(QInputMethodEvent* e) override {
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

  void focusInEvent(QFocusEvent* e) override {
    QTextEdit::focusInEvent(e);
    surface_.OnEditorFocusIn(e->reason());
  }

  void contextMenuEvent(QContextMenuEvent* e) override {
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

  // A press inside the selection may start a drag, which this editor runs itself: QTextEdit
  // would delete the moved text directly.
  void mousePressEvent(QMouseEvent* e) override {
    dragStart_.reset();
    const QTextCursor cursor = textCursor();
    if (e->button() == Qt::LeftButton && e->modifiers() == Qt::NoModifier &&
        cursor.hasSelection()) {
      const int at = cursorForPosition(e->position().toPoint()).position();
      if (at >= cursor.selectionStart() && at < cursor.selectionEnd()) {
        dragStart_ = e->position().toPoint();
        e->accept();
        return;
      }
    }
    QTextEdit::mousePressEvent(e);
  }

  void mouseMoveEvent(QMouseEvent* e) override {
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

  void mouseReleaseEvent(QMouseEvent* e) override {
    if (dragStart_) {
      // No drag after all: the click puts the caret where it was.
      dragStart_.reset();
      setTextCursor(cursorForPosition(e->position().toPoint()));
      e->accept();
      return;
    }
    QTextEdit::mouseReleaseEvent(e);
  }

  void dropEvent(QDropEvent* e) override {
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

  void paintEvent(QPaintEvent* e) override {
    QTextEdit::paintEvent(e);
    PaintBullets(e->rect());
  }

  QMimeData* createMimeDataFromSelection() const override {
    return surface_.SelectionMimeData().release();
  }
  bool canInsertFromMimeData(const QMimeData* source) const override {
    return source != nullptr && QtRichTextBox::CanInsertMimeData(*source);
  }
  void insertFromMimeData(const QMimeData* source) override {
    if (source != nullptr) {
      surface_.InsertMimeData(*source);
    }
  }

 private:
  void StartDrag() {
    auto* drag = new QDrag(this);  // Qt deletes it when the drag ends
    drag->setMimeData(surface_.SelectionMimeData().release());
    const Qt::DropActions allowed =
        isReadOnly() ? Qt::DropActions(Qt::CopyAction) : (Qt::CopyAction | Qt::MoveAction);
    const Qt::DropAction action =
        drag->exec(allowed, isReadOnly() ? Qt::CopyAction : Qt::MoveAction);
    QObject* target = drag->target();
    // A move onto this editor was done by its drop; a move elsewhere takes the text away.
    if (action == Qt::MoveAction && target != this && target != viewport()) {
      surface_.SetSelText(u"");
    }
  }

  // A bulleted paragraph's text is indented by the bullet indent; the bullet goes in front of
  // it, in the font and colour of the paragraph's first character.
  void PaintBullets(const QRect& area) {
    const double bulletWidth = surface_.bulletIndent_ * surface_.PixelsPerTwip();
    const QPointF scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QTextBlock block = cursorForPosition(area.topLeft()).block();
    if (block.previous().isValid()) {
      block = block.previous();
    }
    QPainter painter(viewport());
    for (; block.isValid(); block = block.next()) {
      const QTextLayout* layout = block.layout();
      if (layout == nullptr || layout->lineCount() == 0) {
        continue;
      }
      const QPointF origin = layout->position() - scroll;
      if (origin.y() > area.bottom()) {
        break;
      }
      if (!block.blockFormat().boolProperty(kBulletProperty)) {
        continue;
      }
      const QTextCharFormat format =
          block.begin().atEnd() ? block.charFormat() : block.begin().fragment().charFormat();
      const QTextLine line = layout->lineAt(0);
      painter.setFont(format.font());
      painter.setPen(format.foreground().color());
      painter.drawText(QPointF(origin.x() + line.cursorToX(0) - bulletWidth,
                               origin.y() + line.y() + line.ascent()),
                       QString(QChar(kBulletCharacter)));
    }
  }

  QtRichTextBox& surface_;
  std::optional<QPoint> dragStart_;
  // Since the last key press, for the pause that ends a typing step.
  QElapsedTimer typed_;
};

// ----- Construction -----

QtRichTextBox::QtRichTextBox() : QtRichTextBox(nullptr) {}

QtRichTextBox::QtRichTextBox(QWidget* parent) : editor_(new SurfaceEdit(*this, parent)) {
  editor_->setUndoRedoEnabled(false);
  editor_->setTabChangesFocus(false);
  Doc().setUndoRedoEnabled(false);
  Doc().setDefaultFont(QFont(QString::fromStdString(fontName_), 12));
  const auto selectionMoved = [this] { OnEditorSelectionChanged(); };
  QObject::connect(editor_, &QTextEdit::cursorPositionChanged, editor_, selectionMoved);
  QObject::connect(editor_, &QTextEdit::selectionChanged, editor_, selectionMoved);

  ++writing_;
  QTextCursor cursor(&Doc());
  Paragraph empty;
  empty.mark = DefaultFormat();
  ApplyBlockFormat(cursor, empty);
  --writing_;
  SetBackColor(backColor_);
}

QtRichTextBox::~QtRichTextBox() {
  DropHandlers();
  delete editor_.data();
}

QTextEdit* QtRichTextBox::Editor() const {
  return editor_.data();
}

// ----- Mapping -----

QTextDocument& QtRichTextBox::Doc() const {
  return *editor_->document();
}

QTextBlock QtRichTextBox::BlockAt(std::size_t index) const {
  return Doc().findBlockByNumber(static_cast<int>(index));
}

std::size_t QtRichTextBox::ParagraphCount() const {
  return static_cast<std::size_t>(Doc().blockCount());
}

CharFormat QtRichTextBox::FromQt(const QTextCharFormat& format) const {
  CharFormat result;
  if (format.hasProperty(kFaceProperty)) {
    result.face = format.property(kFaceProperty).toByteArray().toStdString();
  } else {
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    result.face = families.isEmpty() ? fontName_ : families.front().toStdString();
  }
  if (format.hasProperty(kHalfPointsProperty)) {
    result.halfPoints = format.intProperty(kHalfPointsProperty);
  } else {
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : fontSize_;
    result.halfPoints = static_cast<std::int32_t>(std::lround(points * 2));
  }
  if (format.hasProperty(kColorProperty)) {
    result.color = format.intProperty(kColorProperty);
  } else if (format.foreground().style() != Qt::NoBrush) {
    result.color = ColorToPlatform(format.foreground().color());
  }
  result.bold = format.fontWeight() > QFont::Medium;
  result.italic = format.fontItalic();
  result.underline = format.fontUnderline();
  return result;
}

QTextCharFormat QtRichTextBox::ToQt(const CharFormat& format) const {
  QTextCharFormat result;
  result.setFontFamilies(QStringList{QString::fromStdString(format.face)});
  result.setProperty(kFaceProperty, QByteArray::fromStdString(format.face));
  result.setFontPointSize(std::max(format.halfPoints, 1) / 2.0);
  result.setProperty(kHalfPointsProperty, format.halfPoints);
  result.setForeground(ColorFromPlatform(format.color));
  result.setProperty(kColorProperty, format.color);
  result.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  result.setFontItalic(format.italic);
  result.setFontUnderline(format.underline);
  return result;
}

// Qt numbers a document's formats and never renumbers them, so a conversion is done once.
const CharFormat& QtRichTextBox::CachedFormat(const QTextFragment& fragment) const {
  const auto [it, added] = formatCache_.try_emplace(fragment.charFormatIndex());
  if (added) {
    it->second = FromQt(fragment.charFormat());
  }
  return it->second;
}

ParaFormat QtRichTextBox::ParaFromBlock(const QTextBlock& block) const {
  const QTextBlockFormat format = block.blockFormat();
  ParaFormat result;
  result.alignment = static_cast<Alignment>(format.intProperty(kAlignmentProperty));
  result.indent = format.intProperty(kIndentProperty);
  result.rightIndent = format.intProperty(kRightIndentProperty);
  result.bullet = format.boolProperty(kBulletProperty);
  return result;
}

CharFormat QtRichTextBox::MarkOf(const QTextBlock& block) const {
  const QVariant mark = block.blockFormat().property(kMarkProperty);
  if (!mark.isValid()) {
    return DefaultFormat();
  }
  return FromQt(qvariant_cast<QTextFormat>(mark).toCharFormat());
}

Paragraph QtRichTextBox::ReadParagraph(const QTextBlock& block) const {
  Paragraph paragraph;
  paragraph.format = ParaFromBlock(block);
  paragraph.mark = MarkOf(block);
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) {
      continue;
    }
    const QTextCharFormat format = fragment.charFormat();
    const CharFormat& model = CachedFormat(fragment);
    if (format.hasProperty(kStandInProperty)) {
      AppendText(paragraph, model,
                 std::u16string(static_cast<std::size_t>(fragment.length()),
                                static_cast<char16_t>(format.intProperty(kStandInProperty))));
    } else {
      AppendText(paragraph, model, fragment.text().toStdU16String());
    }
  }
  return paragraph;
}

void QtRichTextBox::VisitRunFormats(std::int32_t from, std::int32_t to,
                                    const std::function<bool(const CharFormat&)>& visit) const {
  for (QTextBlock block = Doc().findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid() || fragment.position() + fragment.length() <= from) {
        continue;
      }
      if (fragment.position() >= to) {
        return;
      }
      if (!visit(CachedFormat(fragment))) {
        return;
      }
    }
  }
}

std::vector<Paragraph> QtRichTextBox::ReadParagraphs(std::size_t first, std::size_t last) const {
  std::vector<Paragraph> paragraphs;
  paragraphs.reserve(last - first + 1);
  QTextBlock block = BlockAt(first);
  for (std::size_t i = first; i <= last && block.isValid(); ++i, block = block.next()) {
    paragraphs.push_back(ReadParagraph(block));
  }
  return paragraphs;
}

// Whole twips per pixel, 1440 / dpi rounded (15 at 96 dpi), as the control's screen counts them:
// the pixels a host converts to twips come back as the same pixels.
std::int32_t QtRichTextBox::TwipsPerPixel(bool vertical) const {
  const int dpi = vertical ? editor_->logicalDpiY() : editor_->logicalDpiX();
  return dpi > 0 ? std::max(1, static_cast<int>(std::lround(1440.0 / dpi))) : 15;
}

double QtRichTextBox::PixelsPerTwip() const {
  return 1.0 / TwipsPerPixel(false);
}

// The block format draws the paragraph (alignment, margins in pixels, the bullet's room) and
// keeps its exact values; the block's char format, which Qt gives an empty paragraph, is the mark.
void QtRichTextBox::ApplyBlockFormat(QTextCursor& cursor, const Paragraph& paragraph) const {
  const ParaFormat& para = paragraph.format;
  QTextBlockFormat format;
  switch (para.alignment) {
    case Alignment::kCenter:
      format.setAlignment(Qt::AlignHCenter);
      break;
    case Alignment::kRight:
      format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
      break;
    case Alignment::kLeft:
      format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
      break;
  }
  const double scale = PixelsPerTwip();
  format.setLeftMargin((para.indent + (para.bullet ? bulletIndent_ : 0)) * scale);
  format.setRightMargin(para.rightIndent * scale);
  format.setProperty(kAlignmentProperty, static_cast<int>(para.alignment));
  format.setProperty(kIndentProperty, para.indent);
  format.setProperty(kRightIndentProperty, para.rightIndent);
  format.setProperty(kBulletProperty, para.bullet);
  const QTextCharFormat mark = ToQt(paragraph.mark);
  format.setProperty(kMarkProperty, QVariant(static_cast<const QTextFormat&>(mark)));
  cursor.setBlockFormat(format);
  cursor.setBlockCharFormat(mark);
}

void QtRichTextBox::InsertRuns(QTextCursor& cursor, const std::vector<TextRun>& runs) const {
  for (const TextRun& run : runs) {
    const QTextCharFormat format = ToQt(run.format);
    const std::u16string_view text = run.text;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (!NeedsStandIn(text[i])) {
        continue;
      }
      if (i > start) {
        cursor.insertText(ToQString(text.substr(start, i - start)), format);
      }
      QTextCharFormat standIn = format;
      standIn.setProperty(kStandInProperty, static_cast<int>(text[i]));
      cursor.insertText(QString(QChar(kStandInUnit)), standIn);
      start = i + 1;
    }
    if (start < text.size()) {
      cursor.insertText(ToQString(text.substr(start)), format);
    }
  }
}

// Writes the paragraphs from `first` on, which hold `old`, as `replacement`, touching only what
// differs: equal paragraphs at either end stay, a paragraph replaced by one keeps its unchanged
// beginning and end, and only a change in the number of paragraphs rewrites the blocks between.
void QtRichTextBox::WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                                    std::vector<Paragraph> replacement) {
  // The editor's signals while we write are not the user's.
  ++writing_;
  {
    std::optional<LazyLayout> lazy;
    if (const std::int64_t length = TextLength();
        length >= kLazyLayoutCharacters && 2 * CharactersIn(old) > length) {
      lazy.emplace(Doc());
    }
    const EditBlock batch(Doc());
    WriteChanges(first, old, replacement);
  }
  --writing_;
}

void QtRichTextBox::WriteChanges(std::size_t first, const std::vector<Paragraph>& old,
                                 const std::vector<Paragraph>& replacement) {
  std::size_t lead = 0;
  while (lead < old.size() && lead < replacement.size() &&
         SameParagraph(old[lead], replacement[lead])) {
    ++lead;
  }
  std::size_t trail = 0;
  while (trail < old.size() - lead && trail < replacement.size() - lead &&
         SameParagraph(old[old.size() - 1 - trail], replacement[replacement.size() - 1 - trail])) {
    ++trail;
  }
  std::size_t oldMiddle = old.size() - lead - trail;
  std::size_t newMiddle = replacement.size() - lead - trail;
  if (oldMiddle == newMiddle) {
    for (std::size_t k = 0; k < oldMiddle; ++k) {
      UpdateParagraph(first + lead + k, old[lead + k], replacement[lead + k]);
    }
    return;
  }
  if (oldMiddle == 0 || newMiddle == 0) {
    // Blocks are inserted or removed next to a kept one: rewrite that one with them.
    if (lead > 0) {
      --lead;
    } else {
      --trail;
    }
    ++oldMiddle;
    ++newMiddle;
  }
  RewriteRange(
      first + lead, first + lead + oldMiddle - 1,
      std::vector<Paragraph>(replacement.begin() + static_cast<std::ptrdiff_t>(lead),
                             replacement.begin() + static_cast<std::ptrdiff_t>(lead + newMiddle)));
}

void QtRichTextBox::RewriteRange(std::size_t first, std::size_t last,
                                 const std::vector<Paragraph>& replacement) {
  const QTextBlock firstBlock = BlockAt(first);
  const QTextBlock lastBlock = BlockAt(last);
  QTextCursor cursor(&Doc());
  cursor.beginEditBlock();
  cursor.setPosition(firstBlock.position());
  cursor.setPosition(lastBlock.position() + lastBlock.length() - 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  for (std::size_t k = 0; k < replacement.size(); ++k) {
    if (k > 0) {
      cursor.insertBlock();
    }
    ApplyBlockFormat(cursor, replacement[k]);
    InsertRuns(cursor, replacement[k].runs);
  }
  cursor.endEditBlock();
}

// The new paragraphs go in after the old ones, which then go: the editor's caret, put at the
// start, stays there. (Written in place, the new text would carry the caret's anchor to its end,
// and showing the caret at the start afterwards would lay out the whole document at once to
// redraw that old selection.)
void QtRichTextBox::ReplaceDocument(const std::vector<Paragraph>& paragraphs) {
  editor_->setTextCursor(QTextCursor(&Doc()));
  QTextCursor cursor(&Doc());
  cursor.beginEditBlock();
  cursor.movePosition(QTextCursor::End);
  const int oldEnd = cursor.position();
  for (const Paragraph& paragraph : paragraphs) {
    cursor.insertBlock();
    ApplyBlockFormat(cursor, paragraph);
    InsertRuns(cursor, paragraph.runs);
  }
  cursor.setPosition(0);
  cursor.setPosition(oldEnd + 1, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  // The first block kept the old first paragraph's formats.
  ApplyBlockFormat(cursor, paragraphs.front());
  cursor.endEditBlock();
}

void QtRichTextBox::UpdateParagraph(std::size_t index, const Paragraph& old,
                                    const Paragraph& replacement) {
  const QTextBlock block = BlockAt(index);
  QTextCursor cursor(block);
  cursor.beginEditBlock();
  if (!(old.format == replacement.format) || !(old.mark == replacement.mark)) {
    ApplyBlockFormat(cursor, replacement);
  }
  if (SameRuns(old, replacement)) {
    // Nothing to do for the text.
  } else if (SameText(old, replacement)) {
    // Only formats changed (bold over a selection, say): the text stays where it is. Merging
    // keeps a stand-in character's own property.
    int at = block.position();
    for (const TextRun& run : replacement.runs) {
      cursor.setPosition(at);
      at += static_cast<int>(run.text.size());
      cursor.setPosition(at, QTextCursor::KeepAnchor);
      cursor.mergeCharFormat(ToQt(run.format));
    }
  } else {
    const auto oldLength = static_cast<std::size_t>(old.Length());
    const auto newLength = static_cast<std::size_t>(replacement.Length());
    std::size_t prefix = CommonPrefix(old, replacement);
    std::size_t suffix = CommonSuffix(old, replacement, std::min(oldLength, newLength) - prefix);
    // Qt's positions must not fall inside a surrogate pair.
    if (prefix > 0 &&
        IsHighSurrogate(scrivlet::UnitAt(old, static_cast<std::int32_t>(prefix - 1)))) {
      --prefix;
    }
    if (suffix > 0 &&
        IsLowSurrogate(scrivlet::UnitAt(old, static_cast<std::int32_t>(oldLength - suffix)))) {
      --suffix;
    }
    const int start = block.position();
    cursor.setPosition(start + static_cast<int>(prefix));
    cursor.setPosition(start + static_cast<int>(oldLength - suffix), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    InsertRuns(cursor, RunsBetween(replacement, static_cast<std::int32_t>(prefix),
                                   static_cast<std::int32_t>(newLength - suffix)));
  }
  cursor.endEditBlock();
}

// Redraws every paragraph's margins after the bullet indent changed.
void QtRichTextBox::RefreshDisplayFormats() {
  ++writing_;
  for (QTextBlock block = Doc().begin(); block.isValid(); block = block.next()) {
    if (block.blockFormat().boolProperty(kBulletProperty)) {
      QTextCursor cursor(block);
      Paragraph paragraph;
      paragraph.format = ParaFromBlock(block);
      paragraph.mark = MarkOf(block);
      ApplyBlockFormat(cursor, paragraph);
    }
  }
  --writing_;
}

// ----- Positions -----

std::int32_t QtRichTextBox::ParagraphStart(std::size_t index) const {
  return BlockAt(index).position();
}

std::int32_t QtRichTextBox::ParagraphLength(std::size_t index) const {
  return BlockAt(index).length() - 1;
}

char16_t QtRichTextBox::UnitAt(std::int32_t position) const {
  return Doc().characterAt(position).unicode();
}

ParaFormat QtRichTextBox::ParagraphFormat(std::size_t index) const {
  return ParaFromBlock(BlockAt(index));
}

QtRichTextBox::Location QtRichTextBox::Locate(std::int32_t position) const {
  position = std::clamp(position, 0, Doc().characterCount() - 1);
  const QTextBlock block = Doc().findBlock(position);
  return {static_cast<std::size_t>(block.blockNumber()),
          std::clamp(position - block.position(), 0, block.length() - 1)};
}

CharFormat QtRichTextBox::FormatAt(std::size_t paragraph, std::int32_t offset) const {
  const QTextBlock block = BlockAt(paragraph);
  std::int32_t at = 0;
  std::optional<QTextFragment> last;
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    if (!fragment.isValid()) {
      continue;
    }
    at += fragment.length();
    last = fragment;
    if (offset < at) {
      break;
    }
  }
  return last ? CachedFormat(*last) : MarkOf(block);
}

// ----- Whole document -----

std::string QtRichTextBox::TextRTF() const {
  RichDocument document;
  document.paragraphs = ReadParagraphs(0, ParagraphCount() - 1);
  return WriteRtf(document, fontName_, bulletIndent_);
}

void QtRichTextBox::SetTextRTF(std::string_view rtf) {
  const RichDocument document = ReadRtf(rtf, {DefaultFormat(), bulletIndent_});
  ++writing_;
  {
    std::optional<LazyLayout> lazy;
    if (CharactersIn(document.paragraphs) >= kLazyLayoutCharacters) {
      lazy.emplace(Doc());
    }
    ReplaceDocument(document.paragraphs);
  }
  --writing_;
  EmptyUndoBuffer();
  ResetTypingFormat();
  ShowSelection(0, 0);
  RaiseSelChange();
}

std::u16string QtRichTextBox::Text() const {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(TextLength()));
  for (QTextBlock block = Doc().begin(); block.isValid(); block = block.next()) {
    if (block != Doc().begin()) {
      text += u'\n';
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) {
        continue;
      }
      const QTextCharFormat format = fragment.charFormat();
      if (format.hasProperty(kStandInProperty)) {
        text.append(static_cast<std::size_t>(fragment.length()),
                    static_cast<char16_t>(format.intProperty(kStandInProperty)));
      } else {
        text += fragment.text().toStdU16String();
      }
    }
  }
  return text;
}

// ----- Selection -----

std::int32_t QtRichTextBox::SelStart() const {
  const QTextCursor cursor = editor_->textCursor();
  return std::min(cursor.anchor(), cursor.position());
}

std::int32_t QtRichTextBox::SelLength() const {
  const QTextCursor cursor = editor_->textCursor();
  return std::abs(cursor.position() - cursor.anchor());
}

// Selects in the editor without an event; the caret goes to the end.
void QtRichTextBox::ShowSelection(std::int32_t start, std::int32_t length) {
  const std::int32_t end = std::clamp(start + length, 0, TextLength());
  start = std::clamp(start, 0, TextLength());
  // Setting the editor's cursor scrolls to it, which lays out the document up to there: an
  // edit that keeps the selection leaves the view where it is.
  const QTextCursor current = editor_->textCursor();
  if (current.anchor() == start && current.position() == end) {
    return;
  }
  QTextCursor cursor(&Doc());
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  ++writing_;
  editor_->setTextCursor(cursor);
  --writing_;
}

void QtRichTextBox::RaiseSelChange() {
  reportedStart_ = SelStart();
  reportedLength_ = SelLength();
  ParagraphSurface::RaiseSelChange();
}

// The user moved the caret or the selection in the editor.
void QtRichTextBox::OnEditorSelectionChanged() {
  if (writing_ > 0 || (SelStart() == reportedStart_ && SelLength() == reportedLength_)) {
    return;
  }
  ResetTypingFormat();
  SealUndoStep();
  RaiseSelChange();
}

// ----- Editing -----

void QtRichTextBox::MoveSelection(std::int32_t position) {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const std::int32_t end = start + length;
  position = AdjustBoundary(position);
  if (length == 0 || (position >= start && position <= end)) {
    return;
  }
  const std::string rtf = SelRTF();
  std::int32_t caret = 0;
  {
    const UndoStep step(*this);
    Splice(start, end, RichDocument{});
    const std::int32_t target = position > end ? position - length : position;
    caret = Splice(target, target, ReadRtf(rtf, {DefaultFormat(), bulletIndent_}));
  }
  ShowSelection(caret, 0);
  ResetTypingFormat();
  RaiseSelChange();
}

void QtRichTextBox::DeleteTo(const QTextCursor& target) {
  if (!target.hasSelection()) {
    return;
  }
  const std::int32_t from = AdjustBoundary(target.selectionStart());
  ShowSelection(from, AdjustBoundary(target.selectionEnd()) - from);
  SetSelText(u"");
}

// ----- Defaults, placement, focus -----

void QtRichTextBox::SetFontName(std::string_view face) {
  fontName_ = face;
  formatCache_.clear();  // a format without a face reads as the default
  Doc().setDefaultFont(QFont(QString::fromStdString(fontName_), Doc().defaultFont().pointSize()));
  // An empty document has nothing to keep: what is typed first takes the new default.
  if (TextLength() == 0) {
    Paragraph paragraph = ReadParagraph(Doc().begin());
    paragraph.mark = DefaultFormat();
    ++writing_;
    QTextCursor cursor(Doc().begin());
    ApplyBlockFormat(cursor, paragraph);
    --writing_;
  }
}

void QtRichTextBox::SetFontSize(double points) {
  fontSize_ = points;
  formatCache_.clear();
  if (points > 0) {
    QFont font = Doc().defaultFont();
    font.setPointSizeF(points);
    Doc().setDefaultFont(font);
  }
  if (TextLength() == 0) {
    Paragraph paragraph = ReadParagraph(Doc().begin());
    paragraph.mark = DefaultFormat();
    ++writing_;
    QTextCursor cursor(Doc().begin());
    ApplyBlockFormat(cursor, paragraph);
    --writing_;
  }
}

void QtRichTextBox::SetBackColor(std::int32_t color) {
  backColor_ = color;
  QPalette palette = editor_->palette();
  palette.setColor(QPalette::Base, ColorFromPlatform(color));
  editor_->setPalette(palette);
}

void QtRichTextBox::SetBulletIndent(std::int32_t twips) {
  bulletIndent_ = twips;
  RefreshDisplayFormats();
}

std::int32_t QtRichTextBox::Width() const {
  const int pixels = editor_->width();
  if (pixels == widthPixels_) {
    return widthTwips_;
  }
  return pixels * TwipsPerPixel(false);
}

void QtRichTextBox::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                         std::int32_t height) {
  const auto pixels = [](std::int32_t twips, std::int32_t perPixel) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / perPixel));
  };
  const std::int32_t across = TwipsPerPixel(false);
  const std::int32_t down = TwipsPerPixel(true);
  editor_->setGeometry(pixels(left, across), pixels(top, down), pixels(width, across),
                       pixels(height, down));
  widthTwips_ = width;
  widthPixels_ = editor_->width();
}

void QtRichTextBox::SetFocus() {
  const int before = focusEvents_;
  editor_->setFocus(Qt::OtherFocusReason);
  if (focusEvents_ != before) {
    return;  // the focus-in event raised it
  }
  // Already focused, or the window is hidden or inactive: the focus-in, if it comes, comes
  // later and must not raise the event a second time.
  focusRaisedEarly_ = !editor_->hasFocus();
  RaiseGotFocus();
}

void QtRichTextBox::OnEditorFocusIn(Qt::FocusReason reason) {
  ++focusEvents_;
  // The focus SetFocus asked for while the window was hidden or inactive arrives with the
  // window's activation; SetFocus has raised the event for it already.
  const bool deferred =
      std::exchange(focusRaisedEarly_, false) && reason == Qt::ActiveWindowFocusReason;
  // A popup menu closing gives the focus back: the surface never lost it in the user's eyes.
  if (deferred || reason == Qt::PopupFocusReason) {
    return;
  }
  RaiseGotFocus();
}

// ----- Keyboard and clipboard -----

void QtRichTextBox::RunShortcut(SurfaceShortcut shortcut) {
  if (shortcut_ && shortcut_(shortcut)) {
    return;
  }
  switch (shortcut) {
    case SurfaceShortcut::kBold:
    case SurfaceShortcut::kItalic:
    case SurfaceShortcut::kUnderline:
      ToggleStyle(shortcut);
      break;
    case SurfaceShortcut::kCut:
      Cut();
      break;
    case SurfaceShortcut::kCopy:
      Copy();
      break;
    case SurfaceShortcut::kPaste:
      Paste();
      break;
    case SurfaceShortcut::kHyperlink:
      break;  // the owner's dialog: nothing to do without one
  }
}

void QtRichTextBox::ToggleStyle(SurfaceShortcut style) {
  switch (style) {
    case SurfaceShortcut::kBold:
      SetSelBold(SelBold() != true);
      break;
    case SurfaceShortcut::kItalic:
      SetSelItalic(SelItalic() != true);
      break;
    case SurfaceShortcut::kUnderline:
      SetSelUnderline(SelUnderline() != true);
      break;
    default:
      break;
  }
}

std::unique_ptr<QMimeData> QtRichTextBox::SelectionMimeData() const {
  auto data = std::make_unique<QMimeData>();
  const std::string rtf = SelRTF();
  const QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
  for (const char* type : kRtfMimeTypes) {
    data->setData(QString::fromLatin1(type), bytes);
  }
  data->setText(ToQString(SelText()));
  // Other programs take rich text as HTML most often; the HTML5 form is what they read best.
  data->setHtml(ToQString(RtfToHtml5(
      rtf, {.defaultFace = fontName_, .defaultPoints = FontSize(), .page = Html5Page::kFragment})));
  return data;
}

void QtRichTextBox::Copy() const {
  if (SelLength() == 0) {
    return;
  }
  QGuiApplication::clipboard()->setMimeData(SelectionMimeData().release());
}

void QtRichTextBox::Cut() {
  if (SelLength() == 0) {
    return;
  }
  Copy();
  SetSelText(u"");
}

void QtRichTextBox::Paste() {
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
    InsertMimeData(*data);
  }
}

bool QtRichTextBox::CanInsertMimeData(const QMimeData& data) {
  for (const char* type : kRtfMimeTypes) {
    if (data.hasFormat(QString::fromLatin1(type))) {
      return true;
    }
  }
  return data.hasText() || data.hasHtml() || data.hasUrls();
}

bool QtRichTextBox::InsertMimeData(const QMimeData& data) {
  // A paste or a drop is a step of its own, even of one character: never part of the typing.
  const UndoStep step(*this);
  for (const char* type : kRtfMimeTypes) {
    const QString name = QString::fromLatin1(type);
    if (data.hasFormat(name)) {
      const QByteArray rtf = data.data(name);
      SetSelRTF(std::string_view(rtf.constData(), static_cast<std::size_t>(rtf.size())));
      return true;
    }
  }
  if (data.hasHtml()) {
    // Read as a page is read: the formatting the surface can hold, links and pictures as marker
    // runs. A context of its own leaves the document tables of TextHTML alone.
    ConversionContext context;
    const std::string html = ToStdString(data.html());
    SetSelRTF(BuildHtmlDocument(fontName_, ReadHtmlToRtf(html, context)));
    return true;
  }
  QString text;
  if (data.hasText()) {
    text = data.text();
  } else if (data.hasUrls()) {
    QStringList addresses;
    for (const QUrl& url : data.urls()) {
      addresses.push_back(url.toString());
    }
    text = addresses.join(u'\n');
  } else {
    return false;
  }
  // The surface has paragraphs only: any line or paragraph separator breaks the paragraph.
  text.replace(QChar::ParagraphSeparator, u'\n');
  text.replace(QChar::LineSeparator, u'\n');
  SetSelText(text.toStdU16String());
  return true;
}

}  // namespace scrivlet
