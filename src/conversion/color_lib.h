#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "conversion/conversion_context.h"

// Colour orders and the document colour table.
//
// Two byte orders are in use and must never be confused: HTML order 0xRRGGBB (the document
// table, HTML COLOR attributes, DefaultColor, the marker colours) and platform order 0x00BBGGRR
// (the editing surface and the colour dialog). SwapRedBlue and OleColorToRgb convert.
namespace scrivlet {

// The three bytes of a colour value, highest first: bits 16-23, 8-15 and 0-7.
struct ColorBytes {
  std::int32_t high;
  std::int32_t middle;
  std::int32_t low;
};

ColorBytes SplitColor(std::int32_t color);

// Appends the RTF colour table "{\\colortbl\\redR\\greenG\\blueB;...}" of `colors` (HTML order),
// colour number n being `colors[n]`.
void AppendRtfColorTable(std::string& out, const std::vector<std::int32_t>& colors);

// Exchanges bits 0-7 and 16-23 and keeps bits 8-15; bits 24-31 of the result are 0. Turns HTML
// order into platform order and back.
std::int32_t SwapRedBlue(std::int32_t color);

// A platform-order colour (bits 24-31 ignored) in HTML order.
std::int32_t OleColorToRgb(std::int32_t color);

// The longest colour attribute WriteHtmlColorAttribute writes: " COLOR=#" and eight digits.
inline constexpr std::size_t kMaxHtmlColorAttributeSize = 16;

// Writes " COLOR=#" and the colour in upper-case hexadecimal, at least six digits (a value above
// 0xFFFFFF keeps all its digits; a negative one is written as its 32-bit pattern) into `to`,
// which must hold kMaxHtmlColorAttributeSize characters; returns its length.
std::size_t WriteHtmlColorAttribute(char* to, std::int32_t color);

}  // namespace scrivlet
