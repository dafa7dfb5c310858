#include "hosts/headless/memory_rich_text_box.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "document/rtf_reader.h"
#include "document/rtf_writer.h"

namespace scrivlet {

MemoryRichTextBox::MemoryRichTextBox() {
  paragraphs_.emplace_back(Paragraph{{}, {}, DefaultFormat()});
  CountStarts();
}

// ----- Storage -----

std::int32_t MemoryRichTextBox::ParagraphLength(std::size_t index) const {
  const std::int32_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : textLength_;
  return end - starts_[index];
}

void MemoryRichTextBox::CountStarts() {
  starts_.resize(paragraphs_.size());
  std::int32_t at = 0;
  for (std::size_t i = 0; i < paragraphs_.size(); ++i) {
    starts_[i] = at;
    at += paragraphs_[i]->Length() + 1;
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
  return scrivlet::UnitAt(*paragraphs_[at.paragraph], at.offset);
}

CharFormat MemoryRichTextBox::FormatAt(std::size_t paragraph, std::int32_t offset) const {
  const Paragraph& source = *paragraphs_[paragraph];
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
    const Paragraph& paragraph = *paragraphs_[i];
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
  std::vector<Paragraph> copies;
  copies.reserve(last + 1 - first);
  for (std::size_t i = first; i <= last; ++i) {
    copies.push_back(*paragraphs_[i]);
  }
  return copies;
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
  // inserted or erased, so the later paragraphs' pointers move once (Enter shifts them by one).
  // The new paragraphs are allocated before anything changes: running out of memory on the way
  // leaves the document as it was.
  const std::size_t common = std::min(old.size(), replacement.size());
  const auto at = static_cast<std::ptrdiff_t>(first);
  const auto kept = static_cast<std::ptrdiff_t>(common);
  ParagraphList added;
  added.reserve(replacement.size() - common);
  for (std::size_t i = common; i < replacement.size(); ++i) {
    added.emplace_back(std::move(replacement[i]));
  }
  // A paragraph shared with an equal one gets a new object, made here with the others, instead
  // of being written over.
  std::vector<bool> shared(common);
  ParagraphList unshared;
  for (std::size_t i = 0; i < common; ++i) {
    shared[i] = paragraphs_[first + i].Shared();
    if (shared[i]) {
      unshared.emplace_back(std::move(replacement[i]));
    }
  }
  MakeRoom(paragraphs_, added.size());
  MakeRoom(starts_, added.size());
  for (std::size_t i = 0, next = 0; i < common; ++i) {
    if (shared[i]) {
      paragraphs_[first + i] = std::move(unshared[next++]);
    } else {
      paragraphs_[first + i].Mutable() = std::move(replacement[i]);
    }
  }
  std::copy(newStarts.begin(), newStarts.begin() + kept, starts_.begin() + at);
  if (!added.empty()) {
    paragraphs_.insert(paragraphs_.begin() + at + kept, std::make_move_iterator(added.begin()),
                       std::make_move_iterator(added.end()));
    starts_.insert(starts_.begin() + at + kept, newStarts.begin() + kept, newStarts.end());
  } else {
    const auto end = static_cast<std::ptrdiff_t>(old.size());
    paragraphs_.erase(paragraphs_.begin() + at + kept, paragraphs_.begin() + at + end);
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
  Paragraph& paragraph = paragraphs_[index].Mutable();
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

std::vector<Paragraph> MemoryRichTextBox::SpliceRange(std::size_t first, std::int32_t from,
                                                      std::size_t last, std::int32_t to,
                                                      std::vector<Paragraph> pieces) {
  // The paragraphs' lengths come from the starts and the pieces: a long paragraph is not walked.
  std::vector<std::int32_t> newStarts(pieces.size());
  std::int32_t at = starts_[first];
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    newStarts[i] = at;
    at += pieces[i].Length() + 1;
  }
  at += from + ParagraphLength(last) - to;
  const std::int32_t shift = at - (starts_[last] + ParagraphLength(last) + 1);
  MakeRoom(starts_, pieces.size());
  std::vector<Paragraph> was;
  try {
    was = SpliceParagraphs(paragraphs_, first, from, last, to, std::move(pieces));
  } catch (...) {
    CountStarts();  // out of memory part way: the starts follow what the paragraphs hold
    throw;
  }
  // The opening paragraph keeps the text before `from`; the closing one the text after `to`.
  for (std::size_t i = 1; i < newStarts.size(); ++i) {
    newStarts[i] += from;
  }
  // Only the difference in paragraphs is inserted or erased: the later starts move once.
  const std::size_t oldCount = last - first + 1;
  const std::size_t common = std::min(oldCount, newStarts.size());
  const auto begin = starts_.begin() + static_cast<std::ptrdiff_t>(first);
  std::copy(newStarts.begin(), newStarts.begin() + static_cast<std::ptrdiff_t>(common), begin);
  if (newStarts.size() > common) {
    starts_.insert(begin + static_cast<std::ptrdiff_t>(common),
                   newStarts.begin() + static_cast<std::ptrdiff_t>(common), newStarts.end());
  } else {
    starts_.erase(begin + static_cast<std::ptrdiff_t>(common),
                  begin + static_cast<std::ptrdiff_t>(oldCount));
  }
  for (std::size_t i = first + newStarts.size(); i < starts_.size(); ++i) {
    starts_[i] += shift;
  }
  textLength_ += shift;
  return was;
}

// ----- Whole document -----

std::string MemoryRichTextBox::TextRTF() const {
  return WriteRtf(paragraphs_, fontName_, bulletIndent_);
}

std::unique_ptr<PieceSource> MemoryRichTextBox::TextRTFPieces() const {
  return WriteRtfPieces(paragraphs_, fontName_, bulletIndent_);
}

void MemoryRichTextBox::SetTextRTF(std::string_view rtf) {
  // The old document goes before the new one is read (reading never fails): replacing a large
  // document never holds two of them at once.
  EmptyUndoBuffer();
  paragraphs_.clear();
  paragraphs_.shrink_to_fit();
  try {
    paragraphs_ = ReadRtfParagraphs(rtf, {DefaultFormat(), bulletIndent_});
  } catch (...) {
    paragraphs_.clear();  // out of memory
    paragraphs_.emplace_back(Paragraph{{}, {}, DefaultFormat()});
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
  for (std::size_t i = 0; i < paragraphs_.size(); ++i) {
    if (i > 0) {
      text += u'\n';
    }
    for (const TextRun& run : paragraphs_[i]->runs) {
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
    paragraphs_.front().Mutable().mark = DefaultFormat();
  }
}

void MemoryRichTextBox::SetFontSize(double points) {
  fontSize_ = points;
  if (TextLength() == 0) {
    paragraphs_.front().Mutable().mark = DefaultFormat();
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
