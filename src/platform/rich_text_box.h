#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text/piece_source.h"

// The rich-text editing surface that holds the document.
//
// Positions and lengths count UTF-16 code units from 0; a paragraph break is one character,
// u'\n', and a selection boundary never falls inside a surrogate pair (one that would moves back
// to the pair's first unit). Colours are platform order 0x00BBGGRR, sizes points, indents twips.
// A character or paragraph attribute read over a selection is a value, or std::nullopt when the
// selection mixes values.
namespace scrivlet {

// Paragraph alignment, with the codes hosts exchange.
enum class Alignment : std::int32_t { kLeft = 0, kRight = 1, kCenter = 2 };

class RichTextBox {
 public:
  virtual ~RichTextBox() = default;

  // The whole document as RTF in the surface's dialect (one line, UTF-8 with \uN escapes).
  virtual std::string TextRTF() const = 0;
  // TextRTF's RTF a piece at a time, so that a reader converting it need not hold it whole; the
  // pieces in order are TextRTF() byte for byte. Read it before the document changes. By
  // default TextRTF() as one piece.
  virtual std::unique_ptr<PieceSource> TextRTFPieces() const {
    return std::make_unique<OwnedTextSource>(TextRTF());
  }
  // Replaces the whole document by `rtf`; the caret goes to 0 and the undo history is emptied.
  // Never fails: what the reader does not understand is skipped.
  virtual void SetTextRTF(std::string_view rtf) = 0;
  // The whole plain text, paragraphs separated by u'\n'.
  virtual std::u16string Text() const = 0;

  virtual std::int32_t SelStart() const = 0;
  // Moves the caret to `start` (clamped to the text) and collapses the selection there.
  virtual void SetSelStart(std::int32_t start) = 0;
  virtual std::int32_t SelLength() const = 0;
  // Extends the selection from SelStart by `length` (clamped to the text; negative is 0).
  virtual void SetSelLength(std::int32_t length) = 0;

  virtual std::u16string SelText() const = 0;
  // Replaces the selection by plain text in the insertion point's format ("\n", "\r" and "\r\n"
  // break paragraphs) and leaves the caret after it.
  virtual void SetSelText(std::u16string_view text) = 0;
  // The selection as a self-contained RTF document.
  virtual std::string SelRTF() const = 0;
  // Replaces the selection by the RTF document given; the empty string deletes the selection.
  virtual void SetSelRTF(std::string_view rtf) = 0;

  // Character attributes of the selection, or of the insertion point when it is empty; writing
  // them over an empty selection sets the format of the text inserted next.
  virtual std::optional<bool> SelBold() const = 0;
  virtual void SetSelBold(bool bold) = 0;
  virtual std::optional<bool> SelItalic() const = 0;
  virtual void SetSelItalic(bool italic) = 0;
  virtual std::optional<bool> SelUnderline() const = 0;
  virtual void SetSelUnderline(bool underline) = 0;
  virtual std::optional<std::int32_t> SelColor() const = 0;
  virtual void SetSelColor(std::int32_t color) = 0;
  virtual std::optional<std::string> SelFontName() const = 0;
  virtual void SetSelFontName(std::string_view face) = 0;
  virtual std::optional<double> SelFontSize() const = 0;
  virtual void SetSelFontSize(double points) = 0;

  // Paragraph attributes of the paragraphs the selection touches.
  virtual std::optional<bool> SelBullet() const = 0;
  virtual void SetSelBullet(bool bullet) = 0;
  virtual std::optional<Alignment> SelAlignment() const = 0;
  virtual void SetSelAlignment(Alignment alignment) = 0;
  // The left indent, not counting a bullet's own indent.
  virtual std::optional<std::int32_t> SelIndent() const = 0;
  virtual void SetSelIndent(std::int32_t twips) = 0;
  virtual std::optional<std::int32_t> SelRightIndent() const = 0;
  virtual void SetSelRightIndent(std::int32_t twips) = 0;

  // Defaults of the surface: the font of text loaded without a face or size, the background,
  // and the indent a bullet adds to its paragraph.
  virtual std::string FontName() const = 0;
  virtual void SetFontName(std::string_view face) = 0;
  virtual double FontSize() const = 0;
  virtual void SetFontSize(double points) = 0;
  virtual std::int32_t BackColor() const = 0;
  virtual void SetBackColor(std::int32_t color) = 0;
  virtual std::int32_t BulletIndent() const = 0;
  virtual void SetBulletIndent(std::int32_t twips) = 0;

  // Width of the surface in twips, and its placement in the control (twips).
  virtual std::int32_t Width() const = 0;
  virtual void Move(std::int32_t left, std::int32_t top, std::int32_t width,
                    std::int32_t height) = 0;

  // The undo history: the last 100 steps, each holding only the paragraphs it changed, with
  // redo. A step is one change, or every change between BeginUndoStep and EndUndoStep; typing
  // at the caret gathers into word-sized steps (a step ends after a space or punctuation that
  // follows a word, at a caret move, a format change or a paste). A new change forgets the
  // redo steps; loading a document (SetTextRTF) and EmptyUndoBuffer forget every step. Undo and
  // Redo restore the selection the step found.
  virtual bool CanUndo() const = 0;
  virtual void Undo() = 0;
  virtual bool CanRedo() const = 0;
  virtual void Redo() = 0;
  virtual void EmptyUndoBuffer() = 0;
  // Opens and closes a group whose changes make one step; groups nest, and the outermost close
  // ends the step. Use UndoStep rather than pairing the calls by hand.
  virtual void BeginUndoStep() = 0;
  virtual void EndUndoStep() = 0;
  // Ends the typing step being gathered, so the next keystroke starts a new one (a pause in
  // typing, a caret moved by the user).
  virtual void SealUndoStep() = 0;

  // Gives the surface the keyboard focus, which raises the got-focus event.
  virtual void SetFocus() = 0;

  // Raised synchronously whenever the selection or the text changes, by the user or by code.
  virtual void SetSelChangeHandler(std::function<void()> handler) = 0;
  // Raised synchronously when the surface gains the focus.
  virtual void SetGotFocusHandler(std::function<void()> handler) = 0;

  // ----- Runs, for walks over the hyperlink and picture marker runs -----

  // A stretch of text whose characters share underline, italic and colour (the attributes
  // that tell the marker runs apart).
  struct FormatRun {
    std::int32_t start = 0;
    std::int32_t length = 0;      // 0 at or past the end of the text
    bool paragraphBreak = false;  // the run is one paragraph break, which has no format of its own
    bool underline = false;
    bool italic = false;
    std::int32_t color = 0;
  };
  // The run holding the character at `position`: the longest stretch of its paragraph around
  // it with the same underline, italic and colour, or the paragraph break alone. Costs at most
  // one pass over that paragraph, never the document; the selection is not touched.
  virtual FormatRun RunAt(std::int32_t position) const = 0;
};

// Makes every change of the surface within its scope one step of the undo history. A command
// that writes more than once (a hyperlink is its text and then its URL) would otherwise be
// half undone by one Undo, leaving a URL without its text.
class UndoStep {
 public:
  explicit UndoStep(RichTextBox& surface) : surface_(surface) { surface_.BeginUndoStep(); }
  ~UndoStep() { surface_.EndUndoStep(); }
  UndoStep(const UndoStep&) = delete;
  UndoStep& operator=(const UndoStep&) = delete;

 private:
  RichTextBox& surface_;
};

}  // namespace scrivlet
