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
}

// ----- Storage -----

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

char16_t MemoryRichTextBox::UnitAt(std::int32_t position) const {
  const Location at = Locate(position);
  return scrivlet::UnitAt(document_.paragraphs[at.paragraph], at.offset);
}

CharFormat MemoryRichTextBox::FormatAt(std::size_t paragraph, std::int32_t offset) const {
  const Paragraph& source = document_.paragraphs[paragraph];
  std::int32_t at = 0;
  for (const TextRun& run : source.runs) {
    at += static_cast<std::int32_t>(run.text.size());
    if (offset < at) {
      return run.format;
    }
  }
  return source.runs.empty() ? source.mark : source.runs.back().format;
}

void MemoryRichTextBox::VisitRunFormats(std::int32_t from, std::int32_t to,
                                        const std::function<bool(const CharFormat&)>& visit) const {
  const Location first = Locate(from);
  const Location last = Locate(to);
  for (std::size_t i = first.paragraph; i <= last.paragraph; ++i) {
    const std::int32_t begin = i == first.paragraph ? first.offset : 0;
    const std::int32_t end =
        i == last.paragraph ? last.offset : std::numeric_limits<std::int32_t>::max();
    std::int32_t at = 0;
    for (const TextRun& run : document_.paragraphs[i].runs) {
      const auto length = static_cast<std::int32_t>(run.text.size());
      if (at >= end) {
        break;
      }
      if (at + length > begin && !visit(run.format)) {
        return;
      }
      at += length;
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
  auto& paragraphs = document_.paragraphs;
  const auto begin = paragraphs.begin() + static_cast<std::ptrdiff_t>(first);
  const auto at = paragraphs.erase(begin, begin + static_cast<std::ptrdiff_t>(old.size()));
  paragraphs.insert(at, std::make_move_iterator(replacement.begin()),
                    std::make_move_iterator(replacement.end()));
  validStarts_ = std::min(validStarts_, first + 1);
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
    validStarts_ = 0;
    throw;
  }
  validStarts_ = 0;
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
