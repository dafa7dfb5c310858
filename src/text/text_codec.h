#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scrivlet {

// One character read from UTF-8 text.
struct DecodedChar {
  char32_t code;      // the Unicode scalar value
  std::size_t bytes;  // how many input bytes it took (at least 1)
};

// Reads the character at `text[pos]` (pos < text.size()). A byte that does not start a valid
// UTF-8 sequence is read as the code page 1252 character with that code, so that text in a
// legacy 8-bit encoding still arrives character for character and nothing is dropped.
DecodedChar DecodeUtf8(std::string_view text, std::size_t pos);

// Appends the UTF-8 form of `code`. Surrogates and values above 0x10FFFF are written as U+FFFD.
void AppendUtf8(std::string& out, char32_t code);

// The Unicode character for a byte of code page 1252 (0x80 is U+20AC, the euro sign). The five
// codes 1252 leaves undefined map to the C1 control with the same number, as browsers do.
char32_t Cp1252ToUnicode(std::uint8_t byte);

// UTF-16 surrogates: a character above U+FFFF is a high unit (D800-DBFF) and a low one
// (DC00-DFFF).
constexpr bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t code) {
  return code >= 0xD800 && code <= 0xDFFF;
}
// The character a high and a low surrogate stand for.
constexpr char32_t CombineSurrogates(char32_t high, char32_t low) {
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}
// The two units of a character above U+FFFF.
struct SurrogatePair {
  char16_t high;
  char16_t low;
};
constexpr SurrogatePair SplitSurrogates(char32_t code) {
  const char32_t v = code - 0x10000;
  return {static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
}

// Appends one UTF-16 unit of a text given unit by unit (as RTF's "\uN" gives it) to UTF-8
// text: a high surrogate waits in `pendingHigh` (0 when none) for its low half, and a surrogate
// without its other half becomes U+FFFD.
void AppendUtf16Unit(std::string& out, char32_t unit, char32_t& pendingHigh);

// Converts between UTF-8 and UTF-16; invalid input is read as DecodeUtf8 reads it, and an
// unpaired surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Appends `value` in decimal, with a minus sign when negative and no leading zeros.
void AppendDecimal(std::string& out, std::int64_t value);

// AppendDecimal for the small numbers the converters write most (sizes, table numbers), without
// a call.
inline void AppendSmallDecimal(std::string& out, std::int64_t value) {
  if (value >= 0 && value < 100) {
    if (value >= 10) {
      out += static_cast<char>('0' + value / 10);
    }
    out += static_cast<char>('0' + value % 10);
  } else {
    AppendDecimal(out, value);
  }
}

// Appends RTF's "\uN " for `code`: N is a signed 16-bit unit, and a character above U+FFFF is
// written as its surrogate pair. `Out` is a std::string or anything with its `+=`.
template <class Out>
void AppendRtfUnicodeEscape(Out& out, char32_t code) {
  const auto appendUnit = [&out](char32_t unit) {
    out += "\\u";
    AppendDecimal(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
    out += ' ';
  };
  if (code >= 0x10000) {
    const SurrogatePair pair = SplitSurrogates(code);
    appendUnit(pair.high);
    appendUnit(pair.low);
  } else {
    appendUnit(code);
  }
}

// ASCII-only case folding, used by the case-insensitive searches of tag and attribute names.
constexpr char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Position of the first occurrence of `find` in `text` at or after `from`, ignoring ASCII letter
// case, or npos. An empty `find` is found at `from`.
std::size_t FindNoCase(std::string_view text, std::string_view find, std::size_t from = 0);

// True when `text` begins with `prefix`, ignoring ASCII letter case. Inline: the converters ask
// it of every tag.
inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldAscii(text[i]) != FoldAscii(prefix[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace scrivlet
