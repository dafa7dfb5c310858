#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/rich_document.h"
#include "platform/rich_text_box.h"

namespace scrivlet {

// The editing rules every surface shares, written once over a store of paragraphs: selection
// boundaries that never split a surrogate pair, the typing format, replacing text and RTF,
// attributes that read as mixed, paragraph formats that travel with their break, marker runs
// that the user's typing does not join, and the undo history. A surface derives from it and keeps
// the paragraphs where it likes (in memory, in a widget's document), answering the storage hooks
// below; it also keeps the selection, so that a widget's own caret can be the selection.
//
// Every change of the document goes through WriteParagraphs with the paragraphs as they were
// and as they become, so a surface may redraw only what differs; a change inside one paragraph
// (EditParagraph) and one that splits or joins paragraphs at a range (SpliceRange) say only what
// they change, so that an edit in a long paragraph costs what it changes.
class ParagraphSurface : public RichTextBox {
 public:
  std::u16string SelText() const override;
  void SetSelText(std::u16string_view text) override;
  std::string SelRTF() const override;
  void SetSelRTF(std::string_view rtf) override;
  void SetSelStart(std::int32_t start) override;
  void SetSelLength(std::int32_t length) override;

  std::optional<bool> SelBold() const override;
  void SetSelBold(bool bold) override;
  std::optional<bool> SelItalic() const override;
  void SetSelItalic(bool italic) override;
  std::optional<bool> SelUnderline() const override;
  void SetSelUnderline(bool underline) override;
  std::optional<std::int32_t> SelColor() const override;
  void SetSelColor(std::int32_t color) override;
  std::optional<std::string> SelFontName() const override;
  void SetSelFontName(std::string_view face) override;
  std::optional<double> SelFontSize() const override;
  void SetSelFontSize(double points) override;

  std::optional<bool> SelBullet() const override;
  void SetSelBullet(bool bullet) override;
  std::optional<Alignment> SelAlignment() const override;
  void SetSelAlignment(Alignment alignment) override;
  std::optional<std::int32_t> SelIndent() const override;
  void SetSelIndent(std::int32_t twips) override;
  std::optional<std::int32_t> SelRightIndent() const override;
  void SetSelRightIndent(std::int32_t twips) override;

  std::string FontName() const override { return fontName_; }
  double FontSize() const override { return fontSize_; }
  std::int32_t BackColor() const override { return backColor_; }
  std::int32_t BulletIndent() const override { return bulletIndent_; }

  // The Backspace and Delete keys: the selection, else the character (a surrogate pair or a
  // paragraph break) before or after the caret, as one keystroke of typing.
  void DeleteBackward();
  void DeleteForward();

  bool CanUndo() const override { return !undo_.empty(); }
  void Undo() override;
  bool CanRedo() const override { return !redo_.empty(); }
  void Redo() override;
  void EmptyUndoBuffer() override;
  void BeginUndoStep() override;
  void EndUndoStep() override;
  void SealUndoStep() override { typingOpen_ = false; }

  void SetSelChangeHandler(std::function<void()> handler) override {
    selChange_ = std::move(handler);
  }
  void SetGotFocusHandler(std::function<void()> handler) override {
    gotFocus_ = std::move(handler);
  }

  FormatRun RunAt(std::int32_t position) const override;

 protected:
  struct Location {
    std::size_t paragraph;
    std::int32_t offset;  // within the paragraph; its length means "at the break"
  };
  // A change inside one paragraph as the history keeps it: its characters from `from`,
  // `length` of them now, were `runs`, and its mark was `mark`.
  struct CharacterChange {
    std::int32_t from = 0;
    std::int32_t length = 0;
    std::vector<TextRun> runs;
    CharFormat mark;
  };
  // A change of paragraph breaks as the history keeps it: the text from offset `from` of the
  // record's first paragraph to offset `to` of its last was `was`, pieces as SpliceParagraphs
  // takes them. Enter keeps an empty piece and the formats and marks it changed, not the
  // paragraph it split.
  struct RangeChange {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::vector<Paragraph> was;
  };
  // One write as the history keeps it: `count` paragraphs from `first` were `old` before; or,
  // with `within`, paragraph `first` changed only there (`count` 1, `old` empty), so that a
  // keystroke in a long paragraph keeps what it replaced, not a copy of the paragraph; or, with
  // `range`, the `count` paragraphs from `first` changed only in that range (`old` empty).
  struct UndoRecord {
    std::size_t first;
    std::size_t count;
    std::vector<Paragraph> old;
    std::optional<CharacterChange> within = {};
    std::optional<RangeChange> range = {};
  };
  // Writes undone together, latest last, and the selection to show once they are undone.
  struct HistoryStep {
    std::vector<UndoRecord> records;
    std::int32_t selStart = 0;
    std::int32_t selLength = 0;
  };
  // How many steps the history keeps.
  static constexpr std::size_t kUndoSteps = 100;

  ParagraphSurface() = default;

  // ----- Storage, answered by the surface -----

  // Always at least one paragraph.
  virtual std::size_t ParagraphCount() const = 0;
  virtual std::int32_t ParagraphStart(std::size_t index) const = 0;
  // Characters of the paragraph, its break not counted.
  virtual std::int32_t ParagraphLength(std::size_t index) const = 0;
  // The paragraph holding `position` (clamped to the text); a break belongs to the paragraph it
  // ends.
  virtual Location Locate(std::int32_t position) const = 0;
  // The code unit at `position`, which lies inside a paragraph's text.
  virtual char16_t UnitAt(std::int32_t position) const = 0;
  // The format of the character at `offset` of a paragraph: past its text, its last run's;
  // without text, its mark's.
  virtual CharFormat FormatAt(std::size_t paragraph, std::int32_t offset) const = 0;
  virtual ParaFormat ParagraphFormat(std::size_t index) const = 0;
  // The format of the paragraph's mark.
  virtual CharFormat ParagraphMark(std::size_t index) const = 0;
  // Calls `visit` with the format of each run holding characters between `from` and `to`, in
  // order, until it returns false. Nothing is copied: attribute reads cost the runs, not the
  // text.
  virtual void VisitRunFormats(std::int32_t from, std::int32_t to,
                               const std::function<bool(const CharFormat&)>& visit) const = 0;
  // Copies of the paragraphs `first` to `last`, both included.
  virtual std::vector<Paragraph> ReadParagraphs(std::size_t first, std::size_t last) const = 0;
  // Replaces the paragraphs from `first` on, which hold `old`, by `replacement`. The selection
  // is restored afterwards by the caller.
  virtual void WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                               std::vector<Paragraph> replacement) = 0;
  // Changes one paragraph through `edit`, which keeps its paragraph format. The default reads
  // the paragraph and writes it back through WriteParagraphs; a surface that holds the model
  // itself edits it in place, so that a keystroke in a long paragraph copies none of it.
  virtual void EditParagraph(std::size_t index, const std::function<void(Paragraph&)>& edit);
  // Replaces the text from offset `from` of paragraph `first` to offset `to` of paragraph `last`
  // by `pieces` as SpliceParagraphs does, and returns what it held. The default reads the
  // paragraphs and writes them back through WriteParagraphs; a surface that holds the model
  // itself moves the runs instead, so that Enter in a long paragraph copies none of it.
  virtual std::vector<Paragraph> SpliceRange(std::size_t first, std::int32_t from, std::size_t last,
                                             std::int32_t to, std::vector<Paragraph> pieces);
  // The stretch of one underline, italic and colour around the character at `offset` of a
  // paragraph (which holds it), its start counted in the paragraph. The default reads a copy of
  // the paragraph; a surface that holds the model itself answers from it.
  virtual FormatRun RunInParagraph(std::size_t paragraph, std::int32_t offset) const;
  // That stretch in `paragraph`.
  static FormatRun StretchAt(const Paragraph& paragraph, std::int32_t offset);
  // Sets the selection without raising the selection-changed event.
  virtual void ShowSelection(std::int32_t start, std::int32_t length) = 0;

  // ----- The rules, for the surface's own operations -----

  std::int32_t TextLength() const;
  // The code unit at `position`, u'\n' at a paragraph's end.
  char16_t UnitOrBreak(std::int32_t position) const;
  // Whether the text between two positions lies in one paragraph and all in `format`.
  bool IsOneFormat(std::int32_t from, std::int32_t to, const CharFormat& format) const;
  // `position` clamped to the text and moved back off the second half of a surrogate pair.
  std::int32_t AdjustBoundary(std::int32_t position) const;
  CharFormat DefaultFormat() const;
  // The format text typed at the caret takes: a format set over the empty selection, else the
  // text's around the caret, never a marker run's unless the caret stands inside one.
  CharFormat InsertionFormat() const;
  // The document between two positions, as paragraphs.
  RichDocument Slice(std::int32_t from, std::int32_t to) const;
  // Replaces the text between two positions by a fragment as one undoable change; returns the
  // position after the fragment.
  std::int32_t Splice(std::int32_t from, std::int32_t to, RichDocument fragment);
  // Replaces the selection by a fragment, as SetSelRTF does with the document it reads.
  void SetSelDocument(RichDocument fragment);
  // Selects (boundaries adjusted) and raises the event when the selection changed.
  void SetSelection(std::int32_t start, std::int32_t length);
  // Raises the selection-changed event.
  virtual void RaiseSelChange();
  void RaiseGotFocus() const;
  // Forgets both handlers (for a surface whose parts go before it does).
  void DropHandlers() {
    selChange_ = nullptr;
    gotFocus_ = nullptr;
  }
  // Forgets a format set over the empty selection.
  void ResetTypingFormat() { typingFormat_.reset(); }

  std::string fontName_ = "Arial";
  double fontSize_ = 12.0;
  std::int32_t backColor_ = 0xFFFFFF;
  std::int32_t bulletIndent_ = 360;

 private:
  using CharChange = std::function<void(CharFormat&)>;
  using ParaChange = std::function<void(ParaFormat&)>;

  std::pair<std::size_t, std::size_t> TouchedParagraphs() const;
  void ReplaceParagraphs(std::size_t first, std::vector<Paragraph> old,
                         std::vector<Paragraph> replacement);
  // The same for a change that SpliceRange describes: the history keeps what the range held.
  void ReplaceRange(std::size_t first, std::int32_t from, std::size_t last, std::int32_t to,
                    std::vector<Paragraph> pieces);
  void ChangeCharacters(const CharChange& change);
  void ChangeParagraphs(const ParaChange& change);
  // The selection becomes the caret at `caret`, and the event is raised. A format set for
  // typing holds on after text typed in it (kKeep), until the caret moves.
  enum class TypingFormatAfter { kReset, kKeep };
  void FinishEdit(std::int32_t caret, TypingFormatAfter typingFormat = TypingFormatAfter::kReset);

  // Formats for text inserted between `from` and `to` (the selection it replaces).
  CharFormat FormatBetween(std::int32_t from, std::int32_t to) const;
  // The format of ordinary text nearest the caret at `at`: before it in its paragraph, else
  // after it, else in the paragraph before, else the default.
  CharFormat OrdinaryFormatNear(Location at) const;
  // Where text holding a paragraph break goes when asked for at `position`: before a URL that
  // `position` would otherwise separate from its text.
  std::int32_t KeepLinkTogether(std::int32_t position) const;

  // Adds a write to the history: a step of its own, or the open group's, or the typing step
  // being gathered when `typing_` says this write is a keystroke that continues it.
  void Record(UndoRecord record, std::int32_t selStart, std::int32_t selLength);
  // Whether a write with this selection joins the history's last step (typing that continues,
  // or an open group), and whether that step already holds paragraphs `first` to
  // `first + count - 1` as they were, so that the write needs no copy of its own.
  bool JoinsLastStep(std::int32_t selStart, std::int32_t selLength) const;
  bool LastStepHolds(std::size_t first, std::size_t count) const;
  // Adds `change` to the last record when that is a change inside the same paragraph which
  // `change` overlaps or touches.
  bool MergeIntoLastRecord(std::size_t paragraph, CharacterChange& change);
  // Replaces the characters between two offsets of one paragraph by `runs` (and its mark by
  // `mark` unless it ends empty) in place, dropping a URL the deletion orphans, and records it;
  // returns the characters dropped.
  std::int32_t ReplaceWithin(std::size_t paragraph, std::int32_t from, std::int32_t to,
                             std::vector<TextRun> runs, const CharFormat& mark);
  void ApplyStep(std::deque<HistoryStep>& from, std::deque<HistoryStep>& to);

  template <typename T, typename Get>
  std::optional<T> ReadCharacters(Get get) const;
  template <typename T, typename Get>
  std::optional<T> ReadParagraphAttribute(Get get) const;

  std::optional<CharFormat> typingFormat_;
  std::deque<HistoryStep> undo_;
  std::deque<HistoryStep> redo_;
  // Open BeginUndoStep calls, and whether the group has its step in `undo_` yet.
  int groupDepth_ = 0;
  bool groupStarted_ = false;
  // The write under way is a keystroke (set by SetSelText for Record).
  bool typing_ = false;
  // The last step is typing that the next keystroke at `typingCaret_` continues.
  bool typingOpen_ = false;
  std::int32_t typingCaret_ = 0;
  bool typingDeletes_ = false;  // the open typing step deletes (Backspace, Delete)
  std::function<void()> selChange_;
  std::function<void()> gotFocus_;
};

}  // namespace scrivlet
