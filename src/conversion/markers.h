#pragma once

#include <cstdint>
#include <string_view>

// Hyperlinks and pictures live in the text as visible runs in reserved formatting:
//
//   UrlRun       italic, underlined, MarkerColor - the hyperlink's target
//   LinkTextRun  underlined, not italic, LinkColor - the link's visible text
//   RawTagRun    italic, not underlined, MarkerColor - one whole HTML tag, "<" to ">"
//
// A hyperlink is a UrlRun followed directly by its text run; a picture is a RawTagRun holding an
// IMG tag. The converters write and read these runs; the span-text procedures find them.
namespace scrivlet {

// Silver, HTML order (the same value in platform order).
inline constexpr std::int32_t MarkerColor = 0xC0C0C0;
// Blue, HTML order (0xFF0000 in platform order).
inline constexpr std::int32_t LinkColor = 0x0000FF;

// The reserved colours in platform order 0x00BBGGRR, as a surface stores them.
constexpr std::int32_t ToPlatformOrder(std::int32_t rgb) {
  return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}
inline constexpr std::int32_t kMarkerPlatformColor = ToPlatformOrder(MarkerColor);
inline constexpr std::int32_t kLinkPlatformColor = ToPlatformOrder(LinkColor);

enum class MarkerKind { kNone, kUrl, kLinkText, kRawTag };

// Which marker run a run in these attributes is; `platformColor` in platform order.
constexpr MarkerKind ClassifyMarker(bool italic, bool underline, std::int32_t platformColor) {
  if (platformColor == kMarkerPlatformColor && italic) {
    return underline ? MarkerKind::kUrl : MarkerKind::kRawTag;
  }
  if (platformColor == kLinkPlatformColor && underline && !italic) {
    return MarkerKind::kLinkText;
  }
  return MarkerKind::kNone;
}

// The comment that protects the tag after it from conversion when HTML is loaded.
inline constexpr std::string_view kRawTagComment = "<!-- ScrivletHTML -->";
// The word in a comment that switches the next tag to a raw-tag run.
inline constexpr std::string_view kRawTagMarkerWord = "ScrivletHTML";

}  // namespace scrivlet
