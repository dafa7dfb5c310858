// ParseWddx on any bytes: it never fails, and a list never holds more entries than the packet
// has values for.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "settings/wddx.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view packet = scrivlet::fuzz::AsText(data, size);
  scrivlet::FieldSettings settings;
  settings.FontFaceLists = {"left over from an earlier packet"};
  scrivlet::ParseWddx(packet, settings);
  // Every entry needs at least a "<string>" or "<number>" element of its own.
  const std::size_t most = size / 8;
  SCRIVLET_FUZZ_CHECK(settings.ImageEntries.size() <= most);
  SCRIVLET_FUZZ_CHECK(settings.HyperlinkEntries.size() <= most);
  SCRIVLET_FUZZ_CHECK(settings.FontFaceLists.size() <= most);
  return 0;
}
