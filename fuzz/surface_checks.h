#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "hosts/headless/memory_rich_text_box.h"

// Properties of the headless surface that hold after any operation; shared by the targets that
// drive it.
namespace scrivlet::fuzz {

// The model is well formed (no empty runs, adjacent runs differ, no paragraph break inside a
// run, a paragraph's run index where it keeps one says where its runs end) and Text counts one
// unit per paragraph break and the runs' units otherwise.
inline void CheckModel(const MemoryRichTextBox& surface) {
  const ParagraphList& paragraphs = surface.Paragraphs();
  SCRIVLET_FUZZ_CHECK(!paragraphs.empty());
  std::size_t units = paragraphs.size() - 1;
  for (const SharedParagraph& held : paragraphs) {
    SCRIVLET_FUZZ_CHECK(static_cast<bool>(held));
    const Paragraph& paragraph = *held;
    const std::vector<std::int32_t>* ends = paragraph.runEnds.Kept(paragraph.runs);
    std::size_t end = 0;
    for (std::size_t r = 0; r < paragraph.runs.size(); ++r) {
      const TextRun& run = paragraph.runs[r];
      SCRIVLET_FUZZ_CHECK(!run.text.empty());
      SCRIVLET_FUZZ_CHECK(run.text.find_first_of(u"\r\n") == std::u16string::npos);
      SCRIVLET_FUZZ_CHECK(r == 0 || !(paragraph.runs[r - 1].format == run.format));
      end += run.text.size();
      SCRIVLET_FUZZ_CHECK(ends == nullptr || static_cast<std::size_t>((*ends)[r]) == end);
    }
    units += end;
  }
  SCRIVLET_FUZZ_CHECK(surface.Text().size() == units);
}

// True when `position` falls between the two units of a surrogate pair.
inline bool SplitsPair(const std::u16string& text, std::int32_t position) {
  if (position <= 0 || static_cast<std::size_t>(position) >= text.size()) {
    return false;
  }
  const char16_t before = text[static_cast<std::size_t>(position) - 1];
  const char16_t after = text[static_cast<std::size_t>(position)];
  return before >= 0xD800 && before <= 0xDBFF && after >= 0xDC00 && after <= 0xDFFF;
}

// The selection lies within the text and neither of its ends splits a surrogate pair.
inline void CheckSelection(const MemoryRichTextBox& surface) {
  const std::u16string text = surface.Text();
  const std::int32_t start = surface.SelStart();
  const std::int32_t length = surface.SelLength();
  SCRIVLET_FUZZ_CHECK(start >= 0 && length >= 0);
  SCRIVLET_FUZZ_CHECK(static_cast<std::size_t>(start) + static_cast<std::size_t>(length) <=
                      text.size());
  SCRIVLET_FUZZ_CHECK(!SplitsPair(text, start));
  SCRIVLET_FUZZ_CHECK(!SplitsPair(text, start + length));
}

}  // namespace scrivlet::fuzz
