#include "platform/document/rich_document.h"

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

}  // namespace scrivlet
