// HtmlToRtf on any bytes, the document it builds loaded into the headless surface, and
// RtfEncode: encoded text read back by the surface is the text again.
#include <cstddef>
#include <cstdint>
#include <string>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html_to_rtf.h"
#include "fuzz_support.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "text/text_codec.h"

namespace {

void CheckHtmlToRtf(std::string_view html) {
  scrivlet::ConversionContext context;
  context.DefaultColor = 0x000080;
  std::string body;
  try {
    body = scrivlet::HtmlToRtf(html, context);
  } catch (const scrivlet::ConversionError&) {
    return;  // a SIZE, COLOR or reference the converter rejects
  }
  SCRIVLET_FUZZ_CHECK(body.starts_with("{\\fonttbl{\\f0 Arial;}"));
  SCRIVLET_FUZZ_CHECK(!context.ColorTable.empty() && context.ColorTable[0] == 0x000080);
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF(scrivlet::BuildHtmlDocument("Arial", body));
  static_cast<void>(surface.TextRTF());
}

// RtfEncode escapes only what RTF would read as syntax; raw CR and LF are no text in RTF and NUL
// is no character of a document, so they are left out of the text the property compares.
void CheckRtfEncode(std::string_view input) {
  std::string text;
  text.reserve(input.size());
  for (const char c : input) {
    if (c != '\r' && c != '\n' && c != '\0') {
      text += c;
    }
  }
  const std::string encoded = scrivlet::RtfEncode(text);
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF("{\\rtf1\\ansi " + encoded + "}");
  SCRIVLET_FUZZ_CHECK(surface.Text() == scrivlet::Utf8ToUtf16(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = scrivlet::fuzz::AsText(data, size);
  CheckHtmlToRtf(input);
  CheckRtfEncode(input);
  return 0;
}
