#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// String and path helpers shared by the converters, the editing actions and the picture
// dialogs. All text is UTF-8; positions are 1-based byte positions, 0 meaning "not found".
namespace scrivlet {

// ASCII character classes, independent of the locale.
constexpr bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
constexpr bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The value of `c` as a hexadecimal digit (either letter case), or -1. A table: the RTF readers
// ask it of every "\'xx" escape.
inline constexpr auto kHexDigitValues = [] {
  struct Table {
    std::int8_t value[256];
  } table{};
  for (int b = 0; b < 256; ++b) {
    table.value[b] = b >= '0' && b <= '9'   ? static_cast<std::int8_t>(b - '0')
                     : b >= 'a' && b <= 'f' ? static_cast<std::int8_t>(b - 'a' + 10)
                     : b >= 'A' && b <= 'F' ? static_cast<std::int8_t>(b - 'A' + 10)
                                            : std::int8_t{-1};
  }
  return table;
}();
constexpr int HexDigitValue(char c) {
  return kHexDigitValues.value[static_cast<unsigned char>(c)];
}

// `text` without the leading and trailing characters that are in `blanks`.
constexpr std::string_view TrimAny(std::string_view text, std::string_view blanks) {
  // One blank is searched as a character: the set's search asks memchr for every byte.
  const bool one = blanks.size() == 1;
  const std::size_t first =
      one ? text.find_first_not_of(blanks[0]) : text.find_first_not_of(blanks);
  if (first == std::string_view::npos) {
    return {};
  }
  const std::size_t last = one ? text.find_last_not_of(blanks[0]) : text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// Whether FindByteOf also stops at every byte above 0x7F (the bytes of non-ASCII characters).
enum class NonAsciiBytes { kPass, kStop };

// The first position in [from, to) of `text` whose byte is one of `Bytes` (or, with
// NonAsciiBytes::kStop, above 0x7F), or `to` when there is none; `to` <= text.size(). Most text
// is plain, so the scan takes sixteen bytes at a time; a load may reach past `to` while `text`
// goes on, so that a short piece of a longer text is scanned without a byte-by-byte tail.
template <NonAsciiBytes nonAscii, char... Bytes>
std::size_t FindByteOf(std::string_view text, std::size_t from, std::size_t to) {
#if defined(__SSE2__)
  const auto maskAt = [&text](std::size_t at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    __m128i hit = _mm_setzero_si128();
    ((hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(Bytes)))), ...);
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
    if constexpr (nonAscii == NonAsciiBytes::kStop) {
      mask |= static_cast<unsigned>(_mm_movemask_epi8(bytes));  // the sign bit of each byte
    }
    return mask;
  };
  for (; from + 16 <= to; from += 16) {
    if (const unsigned mask = maskAt(from)) {
      return from + static_cast<std::size_t>(__builtin_ctz(mask));
    }
  }
  if (from < to && from + 16 <= text.size()) {  // the last piece, in one load past `to`
    const unsigned mask = maskAt(from) & ((1U << (to - from)) - 1);
    return mask != 0 ? from + static_cast<std::size_t>(__builtin_ctz(mask)) : to;
  }
#endif
  for (; from < to; ++from) {
    const char c = text[from];
    if (((c == Bytes) || ...) ||
        (nonAscii == NonAsciiBytes::kStop && static_cast<unsigned char>(c) >= 0x80)) {
      return from;
    }
  }
  return to;  // also where the last load stepped past `to`
}

// Numbers the values of a document table (fonts, colours) in the order of their first use: a
// value's number is the index of its first entry in `table`, and a value not yet there is
// appended. The table may hold entries already; while the numbering lives, only it adds to the
// table. Runs mostly repeat the value before, and small tables are searched in place, which
// costs less than hashing.
template <class Value>
class FirstUseNumbering {
 public:
  explicit FirstUseNumbering(std::vector<Value>& table) : table_(table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      numbers_.try_emplace(table[i], static_cast<std::int32_t>(i));
    }
  }

  // `value`'s number; `Key` is Value or, for a string table, anything a string_view takes.
  template <class Key>
  std::int32_t NumberOf(const Key& value) {
    if (last_ >= 0 && table_[static_cast<std::size_t>(last_)] == value) {
      return last_;
    }
    if (table_.size() <= kSmallTable) {
      const auto known = std::find(table_.begin(), table_.end(), value);
      if (known != table_.end()) {
        last_ = static_cast<std::int32_t>(known - table_.begin());
        return last_;
      }
    }
    auto found = numbers_.find(value);
    if (found == numbers_.end()) {
      found = numbers_.emplace(Value(value), static_cast<std::int32_t>(table_.size())).first;
      table_.emplace_back(value);
    }
    last_ = found->second;
    return last_;
  }

 private:
  static constexpr std::size_t kSmallTable = 16;

  // Looks strings up by string_view, without a copy.
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const {
      return std::hash<std::string_view>()(text);
    }
    std::size_t operator()(std::int32_t value) const { return std::hash<std::int32_t>()(value); }
  };

  std::vector<Value>& table_;
  std::unordered_map<Value, std::int32_t, Hash, std::equal_to<>> numbers_;
  std::int32_t last_ = -1;
};

// Returns `text` with every occurrence of `find` replaced by `replacement`, searching without
// regard to ASCII letter case. The scan moves forward once, past each replacement, so a
// replacement that contains `find` is safe and the time is linear. An empty `find` changes
// nothing.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement);

// The position just after the first occurrence of `find` in `text` at or after the 1-based
// position `start` (exact comparison), or 0 when there is none. A start below 1 counts as 1.
std::size_t InStrAfter(std::size_t start, std::string_view text, std::string_view find);

// Splits `text` on `delimiter` into `pieces`, replacing its contents: "a,,b" on "," gives "a",
// "" and "b", and a text ending with the delimiter gives a final empty piece. An empty text
// leaves `pieces` unchanged. An empty delimiter yields the whole text as one piece. There is
// no limit on the number of pieces.
void SplitText(std::string_view text, std::string_view delimiter, std::vector<std::string>& pieces);

// The value of the attribute `name` in the text of a tag, or "" when it is absent. The first
// occurrence of name followed by "=" anywhere in the tag counts (letter case ignored), even
// inside another attribute's value. A value quoted with ' or " runs to the matching quote;
// a bare value runs to the next space, else to the next ">", else to the end of the tag.
std::string GetTagAttribute(std::string_view tag, std::string_view name);

// The value GetTagAttribute takes when the name's "=" stands just before position `valueStart`.
std::string TagAttributeValueAt(std::string_view tag, std::size_t valueStart);

// TagAttributeValueAt as a view into `tag`, without a copy.
std::string_view TagAttributeViewAt(std::string_view tag, std::size_t valueStart);

// Maps a point size to the HTML font size 1..7 (9 or less is 1, 31 or more is 7).
std::int16_t PointsToHtmlSize(std::int16_t points);

// Maps an HTML font size to points (1 or less is 8, 7 or more is 36).
std::int16_t HtmlSizeToPoints(std::int16_t size);

// The part of a path or URL after its last "/", or the whole text when there is none.
std::string FileNameFromUrl(std::string_view text);

// Joins `base` and `tail` with exactly one "/" between them; an empty side gives the other.
std::string JoinUrl(std::string_view base, std::string_view tail);

// True when the file system reports a length for the file at `path`; never throws.
bool FileExists(std::string_view path);

// Reads a leading decimal number as the classic Val function does: blanks are skipped, an
// optional sign, digits, a fraction and an exponent are read, and reading stops at the first
// character that cannot continue the number. A text without digits reads 0. Values too large for
// a double read as infinity.
double ReadLeadingNumber(std::string_view text);

// Rounds to the nearest whole number, halves to even, saturating at the int64 range.
std::int64_t RoundHalfEven(double value);

// Whether ScramblePassword encodes or decodes.
enum class ScrambleDirection { kEncode, kDecode };

// The reversible letter-and-digit substitution that protects the stored FTP password, keyed by
// the word "Harmonica" over the UTF-16 little-endian bytes of the text. Decoding an encoded text
// gives it back; characters other than ASCII letters and digits pass through unchanged (above
// U+00FF each of a character's two bytes is treated on its own).
std::string ScramblePassword(ScrambleDirection direction, std::string_view text);

}  // namespace scrivlet
