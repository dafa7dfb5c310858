#pragma once

// Generated inputs shared by the converter tests: large and hostile documents.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/piece_source.h"

namespace scrivlet::testing_inputs {

// A document in the surface's RTF dialect with `paragraphs` paragraphs mixing plain, bold and
// coloured runs, a hyperlink every seventh paragraph and a picture every eleventh.
inline std::string SurfaceDocument(int paragraphs) {
  std::string rtf =
      "{\\rtf1\\ansi\\deff0\\deftab720\\uc0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset2 "
      "Symbol;}}{\\colortbl\\red0\\green0\\blue0;\\red192\\green192\\blue192;"
      "\\red0\\green0\\blue255;}"
      "\\pard";
  for (int i = 0; i < paragraphs; ++i) {
    rtf += "\\plain\\f0\\fs24\\cf0 Paragraph " + std::to_string(i) + " with caf\\u233  text ";
    rtf += "\\plain\\f0\\fs24\\cf0\\b bold\\plain\\f0\\fs24\\cf0  and \\{braces\\} ";
    if (i % 7 == 0) {
      rtf += "\\plain\\f0\\fs24\\cf1\\i\\ul page" + std::to_string(i) +
             ".htm\\plain\\f0\\fs24\\cf2\\ul link";
    }
    if (i % 11 == 0) {
      rtf += "\\plain\\f0\\fs16\\cf1\\i <IMG SRC='p.gif'>";
    }
    rtf += "\\plain\\par ";
  }
  rtf += "}";
  return rtf;
}

// HTML in the control's dialect with `paragraphs` paragraphs.
inline std::string DialectHtml(int paragraphs) {
  std::string html;
  for (int i = 0; i < paragraphs; ++i) {
    html += "<FONT SIZE=3 COLOR=#000000>Paragraph " + std::to_string(i) +
            " &amp; caf&#233; <B>bold</B></FONT>";
    if (i % 7 == 0) {
      html += "<A HREF='page" + std::to_string(i) + ".htm'>link</A>";
    }
    if (i % 11 == 0) {
      html += "<!-- ScrivletHTML --><IMG SRC='p.gif'>";
    }
    html += "<BR>";
  }
  return html;
}

// `count` copies of `piece`.
inline std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) {
    text += piece;
  }
  return text;
}

// A deterministic stream of bytes drawn from `alphabet`.
inline std::string RandomText(std::string_view alphabet, std::size_t length, std::uint32_t seed) {
  std::string text;
  text.reserve(length);
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < length; ++i) {
    state = state * 1664525u + 1013904223u;
    text += alphabet[(state >> 8) % alphabet.size()];
  }
  return text;
}

// Random text made of `fragments`, `count` of them.
inline std::string RandomFragments(const std::vector<std::string_view>& fragments,
                                   std::size_t count, std::uint32_t seed) {
  std::string text;
  std::uint32_t state = seed;
  for (std::size_t i = 0; i < count; ++i) {
    state = state * 1664525u + 1013904223u;
    text += fragments[(state >> 8) % fragments.size()];
  }
  return text;
}

// A text handed over in pieces of `size` bytes, each a copy that the next call replaces (a
// reader that kept a view of an earlier piece would read the wrong bytes). Its size is unknown.
class ChoppedText final : public PieceSource {
 public:
  ChoppedText(std::string_view text, std::size_t size) : text_(text), size_(size) {}
  std::string_view Next() override {
    piece_.assign(text_.substr(at_, size_));
    at_ += piece_.size();
    return piece_;
  }
  void Rewind() override {
    at_ = 0;
    ++rewinds_;
  }
  std::size_t Size() const override { return 0; }
  // How often a reader started over.
  int Rewinds() const { return rewinds_; }

 private:
  std::string_view text_;
  std::size_t size_;
  std::size_t at_ = 0;
  std::string piece_;
  int rewinds_ = 0;
};

}  // namespace scrivlet::testing_inputs
