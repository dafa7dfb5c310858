#include "hosts/headless/memory_rich_text_box.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "document/rtf_reader.h"
#include "document/rtf_writer.h"

namespace scrivlet {

MemoryRichTextBox::MemoryRichTextBox() {
  Paragraph empty;
  empty.mark = DefaultFormat();
  document_.paragraphs.push_back(std::move(empty));
  CountStarts();
}

// ----- Storage -----

std::int32_t MemoryRichTextBox::ParagraphLength(std::size_t index) const {
  const std::int32_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : textLength_;
  return end - starts_[index];
}

void MemoryRichTextBox::CountStarts() {
  const std::vector<Paragraph>& paragraphs = document_.paragraphs;
  starts_.resize(paragraphs.size());
  std::int32_t at = 0;
  for (std::size_t i = 0; i < paragraphs.size(); ++i) {
    starts_[i] = at;
    at += paragraphs[i].Length() + 1;
  }
  textLength_ = at - 1;
}

MemoryRichTextBox::Location MemoryRichTextBox::Locate(std::int32_t position) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), position);
  const auto index =
      static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - starts_.begin() - 1, 0));
  const std::int32_t offset = std::clamp(position - starts_[index], 0, ParagraphLength(index));
  return {index, offset};
}

char16_t MemoryRichTextBox::UnitAt(std::int32_t position) const {
  const Location at = Locate(position);
  return scrivlet::UnitAt(document_.paragraphs[at.paragraph], at.offset);
}

CharFormat MemoryRichTextBox::FormatAt(std::size_t paragraph, std::int32_t offset) const {
  const Paragraph& source = document_.paragraphs[paragraph];
  if (source.runs.empty()) {
    return source.mark;
  }
  const RunSpot spot = FindRun(source, offset);
  return spot.run < source.runs.size() ? source.runs[spot.run].format : source.runs.back().format;
}

void MemoryRichTextBox::VisitRunFormats(std::int32_t from, std::int32_t to,
                                        const std::function<bool(const CharFormat&)>& visit) const {
  const Location first = Locate(from);
  const Location last = Locate(to);
  for (std::size_t i = first.paragraph; i <= last.paragraph; ++i) {
    const Paragraph& paragraph = document_.paragraphs[i];
    const std::int32_t end =
        i == last.paragraph ? last.offset : std::numeric_limits<std::int32_t>::max();
    const RunSpot spot = i == first.paragraph ? FindRun(paragraph, first.offset) : RunSpot{0, 0};
    std::int32_t at = spot.start;
    for (std::size_t r = spot.run; r < paragraph.runs.size() && at < end; ++r) {
      if (!visit(paragraph.runs[r].format)) {
        return;
      }
      at += static_cast<std::int32_t>(paragraph.runs[r].text.size());
    }
  }
}

std::vector<Paragraph> MemoryRichTextBox::ReadParagraphs(std::size_t first,
                                                         std::size_t last) const {
  const auto begin = document_.paragraphs.begin();
  return std::vector<Paragraph>(begin + static_cast<std::ptrdiff_t>(first),
                                begin + static_cast<std::ptrdiff_t>(last) + 1);
}

void MemoryRichTextBox::WriteParagraphs(std::size_t first, const std::vector<Paragraph>& old,
                                        std::vector<Paragraph> replacement) {
  // Each side's span counts a break after every paragraph; the last paragraph's, which has
  // none, is on both sides when it is written.
  std::int32_t oldSpan = 0;
  for (const Paragraph& paragraph : old) {
    oldSpan += paragraph.Length() + 1;
  }
  std::vector<std::int32_t> newStarts(replacement.size());
  std::int32_t newSpan = 0;
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    newStarts[i] = starts_[first] + newSpan;
    newSpan += replacement[i].Length() + 1;
  }
  // The paragraphs both sides have are assigned where they are; only the difference is
  // inserted or erased, so the later paragraphs move once (Enter shifts them by one).
  auto& paragraphs = document_.paragraphs;
  const std::size_t common = std::min(old.size(), replacement.size());
  const auto at = static_cast<std::ptrdiff_t>(first);
  const auto kept = static_cast<std::ptrdiff_t>(common);
  std::move(replacement.begin(), replacement.begin() + kept, paragraphs.begin() + at);
  std::copy(newStarts.begin(), newStarts.begin() + kept, starts_.begin() + at);
  if (replacement.size() > common) {
    paragraphs.insert(paragraphs.begin() + at + kept,
                      std::make_move_iterator(replacement.begin() + kept),
                      std::make_move_iterator(replacement.end()));
    starts_.insert(starts_.begin() + at + kept, newStarts.begin() + kept, newStarts.end());
  } else {
    const auto end = static_cast<std::ptrdiff_t>(old.size());
    paragraphs.erase(paragraphs.begin() + at + kept, paragraphs.begin() + at + end);
    starts_.erase(starts_.begin() + at + kept, starts_.begin() + at + end);
  }
  const std::int32_t shift = newSpan - oldSpan;
  for (std::size_t i = first + replacement.size(); i < starts_.size(); ++i) {
    starts_[i] += shift;
  }
  textLength_ += shift;
}

void MemoryRichTextBox::EditParagraph(std::size_t index,
                                      const std::function<void(Paragraph&)>& edit) {
  Paragraph& paragraph = document_.paragraphs[index];
  const std::int32_t before = ParagraphLength(index);
  try {
    edit(paragraph);
  } catch (...) {
    CountStarts();  // out of memory part way: the starts follow what the paragraph holds
    throw;
  }
  const std::int32_t shift = paragraph.Length() - before;
  for (std::size_t i = index + 1; i < starts_.size(); ++i) {
    starts_[i] += shift;
  }
  textLength_ += shift;
}

// ----- Whole document -----

std::string MemoryRichTextBox::TextRTF() const {
  return WriteRtf(document_, fontName_, bulletIndent_);
}

void MemoryRichTextBox::SetTextRTF(std::string_view rtf) {
  // The old document goes before the new one is read (reading never fails): replacing a large
  // document never holds two of them at once.
  EmptyUndoBuffer();
  document_.paragraphs.clear();
  document_.paragraphs.shrink_to_fit();
  try {
    document_ = ReadRtf(rtf, {DefaultFormat(), bulletIndent_});
  } catch (...) {
    document_.paragraphs.assign(1, Paragraph{{}, {}, DefaultFormat()});  // out of memory
    CountStarts();
    throw;
  }
  CountStarts();
  ResetTypingFormat();
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

// ----- Defaults and placement -----

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

}  // namespace scrivlet
