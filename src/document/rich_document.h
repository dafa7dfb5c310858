#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "conversion/markers.h"
#include "platform/rich_text_box.h"

// The document model the surfaces share: paragraphs of runs. The RTF reader builds it and the
// RTF writer writes it, for the headless surface and for any other surface that maps its own
// document onto it.
namespace scrivlet {

struct CharFormat {
  std::string face = "Arial";
  std::int32_t halfPoints = 24;
  std::int32_t color = 0;  // platform order 0x00BBGGRR
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const CharFormat&) const = default;
};

struct ParaFormat {
  Alignment alignment = Alignment::kLeft;
  std::int32_t indent = 0;       // twips, left, not counting the bullet's indent
  std::int32_t rightIndent = 0;  // twips
  bool bullet = false;

  bool operator==(const ParaFormat&) const = default;
};

struct TextRun {
  CharFormat format;
  std::u16string text;  // never empty in a document; no paragraph breaks
};

struct Paragraph {
  ParaFormat format;
  std::vector<TextRun> runs;  // adjacent runs always differ in format
  // The format of the paragraph mark: what the caret takes in an empty paragraph.
  CharFormat mark;

  std::int32_t Length() const;
};

// A document: at least one paragraph; paragraph i ends with a break unless it is the last.
struct RichDocument {
  std::vector<Paragraph> paragraphs;
};

// Which marker run text in this format belongs to.
inline MarkerKind MarkerKindOf(const CharFormat& format) {
  return ClassifyMarker(format.italic, format.underline, format.color);
}

// Appends text in a format to a paragraph, joining the last run when the format is the same.
void AppendText(Paragraph& paragraph, const CharFormat& format, std::u16string_view text);

// Appends runs, joining equal formats at the seam and dropping empty runs.
void AppendRuns(Paragraph& paragraph, const std::vector<TextRun>& runs);

// Copies of the runs of a paragraph between two offsets, cut at them.
std::vector<TextRun> RunsBetween(const Paragraph& paragraph, std::int32_t from, std::int32_t to);

// The code unit at `offset` of a paragraph's text; u'\n' (its break) past the text.
char16_t UnitAt(const Paragraph& paragraph, std::int32_t offset);

}  // namespace scrivlet
