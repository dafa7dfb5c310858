// HTML through the way a TextHTML assignment and a TextHTML read take it: HtmlToRtf, the
// document loaded into the headless surface, its RTF converted back by RtfToHtml.
//
// Property: once the HTML has been through a trip, further trips keep it unchanged. (The first
// trip may lose what the dialect cannot carry: the last paragraph's alignment and indent, which
// its closing tags reset after its text.) Text in the marker colour is left out: the converters
// read any silver italic text as a marker run, so HTML that forges one is read differently on
// each trip. No face lists are configured, so no FACE is written: with lists, faces that map to
// one list (or names that lose the characters an attribute cannot hold) become one face only on
// the trip after, and the HTML may take a further trip to settle.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "document/rtf_writer.h"
#include "fuzz_support.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "script_checks.h"
#include "text/text_codec.h"

namespace {

std::optional<std::string> RoundTrip(std::string_view html, scrivlet::ConversionContext& context) {
  std::string body;
  try {
    body = scrivlet::HtmlToRtf(html, context);
  } catch (const scrivlet::ConversionError&) {
    return std::nullopt;
  }
  scrivlet::MemoryRichTextBox surface;
  surface.SetTextRTF(scrivlet::BuildHtmlDocument("Arial", body));
  // The surface writes parameters that are numbers in range: converting its RTF cannot fail.
  std::string out = scrivlet::RtfToHtml(surface.TextRTF(), context);
  // Written a paragraph a piece, as TextHTML reads it in a large document, the same HTML.
  const std::unique_ptr<scrivlet::PieceSource> pieces =
      scrivlet::WriteRtfPieces(surface.Paragraphs(), "Arial", surface.BulletIndent(), 1);
  SCRIVLET_FUZZ_CHECK(scrivlet::RtfToHtml(*pieces, context) == out);
  // Whatever the page held, what the editor writes can run no script.
  SCRIVLET_FUZZ_CHECK(scrivlet::fuzz::FindScriptHazard(out).empty());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view html = scrivlet::fuzz::AsText(data, size);
  if (scrivlet::FindNoCase(html, "C0C0C0") != std::string_view::npos) {
    return 0;
  }
  scrivlet::ConversionContext context;
  const std::optional<std::string> once = RoundTrip(html, context);
  if (!once) {
    return 0;
  }
  const std::optional<std::string> twice = RoundTrip(*once, context);
  SCRIVLET_FUZZ_CHECK(twice.has_value());
  const std::optional<std::string> thrice = RoundTrip(*twice, context);
  SCRIVLET_FUZZ_CHECK(thrice.has_value());
  SCRIVLET_FUZZ_CHECK(*thrice == *twice);
  return 0;
}
