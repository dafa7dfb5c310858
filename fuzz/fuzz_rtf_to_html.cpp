// RtfToHtml on any bytes: it either converts or raises ConversionError for a malformed
// parameter; any other exception, a crash, a leak or a hang is a fault. Property: a FONT start
// tag holds attributes only, no text (marker runs, which copy a URL or a tag as it stands, are
// left out of the check); nothing in the HTML can run script; the input given in pieces (of a
// size the input picks) converts to the same HTML, or fails with the same error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/rtf_to_html.h"
#include "conversion/test_inputs.h"
#include "fuzz_support.h"
#include "script_checks.h"

namespace {

// The HTML, or the error's message.
std::string ToHtmlOrError(scrivlet::TextPieces rtf, scrivlet::ConversionContext& context) {
  try {
    return scrivlet::RtfToHtml(rtf, context);
  } catch (const scrivlet::ConversionError& error) {
    return std::string("!error ") + error.what();
  }
}

// Between "<FONT" and its ">", outside a quoted FACE value, neither "<" nor "&" may stand.
bool FontStartTagsHoldOnlyAttributes(std::string_view html) {
  std::size_t at = html.find("<FONT");
  while (at != std::string_view::npos) {
    bool quoted = false;
    std::size_t i = at + 5;
    for (; i < html.size() && (quoted || html[i] != '>'); ++i) {
      if (html[i] == '\'') {
        quoted = !quoted;
      } else if (!quoted && (html[i] == '<' || html[i] == '&')) {
        return false;
      }
    }
    at = html.find("<FONT", i);  // after the tag: a FACE value may hold "<FONT" itself
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view rtf = scrivlet::fuzz::AsText(data, size);
  scrivlet::ConversionContext context;
  context.DefaultColor = 0x123456;
  // Face lists change how the font table is read; inputs of either parity take either path.
  if (size % 2 == 1) {
    context.FontFaceLists = {"Verdana, Arial, Helvetica", "Courier New, Courier"};
  }
  try {
    const std::string html = scrivlet::RtfToHtml(rtf, context);
    const std::string hazard = scrivlet::fuzz::FindScriptHazard(html);
    if (!hazard.empty()) {
      std::fprintf(stderr, "script-capable HTML (%s):\n%s\n", hazard.c_str(), html.c_str());
    }
    SCRIVLET_FUZZ_CHECK(hazard.empty());
    if (html.find("<!-- ScrivletHTML -->") == std::string::npos &&
        html.find("<A HREF=") == std::string::npos) {
      SCRIVLET_FUZZ_CHECK(FontStartTagsHoldOnlyAttributes(html));
    }
    // The context's tables hold only what the document defined.
    SCRIVLET_FUZZ_CHECK(context.ColorTable.size() <= size);
    SCRIVLET_FUZZ_CHECK(context.FontTable.size() <= size);
  } catch (const scrivlet::ConversionError&) {
    // A malformed parameter is an error the converter keeps.
  }
  const std::string whole = ToHtmlOrError(rtf, context);
  scrivlet::testing_inputs::ChoppedText pieces(rtf, 1 + (size > 0 ? data[0] % 64 : 0));
  SCRIVLET_FUZZ_CHECK(ToHtmlOrError(pieces, context) == whole);
  return 0;
}
