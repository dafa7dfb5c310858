// RtfToHtml on any bytes: it either converts or raises ConversionError for a malformed
// parameter; any other exception, a crash, a leak or a hang is a fault.
#include <cstddef>
#include <cstdint>

#include "conversion/conversion_context.h"
#include "conversion/conversion_error.h"
#include "conversion/rtf_to_html.h"
#include "fuzz_support.h"

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
    // The context's tables hold only what the document defined.
    SCRIVLET_FUZZ_CHECK(context.ColorTable.size() <= size);
    SCRIVLET_FUZZ_CHECK(context.FontTable.size() <= size);
  } catch (const scrivlet::ConversionError&) {
    // A malformed parameter is an error the converter keeps.
  }
  return 0;
}
