#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The rules that keep the HTML the editor writes from running script: which URLs may stand in a
// link, which raw tags may be written as tags, and how a value is encoded for an attribute.
// Every place that writes a URL or a tag (RtfToHtml, the dialogs, the field settings) asks here,
// so that the rules live in one place.
namespace scrivlet {

// The link rule. The URL's character references are decoded, control characters dropped and
// surrounding spaces trimmed, as a browser would; then only http, https, mailto, ftp and tel
// URLs and URLs without a scheme (relative, "#...", "/...", or a local path with a drive letter,
// "C:/...") pass.
bool IsAllowedLinkUrl(std::string_view url);

// `url` when it passes the link rule, else "#" (a link that goes nowhere).
std::string_view AllowedLinkUrlOr(std::string_view url);

// The rule for a picture's SRC: http, https, no scheme, or a data URL of a PNG, GIF, JPEG or
// WebP image. Decoded and trimmed as IsAllowedLinkUrl does.
bool IsAllowedPictureSource(std::string_view src);

// The ALIGN keywords a picture may have (the picture dialog's choices), letter case ignored.
inline constexpr std::array<std::string_view, 9> kPictureAlignments = {
    "Bottom", "Middle", "Top", "AbsBottom", "AbsMiddle", "Baseline", "TextTop", "Left", "Right"};

// `tag` ("<" to ">", one whole tag) written again when it is on the allow-list: an IMG with
// only SRC (IsAllowedPictureSource), ALT, TITLE, WIDTH, HEIGHT, BORDER, HSPACE, VSPACE (numbers
// or percentages) and ALIGN (kPictureAlignments), each at most once. Names keep their spelling;
// ALT, TITLE, SRC and every value that was quoted are written in apostrophes, their references
// decoded and the value encoded again (EncodeAttributeValue); a bare number or keyword stays
// bare. Nothing when the tag is anything else.
std::optional<std::string> RewriteAllowedTag(std::string_view tag);

// Decodes the character references of an attribute value as a browser does: numeric ones
// (decimal or "x" hexadecimal, with or without ";"), and amp, lt, gt, quot, apos, nbsp, colon,
// Tab and NewLine with ";". Anything else stays as it is. NUL and codes no character has become
// U+FFFD.
std::string DecodeAttributeReferences(std::string_view value);

// The length of a character HTML5 forbids in a page (DEL, the C1 controls, noncharacters) at
// byte `i` of UTF-8 text, or 0: a parser reports each as an error, and none of them shows.
std::size_t ForbiddenCharacterAt(std::string_view text, std::size_t i);
// `text` without those characters and without C0 controls other than tab, line feed and CR.
std::string WithoutForbiddenCharacters(std::string_view text);

// Encodes text for a quoted attribute value: "&" "&amp;", "'" "&#39;", '"' "&quot;", "<"
// "&lt;", ">" "&gt;"; everything else, non-ASCII included, is copied.
std::string EncodeAttributeValue(std::string_view text);
// The same, appended to `out` (a std::string or a converter's OutputBuffer): the plain stretches
// between those characters go in whole.
template <class Out>
void AppendAttributeEncoded(Out& out, std::string_view text) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::string_view reference;
    switch (text[i]) {
      case '&':
        reference = "&amp;";
        break;
      case '\'':
        reference = "&#39;";
        break;
      case '"':
        reference = "&quot;";
        break;
      case '<':
        reference = "&lt;";
        break;
      case '>':
        reference = "&gt;";
        break;
      default:
        continue;
    }
    out.append(text.data() + plain, i - plain);
    out.append(reference.data(), reference.size());
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
}

}  // namespace scrivlet
