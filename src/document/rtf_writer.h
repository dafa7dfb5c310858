#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "document/rich_document.h"
#include "text/piece_source.h"

namespace scrivlet {

// Writes `document` as one line of RTF in the surface's dialect, which the RTF-to-HTML
// converter reads:
//
//   {\rtf1\ansi\deff0\deftab720\uc0{\fonttbl...}{\colortbl...}\pard...\plain\par }
//
// Font 0 is `defaultFace`, font 1 Symbol, then every other face in order of first use; colour 0
// is black, then every other colour in order of first use. Every run writes \plain, \f, \fs and
// \cf, then \b, \i, \ul as they apply, a space and its text; every paragraph ends with
// "\plain\par "; paragraph properties follow \pard at the first paragraph and where they change.
// A bulleted paragraph's \li is its indent plus `bulletIndent`. Non-ASCII text is written as
// "\uN " escapes (with \~, \emdash and \endash for their characters); a tab stays a raw tab.
std::string WriteRtf(const RichDocument& document, std::string_view defaultFace,
                     std::int32_t bulletIndent);
// The same for paragraphs kept one to an allocation.
std::string WriteRtf(const ParagraphList& paragraphs, std::string_view defaultFace,
                     std::int32_t bulletIndent);

// The size of a piece WriteRtfPieces makes unless told: large enough that a piece costs nothing
// noticeable, small enough that it is no share of a large document.
constexpr std::size_t kRtfPieceSize = 64 * 1024;

// WriteRtf's document, byte for byte, a piece at a time: whole paragraphs of about `pieceSize`
// bytes a piece (the first with the header, the last with the closing brace), so that a reader
// converting it piece by piece never holds the document's RTF whole. Faces and colours are
// numbered when the source is made; `paragraphs` must outlive it and not change while it is
// read.
std::unique_ptr<PieceSource> WriteRtfPieces(const ParagraphList& paragraphs,
                                            std::string_view defaultFace, std::int32_t bulletIndent,
                                            std::size_t pieceSize = kRtfPieceSize);

}  // namespace scrivlet
