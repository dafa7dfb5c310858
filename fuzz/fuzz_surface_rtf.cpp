// The headless surface's RTF reader and writer on any bytes: the document loaded as TextRTF, then
// pasted as SelRTF into the middle of itself.
//
// Properties: the model stays well formed (no empty runs, adjacent runs differ, no paragraph
// break inside a run); Text counts one unit per paragraph break and the runs' units otherwise;
// TextRTF read back gives the same Text and the same TextRTF; SelRTF read back gives SelText; a
// paste replaces exactly the selection with the fragment's text; Undo restores the document.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "surface_checks.h"

namespace {

using scrivlet::MemoryRichTextBox;
using scrivlet::fuzz::CheckModel;

// A fresh surface holding `rtf`.
std::u16string TextOf(std::string_view rtf) {
  MemoryRichTextBox surface;
  surface.SetTextRTF(rtf);
  return surface.Text();
}

void CheckWriteRead(const MemoryRichTextBox& surface) {
  const std::string written = surface.TextRTF();
  MemoryRichTextBox again;
  again.SetTextRTF(written);
  SCRIVLET_FUZZ_CHECK(again.Text() == surface.Text());
  SCRIVLET_FUZZ_CHECK(again.TextRTF() == written);
}

std::uint64_t Hash(std::string_view bytes) {
  std::uint64_t h = 14695981039346656037u;
  for (const char c : bytes) {
    h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
  }
  return h;
}

// Where the URL run that holds the character before `position` starts, and where the stretch of
// URL runs it belongs to starts (runs that differ only in face or size); `position` when there
// is none.
struct UrlBefore {
  std::int32_t run;
  std::int32_t stretch;
};
UrlBefore UrlRunBefore(const scrivlet::ParagraphList& paragraphs, std::int32_t position) {
  std::int32_t start = 0;
  for (const scrivlet::SharedParagraph& held : paragraphs) {
    const scrivlet::Paragraph& paragraph = *held;
    std::int32_t at = start;
    std::int32_t stretch = start;
    for (const scrivlet::TextRun& run : paragraph.runs) {
      const auto length = static_cast<std::int32_t>(run.text.size());
      const bool url = scrivlet::MarkerKindOf(run.format) == scrivlet::MarkerKind::kUrl;
      if (!url) {
        stretch = at + length;
      }
      if (url && at < position && position <= at + length) {
        return {at, stretch};
      }
      at += length;
    }
    start = at + 1;
  }
  return {position, position};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view rtf = scrivlet::fuzz::AsText(data, size);
  MemoryRichTextBox surface;
  surface.SetTextRTF(rtf);
  CheckModel(surface);
  CheckWriteRead(surface);

  // Select somewhere in the middle and paste the same bytes there.
  const std::u16string before = surface.Text();
  const std::string rtfBefore = surface.TextRTF();
  const auto length = static_cast<std::int32_t>(before.size());
  const std::uint64_t h = Hash(rtf);
  surface.SetSelStart(length == 0 ? 0 : static_cast<std::int32_t>(h % (length + 1)));
  surface.SetSelLength(static_cast<std::int32_t>((h >> 32) % (length / 2 + 1)));
  const std::int32_t start = surface.SelStart();
  const std::int32_t selected = surface.SelLength();
  SCRIVLET_FUZZ_CHECK(start >= 0 && selected >= 0 && start + selected <= length);
  SCRIVLET_FUZZ_CHECK(TextOf(surface.SelRTF()) == surface.SelText());

  // Where the paste keeps a hyperlink whole: a caret between a URL and its text puts the paste
  // before the URL, and a selection whose deletion leaves a URL without its text takes the URL.
  const UrlBefore url = UrlRunBefore(surface.Paragraphs(), start);
  surface.SetSelRTF(rtf);
  CheckModel(surface);
  const std::u16string pasted = TextOf(rtf);
  const auto replaced = [&](std::int32_t from, std::int32_t to, std::u16string_view middle) {
    return before.substr(0, static_cast<std::size_t>(from)) + std::u16string(middle) +
           before.substr(static_cast<std::size_t>(to));
  };
  const std::u16string text = surface.Text();
  const auto stretchOf = [&before](std::int32_t from, std::int32_t to) {
    return before.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  };
  SCRIVLET_FUZZ_CHECK(
      text == replaced(start, start + selected, pasted) ||
      (url.run < start && text == replaced(url.run, start + selected, pasted)) ||
      (url.stretch < start &&
       text == replaced(url.stretch, start + selected, pasted + stretchOf(url.stretch, start))));
  CheckWriteRead(surface);

  SCRIVLET_FUZZ_CHECK(surface.CanUndo());
  surface.Undo();
  SCRIVLET_FUZZ_CHECK(surface.Text() == before);
  SCRIVLET_FUZZ_CHECK(surface.TextRTF() == rtfBefore);
  return 0;
}
