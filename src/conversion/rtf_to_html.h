#pragma once

#include <string>
#include <string_view>

#include "conversion/conversion_context.h"
#include "text/piece_source.h"
#include "version/version_info.h"

// The read side of TextHTML: the RTF the editing surface writes, converted into the control's
// HTML dialect in one forward pass.
namespace scrivlet {

// Converts `rtf` (UTF-8; the surface's own dialect, though anything is accepted) and returns the
// HTML, UTF-8, without the marker comment. The document's final "\par }" is not converted.
//
// `rtf` is a string, or a PieceSource read a piece at a time: the source's pieces are converted
// as they come, up to the last paragraph end ("\par ") in each, so that a large document's RTF
// need not exist whole; the rest waits for the next piece. Where the pieces end never changes
// the HTML: when a piece's conversion could not end as the whole document's passes that point
// (the "\par " was text of a group or an escape, or the conversion looked for what a later
// piece holds), the source is rewound and the document converted whole.
//
// Understands paragraphs and line breaks, bold, italic, underline, font face, size and colour,
// left indentation (nested BLOCKQUOTEs), bullets (one UL), alignment (DIVs), "\~", "\emdash",
// "\endash", "\'xx", "\uN" with "\ucN" fallbacks, and the hyperlink and raw-tag marker runs,
// which become anchors and raw tags behind the "<!-- ScrivletHTML -->" comment. Text inside
// nested groups never reaches the output.
//
// "\'xx" is read by the code page in force, as the surface's RTF reader reads it: the selected
// font's (its "\fcharset" in the font table), else the document's ("\ansicpg", "\mac", "\pc",
// "\pca"; 1252 when none is named or the page is unknown), double-byte pages with a lead byte
// that waits for its trail byte (a broken sequence gives U+FFFD). A character outside 1252 is
// written as a "\uN" of the same value is.
//
// The output runs no script (conversion/html_safety.h): a URL the link rule refuses is written
// as "#", and a raw-tag run is written as a tag only when it is an allowed picture tag, written
// again with its values encoded; any other raw-tag run is written as encoded text, unless
// `context.RawTags` is RawHtml::kPassThrough, which writes it unchanged.
//
// Resets `context.ColorTable` and `context.FontTable` and refills them from the RTF's own
// tables; reads `context.DefaultColor` and, when any are configured, `context.FontFaceLists`
// (without face lists no FACE attribute is written).
//
// Throws ConversionError when a control word's numeric parameter is not a number or is out of
// range (for example "\cf1x"), or a "\'" escape is not hexadecimal; nothing is returned then.
std::string RtfToHtml(TextPieces rtf, ConversionContext& context);

// Escapes plain text for HTML: "<" "&lt;", ">" "&gt;", '"' "&quot;", "&" "&amp;", a space after a
// space "&nbsp;", and every non-ASCII character (UTF-8 in) "&#code;" with its Unicode code; a
// C1 control character (U+0080-U+009F) as "&#xHH;", since decimal 128-159 reads as code page 1252.
std::string HtmlEncode(std::string_view text);

// The comment every read of TextHTML begins with, for example
// "<!-- Korvex, Inc. Scrivlet 2.3.0.0 -->".
std::string BuildMarkerComment(const VersionInfo& version = kScrivletVersion);

}  // namespace scrivlet
