#include "text/util_lib.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include "text/text_codec.h"

namespace scrivlet {

namespace {

constexpr std::string_view kScrambleKey = "Harmonica";

// 0-9, A-Z and a-z as the values 0..61; -1 for any other byte.
int ScrambleValue(unsigned byte) {
  if (byte >= '0' && byte <= '9')
    return static_cast<int>(byte - '0');
  if (byte >= 'A' && byte <= 'Z')
    return static_cast<int>(byte - 'A') + 10;
  if (byte >= 'a' && byte <= 'z')
    return static_cast<int>(byte - 'a') + 36;
  return -1;
}

unsigned ScrambleByte(int value) {
  if (value < 10)
    return static_cast<unsigned>('0' + value);
  if (value < 36)
    return static_cast<unsigned>('A' + value - 10);
  return static_cast<unsigned>('a' + value - 36);
}

unsigned ScrambleOne(ScrambleDirection direction, unsigned byte, unsigned key) {
  const int value = ScrambleValue(byte);
  if (value < 0) {
    return byte;
  }
  const int k = static_cast<int>(key);
  const int w = direction == ScrambleDirection::kEncode ? (value + k) % 62 : (value + 124 - k) % 62;
  return ScrambleByte(w);
}

}  // namespace

std::string ReplaceText(std::string_view text, std::string_view find,
                        std::string_view replacement) {
  if (find.empty()) {
    return std::string(text);
  }
  std::string work;
  work.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t p = FindNoCase(text, find); p != std::string_view::npos;
       p = FindNoCase(text, find, from)) {
    work.append(text.substr(from, p - from));
    work.append(replacement);
    from = p + find.size();
  }
  work.append(text.substr(from));
  return work;
}

std::size_t InStrAfter(std::size_t start, std::string_view text, std::string_view find) {
  const std::size_t from = start > 0 ? start - 1 : 0;
  if (from > text.size()) {
    return 0;
  }
  const std::size_t p = text.find(find, from);
  return p == std::string_view::npos ? 0 : p + 1 + find.size();
}

void SplitText(std::string_view text, std::string_view delimiter,
               std::vector<std::string>& pieces) {
  if (text.empty()) {
    return;
  }
  pieces.clear();
  if (delimiter.empty()) {
    pieces.emplace_back(text);
    return;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = text.find(delimiter, start);
    if (p == std::string_view::npos) {
      pieces.emplace_back(text.substr(start));
      return;
    }
    pieces.emplace_back(text.substr(start, p - start));
    start = p + delimiter.size();
  }
}

namespace {

// Same length, equal but for ASCII letter case. Inline: it runs for every "=" of every tag.
inline bool EqualNoCase(std::string_view a, std::string_view b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string_view TagAttributeViewAt(std::string_view tag, std::size_t q) {
  // A tag is a few dozen bytes: a loop costs less here than a call to memchr.
  const auto find = [tag](char c, std::size_t from) {
    for (std::size_t i = from; i < tag.size(); ++i) {
      if (tag[i] == c) {
        return i;
      }
    }
    return std::string_view::npos;
  };
  std::size_t e = std::string_view::npos;
  if (q < tag.size() && (tag[q] == '"' || tag[q] == '\'')) {
    const char quote = tag[q];
    ++q;
    e = find(quote, q);
  } else {
    e = find(' ', q);
  }
  if (e == std::string_view::npos) {
    e = find('>', q);
  }
  if (e == std::string_view::npos) {
    e = tag.size();
  }
  return q < e ? tag.substr(q, e - q) : std::string_view();
}

std::string TagAttributeValueAt(std::string_view tag, std::size_t q) {
  return std::string(TagAttributeViewAt(tag, q));
}

std::string GetTagAttribute(std::string_view tag, std::string_view name) {
  // Every occurrence of "NAME=" ends at an "=": trying each "=" of the tag in turn finds the
  // first occurrence, and a tag has only a few.
  for (std::size_t equals = tag.find('='); equals != std::string_view::npos;
       equals = tag.find('=', equals + 1)) {
    if (equals >= name.size() && EqualNoCase(tag.substr(equals - name.size(), name.size()), name)) {
      return TagAttributeValueAt(tag, equals + 1);
    }
  }
  return {};
}

std::int16_t PointsToHtmlSize(std::int16_t points) {
  if (points <= 9)
    return 1;
  if (points <= 11)
    return 2;
  if (points <= 13)
    return 3;
  if (points <= 16)
    return 4;
  if (points <= 21)
    return 5;
  if (points <= 30)
    return 6;
  return 7;
}

std::int16_t HtmlSizeToPoints(std::int16_t size) {
  if (size <= 1)
    return 8;
  switch (size) {
    case 2:
      return 10;
    case 3:
      return 12;
    case 4:
      return 14;
    case 5:
      return 18;
    case 6:
      return 24;
    default:
      return 36;
  }
}

std::string FileNameFromUrl(std::string_view text) {
  const std::size_t p = text.rfind('/');
  return std::string(p == std::string_view::npos ? text : text.substr(p + 1));
}

std::string JoinUrl(std::string_view base, std::string_view tail) {
  if (base.empty())
    return std::string(tail);
  if (tail.empty())
    return std::string(base);
  const bool baseSlash = base.back() == '/';
  const bool tailSlash = tail.front() == '/';
  if (baseSlash && tailSlash) {
    return std::string(base.substr(0, base.size() - 1)) + std::string(tail);
  }
  if (!baseSlash && !tailSlash) {
    return std::string(base) + "/" + std::string(tail);
  }
  return std::string(base) + std::string(tail);
}

bool FileExists(std::string_view path) {
  std::error_code error;
  static_cast<void>(std::filesystem::file_size(std::filesystem::path(path), error));
  return !error;
}

std::string ScramblePassword(ScrambleDirection direction, std::string_view text) {
  std::u16string units = Utf8ToUtf16(text);
  for (std::size_t i = 0; i < units.size(); ++i) {
    // The key's characters are ASCII, so the key byte under every high byte is 0.
    const unsigned key = static_cast<unsigned char>(kScrambleKey[i % kScrambleKey.size()]);
    const unsigned low = ScrambleOne(direction, units[i] & 0xFFu, key);
    const unsigned high = ScrambleOne(direction, (units[i] >> 8) & 0xFFu, 0);
    units[i] = static_cast<char16_t>((high << 8) | low);
  }
  return Utf16ToUtf8(units);
}

}  // namespace scrivlet

namespace scrivlet {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

}  // namespace

double ReadLeadingNumber(std::string_view text) {
  // Collect the number's characters with blanks removed, then let strtod read them: it is exact
  // for decimal input and stops where the number does.
  std::string number;
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < text.size() && IsBlank(text[i]))
      ++i;
  };
  const auto takeDigits = [&] {
    bool any = false;
    for (skipBlanks(); i < text.size() && IsAsciiDigit(text[i]); skipBlanks()) {
      number.push_back(text[i++]);
      any = true;
    }
    return any;
  };
  skipBlanks();
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    number.push_back(text[i++]);
  }
  bool digits = takeDigits();
  if (i < text.size() && text[i] == '.') {
    number.push_back(text[i++]);
    digits = takeDigits() || digits;
  }
  if (!digits) {
    return 0.0;
  }
  if (i < text.size() && (FoldAscii(text[i]) == 'e' || FoldAscii(text[i]) == 'd')) {
    std::string exponent = "e";
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-'))
      exponent.push_back(text[j++]);
    if (j < text.size() && IsAsciiDigit(text[j])) {
      while (j < text.size() && IsAsciiDigit(text[j]))
        exponent.push_back(text[j++]);
      number += exponent;
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

std::int64_t RoundHalfEven(double value) {
  if (!(value == value))
    return 0;
  // 2^63: every double below it (and at or above -2^63) is already whole or rounds within range.
  constexpr double kLimit = 9223372036854775808.0;
  if (value >= kLimit)
    return std::numeric_limits<std::int64_t>::max();
  if (value < -kLimit)
    return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::nearbyint(value));  // default rounding mode: half to even
}

}  // namespace scrivlet
