#pragma once

// Builds documents on the headless surface run by run, the way the insert actions type them.

#include <string>

#include "actions/span_text.h"
#include "hosts/headless/memory_rich_text_box.h"

namespace scrivlet::testing_surface {

enum class Style { kPlain, kUrl, kLinkText, kRawTag, kBold };

inline void Append(MemoryRichTextBox& surface, std::u16string_view text, Style style) {
  surface.SetSelStart(static_cast<std::int32_t>(surface.Text().size()));
  surface.SetSelUnderline(false);
  surface.SetSelItalic(false);
  surface.SetSelBold(false);
  surface.SetSelColor(0);
  switch (style) {
    case Style::kUrl:
      SetUrlRun(surface);
      break;
    case Style::kLinkText:
      SetLinkTextRun(surface);
      break;
    case Style::kRawTag:
      SetRawTagRun(surface);
      break;
    case Style::kBold:
      surface.SetSelBold(true);
      break;
    case Style::kPlain:
      break;
  }
  surface.SetSelText(text);
}

inline void Select(RichTextBox& surface, std::int32_t start, std::int32_t length) {
  surface.SetSelStart(start);
  surface.SetSelLength(length);
}

}  // namespace scrivlet::testing_surface
