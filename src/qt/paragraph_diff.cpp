#include "qt/paragraph_diff.h"

#include <algorithm>

namespace scrivlet {

namespace {

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The number of units at the start of two paragraphs that are the same text in the same format.
std::size_t CommonPrefix(const Paragraph& a, const Paragraph& b) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < a.runs.size() && i < b.runs.size(); ++i) {
    const TextRun& x = a.runs[i];
    const TextRun& y = b.runs[i];
    if (!(x.format == y.format)) {
      break;
    }
    const auto common = static_cast<std::size_t>(
        std::mismatch(x.text.begin(), x.text.end(), y.text.begin(), y.text.end()).first -
        x.text.begin());
    units += common;
    if (common < x.text.size() || common < y.text.size()) {
      break;
    }
  }
  return units;
}

// The same at the end, counting no more than `limit` units.
std::size_t CommonSuffix(const Paragraph& a, const Paragraph& b, std::size_t limit) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < a.runs.size() && i < b.runs.size(); ++i) {
    const TextRun& x = a.runs[a.runs.size() - 1 - i];
    const TextRun& y = b.runs[b.runs.size() - 1 - i];
    if (!(x.format == y.format)) {
      break;
    }
    const auto common = static_cast<std::size_t>(
        std::mismatch(x.text.rbegin(), x.text.rend(), y.text.rbegin(), y.text.rend()).first -
        x.text.rbegin());
    units += common;
    if (units >= limit) {
      return limit;
    }
    if (common < x.text.size() || common < y.text.size()) {
      break;
    }
  }
  return units;
}

}  // namespace

bool SameRuns(const Paragraph& a, const Paragraph& b) {
  if (a.runs.size() != b.runs.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.runs.size(); ++i) {
    if (a.runs[i].text != b.runs[i].text || !(a.runs[i].format == b.runs[i].format)) {
      return false;
    }
  }
  return true;
}

bool SameText(const Paragraph& a, const Paragraph& b) {
  if (a.Length() != b.Length()) {
    return false;
  }
  std::size_t ai = 0;
  std::size_t bi = 0;
  std::size_t ao = 0;
  std::size_t bo = 0;
  while (ai < a.runs.size() && bi < b.runs.size()) {
    const std::u16string& at = a.runs[ai].text;
    const std::u16string& bt = b.runs[bi].text;
    const std::size_t n = std::min(at.size() - ao, bt.size() - bo);
    if (at.compare(ao, n, bt, bo, n) != 0) {
      return false;
    }
    ao += n;
    bo += n;
    if (ao == at.size()) {
      ++ai;
      ao = 0;
    }
    if (bo == bt.size()) {
      ++bi;
      bo = 0;
    }
  }
  return true;
}

bool SameParagraph(const Paragraph& a, const Paragraph& b) {
  return a.format == b.format && a.mark == b.mark && SameRuns(a, b);
}

std::int64_t CharactersIn(const std::vector<Paragraph>& paragraphs) {
  std::int64_t characters = 0;
  for (const Paragraph& paragraph : paragraphs) {
    characters += paragraph.Length() + 1;
  }
  return characters;
}

ParagraphSpan UnchangedParagraphs(const std::vector<Paragraph>& old,
                                  const std::vector<Paragraph>& replacement) {
  ParagraphSpan span;
  while (span.lead < old.size() && span.lead < replacement.size() &&
         SameParagraph(old[span.lead], replacement[span.lead])) {
    ++span.lead;
  }
  while (span.trail < old.size() - span.lead && span.trail < replacement.size() - span.lead &&
         SameParagraph(old[old.size() - 1 - span.trail],
                       replacement[replacement.size() - 1 - span.trail])) {
    ++span.trail;
  }
  return span;
}

UnitSpan UnchangedUnits(const Paragraph& old, const Paragraph& replacement) {
  const auto oldLength = static_cast<std::size_t>(old.Length());
  const auto newLength = static_cast<std::size_t>(replacement.Length());
  UnitSpan span;
  span.prefix = CommonPrefix(old, replacement);
  span.suffix = CommonSuffix(old, replacement, std::min(oldLength, newLength) - span.prefix);
  if (span.prefix > 0 && IsHighSurrogate(UnitAt(old, static_cast<std::int32_t>(span.prefix - 1)))) {
    --span.prefix;
  }
  if (span.suffix > 0 &&
      IsLowSurrogate(UnitAt(old, static_cast<std::int32_t>(oldLength - span.suffix)))) {
    --span.suffix;
  }
  return span;
}

}  // namespace scrivlet
