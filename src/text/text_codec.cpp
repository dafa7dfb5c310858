#include "text/text_codec.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace scrivlet {

namespace {

constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

}  // namespace

char32_t Cp1252ToUnicode(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) {
    return kCp1252High[byte - 0x80];
  }
  return byte;
}

DecodedChar DecodeUtf8(std::string_view text, std::size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    return {lead, 1};
  }
  std::size_t length = 0;
  char32_t code = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  }
  if (length == 0 || pos + length > text.size()) {
    return {Cp1252ToUnicode(lead), 1};
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[pos + i]);
    if (!IsContinuation(byte)) {
      return {Cp1252ToUnicode(lead), 1};
    }
    code = (code << 6) | (byte & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    return {Cp1252ToUnicode(lead), 1};
  }
  return {code, length};
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    code = 0xFFFD;
  }
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void AppendDecimal(std::string& out, std::int64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const DecodedChar c = DecodeUtf8(text, pos);
    pos += c.bytes;
    if (c.code >= 0x10000) {
      const SurrogatePair pair = SplitSurrogates(c.code);
      out.push_back(pair.high);
      out.push_back(pair.low);
    } else {
      out.push_back(static_cast<char16_t>(c.code));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      code = CombineSurrogates(code, text[i + 1]);
      ++i;
    }
    AppendUtf8(out, code);
  }
  return out;
}

void AppendUtf16Unit(std::string& out, char32_t unit, char32_t& pendingHigh) {
  if (pendingHigh != 0 && IsLowSurrogate(unit)) {
    AppendUtf8(out, CombineSurrogates(pendingHigh, unit));
    pendingHigh = 0;
    return;
  }
  if (pendingHigh != 0) {
    AppendUtf8(out, 0xFFFD);
    pendingHigh = 0;
  }
  if (IsHighSurrogate(unit)) {
    pendingHigh = unit;
    return;
  }
  AppendUtf8(out, unit);  // a lone low surrogate is written as U+FFFD
}

std::size_t FindNoCase(std::string_view text, std::string_view find, std::size_t from) {
  if (find.empty()) {
    return from <= text.size() ? from : std::string_view::npos;
  }
  if (from > text.size() || text.size() - from < find.size()) {
    return std::string_view::npos;
  }
  const char first = FoldAscii(find[0]);
  const std::string_view rest = find.substr(1);
  for (std::size_t i = from; i + find.size() <= text.size(); ++i) {
    if (FoldAscii(text[i]) == first && StartsWithNoCase(text.substr(i + 1), rest)) {
      return i;
    }
  }
  return std::string_view::npos;
}

}  // namespace scrivlet
