// The HTML reader and the HTML5 writer on any bytes: the page read into the headless surface,
// its document written as HTML5, which an HTML5 parser reads without a parse error and the
// reader turns back into the same document; the page read a piece at a time, cut wherever it
// can be, gives the same RTF as read whole. The same bytes as RTF go to the writer directly.
#include <gumbo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "conversion/conversion_context.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "fuzz_support.h"
#include "hosts/headless/memory_rich_text_box.h"

namespace {

std::string LoadPage(std::string_view html) {
  scrivlet::ConversionContext context;
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF(scrivlet::BuildHtmlDocument("Arial", scrivlet::ReadHtmlToRtf(html, context)));
  return surface.TextRTF();
}

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const {
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  }
};

std::size_t ParseErrors(const std::string& html) {
  const std::unique_ptr<GumboOutput, GumboOutputDeleter> output(
      gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size()));
  return output ? output->errors.length : 1;
}

bool SameInPieces(std::string_view html) {
  scrivlet::ConversionContext whole;
  scrivlet::ConversionContext pieces;
  return scrivlet::ReadHtmlToRtf(html, pieces, {.pieceBytes = 1}) ==
         scrivlet::ReadHtmlToRtf(html, whole, {.pieceBytes = html.size() + 1});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = scrivlet::fuzz::AsText(data, size);
  SCRIVLET_FUZZ_CHECK(SameInPieces(input));
  const std::string document = LoadPage(input);
  const std::string html5 = scrivlet::RtfToHtml5(document, {});
  SCRIVLET_FUZZ_CHECK(ParseErrors(html5) == 0);
  SCRIVLET_FUZZ_CHECK(LoadPage(html5) == document);
  static_cast<void>(scrivlet::RtfToHtml5(input, {.page = scrivlet::Html5Page::kFragment}));
  return 0;
}
