#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "document/rich_document.h"

// What a write of paragraphs changes, found by comparing the paragraphs before and after, so
// that a surface holding its own copy of the document rewrites only that. Plain model code: no
// toolkit types.
namespace scrivlet {

// The same runs: text and formats alike.
bool SameRuns(const Paragraph& a, const Paragraph& b);
// The same characters, whatever their runs and formats.
bool SameText(const Paragraph& a, const Paragraph& b);
// The same runs, paragraph format and mark.
bool SameParagraph(const Paragraph& a, const Paragraph& b);

// Characters in paragraphs, their breaks counted.
std::int64_t CharactersIn(const std::vector<Paragraph>& paragraphs);

// Paragraphs at the start (`lead`) and at the end (`trail`) of two lists that are the same; they
// never overlap, in either list.
struct ParagraphSpan {
  std::size_t lead = 0;
  std::size_t trail = 0;
};
ParagraphSpan UnchangedParagraphs(const std::vector<Paragraph>& old,
                                  const std::vector<Paragraph>& replacement);

// Units at the start (`prefix`) and at the end (`suffix`) of a paragraph that its replacement
// keeps: the same text in the same format. They never overlap, and neither cuts a surrogate pair
// of `old`, so the units between them are what to replace.
struct UnitSpan {
  std::size_t prefix = 0;
  std::size_t suffix = 0;
};
UnitSpan UnchangedUnits(const Paragraph& old, const Paragraph& replacement);

}  // namespace scrivlet
