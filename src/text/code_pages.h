#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// The code pages RTF documents declare with \ansicpg, \mac, \pc, \pca and a font's \fcharset:
// the single-byte Windows, DOS and Mac pages and the double-byte East Asian ones (932, 936, 949,
// 950, 1361), decoded through the C library's iconv.
namespace scrivlet {

// The RTF words that name a document's character set, and the code page each means.
inline constexpr std::array<std::pair<std::string_view, std::int32_t>, 4> kCharacterSetWords = {{
    {"ansi", 1252},
    {"mac", 10000},
    {"pc", 437},
    {"pca", 850},
}};

// The code page of an RTF \fcharset value, or 0 when the charset names none (the default charset
// 1 and the symbol charset 2 among them): text in such a font is read by the document's page.
std::int32_t CodePageForCharset(std::int32_t charset);

// Decodes bytes of text, one at a time, by the code page in force for each. A double-byte page's
// lead byte waits for its trail byte, which may arrive as a "\'xx" escape or as a plain ASCII
// character.
//
// One decoder serves one reading: it opens an iconv converter for a code page the first time a
// byte above ASCII needs one, keeps it for the rest of the reading and closes it when destroyed.
// Not shared between threads. Never fails: a page iconv cannot open is read as 1252, a byte a
// single-byte page leaves undefined keeps its own value (as browsers read it), and a broken
// double-byte sequence becomes U+FFFD with the ASCII byte after it kept.
class CodePageDecoder {
 public:
  // The characters one byte completes: none while a multi-byte character waits for its next
  // byte, two when a broken sequence is followed by a character of its own.
  struct Decoded {
    std::array<char32_t, 2> characters{};
    std::size_t count = 0;
  };

  CodePageDecoder();
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // Reads `byte` as text of `codePage`.
  Decoded Feed(std::int32_t codePage, std::uint8_t byte);

  // True while a lead byte waits for its trail byte.
  bool Pending() const { return pendingCount_ > 0; }

  // Ends a character left unfinished (the text moved on before its trail byte came): U+FFFD when
  // a byte was waiting, else nothing.
  Decoded Flush();

 private:
  struct Converter;
  Converter& ConverterFor(std::int32_t codePage);

  std::vector<Converter> converters_;
  std::size_t last_ = 0;  // the converter used last: text keeps to one page for long stretches
  std::array<std::uint8_t, 4> pending_{};
  std::size_t pendingCount_ = 0;
  std::int32_t pendingPage_ = 0;
};

}  // namespace scrivlet
