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

// The comment that protects the tag after it from conversion when HTML is loaded.
inline constexpr std::string_view kRawTagComment = "<!-- ScrivletHTML -->";
// The word in a comment that switches the next tag to a raw-tag run.
inline constexpr std::string_view kRawTagMarkerWord = "ScrivletHTML";

}  // namespace scrivlet
