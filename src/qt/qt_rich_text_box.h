#pragma once

#include <QObject>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextFormat>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "document/paragraph_surface.h"

class QMimeData;
class QRect;
class QTextBlock;
class QTextCursor;
class QTextDocument;
class QTextEdit;
class QTextFragment;
class QWidget;

namespace scrivlet {

class SurfaceEdit;

// The editing keys an owner can map to its own commands.
enum class SurfaceShortcut { kBold, kItalic, kUnderline, kCut, kCopy, kPaste, kHyperlink };

// The editing surface on the desktop: a QTextEdit showing the document, with every operation of
// RichTextBox exactly as MemoryRichTextBox does it (same positions, formats, RTF, undo and
// events), so that the control behaves the same with or without a display. The editing rules
// are ParagraphSurface's; this class keeps the paragraphs in the editor's QTextDocument.
//
// Large documents: a load, or a change of most of a document of 100 000 characters or more, is
// laid out lazily, the part in view first and the rest in steps between events, as Qt does for
// a document just opened.
//
// The QTextDocument holds the document: one block per paragraph, one fragment per run. Exact
// values (indents in twips, the bullet, the paragraph mark's format, a face name's bytes, sizes
// in half-points) live in format properties; margins, fonts and colours are what Qt draws from
// them. A bulleted paragraph is drawn by the editor itself (no QTextList), its text indented by
// the bullet indent as its RTF says.
//
// Every change of the document, by code or by the user, goes through this class: typing,
// deleting, the clipboard, drag and drop and input methods are handled by the editor and turned
// into the operations below, so the user's changes follow the same rules and undo in one step.
// QTextDocument's own undo stack is off. Do not change the editor's document directly.
//
// Keyboard: Enter and Shift+Enter both break the paragraph (the surface has no soft line
// breaks); Backspace and Delete remove a whole surrogate pair or a paragraph break; Ctrl+Z is
// Undo, Ctrl+Y and Ctrl+Shift+Z Redo; a pause of a second in typing ends a typing step.
// Ctrl+B/I/U, Ctrl+K and the cut, copy and paste keys go to the shortcut handler first. With the
// editor set read-only (QTextEdit::setReadOnly) the user can still select and copy, while
// the operations below still change the document.
class QtRichTextBox final : public ParagraphSurface {
 public:
  // A surface whose editor is a window of its own, hidden until shown.
  QtRichTextBox();
  // A surface whose editor is a child of `parent`. The surface deletes its editor when it goes
  // (unless the parent already did).
  explicit QtRichTextBox(QWidget* parent);
  ~QtRichTextBox() override;
  QtRichTextBox(const QtRichTextBox&) = delete;
  QtRichTextBox& operator=(const QtRichTextBox&) = delete;

  // The editor widget, for layout, showing and focus.
  QTextEdit* Editor() const;

  std::string TextRTF() const override;
  void SetTextRTF(std::string_view rtf) override;
  std::u16string Text() const override;

  // The editor's selection.
  std::int32_t SelStart() const override;
  std::int32_t SelLength() const override;

  void SetFontName(std::string_view face) override;
  void SetFontSize(double points) override;
  // Also the editor's background.
  void SetBackColor(std::int32_t color) override;
  void SetBulletIndent(std::int32_t twips) override;

  // The editor's width in twips: what Move last gave, as long as the editor still has the width
  // that produced, else its pixel width in twips. Twips per pixel are 1440 / dpi rounded, as
  // the control's screen counts them.
  std::int32_t Width() const override;
  // Places the editor in its parent; twips become pixels at the screen's resolution (margins
  // and indents too).
  void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;

  // Focuses the editor. The got-focus event is raised once: by the editor's focus-in event when
  // it arrives at once, else here (a hidden editor, an inactive window).
  void SetFocus() override;

  // ----- Keyboard and clipboard -----

  // Asked first when the user presses Ctrl+B, Ctrl+I, Ctrl+U, Ctrl+K or a cut, copy or paste
  // key; returns true when it handled the key (Ctrl+K does nothing otherwise). Otherwise the
  // surface toggles the style over the selection (bold when not all of it is bold, and so on) or
  // runs Cut, Copy or Paste below.
  void SetShortcutHandler(std::function<bool(SurfaceShortcut)> handler) {
    shortcut_ = std::move(handler);
  }

  // The selection as other programs and drags take it: its SelRTF under "text/rtf" and
  // "application/rtf", its HTML5 fragment (RtfToHtml5) under "text/html", and its SelText as
  // plain text (paragraph breaks as "\n").
  std::unique_ptr<QMimeData> SelectionMimeData() const;
  // Puts the selection on the system clipboard as SelectionMimeData; nothing when it is empty.
  void Copy() const;
  // Copy, then deletes the selection (one undoable change).
  void Cut();
  // Inserts the system clipboard's contents as InsertMimeData does.
  void Paste();
  // Whether InsertMimeData would take anything from `data`.
  static bool CanInsertMimeData(const QMimeData& data);
  // Replaces the selection by what `data` holds that the document can: RTF ("text/rtf",
  // "application/rtf") through SetSelRTF; else HTML read by the HTML reader (ReadHtmlToRtf:
  // formatting, links and pictures as marker runs, tables as tab-separated text) through
  // SetSelRTF; else plain text in the typing format through SetSelText (links as their
  // addresses). Images and other formats never enter. Returns false, changing nothing, when `data`
  // holds none of these.
  bool InsertMimeData(const QMimeData& data);
  // Moves the selection to `position` (a position in the text before the move) as one undoable
  // change, as dragging the selection within the editor does; the caret ends after the moved
  // text. Nothing happens when `position` lies inside the selection.
  void MoveSelection(std::int32_t position);

 private:
  friend class SurfaceEdit;

  // ----- Storage: the QTextDocument -----
  std::size_t ParagraphCount() const override;
  std::int32_t ParagraphStart(std::size_t index) const override;
  std::int32_t ParagraphLength(std::size_t index) const override;
  Location Locate(std::int32_t position) const override;
  char16_t UnitAt(std::int32_t position) const override;
  CharFormat FormatAt(std::size_t paragraph, std::int32_t offset) const override;
  ParaFormat ParagraphFormat(std::size_t index) const override;
  CharFormat ParagraphMark(std::size_t index) const override;
  void VisitRunFormats(std::int32_t from, std::int32_t to,
                       const std::function<bool(const CharFormat&)>& visit) const override;
  std::vector<Paragraph> ReadParagraphs(std::size_t first, std::size_t last) const override;
  void WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                       std::vector<Paragraph> replacement) override;
  // Splits and joins blocks where they are: Enter in a long paragraph reads and writes only what
  // it inserts, not the paragraph.
  std::vector<Paragraph> SpliceRange(std::size_t first, std::int32_t from, std::size_t last,
                                     std::int32_t to, std::vector<Paragraph> pieces) override;
  // Selects in the editor without an event; the caret goes to the end.
  void ShowSelection(std::int32_t start, std::int32_t length) override;
  void RaiseSelChange() override;

  // ----- Mapping between the document model and the QTextDocument -----
  QTextDocument& Doc() const;
  QTextBlock BlockAt(std::size_t index) const;
  Paragraph ReadParagraph(const QTextBlock& block) const;
  // The runs of a block between two of its offsets.
  std::vector<TextRun> ReadRuns(const QTextBlock& block, std::int32_t from, std::int32_t to) const;
  CharFormat FromQt(const QTextCharFormat& format) const;
  const CharFormat& CachedFormat(const QTextFragment& fragment) const;
  QTextCharFormat ToQt(const CharFormat& format) const;
  struct BlockModel {
    ParaFormat format;
    CharFormat mark;
  };
  BlockModel FromQtBlock(const QTextBlockFormat& format) const;
  const BlockModel& CachedBlock(const QTextBlock& block) const;
  ParaFormat ParaFromBlock(const QTextBlock& block) const;
  CharFormat MarkOf(const QTextBlock& block) const;
  void ApplyBlockFormat(QTextCursor& cursor, const Paragraph& paragraph) const;
  // A paragraph's block format (which keeps the mark too) and its mark as Qt holds them.
  struct BlockFormats {
    QTextBlockFormat block;
    QTextCharFormat mark;
  };
  const BlockFormats& ToQtBlock(const Paragraph& paragraph) const;
  void InsertRuns(QTextCursor& cursor, const std::vector<TextRun>& runs) const;
  void WriteChanges(std::size_t first, const std::vector<Paragraph>& old,
                    const std::vector<Paragraph>& replacement);
  void RewriteRange(std::size_t first, std::size_t last, const std::vector<Paragraph>& replacement);
  void ReplaceDocument(const std::vector<Paragraph>& paragraphs);
  void UpdateParagraph(std::size_t index, const Paragraph& old, const Paragraph& replacement);
  void RestyleRuns(QTextCursor& cursor, int start, const Paragraph& old,
                   const Paragraph& replacement) const;
  std::int32_t TwipsPerPixel(bool vertical) const;
  double PixelsPerTwip() const;
  void RefreshDisplayFormats();
  // Draws the bullets of the bulleted paragraphs in `area` of the editor's viewport.
  void PaintBullets(const QRect& area) const;

  // ----- Selection, focus and the user's edits, from the editor -----
  void OnEditorSelectionChanged();
  void OnEditorFocusIn(Qt::FocusReason reason);
  void DeleteTo(const QTextCursor& target);
  void ToggleStyle(SurfaceShortcut style);
  void RunShortcut(SurfaceShortcut shortcut);

  QPointer<SurfaceEdit> editor_;
  // Editor signals during our own writes (OwnWrite) are not the user's: they raise no event.
  int writing_ = 0;
  // The selection the last selection-changed event reported.
  std::int32_t reportedStart_ = 0;
  std::int32_t reportedLength_ = 0;
  // Focus-in events raised while SetFocus runs, and one late focus-in SetFocus already raised.
  int focusEvents_ = 0;
  bool focusRaisedEarly_ = false;

  // Character formats converted from Qt, by the document's format index.
  mutable std::unordered_map<int, CharFormat> formatCache_;
  // Paragraph formats and marks converted from Qt, by the document's block format index.
  mutable std::unordered_map<int, BlockModel> blockCache_;
  // Qt's formats made from character formats. A load writes a handful of formats over and over:
  // made once, each is copied (a shared pointer) instead of built, and Qt, looking it up in the
  // document's formats, hashes it once instead of for every run.
  struct CharFormatHash {
    std::size_t operator()(const CharFormat& format) const;
  };
  mutable std::unordered_map<CharFormat, QTextCharFormat, CharFormatHash> toQtCache_;
  // The same for paragraphs' block formats: a paragraph's format and mark.
  struct BlockKey {
    ParaFormat para;
    CharFormat mark;
    bool operator==(const BlockKey&) const = default;
  };
  struct BlockKeyHash {
    std::size_t operator()(const BlockKey& key) const;
  };
  mutable std::unordered_map<BlockKey, BlockFormats, BlockKeyHash> toQtBlockCache_;

  // Move's last width in twips and the pixel width it gave.
  std::int32_t widthTwips_ = 9600;
  int widthPixels_ = -1;

  std::function<bool(SurfaceShortcut)> shortcut_;
};

}  // namespace scrivlet
