#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "conversion/conversion_context.h"

// The reader for HTML written by any program: the page is parsed as a browser parses it (gumbo,
// an HTML5 parser) and its tree mapped onto what the editing surface holds.
namespace scrivlet {

struct HtmlReadOptions {
  // The size of the pieces a page longer than twice this is parsed in; 0 is the reader's own
  // choice (256 KB). Tests set it small to read every page in pieces.
  std::size_t pieceBytes = 0;
};

// Reads `html` (UTF-8; bytes that are not UTF-8 are read as code page 1252) and returns the RTF
// body in the form HtmlToRtf returns, "{\fonttbl...}{\colortbl...}" and the text, for
// BuildHtmlDocument.
//
// Paragraphs come from block elements (p, div, h1-h6, li, tr, blockquote, pre...) and from br;
// bold, italic and underline from b strong i em u ins and from style; face, size and colour from
// FONT and from style (font-family; font-size in pt, px, em, %, keywords; color as hex, rgb() or
// a CSS colour name); alignment from align and text-align; indentation from blockquote and
// margin-left/margin-right; bullets from the items of ul and ol; table cells become
// tab-separated text and rows paragraphs. A link (a href) becomes the hyperlink's marker runs
// and a picture (img) a raw-tag run holding an IMG tag; a link target or picture source that
// the link rule refuses becomes "#" (a picture is then left out, its ALT text kept). head,
// script, style, template and comments are dropped; white space collapses as a browser
// collapses it, except where white-space keeps it. Text without face or size takes the
// surface's defaults, text without colour colour 0 (`context.DefaultColor`).
//
// A large page is parsed a piece at a time, each piece's tree freed before the next is parsed, so
// the reader holds about ten times a piece rather than ten times the page; the result is the
// same as the whole page's parse gives. Where the page cannot be cut cleanly (an element left
// open that a fresh parse cannot reopen, a formatting element closed by another tag), a piece
// grows until it can, up to the whole page. A page nesting elements deeper than 512 levels (no
// real page does; browsers cap the depth too) loses the start tags beyond that depth, and as
// many end tags of their names: their text stays, in the element at the cap, and the page is
// read in time linear in its size.
//
// Resets `context.ColorTable` to the single entry `context.DefaultColor` and
// `context.FontTable` to the single entry "Arial", then fills both in order of first use.
// Never fails on any input: what cannot be read (a colour or size that is no value) is skipped.
std::string ReadHtmlToRtf(std::string_view html, ConversionContext& context,
                          const HtmlReadOptions& options = {});

}  // namespace scrivlet
