#include "document/rich_document.h"

#include <algorithm>

namespace scrivlet {

std::int32_t Paragraph::Length() const {
  std::size_t length = 0;
  for (const TextRun& run : runs) {
    length += run.text.size();
  }
  return static_cast<std::int32_t>(length);
}

void AppendText(Paragraph& paragraph, const CharFormat& format, std::u16string_view text) {
  if (text.empty()) {
    return;
  }
  if (!paragraph.runs.empty() && paragraph.runs.back().format == format) {
    paragraph.runs.back().text.append(text);
  } else {
    paragraph.runs.push_back({format, std::u16string(text)});
  }
}

void AppendRuns(Paragraph& paragraph, const std::vector<TextRun>& runs) {
  for (const TextRun& run : runs) {
    AppendText(paragraph, run.format, run.text);
  }
}

std::vector<TextRun> RunsBetween(const Paragraph& paragraph, std::int32_t from, std::int32_t to) {
  std::vector<TextRun> runs;
  std::int32_t at = 0;
  for (const TextRun& run : paragraph.runs) {
    const auto length = static_cast<std::int32_t>(run.text.size());
    const std::int32_t begin = std::max(from, at);
    const std::int32_t end = std::min(to, at + length);
    if (begin < end) {
      runs.push_back({run.format, run.text.substr(static_cast<std::size_t>(begin - at),
                                                  static_cast<std::size_t>(end - begin))});
    }
    at += length;
  }
  return runs;
}

char16_t UnitAt(const Paragraph& paragraph, std::int32_t offset) {
  std::int32_t at = 0;
  for (const TextRun& run : paragraph.runs) {
    const auto length = static_cast<std::int32_t>(run.text.size());
    if (offset < at + length) {
      return run.text[static_cast<std::size_t>(offset - at)];
    }
    at += length;
  }
  return u'\n';
}

}  // namespace scrivlet
