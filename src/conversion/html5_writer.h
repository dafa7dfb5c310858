#pragma once

#include <string>
#include <string_view>

// The HTML5 form of TextHTML: the surface's document as well-formed, properly nested HTML5,
// without FONT elements or marker comments, which the HTML reader reads back into the same
// document.
namespace scrivlet {

// Whether the result is a whole page or a fragment for the clipboard.
enum class Html5Page { kDocument, kFragment };

struct Html5Options {
  // The surface's defaults: text in them is written without a face or size.
  std::string defaultFace = "Arial";
  double defaultPoints = 12;
  Html5Page page = Html5Page::kDocument;
};

// Converts `rtf` (the surface's dialect, though any RTF is read as far as it makes sense) and
// returns UTF-8 HTML5: paragraphs as p, bulleted ones as li in ul, indented ones in blockquote
// with their margins, alignment as text-align; bold, italic and underline as strong, em and u;
// face, size and colour as a span's style. A hyperlink's marker runs become an a element, a
// raw-tag run holding IMG tags img elements; a marker run that is neither is kept as the styled
// text the editor shows. Link targets and picture sources pass the link rule ("#" else; a
// refused picture is left out). Every text and attribute value is encoded for where it lands.
// A kDocument page has a doctype, a head with the charset and a body carrying the defaults;
// a kFragment is one div carrying them.
//
// Never fails: malformed RTF is read as far as it makes sense.
std::string RtfToHtml5(std::string_view rtf, const Html5Options& options);

}  // namespace scrivlet
