#include "platform/headless/memory_rich_text_box.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "conversion/text_codec.h"
#include "platform/document/rtf_reader.h"
#include "platform/document/rtf_writer.h"

namespace scrivlet {

namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Splits a paragraph's runs so that a run begins at `offset`; returns that run's index (the run
// count when the offset is the paragraph's end).
std::size_t SplitRunsAt(std::vector<TextRun>& runs, std::int32_t offset) {
  std::int32_t at = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const auto length = static_cast<std::int32_t>(runs[i].text.size());
    if (offset == at) {
      return i;
    }
    if (offset < at + length) {
      TextRun tail{runs[i].format, runs[i].text.substr(static_cast<std::size_t>(offset - at))};
      runs[i].text.resize(static_cast<std::size_t>(offset - at));
      runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
      return i + 1;
    }
    at += length;
  }
  return runs.size();
}

// The runs of a paragraph between two offsets.
std::vector<TextRun> RunsBetween(const Paragraph& paragraph, std::int32_t from, std::int32_t to) {
  std::vector<TextRun> runs;
  std::int32_t at = 0;
  for (const TextRun& run : paragraph.runs) {
    const auto length = static_cast<std::int32_t>(run.text.size());
    const std::int32_t begin = std::max(from, at);
    const std::int32_t end = std::min(to, at + length);
    if (begin < end) {
      runs.push_back({run.format, run.text.substr(static_cast<std::size_t>(begin - at),
                                                  static_cast<std::size_t>(end - begin))});
    }
    at += length;
  }
  return runs;
}

// Joins adjacent runs of the same format and drops empty ones.
void Normalize(Paragraph& paragraph) {
  std::vector<TextRun> runs = std::move(paragraph.runs);
  paragraph.runs.clear();
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

std::int32_t FragmentLength(const RichDocument& fragment) {
  std::int32_t length = static_cast<std::int32_t>(fragment.paragraphs.size()) - 1;
  for (const Paragraph& paragraph : fragment.paragraphs) {
    length += paragraph.Length();
  }
  return length;
}

}  // namespace

MemoryRichTextBox::MemoryRichTextBox() {
  Paragraph empty;
  empty.mark = DefaultFormat();
  document_.paragraphs.push_back(std::move(empty));
}

// ----- Positions -----

std::int32_t MemoryRichTextBox::ParagraphStart(std::size_t index) const {
  const std::size_t count = document_.paragraphs.size();
  starts_.resize(count);
  if (validStarts_ == 0 && count > 0) {
    starts_[0] = 0;
    validStarts_ = 1;
  }
  while (validStarts_ <= index && validStarts_ < count) {
    const std::size_t previous = validStarts_ - 1;
    starts_[validStarts_] = starts_[previous] + document_.paragraphs[previous].Length() + 1;
    ++validStarts_;
  }
  return starts_[index];
}

std::int32_t MemoryRichTextBox::TextLength() const {
  const std::size_t last = document_.paragraphs.size() - 1;
  return ParagraphStart(last) + document_.paragraphs[last].Length();
}

MemoryRichTextBox::Location MemoryRichTextBox::Locate(std::int32_t position) const {
  const std::size_t count = document_.paragraphs.size();
  // Learn paragraph starts only as far as the position needs.
  ParagraphStart(0);
  while (validStarts_ < count && starts_[validStarts_ - 1] <= position) {
    ParagraphStart(validStarts_);
  }
  const auto known = starts_.begin() + static_cast<std::ptrdiff_t>(validStarts_);
  const auto after = std::upper_bound(starts_.begin(), known, position);
  const auto index =
      static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - starts_.begin() - 1, 0));
  const std::int32_t offset =
      std::clamp(position - starts_[index], 0, document_.paragraphs[index].Length());
  return {index, offset};
}

char16_t MemoryRichTextBox::UnitAt(const Paragraph& paragraph, std::int32_t offset) const {
  std::int32_t at = 0;
  for (const TextRun& run : paragraph.runs) {
    const auto length = static_cast<std::int32_t>(run.text.size());
    if (offset < at + length) {
      return run.text[static_cast<std::size_t>(offset - at)];
    }
    at += length;
  }
  return u'\n';
}

const CharFormat& MemoryRichTextBox::FormatAt(const Paragraph& paragraph,
                                              std::int32_t offset) const {
  std::int32_t at = 0;
  for (const TextRun& run : paragraph.runs) {
    at += static_cast<std::int32_t>(run.text.size());
    if (offset < at) {
      return run.format;
    }
  }
  return paragraph.runs.empty() ? paragraph.mark : paragraph.runs.back().format;
}

std::int32_t MemoryRichTextBox::AdjustBoundary(std::int32_t position) const {
  position = std::clamp(position, 0, TextLength());
  const Location at = Locate(position);
  const Paragraph& paragraph = document_.paragraphs[at.paragraph];
  if (at.offset > 0 && at.offset < paragraph.Length() &&
      IsLowSurrogate(UnitAt(paragraph, at.offset)) &&
      IsHighSurrogate(UnitAt(paragraph, at.offset - 1))) {
    return position - 1;
  }
  return position;
}

CharFormat MemoryRichTextBox::DefaultFormat() const {
  CharFormat format;
  format.face = fontName_;
  format.halfPoints = static_cast<std::int32_t>(std::lround(fontSize_ * 2));
  return format;
}

// The format text typed at the caret takes: a format set over the empty selection, else the
// character before the caret in its paragraph, else the paragraph's first character or mark.
CharFormat MemoryRichTextBox::InsertionFormat() const {
  if (typingFormat_) {
    return *typingFormat_;
  }
  const Location at = Locate(selStart_);
  const Paragraph& paragraph = document_.paragraphs[at.paragraph];
  return FormatAt(paragraph, at.offset > 0 ? at.offset - 1 : 0);
}

std::pair<std::size_t, std::size_t> MemoryRichTextBox::TouchedParagraphs() const {
  const Location first = Locate(selStart_);
  const Location last = Locate(selStart_ + selLength_);
  // A selection that ends just after a break does not reach into the next paragraph.
  const bool endsAtBreak = selLength_ > 0 && last.offset == 0 && last.paragraph > first.paragraph;
  return {first.paragraph, endsAtBreak ? last.paragraph - 1 : last.paragraph};
}

// ----- Whole document -----

std::string MemoryRichTextBox::TextRTF() const {
  return WriteRtf(document_, fontName_, bulletIndent_);
}

void MemoryRichTextBox::SetTextRTF(std::string_view rtf) {
  // The old document goes before the new one is read (reading never fails): replacing a large
  // document never holds two of them at once.
  undo_.reset();
  document_.paragraphs.clear();
  document_.paragraphs.shrink_to_fit();
  try {
    document_ = ReadRtf(rtf, {DefaultFormat(), bulletIndent_});
  } catch (...) {
    document_.paragraphs.assign(1, Paragraph{{}, {}, DefaultFormat()});  // out of memory
    validStarts_ = 0;
    throw;
  }
  validStarts_ = 0;
  typingFormat_.reset();
  selStart_ = 0;
  selLength_ = 0;
  RaiseSelChange();
}

std::u16string MemoryRichTextBox::Text() const {
  std::u16string text;
  text.reserve(static_cast<std::size_t>(TextLength()));
  for (std::size_t i = 0; i < document_.paragraphs.size(); ++i) {
    if (i > 0) {
      text += u'\n';
    }
    for (const TextRun& run : document_.paragraphs[i].runs) {
      text += run.text;
    }
  }
  return text;
}

// ----- Selection -----

void MemoryRichTextBox::SetSelection(std::int32_t start, std::int32_t length) {
  const std::int32_t from = AdjustBoundary(start);
  const std::int32_t to = AdjustBoundary(from + std::max(0, length));
  if (from == selStart_ && to - from == selLength_) {
    return;
  }
  selStart_ = from;
  selLength_ = to - from;
  typingFormat_.reset();
  RaiseSelChange();
}

void MemoryRichTextBox::SetSelStart(std::int32_t start) {
  SetSelection(start, 0);
}

void MemoryRichTextBox::SetSelLength(std::int32_t length) {
  SetSelection(selStart_, length);
}

std::u16string MemoryRichTextBox::SelText() const {
  std::u16string text;
  const RichDocument slice = Slice(selStart_, selStart_ + selLength_);
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

void MemoryRichTextBox::SetSelText(std::u16string_view text) {
  const Location at = Locate(selStart_);
  const Paragraph& paragraph = document_.paragraphs[at.paragraph];
  // Replacing a selection continues in the format of its first character.
  const CharFormat format = selLength_ > 0 && at.offset < paragraph.Length()
                                ? FormatAt(paragraph, at.offset)
                                : InsertionFormat();
  RichDocument fragment;
  for (const std::u16string& line : SplitLines(text)) {
    Paragraph inserted;
    inserted.format = paragraph.format;
    inserted.mark = format;
    AppendText(inserted, format, line);
    fragment.paragraphs.push_back(std::move(inserted));
  }
  const std::int32_t caret = Splice(selStart_, selStart_ + selLength_, std::move(fragment));
  selStart_ = caret;
  selLength_ = 0;
  typingFormat_.reset();
  RaiseSelChange();
}

std::string MemoryRichTextBox::SelRTF() const {
  return WriteRtf(Slice(selStart_, selStart_ + selLength_), fontName_, bulletIndent_);
}

void MemoryRichTextBox::SetSelRTF(std::string_view rtf) {
  RichDocument fragment = ReadRtf(rtf, {DefaultFormat(), bulletIndent_});
  const std::int32_t caret = Splice(selStart_, selStart_ + selLength_, std::move(fragment));
  selStart_ = caret;
  selLength_ = 0;
  typingFormat_.reset();
  RaiseSelChange();
}

// ----- Editing -----

RichDocument MemoryRichTextBox::Slice(std::int32_t from, std::int32_t to) const {
  const Location first = Locate(from);
  const Location last = Locate(to);
  RichDocument slice;
  for (std::size_t i = first.paragraph; i <= last.paragraph; ++i) {
    const Paragraph& source = document_.paragraphs[i];
    Paragraph part;
    part.format = source.format;
    part.mark = source.mark;
    part.runs = RunsBetween(source, i == first.paragraph ? first.offset : 0,
                            i == last.paragraph ? last.offset : source.Length());
    slice.paragraphs.push_back(std::move(part));
  }
  return slice;
}

// Replaces the text between two positions by a fragment: its first paragraph continues the
// paragraph before `from`, its last runs on into the paragraph after `to`. Paragraph formats
// belong to the marks: a fragment's paragraph keeps its own where its mark is kept, and the
// last one takes the mark of the paragraph it runs into. Returns the position after the
// fragment.
std::int32_t MemoryRichTextBox::Splice(std::int32_t from, std::int32_t to, RichDocument fragment) {
  if (fragment.paragraphs.empty()) {
    fragment.paragraphs.emplace_back();
  }
  const Location first = Locate(from);
  const Location last = Locate(to);
  const Paragraph& head = document_.paragraphs[first.paragraph];
  const Paragraph& tail = document_.paragraphs[last.paragraph];
  const std::int32_t inserted = FragmentLength(fragment);

  std::vector<Paragraph> replacement = std::move(fragment.paragraphs);
  std::vector<TextRun> tailRuns = RunsBetween(tail, last.offset, tail.Length());
  Paragraph& opening = replacement.front();
  std::vector<TextRun> openingRuns = std::move(opening.runs);
  opening.runs = RunsBetween(head, 0, first.offset);
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
  ReplaceParagraphs(first.paragraph, last.paragraph, std::move(replacement));
  return ParagraphStart(first.paragraph) + first.offset + inserted;
}

void MemoryRichTextBox::ReplaceParagraphs(std::size_t first, std::size_t last,
                                          std::vector<Paragraph> replacement) {
  auto& paragraphs = document_.paragraphs;
  const auto begin = paragraphs.begin() + static_cast<std::ptrdiff_t>(first);
  const auto end = paragraphs.begin() + static_cast<std::ptrdiff_t>(last) + 1;
  UndoRecord record{
      first, replacement.size(),
      std::vector<Paragraph>(std::make_move_iterator(begin), std::make_move_iterator(end)),
      selStart_, selLength_};
  const auto at = paragraphs.erase(begin, end);
  paragraphs.insert(at, std::make_move_iterator(replacement.begin()),
                    std::make_move_iterator(replacement.end()));
  validStarts_ = std::min(validStarts_, first + 1);
  undo_ = std::move(record);
}

void MemoryRichTextBox::ChangeCharacters(const CharChange& change) {
  if (selLength_ == 0) {
    CharFormat format = InsertionFormat();
    change(format);
    typingFormat_ = format;
    return;
  }
  const Location first = Locate(selStart_);
  const Location last = Locate(selStart_ + selLength_);
  std::vector<Paragraph> replacement(
      document_.paragraphs.begin() + static_cast<std::ptrdiff_t>(first.paragraph),
      document_.paragraphs.begin() + static_cast<std::ptrdiff_t>(last.paragraph) + 1);
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    Paragraph& paragraph = replacement[i];
    const std::int32_t from = i == 0 ? first.offset : 0;
    const std::int32_t to = i + 1 == replacement.size() ? last.offset : paragraph.Length();
    const std::size_t begin = SplitRunsAt(paragraph.runs, from);
    const std::size_t end = SplitRunsAt(paragraph.runs, to);
    for (std::size_t r = begin; r < end; ++r) {
      change(paragraph.runs[r].format);
    }
    if (i + 1 < replacement.size()) {
      change(paragraph.mark);  // the selection holds this paragraph's break
    }
    Normalize(paragraph);
  }
  ReplaceParagraphs(first.paragraph, last.paragraph, std::move(replacement));
}

void MemoryRichTextBox::ChangeParagraphs(const ParaChange& change) {
  const auto [first, last] = TouchedParagraphs();
  std::vector<Paragraph> replacement(
      document_.paragraphs.begin() + static_cast<std::ptrdiff_t>(first),
      document_.paragraphs.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  for (Paragraph& paragraph : replacement) {
    change(paragraph.format);
  }
  ReplaceParagraphs(first, last, std::move(replacement));
}

void MemoryRichTextBox::Undo() {
  if (!undo_) {
    return;
  }
  UndoRecord record = std::move(*undo_);
  undo_.reset();
  auto& paragraphs = document_.paragraphs;
  const auto begin = paragraphs.begin() + static_cast<std::ptrdiff_t>(record.first);
  const auto at = paragraphs.erase(begin, begin + static_cast<std::ptrdiff_t>(record.count));
  paragraphs.insert(at, std::make_move_iterator(record.old.begin()),
                    std::make_move_iterator(record.old.end()));
  validStarts_ = std::min(validStarts_, record.first + 1);
  selStart_ = record.selStart;
  selLength_ = record.selLength;
  typingFormat_.reset();
  RaiseSelChange();
}

// ----- Attributes -----

template <typename T, typename Get>
std::optional<T> MemoryRichTextBox::ReadCharacters(Get get) const {
  std::optional<T> value;
  bool any = false;
  if (selLength_ > 0) {
    const RichDocument slice = Slice(selStart_, selStart_ + selLength_);
    for (const Paragraph& paragraph : slice.paragraphs) {
      for (const TextRun& run : paragraph.runs) {
        const T v = get(run.format);
        if (any && !(*value == v)) {
          return std::nullopt;
        }
        value = v;
        any = true;
      }
    }
  }
  if (!any) {
    value = get(InsertionFormat());
  }
  return value;
}

template <typename T, typename Get>
std::optional<T> MemoryRichTextBox::ReadParagraphs(Get get) const {
  const auto [first, last] = TouchedParagraphs();
  const T value = get(document_.paragraphs[first].format);
  for (std::size_t i = first + 1; i <= last; ++i) {
    if (!(get(document_.paragraphs[i].format) == value)) {
      return std::nullopt;
    }
  }
  return value;
}

std::optional<bool> MemoryRichTextBox::SelBold() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.bold; });
}
void MemoryRichTextBox::SetSelBold(bool bold) {
  ChangeCharacters([bold](CharFormat& f) { f.bold = bold; });
}
std::optional<bool> MemoryRichTextBox::SelItalic() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.italic; });
}
void MemoryRichTextBox::SetSelItalic(bool italic) {
  ChangeCharacters([italic](CharFormat& f) { f.italic = italic; });
}
std::optional<bool> MemoryRichTextBox::SelUnderline() const {
  return ReadCharacters<bool>([](const CharFormat& f) { return f.underline; });
}
void MemoryRichTextBox::SetSelUnderline(bool underline) {
  ChangeCharacters([underline](CharFormat& f) { f.underline = underline; });
}
std::optional<std::int32_t> MemoryRichTextBox::SelColor() const {
  return ReadCharacters<std::int32_t>([](const CharFormat& f) { return f.color; });
}
void MemoryRichTextBox::SetSelColor(std::int32_t color) {
  ChangeCharacters([color](CharFormat& f) { f.color = color & 0xFFFFFF; });
}
std::optional<std::string> MemoryRichTextBox::SelFontName() const {
  return ReadCharacters<std::string>([](const CharFormat& f) { return f.face; });
}
void MemoryRichTextBox::SetSelFontName(std::string_view face) {
  ChangeCharacters([name = std::string(face)](CharFormat& f) { f.face = name; });
}
std::optional<double> MemoryRichTextBox::SelFontSize() const {
  return ReadCharacters<double>([](const CharFormat& f) { return f.halfPoints / 2.0; });
}
void MemoryRichTextBox::SetSelFontSize(double points) {
  const auto halfPoints = static_cast<std::int32_t>(std::clamp(std::lround(points * 2), 1L, 3276L));
  ChangeCharacters([halfPoints](CharFormat& f) { f.halfPoints = halfPoints; });
}

std::optional<bool> MemoryRichTextBox::SelBullet() const {
  return ReadParagraphs<bool>([](const ParaFormat& f) { return f.bullet; });
}
void MemoryRichTextBox::SetSelBullet(bool bullet) {
  ChangeParagraphs([bullet](ParaFormat& f) { f.bullet = bullet; });
}
std::optional<Alignment> MemoryRichTextBox::SelAlignment() const {
  return ReadParagraphs<Alignment>([](const ParaFormat& f) { return f.alignment; });
}
void MemoryRichTextBox::SetSelAlignment(Alignment alignment) {
  ChangeParagraphs([alignment](ParaFormat& f) { f.alignment = alignment; });
}
std::optional<std::int32_t> MemoryRichTextBox::SelIndent() const {
  return ReadParagraphs<std::int32_t>([](const ParaFormat& f) { return f.indent; });
}
void MemoryRichTextBox::SetSelIndent(std::int32_t twips) {
  ChangeParagraphs([twips](ParaFormat& f) { f.indent = twips; });
}
std::optional<std::int32_t> MemoryRichTextBox::SelRightIndent() const {
  return ReadParagraphs<std::int32_t>([](const ParaFormat& f) { return f.rightIndent; });
}
void MemoryRichTextBox::SetSelRightIndent(std::int32_t twips) {
  ChangeParagraphs([twips](ParaFormat& f) { f.rightIndent = twips; });
}

// ----- Defaults, placement, events -----

void MemoryRichTextBox::SetFontName(std::string_view face) {
  fontName_ = face;
  // An empty document has nothing to keep: what is typed first takes the new default.
  if (TextLength() == 0) {
    document_.paragraphs.front().mark = DefaultFormat();
  }
}

void MemoryRichTextBox::SetFontSize(double points) {
  fontSize_ = points;
  if (TextLength() == 0) {
    document_.paragraphs.front().mark = DefaultFormat();
  }
}

void MemoryRichTextBox::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                             std::int32_t height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
}

void MemoryRichTextBox::SetFocus() {
  if (gotFocus_) {
    gotFocus_();
  }
}

void MemoryRichTextBox::RaiseSelChange() {
  if (selChange_) {
    selChange_();
  }
}

}  // namespace scrivlet
