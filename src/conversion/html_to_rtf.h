#pragma once

#include <string>
#include <string_view>

#include "conversion/conversion_context.h"

// The write side of TextHTML: HTML in the control's dialect (anything is accepted) turned into
// the RTF body the editing surface loads, in one left-to-right pass.
namespace scrivlet {

// Converts `html` (UTF-8) and returns the RTF body: "{\fonttbl...}{\colortbl...}" followed by
// the converted text. The recognised vocabulary is exact and case-sensitive (P, /P, DIV, /DIV,
// BR, B, /B, I, /I, U, /U, UL, /UL, LI, /LI, BLOCKQUOTE, /BLOCKQUOTE, /A), plus FONT tags in any
// case, any tag with HREF= (a hyperlink's marker runs), any tag with ALIGN=, comments, and the
// entities lt, gt, quot, nbsp, amp, mdash, ndash and numeric references (decimal, where 128-159
// name code page 1252 characters, or hexadecimal with "x"). Any other tag or entity is dropped;
// text between tags stays. The tag after a comment containing "ScrivletHTML" becomes a raw-tag
// marker run. Non-ASCII text is written as "\uN " escapes; backslashes and braces are always
// escaped, also in URLs and raw tags. A hyperlink's URL run holds the HREF value with its
// character references decoded; a raw tag is kept as it stands. A face name's ";" is written
// "\'3b", and a blank FACE selects no font.
//
// Resets `context.ColorTable` to the single entry `context.DefaultColor` and
// `context.FontTable` to the single entry "Arial", then fills both in order of first use.
//
// Throws ConversionError, naming the attribute and the value, when a FONT SIZE is not a number
// or outside the 16-bit range, a FONT COLOR is not hexadecimal or needs more than 32 bits, or a
// numeric character reference is negative. The tables are then left as far as the scan filled
// them.
std::string HtmlToRtf(std::string_view html, ConversionContext& context);

// Returns `text` with every "\" written as "\\", "{" as "\{" and "}" as "\}"; every other
// character, line breaks and non-ASCII included, is copied unchanged.
std::string RtfEncode(std::string_view text);

// The whole document a TextHTML assignment loads: the header defining font 0 as the surface's
// font `surfaceFontName` (swiss family) and font 1 as Symbol, then `body` as HtmlToRtf returned
// it, then "}". When the document holds "\uN" escapes the header also declares "\uc0", so that
// RTF readers take no fallback character after them. The document is made in `body`'s own
// buffer: a large page's RTF is not copied into a second one.
std::string BuildHtmlDocument(std::string_view surfaceFontName, std::string body);

}  // namespace scrivlet
