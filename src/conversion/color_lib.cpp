#include "conversion/color_lib.h"

#include <cstring>
#include <string_view>

#include "text/text_codec.h"

namespace scrivlet {

ColorBytes SplitColor(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  return {static_cast<std::int32_t>((bits >> 16) & 0xFF),
          static_cast<std::int32_t>((bits >> 8) & 0xFF), static_cast<std::int32_t>(bits & 0xFF)};
}

void AppendRtfColorTable(std::string& out, const std::vector<std::int32_t>& colors) {
  out += "{\\colortbl";
  for (const std::int32_t color : colors) {
    const ColorBytes bytes = SplitColor(color);
    out += "\\red";
    AppendDecimal(out, bytes.high);
    out += "\\green";
    AppendDecimal(out, bytes.middle);
    out += "\\blue";
    AppendDecimal(out, bytes.low);
    out += ';';
  }
  out += '}';
}

std::int32_t SwapRedBlue(std::int32_t color) {
  const ColorBytes bytes = SplitColor(color);
  return (bytes.low << 16) | (bytes.middle << 8) | bytes.high;
}

std::int32_t OleColorToRgb(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  const std::uint32_t red = bits & 0xFF;
  const std::uint32_t green = (bits >> 8) & 0xFF;
  const std::uint32_t blue = (bits >> 16) & 0xFF;
  return static_cast<std::int32_t>((red << 16) | (green << 8) | blue);
}

std::size_t WriteHtmlColorAttribute(char* to, std::int32_t color) {
  // Written by hand: RtfToHtml writes one per colour word, and snprintf costs more than the
  // rest of the word's handling.
  constexpr std::string_view kHex = "0123456789ABCDEF";
  constexpr std::string_view kName = " COLOR=#";
  const auto bits = static_cast<std::uint32_t>(color);
  int digits = 6;
  while (digits < 8 && (bits >> (4 * digits)) != 0) {
    ++digits;
  }
  std::memcpy(to, kName.data(), kName.size());
  for (int d = 0; d < digits; ++d) {
    to[kName.size() + static_cast<std::size_t>(d)] = kHex[(bits >> (4 * (digits - 1 - d))) & 0xF];
  }
  return kName.size() + static_cast<std::size_t>(digits);
}

}  // namespace scrivlet
