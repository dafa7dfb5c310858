#pragma once

#include <cstdint>
#include <string_view>

#include "document/rich_document.h"

namespace scrivlet {

struct RtfReadOptions {
  // The character format text starts with and \plain returns to: the surface's default face and
  // size, black, no styles.
  CharFormat defaultFormat;
  // The indent a bullet adds: a bulleted paragraph's \li minus this is its own indent.
  std::int32_t bulletIndent = 360;
};

// Reads an RTF document into paragraphs of runs. Understands the surface's own dialect, the
// document a TextHTML assignment builds (two font tables, a later definition of a font number
// winning) and what word processors write: \* destinations and the non-text destinations are
// skipped, the font's \fcharset, else \ansicpg (or \mac, \pc, \pca), selects the code page of
// \'xx (single-byte, Mac, or double-byte with lead and trail byte in two escapes or the trail as
// plain text; see CodePageDecoder), \uN is read with \ucN fallbacks, character state is scoped
// to groups, and a HYPERLINK field becomes a hyperlink's marker runs (a URL run, then its result
// as the link text run).
//
// Paragraph properties persist across \par until \pard; \line ends the paragraph as \par does.
// A last \par with no text after it closes the last paragraph and adds no break.
//
// Never fails and never recurses: malformed input is read as far as it makes sense, unbalanced
// braces are tolerated, and groups nested beyond a fixed depth are skipped.
RichDocument ReadRtf(std::string_view rtf, const RtfReadOptions& options);
// The same, each paragraph in its own allocation.
ParagraphList ReadRtfParagraphs(std::string_view rtf, const RtfReadOptions& options);

}  // namespace scrivlet
