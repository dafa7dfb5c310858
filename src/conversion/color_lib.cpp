#include "conversion/color_lib.h"

#include <cstring>
#include <string_view>

namespace scrivlet {

std::int32_t ColorTableIndex(ConversionContext& context, std::int32_t color) {
  auto& table = context.ColorTable;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == color) {
      return static_cast<std::int32_t>(i);
    }
  }
  table.push_back(color);
  return static_cast<std::int32_t>(table.size()) - 1;
}

ColorBytes SplitColor(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  return {static_cast<std::int32_t>((bits >> 16) & 0xFF),
          static_cast<std::int32_t>((bits >> 8) & 0xFF), static_cast<std::int32_t>(bits & 0xFF)};
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

void AppendHtmlColorAttribute(std::string& out, std::int32_t color) {
  char attribute[kMaxHtmlColorAttributeSize];
  out.append(attribute, WriteHtmlColorAttribute(attribute, color));
}

std::string HtmlColorAttribute(std::int32_t color) {
  std::string attribute;
  AppendHtmlColorAttribute(attribute, color);
  return attribute;
}

}  // namespace scrivlet
