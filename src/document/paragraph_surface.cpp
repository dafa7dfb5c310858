#include "document/paragraph_surface.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "document/rtf_reader.h"
#include "document/rtf_writer.h"
#include "text/text_codec.h"

namespace scrivlet {

namespace {

// Joins adjacent runs of the same format and drops empty ones.
void Normalize(Paragraph& paragraph) {
  std::vector<TextRun> runs = std::move(paragraph.runs);
  paragraph.runs.clear();
  paragraph.ForgetRunEnds();
  AppendRuns(paragraph, runs);
}

// Paragraphs of plain text: "\r\n", "\r" and "\n" each break.
std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
        ++i;
      }
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// Letters and digits, and any character beyond Latin-1's symbols: what a word is made of when
// typing is gathered into steps.
bool IsWordUnit(char16_t unit) {
  return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z') ||
         (unit >= u'A' && unit <= u'Z') || unit >= 0xC0;
}

// Drops the URL run that ends at `offset` when no link text or linked picture follows it any
// more: a link whose text was deleted goes with its URL, which would otherwise stand alone as
// grey text and write an empty anchor. Returns the characters dropped.
std::int32_t DropOrphanUrlAt(Paragraph& paragraph, std::int32_t offset) {
  if (offset <= 0) {
    return 0;
  }
  const RunSpot spot = FindRun(paragraph, offset - 1);
  const std::size_t i = spot.run;
  if (i == paragraph.runs.size()) {
    return 0;
  }
  const auto length = static_cast<std::int32_t>(paragraph.runs[i].text.size());
  if (spot.start + length != offset || MarkerKindOf(paragraph.runs[i].format) != MarkerKind::kUrl) {
    return 0;
  }
  if (i + 1 < paragraph.runs.size()) {
    const CharFormat& next = paragraph.runs[i + 1].format;
    if (next.underline || MarkerKindOf(next) == MarkerKind::kRawTag) {
      return 0;
    }
  }
  ReplaceRuns(paragraph, spot.start, offset, {});
  return length;
}

// Where the run ending at `offset` starts when it is a URL's (a deletion there may take it
// with it), else `offset`.
std::int32_t UrlRunStartBefore(const Paragraph& paragraph, std::int32_t offset) {
  if (offset <= 0) {
    return offset;
  }
  const RunSpot spot = FindRun(paragraph, offset - 1);
  if (spot.run == paragraph.runs.size() ||
      MarkerKindOf(paragraph.runs[spot.run].format) != MarkerKind::kUrl) {
    return offset;
  }
  return spot.start;
}

std::int32_t FragmentLength(const RichDocument& fragment) {
  std::int32_t length = static_cast<std::int32_t>(fragment.paragraphs.size()) - 1;
  for (const Paragraph& paragraph : fragment.paragraphs) {
    length += paragraph.Length();
  }
  return length;
}

// Where `pieces` spliced in at offset `from` end: an offset in the last paragraph they make.
std::int32_t PiecesEnd(std::int32_t from, const std::vector<Paragraph>& pieces) {
  return pieces.size() == 1 ? from + pieces.front().Length() : pieces.back().Length();
}

}  // namespace

// ----- Positions and formats -----

std::int32_t ParagraphSurface::TextLength() const {
  const std::size_t last = ParagraphCount() - 1;
  return ParagraphStart(last) + ParagraphLength(last);
}

char16_t ParagraphSurface::UnitOrBreak(std::int32_t position) const {
  const Location at = Locate(position);
  return at.offset < ParagraphLength(at.paragraph) ? UnitAt(position) : u'\n';
}

bool ParagraphSurface::IsOneFormat(std::int32_t from, std::int32_t to,
                                   const CharFormat& format) const {
  if (Locate(from).paragraph != Locate(to).paragraph) {
    return false;
  }
  bool same = true;
  VisitRunFormats(from, to, [&same, &format](const CharFormat& run) {
    same = run == format;
    return same;
  });
  return same;
}

std::int32_t ParagraphSurface::AdjustBoundary(std::int32_t position) const {
  position = std::clamp(position, 0, TextLength());
  const Location at = Locate(position);
  if (at.offset > 0 && at.offset < ParagraphLength(at.paragraph) &&
      IsLowSurrogate(UnitAt(position)) && IsHighSurrogate(UnitAt(position - 1))) {
    return position - 1;
  }
  return position;
}

CharFormat ParagraphSurface::DefaultFormat() const {
  CharFormat format;
  format.face = fontName_;
  format.halfPoints = static_cast<std::int32_t>(std::lround(fontSize_ * 2));
  return format;
}

CharFormat ParagraphSurface::InsertionFormat() const {
  if (typingFormat_) {
    return *typingFormat_;
  }
  const std::int32_t caret = SelStart();
  return FormatBetween(caret, caret);
}

// The character before `from` in its paragraph, else the one at `to`, else the paragraph's
// mark; but text joins a marker run only where the caret stands inside it, or at the seam
// between a URL and its link text (where it joins the text the user sees). At any other edge
// of a marker it takes the ordinary text's format: a URL or raw tag that swallowed typed text
// would lose it from view, or write it into the page as raw HTML.
CharFormat ParagraphSurface::FormatBetween(std::int32_t from, std::int32_t to) const {
  const Location before = Locate(from);
  const Location after = Locate(to);
  std::optional<CharFormat> prev;
  std::optional<CharFormat> next;
  if (before.offset > 0) {
    prev = FormatAt(before.paragraph, before.offset - 1);
  }
  if (after.offset < ParagraphLength(after.paragraph)) {
    next = FormatAt(after.paragraph, after.offset);
  }
  const MarkerKind prevKind = prev ? MarkerKindOf(*prev) : MarkerKind::kNone;
  const MarkerKind nextKind = next ? MarkerKindOf(*next) : MarkerKind::kNone;
  if (prev && prevKind == MarkerKind::kNone) {
    return *prev;
  }
  if (!prev && !next) {
    const CharFormat mark = FormatAt(before.paragraph, 0);
    return MarkerKindOf(mark) == MarkerKind::kNone ? mark : OrdinaryFormatNear(before);
  }
  if (!prev && nextKind == MarkerKind::kNone) {
    return *next;
  }
  if (prev && next) {
    const bool sameRun = *prev == *next;
    if (prevKind == MarkerKind::kUrl && nextKind == MarkerKind::kLinkText) {
      return *next;
    }
    if (sameRun && (prevKind == MarkerKind::kUrl || prevKind == MarkerKind::kLinkText)) {
      return *prev;
    }
    // Two pictures side by side are one run: between "...>" and "<..." is no tag.
    if (sameRun && prevKind == MarkerKind::kRawTag &&
        UnitAt(ParagraphStart(before.paragraph) + before.offset - 1) != u'>') {
      return *prev;
    }
  }
  return OrdinaryFormatNear(before);
}

CharFormat ParagraphSurface::OrdinaryFormatNear(Location at) const {
  const std::int32_t start = ParagraphStart(at.paragraph);
  const std::int32_t caret = start + at.offset;
  std::optional<CharFormat> found;
  const auto lastOrdinary = [&found](const CharFormat& format) {
    if (MarkerKindOf(format) == MarkerKind::kNone) {
      found = format;
    }
    return true;
  };
  const auto firstOrdinary = [&found](const CharFormat& format) {
    if (MarkerKindOf(format) == MarkerKind::kNone) {
      found = format;
      return false;
    }
    return true;
  };
  VisitRunFormats(start, caret, lastOrdinary);
  if (!found) {
    VisitRunFormats(caret, start + ParagraphLength(at.paragraph), firstOrdinary);
  }
  if (!found && at.paragraph > 0) {
    const std::int32_t previous = ParagraphStart(at.paragraph - 1);
    VisitRunFormats(previous, previous + ParagraphLength(at.paragraph - 1), lastOrdinary);
  }
  return found ? *found : DefaultFormat();
}

std::int32_t ParagraphSurface::KeepLinkTogether(std::int32_t position) const {
  const Location at = Locate(position);
  if (at.offset == 0 || at.offset >= ParagraphLength(at.paragraph) ||
      MarkerKindOf(FormatAt(at.paragraph, at.offset - 1)) != MarkerKind::kUrl ||
      MarkerKindOf(FormatAt(at.paragraph, at.offset)) == MarkerKind::kUrl) {
    return position;
  }
  // The whole URL, also where its runs differ in face or size: the converter reads them as one.
  return RunAt(position - 1).start;
}

std::pair<std::size_t, std::size_t> ParagraphSurface::TouchedParagraphs() const {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const Location first = Locate(start);
  const Location last = Locate(start + length);
  // A selection that ends just after a break does not reach into the next paragraph.
  const bool endsAtBreak = length > 0 && last.offset == 0 && last.paragraph > first.paragraph;
  return {first.paragraph, endsAtBreak ? last.paragraph - 1 : last.paragraph};
}

// ----- Selection -----

void ParagraphSurface::SetSelection(std::int32_t start, std::int32_t length) {
  const std::int32_t from = AdjustBoundary(start);
  // Clamped before the addition: a length near INT32_MAX must not overflow.
  const std::int32_t to = AdjustBoundary(from + std::clamp(length, 0, TextLength() - from));
  if (from == SelStart() && to - from == SelLength()) {
    return;
  }
  ShowSelection(from, to - from);
  typingFormat_.reset();
  typingOpen_ = false;
  RaiseSelChange();
}

void ParagraphSurface::SetSelStart(std::int32_t start) {
  SetSelection(start, 0);
}

void ParagraphSurface::SetSelLength(std::int32_t length) {
  SetSelection(SelStart(), length);
}

void ParagraphSurface::RaiseSelChange() {
  if (selChange_) {
    selChange_();
  }
}

void ParagraphSurface::RaiseGotFocus() const {
  if (gotFocus_) {
    gotFocus_();
  }
}

void ParagraphSurface::FinishEdit(std::int32_t caret, TypingFormatAfter typingFormat) {
  // A lone surrogate inserted, or brought next to another by a deletion, may pair with its
  // neighbour across the caret.
  ShowSelection(AdjustBoundary(caret), 0);
  if (typingFormat == TypingFormatAfter::kReset) {
    typingFormat_.reset();
  }
  RaiseSelChange();
}

std::u16string ParagraphSurface::SelText() const {
  std::u16string text;
  const std::int32_t start = SelStart();
  const RichDocument slice = Slice(start, start + SelLength());
  for (std::size_t i = 0; i < slice.paragraphs.size(); ++i) {
    if (i > 0) {
      text += u'\n';
    }
    for (const TextRun& run : slice.paragraphs[i].runs) {
      text += run.text;
    }
  }
  return text;
}

void ParagraphSurface::SetSelText(std::u16string_view text) {
  std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const Location at = Locate(start);
  const bool isBreak = text == u"\n" || text == u"\r" || text == u"\r\n";
  if (isBreak && length == 0 && ParagraphLength(at.paragraph) == 0 &&
      ParagraphFormat(at.paragraph).bullet) {
    // Enter on an empty bullet item ends the list, as in word processors.
    typingOpen_ = false;
    ChangeParagraphs([](ParaFormat& f) { f.bullet = false; });
    FinishEdit(start, TypingFormatAfter::kKeep);
    return;
  }
  CharFormat format = InsertionFormat();
  if (length > 0 && at.offset < ParagraphLength(at.paragraph)) {
    // Replacing a selection continues in the format of its first character, unless that
    // would carry a marker's format past the marker.
    format = FormatAt(at.paragraph, at.offset);
    const MarkerKind kind = MarkerKindOf(format);
    if (kind != MarkerKind::kNone &&
        !(kind == MarkerKind::kLinkText && IsOneFormat(start, start + length, format))) {
      format = FormatBetween(start, start + length);
    }
  }
  const bool breaks = text.find_first_of(u"\r\n") != std::u16string_view::npos;
  if (breaks && length == 0) {
    start = KeepLinkTogether(start);
  }
  const ParaFormat paragraphFormat = ParagraphFormat(at.paragraph);
  RichDocument fragment;
  for (const std::u16string& line : SplitLines(text)) {
    Paragraph inserted;
    inserted.format = paragraphFormat;
    inserted.mark = format;
    AppendText(inserted, format, line);
    fragment.paragraphs.push_back(std::move(inserted));
  }
  // A keystroke: one character (or pair) typed or deleted at the caret.
  const bool keystroke =
      text.empty() ? length > 0 && length <= 2 : length == 0 && (text.size() <= 2 || isBreak);
  typing_ = keystroke;
  const std::int32_t caret = AdjustBoundary(Splice(start, start + length, std::move(fragment)));
  typing_ = false;
  if (keystroke) {
    // A word's step ends with the space or punctuation typed after it.
    const auto typed = static_cast<std::int32_t>(text.size());
    const bool endsWord = typed > 0 && !IsWordUnit(text.back()) && caret - typed > 0 &&
                          IsWordUnit(UnitOrBreak(caret - typed - 1));
    typingOpen_ = !endsWord;
    typingCaret_ = caret;
    typingDeletes_ = text.empty();
  }
  if (isBreak && length == 0 && !typingFormat_ && MarkerKindOf(format) == MarkerKind::kNone) {
    // After Enter the text goes on in the format it was typed in, not in the format of the
    // paragraph mark the new line inherits.
    typingFormat_ = format;
  }
  FinishEdit(caret, TypingFormatAfter::kKeep);
}

void ParagraphSurface::DeleteBackward() {
  const std::int32_t caret = SelStart();
  if (SelLength() == 0) {
    if (caret == 0) {
      return;
    }
    // Not SetSelection: the keystroke continues the typing step.
    ShowSelection(AdjustBoundary(caret - 1), caret - AdjustBoundary(caret - 1));
  }
  SetSelText(u"");
}

void ParagraphSurface::DeleteForward() {
  const std::int32_t caret = SelStart();
  if (SelLength() == 0) {
    if (caret >= TextLength()) {
      return;
    }
    std::int32_t to = caret + 1;
    if (to < TextLength() && UnitOrBreak(caret) != u'\n' && IsHighSurrogate(UnitAt(caret)) &&
        UnitOrBreak(to) != u'\n' && IsLowSurrogate(UnitAt(to))) {
      ++to;
    }
    ShowSelection(caret, to - caret);
  }
  SetSelText(u"");
}

std::string ParagraphSurface::SelRTF() const {
  const std::int32_t start = SelStart();
  return WriteRtf(Slice(start, start + SelLength()), fontName_, bulletIndent_);
}

void ParagraphSurface::SetSelRTF(std::string_view rtf) {
  SetSelDocument(ReadRtf(rtf, {DefaultFormat(), bulletIndent_}));
}

void ParagraphSurface::SetSelDocument(RichDocument fragment) {
  const std::int32_t length = SelLength();
  const std::int32_t start = length == 0 ? KeepLinkTogether(SelStart()) : SelStart();
  FinishEdit(Splice(start, start + length, std::move(fragment)));
}

// ----- Editing -----

RichDocument ParagraphSurface::Slice(std::int32_t from, std::int32_t to) const {
  const Location first = Locate(from);
  const Location last = Locate(to);
  RichDocument slice;
  slice.paragraphs = ReadParagraphs(first.paragraph, last.paragraph);
  for (std::size_t i = 0; i < slice.paragraphs.size(); ++i) {
    Paragraph& part = slice.paragraphs[i];
    const bool isFirst = i == 0;
    const bool isLast = i + 1 == slice.paragraphs.size();
    if (isFirst || isLast) {
      part.runs =
          RunsBetween(part, isFirst ? first.offset : 0, isLast ? last.offset : part.Length());
      part.ForgetRunEnds();
    }
  }
  return slice;
}

// The fragment's first paragraph continues the paragraph before `from`, its last runs on into
// the paragraph after `to`. Paragraph formats belong to the marks: a fragment's paragraph keeps
// its own where its mark is kept, and the last one takes the mark of the paragraph it runs into.
std::int32_t ParagraphSurface::Splice(std::int32_t from, std::int32_t to, RichDocument fragment) {
  if (fragment.paragraphs.empty()) {
    fragment.paragraphs.emplace_back();
  }
  const Location first = Locate(from);
  const Location last = Locate(to);
  const std::int32_t inserted = FragmentLength(fragment);
  if (first.paragraph == last.paragraph && fragment.paragraphs.size() == 1) {
    Paragraph& part = fragment.paragraphs.front();
    const std::int32_t dropped =
        ReplaceWithin(first.paragraph, first.offset, last.offset, std::move(part.runs), part.mark);
    return ParagraphStart(first.paragraph) + first.offset - dropped + inserted;
  }
  // A deletion that ends a URL's run may orphan the URL (below): rare, and left to the write of
  // whole paragraphs.
  const bool orphansNoUrl =
      to == from || first.offset == 0 ||
      MarkerKindOf(FormatAt(first.paragraph, first.offset - 1)) != MarkerKind::kUrl;
  if (first.paragraph == last.paragraph && orphansNoUrl) {
    // Lines inserted in one paragraph: it is split where it is, not rebuilt, and the history
    // keeps the split, not the paragraph (Enter in a long paragraph).
    std::vector<Paragraph> pieces = std::move(fragment.paragraphs);
    for (Paragraph& piece : pieces) {
      Normalize(piece);
    }
    Paragraph& closing = pieces.back();
    closing.format = ParagraphFormat(first.paragraph);
    if (closing.runs.empty() && last.offset == ParagraphLength(first.paragraph)) {
      closing.mark = ParagraphMark(first.paragraph);
    }
    ReplaceRange(first.paragraph, first.offset, first.paragraph, last.offset, std::move(pieces));
    return ParagraphStart(first.paragraph) + first.offset + inserted;
  }
  std::vector<Paragraph> old = ReadParagraphs(first.paragraph, last.paragraph);
  const Paragraph& head = old.front();
  const Paragraph& tail = old.back();

  std::vector<Paragraph> replacement = std::move(fragment.paragraphs);
  std::vector<TextRun> tailRuns = RunsBetween(tail, last.offset, tail.Length());
  Paragraph& opening = replacement.front();
  std::vector<TextRun> openingRuns = std::move(opening.runs);
  opening.runs = RunsBetween(head, 0, first.offset);
  opening.ForgetRunEnds();
  AppendRuns(opening, openingRuns);
  Paragraph& closing = replacement.back();
  closing.format = tail.format;
  if (closing.runs.empty() && tailRuns.empty()) {
    closing.mark = tail.mark;
  }
  AppendRuns(closing, tailRuns);
  for (Paragraph& paragraph : replacement) {
    Normalize(paragraph);
  }
  // Only a deletion orphans a URL; one that stood alone before is left as it was.
  const std::int32_t dropped = to > from ? DropOrphanUrlAt(replacement.front(), first.offset) : 0;
  ReplaceParagraphs(first.paragraph, std::move(old), std::move(replacement));
  return ParagraphStart(first.paragraph) + first.offset - dropped + inserted;
}

// The one place the document changes: writes, records the change in the history, and keeps
// the selection where it was (callers that move it do so afterwards).
void ParagraphSurface::ReplaceParagraphs(std::size_t first, std::vector<Paragraph> old,
                                         std::vector<Paragraph> replacement) {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const std::size_t count = replacement.size();
  WriteParagraphs(first, old, std::move(replacement));
  Record(UndoRecord{first, count, std::move(old), std::nullopt}, start, length);
  ShowSelection(start, length);
}

void ParagraphSurface::ReplaceRange(std::size_t first, std::int32_t from, std::size_t last,
                                    std::int32_t to, std::vector<Paragraph> pieces) {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  const std::size_t count = pieces.size();
  const std::int32_t end = PiecesEnd(from, pieces);
  std::vector<Paragraph> was = SpliceRange(first, from, last, to, std::move(pieces));
  Record(UndoRecord{first, count, {}, std::nullopt, RangeChange{from, end, std::move(was)}}, start,
         length);
  ShowSelection(start, length);
}

std::vector<Paragraph> ParagraphSurface::SpliceRange(std::size_t first, std::int32_t from,
                                                     std::size_t last, std::int32_t to,
                                                     std::vector<Paragraph> pieces) {
  std::vector<Paragraph> old = ReadParagraphs(first, last);
  ParagraphList edited;
  edited.reserve(old.size());
  for (const Paragraph& paragraph : old) {
    edited.emplace_back(paragraph);
  }
  std::vector<Paragraph> was =
      SpliceParagraphs(edited, 0, from, last - first, to, std::move(pieces));
  std::vector<Paragraph> replacement;
  replacement.reserve(edited.size());
  for (SharedParagraph& paragraph : edited) {
    replacement.push_back(std::move(paragraph.Mutable()));
  }
  WriteParagraphs(first, old, std::move(replacement));
  return was;
}

// The paragraph is edited where it is, and the history keeps the characters the write replaced,
// not the paragraph: a keystroke in a long paragraph copies none of it.
std::int32_t ParagraphSurface::ReplaceWithin(std::size_t paragraph, std::int32_t from,
                                             std::int32_t to, std::vector<TextRun> runs,
                                             const CharFormat& mark) {
  const std::int32_t selStart = SelStart();
  const std::int32_t selLength = SelLength();
  // A step that holds the paragraph as it was already needs no record of this write.
  const bool held = JoinsLastStep(selStart, selLength) && LastStepHolds(paragraph, 1);
  const std::int32_t before = ParagraphLength(paragraph);
  CharacterChange change;
  std::int32_t dropped = 0;
  EditParagraph(paragraph, [&](Paragraph& edited) {
    if (!held) {
      // Only a deletion orphans a URL, which then goes too: its run is part of the change.
      change.from = to > from ? UrlRunStartBefore(edited, from) : from;
      change.runs = RunsBetween(edited, change.from, to);
      change.mark = edited.mark;
    }
    ReplaceRuns(edited, from, to, std::move(runs));
    if (!edited.runs.empty()) {
      edited.mark = mark;
    }
    dropped = to > from ? DropOrphanUrlAt(edited, from) : 0;
  });
  if (held) {
    // What Record does besides keeping the change.
    redo_.clear();
    typingOpen_ = typingOpen_ && typing_;
  } else {
    change.length = to - change.from + ParagraphLength(paragraph) - before;
    Record(UndoRecord{paragraph, 1, {}, std::move(change)}, selStart, selLength);
  }
  ShowSelection(selStart, selLength);
  return dropped;
}

void ParagraphSurface::EditParagraph(std::size_t index,
                                     const std::function<void(Paragraph&)>& edit) {
  std::vector<Paragraph> old = ReadParagraphs(index, index);
  std::vector<Paragraph> replacement = old;
  edit(replacement.front());
  WriteParagraphs(index, old, std::move(replacement));
}

bool ParagraphSurface::JoinsLastStep(std::int32_t selStart, std::int32_t selLength) const {
  // Deleting after typing (or typing after deleting) starts a step, as in word processors.
  const bool continuesTyping = typing_ && typingOpen_ && groupDepth_ == 0 && !undo_.empty() &&
                               typingDeletes_ == (selLength > 0) &&
                               (selStart == typingCaret_ || selStart + selLength == typingCaret_);
  return continuesTyping || (groupDepth_ > 0 && groupStarted_ && !undo_.empty());
}

// A write within the paragraphs the step's last write produced needs no copy of its own: the
// step already holds those paragraphs as they were before.
bool ParagraphSurface::LastStepHolds(std::size_t first, std::size_t count) const {
  const UndoRecord& last = undo_.back().records.back();
  return !last.within && !last.range && first >= last.first &&
         first + count <= last.first + last.count;
}

bool ParagraphSurface::MergeIntoLastRecord(std::size_t paragraph, CharacterChange& change) {
  UndoRecord& last = undo_.back().records.back();
  if (!last.within || last.first != paragraph) {
    return false;
  }
  CharacterChange& kept = *last.within;
  std::int32_t replaced = 0;
  for (const TextRun& run : change.runs) {
    replaced += static_cast<std::int32_t>(run.text.size());
  }
  // Both in the paragraph's offsets before `change`.
  const std::int32_t keptEnd = kept.from + kept.length;
  const std::int32_t changeEnd = change.from + replaced;
  if (change.from > keptEnd || changeEnd < kept.from) {
    return false;
  }
  // What lies outside the kept characters was, before `change`, as it was before the step.
  Paragraph source;
  source.runs = std::move(change.runs);
  Paragraph merged;
  if (change.from < kept.from) {
    AppendRuns(merged, RunsBetween(source, 0, kept.from - change.from));
  }
  AppendRuns(merged, kept.runs);
  if (changeEnd > keptEnd) {
    AppendRuns(merged, RunsBetween(source, keptEnd - change.from, replaced));
  }
  const std::int32_t from = std::min(kept.from, change.from);
  const std::int32_t to = std::max(keptEnd, changeEnd);
  kept.from = from;
  kept.length = to - from + change.length - replaced;
  kept.runs = std::move(merged.runs);
  return true;
}

void ParagraphSurface::Record(UndoRecord record, std::int32_t selStart, std::int32_t selLength) {
  redo_.clear();
  const bool joins = JoinsLastStep(selStart, selLength);
  typingOpen_ = typingOpen_ && typing_;
  if (joins) {
    std::vector<UndoRecord>& records = undo_.back().records;
    UndoRecord& last = records.back();
    if (record.within) {
      if (!MergeIntoLastRecord(record.first, *record.within)) {
        records.push_back(std::move(record));
      }
    } else if (const std::size_t before =
                   record.range ? record.range->was.size() : record.old.size();
               LastStepHolds(record.first, before)) {
      last.count = last.count - before + record.count;
    } else {
      records.push_back(std::move(record));
    }
    return;
  }
  undo_.push_back(HistoryStep{{}, selStart, selLength});
  undo_.back().records.push_back(std::move(record));
  groupStarted_ = groupDepth_ > 0;
  if (undo_.size() > kUndoSteps) {
    undo_.pop_front();
  }
}

void ParagraphSurface::BeginUndoStep() {
  if (groupDepth_++ == 0) {
    groupStarted_ = false;
    typingOpen_ = false;
  }
}

void ParagraphSurface::EndUndoStep() {
  if (groupDepth_ > 0 && --groupDepth_ == 0) {
    groupStarted_ = false;
    typingOpen_ = false;
  }
}

void ParagraphSurface::EmptyUndoBuffer() {
  undo_.clear();
  redo_.clear();
  groupStarted_ = false;
  typingOpen_ = false;
}

void ParagraphSurface::ChangeCharacters(const CharChange& change) {
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  if (length == 0) {
    CharFormat format = InsertionFormat();
    change(format);
    typingFormat_ = format;
    typingOpen_ = false;
    return;
  }
  const Location first = Locate(start);
  const Location last = Locate(start + length);
  std::vector<Paragraph> old = ReadParagraphs(first.paragraph, last.paragraph);
  std::vector<Paragraph> replacement = old;
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    Paragraph& paragraph = replacement[i];
    const std::int32_t from = i == 0 ? first.offset : 0;
    const std::int32_t to = i + 1 == replacement.size() ? last.offset : paragraph.Length();
    const std::size_t begin = SplitRunsAt(paragraph, from);
    const std::size_t end = SplitRunsAt(paragraph, to);
    for (std::size_t r = begin; r < end; ++r) {
      change(paragraph.runs[r].format);
    }
    if (i + 1 < replacement.size()) {
      change(paragraph.mark);  // the selection holds this paragraph's break
    }
    Normalize(paragraph);
  }
  ReplaceParagraphs(first.paragraph, std::move(old), std::move(replacement));
}

void ParagraphSurface::ChangeParagraphs(const ParaChange& change) {
  const auto [first, last] = TouchedParagraphs();
  std::vector<Paragraph> old = ReadParagraphs(first, last);
  std::vector<Paragraph> replacement = old;
  for (Paragraph& paragraph : replacement) {
    change(paragraph.format);
  }
  ReplaceParagraphs(first, std::move(old), std::move(replacement));
}

void ParagraphSurface::Undo() {
  ApplyStep(undo_, redo_);
}

void ParagraphSurface::Redo() {
  ApplyStep(redo_, undo_);
}

// Puts back the paragraphs of the latest step of `from`, latest write first, and keeps what
// they held as the step `to` puts back in turn.
void ParagraphSurface::ApplyStep(std::deque<HistoryStep>& from, std::deque<HistoryStep>& to) {
  if (from.empty()) {
    return;
  }
  HistoryStep step = std::move(from.back());
  from.pop_back();
  HistoryStep inverse{{}, SelStart(), SelLength()};
  inverse.records.reserve(step.records.size());
  for (auto record = step.records.rbegin(); record != step.records.rend(); ++record) {
    if (record->within) {
      CharacterChange& change = *record->within;
      CharacterChange now;
      EditParagraph(record->first, [&change, &now](Paragraph& paragraph) {
        now.from = change.from;
        now.runs = RunsBetween(paragraph, change.from, change.from + change.length);
        now.mark = paragraph.mark;
        for (const TextRun& run : change.runs) {
          now.length += static_cast<std::int32_t>(run.text.size());
        }
        ReplaceRuns(paragraph, change.from, change.from + change.length, std::move(change.runs));
        paragraph.mark = change.mark;
      });
      inverse.records.push_back(UndoRecord{record->first, 1, {}, std::move(now)});
      continue;
    }
    if (record->range) {
      RangeChange& change = *record->range;
      const std::size_t restored = change.was.size();
      const std::int32_t end = PiecesEnd(change.from, change.was);
      std::vector<Paragraph> now =
          SpliceRange(record->first, change.from, record->first + record->count - 1, change.to,
                      std::move(change.was));
      inverse.records.push_back(UndoRecord{record->first,
                                           restored,
                                           {},
                                           std::nullopt,
                                           RangeChange{change.from, end, std::move(now)}});
      continue;
    }
    std::vector<Paragraph> current =
        ReadParagraphs(record->first, record->first + record->count - 1);
    const std::size_t restored = record->old.size();
    WriteParagraphs(record->first, current, std::move(record->old));
    inverse.records.push_back(
        UndoRecord{record->first, restored, std::move(current), std::nullopt});
  }
  to.push_back(std::move(inverse));
  typingOpen_ = false;
  groupStarted_ = false;
  ShowSelection(step.selStart, step.selLength);
  typingFormat_.reset();
  RaiseSelChange();
}

// ----- Attributes -----

template <typename T, typename Get>
std::optional<T> ParagraphSurface::ReadCharacters(Get get) const {
  std::optional<T> value;
  bool mixed = false;
  const std::int32_t start = SelStart();
  const std::int32_t length = SelLength();
  if (length > 0) {
    VisitRunFormats(start, start + length, [&](const CharFormat& format) {
      T v = get(format);
      if (value && !(*value == v)) {
        mixed = true;
        return false;
      }
      value = std::move(v);
      return true;
    });
  }
  if (mixed) {
    return std::nullopt;
  }
  if (!value) {
    value = get(InsertionFormat());
  }
  return value;
}

template <typename T, typename Get>
std::optional<T> ParagraphSurface::ReadParagraphAttribute(Get get) const {
  const auto [first, last] = TouchedParagraphs();
  const T value = get(ParagraphFormat(first));
  for (std::size_t i = first + 1; i <= last; ++i) {
    if (!(get(ParagraphFormat(i)) == value)) {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<bool> ParagraphSurface::SelBold() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.bold; });
}
void ParagraphSurface::SetSelBold(bool bold) {
  ChangeCharacters([bold](CharFormat& f) { f.bold = bold; });
}
std::optional<bool> ParagraphSurface::SelItalic() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.italic; });
}
void ParagraphSurface::SetSelItalic(bool italic) {
  ChangeCharacters([italic](CharFormat& f) { f.italic = italic; });
}
std::optional<bool> ParagraphSurface::SelUnderline() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.underline; });
}
void ParagraphSurface::SetSelUnderline(bool underline) {
  ChangeCharacters([underline](CharFormat& f) { f.underline = underline; });
}
std::optional<std::int32_t> ParagraphSurface::SelColor() const {
  return ReadCharacters<std::int32_t>([](const CharFormat& f) { return f.color; });
}
void ParagraphSurface::SetSelColor(std::int32_t color) {
  ChangeCharacters([color](CharFormat& f) { f.color = color & 0xFFFFFF; });
}
std::optional<std::string> ParagraphSurface::SelFontName() const {
  const std::optional<FaceName> face =
      ReadCharacters<FaceName>([](const CharFormat& f) { return f.face; });
  return face ? std::optional<std::string>(face->str()) : std::nullopt;
}
void ParagraphSurface::SetSelFontName(std::string_view face) {
  ChangeCharacters([name = FaceName(face)](CharFormat& f) { f.face = name; });
}
std::optional<double> ParagraphSurface::SelFontSize() const {
  return ReadCharacters<double>([](const CharFormat& f) { return f.halfPoints / 2.0; });
}
void ParagraphSurface::SetSelFontSize(double points) {
  const auto halfPoints = static_cast<std::int32_t>(std::clamp(std::lround(points * 2), 1L, 3276L));
  ChangeCharacters([halfPoints](CharFormat& f) { f.halfPoints = halfPoints; });
}

std::optional<bool> ParagraphSurface::SelBullet() const {
  return ReadParagraphAttribute<bool>([](const ParaFormat& f) { return f.bullet; });
}
void ParagraphSurface::SetSelBullet(bool bullet) {
  ChangeParagraphs([bullet](ParaFormat& f) { f.bullet = bullet; });
}
std::optional<Alignment> ParagraphSurface::SelAlignment() const {
  return ReadParagraphAttribute<Alignment>([](const ParaFormat& f) { return f.alignment; });
}
void ParagraphSurface::SetSelAlignment(Alignment alignment) {
  ChangeParagraphs([alignment](ParaFormat& f) { f.alignment = alignment; });
}
std::optional<std::int32_t> ParagraphSurface::SelIndent() const {
  return ReadParagraphAttribute<std::int32_t>([](const ParaFormat& f) { return f.indent; });
}
void ParagraphSurface::SetSelIndent(std::int32_t twips) {
  ChangeParagraphs([twips](ParaFormat& f) { f.indent = twips; });
}
std::optional<std::int32_t> ParagraphSurface::SelRightIndent() const {
  return ReadParagraphAttribute<std::int32_t>([](const ParaFormat& f) { return f.rightIndent; });
}
void ParagraphSurface::SetSelRightIndent(std::int32_t twips) {
  ChangeParagraphs([twips](ParaFormat& f) { f.rightIndent = twips; });
}

RichTextBox::FormatRun ParagraphSurface::RunAt(std::int32_t position) const {
  const std::int32_t length = TextLength();
  if (position >= length) {
    return {.start = length};
  }
  position = std::max(position, 0);
  const Location at = Locate(position);
  if (at.offset >= ParagraphLength(at.paragraph)) {
    return {.start = position, .length = 1, .paragraphBreak = true};
  }
  FormatRun run = RunInParagraph(at.paragraph, at.offset);
  run.start += position - at.offset;
  return run;
}

RichTextBox::FormatRun ParagraphSurface::RunInParagraph(std::size_t paragraph,
                                                        std::int32_t offset) const {
  return StretchAt(ReadParagraphs(paragraph, paragraph).front(), offset);
}

RichTextBox::FormatRun ParagraphSurface::StretchAt(const Paragraph& paragraph,
                                                   std::int32_t offset) {
  // The paragraph's runs, each (underline, italic, colour) stretch taken whole.
  const auto same = [](const CharFormat& a, const CharFormat& b) {
    return a.underline == b.underline && a.italic == b.italic && a.color == b.color;
  };
  const std::vector<TextRun>& runs = paragraph.runs;
  const RunSpot spot = FindRun(paragraph, offset);
  const CharFormat& format = runs[spot.run].format;
  std::int32_t first = spot.start;
  for (std::size_t i = spot.run; i > 0 && same(runs[i - 1].format, format); --i) {
    first -= static_cast<std::int32_t>(runs[i - 1].text.size());
  }
  std::int32_t last = spot.start;
  for (std::size_t i = spot.run; i < runs.size() && same(runs[i].format, format); ++i) {
    last += static_cast<std::int32_t>(runs[i].text.size());
  }
  return {.start = first,
          .length = last - first,
          .underline = format.underline,
          .italic = format.italic,
          .color = format.color};
}

}  // namespace scrivlet
