#include "conversion/html_file.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/charset_converter.h"
#include "text/text_codec.h"

namespace scrivlet {

namespace {

// Browsers look for the declaration in the first 1024 bytes; pages saved by word processors put
// a long style sheet first, so a little more is searched.
constexpr std::size_t kPrescanBytes = 4096;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The value after "charset" in `text` ("charset=utf-8", "charset = 'x'"), or empty.
std::string_view ValueAfterCharset(std::string_view text) {
  for (std::size_t at = FindNoCase(text, "charset"); at != std::string_view::npos;
       at = FindNoCase(text, "charset", at + 7)) {
    std::size_t i = at + 7;
    while (i < text.size() && IsSpace(text[i])) {
      ++i;
    }
    if (i >= text.size() || text[i] != '=') {
      continue;
    }
    ++i;
    while (i < text.size() && IsSpace(text[i])) {
      ++i;
    }
    const char quote = i < text.size() && (text[i] == '"' || text[i] == '\'') ? text[i] : '\0';
    if (quote != '\0') {
      ++i;
    }
    std::size_t end = i;
    while (end < text.size() && text[end] != quote && text[end] != ';' && text[end] != '>' &&
           text[end] != '/' &&
           !(quote == '\0' && (IsSpace(text[end]) || text[end] == '"' || text[end] == '\''))) {
      ++end;
    }
    if (end > i) {
      return text.substr(i, end - i);
    }
  }
  return {};
}

bool LabelIs(std::string_view label, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (label.size() == name.size() && StartsWithNoCase(label, name)) {
      return true;
    }
  }
  return false;
}

// The iconv name for a charset label, following what browsers decode each label as; nullptr for
// UTF-8 and the labels read as UTF-8.
std::string IconvNameFor(std::string_view label) {
  if (LabelIs(label, {"utf-8", "utf8", "unicode-1-1-utf-8", "utf-16", "utf-16le", "utf-16be"})) {
    return {};  // a page that declares UTF-16 in ASCII bytes is not UTF-16
  }
  if (LabelIs(label, {"iso-8859-1", "iso8859-1", "latin1", "l1", "us-ascii", "ascii",
                      "windows-1252", "cp1252", "x-cp1252", "iso_8859-1"})) {
    return "CP1252";
  }
  if (LabelIs(label, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "ms_kanji",
                      "csshiftjis", "ms932"})) {
    return "CP932";
  }
  if (LabelIs(label, {"gb2312", "gbk", "x-gbk", "cp936", "chinese", "csgb2312"})) {
    return "GB18030";  // browsers read the older labels with the superset
  }
  if (LabelIs(label, {"euc-kr", "ks_c_5601-1987", "windows-949", "cseuckr"})) {
    return "CP949";
  }
  if (LabelIs(label, {"big5", "big5-hkscs", "cn-big5", "x-x-big5", "csbig5"})) {
    return "BIG5-HKSCS";
  }
  if (LabelIs(label, {"tis-620", "iso-8859-11", "windows-874", "dos-874"})) {
    return "CP874";
  }
  if (LabelIs(label, {"x-mac-roman", "macintosh", "mac"})) {
    return "MACINTOSH";
  }
  if (LabelIs(label, {"x-mac-cyrillic", "x-mac-ukrainian"})) {
    return "MAC-CYRILLIC";
  }
  return std::string(label);  // iconv knows most labels as pages write them
}

// Appends `bytes` read as UTF-8, each byte of an invalid sequence as its windows-1252 character.
void AppendUtf8OrWindows1252(std::string& out, std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t start = i;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
    }
    out.append(bytes.substr(start, i - start));
    if (i < bytes.size()) {
      const DecodedChar decoded = DecodeUtf8(bytes, i);
      AppendUtf8(out, decoded.code);
      i += decoded.bytes;
    }
  }
}

// The position of the first byte above ASCII at or after `i`, or the size of `bytes`: most of
// any page is ASCII, and the command-line tool checks a whole page before converting it, so the
// scan takes 64 bytes at a time (the sign bits of four 16-byte loads), then eight.
std::size_t SkipAscii(std::string_view bytes, std::size_t i) {
#if defined(__SSE2__)
  const auto load = [&bytes](std::size_t at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + at));
  };
  while (i + 64 <= bytes.size()) {
    const __m128i any =
        _mm_or_si128(_mm_or_si128(load(i), load(i + 16)), _mm_or_si128(load(i + 32), load(i + 48)));
    if (_mm_movemask_epi8(any) != 0) {
      break;
    }
    i += 64;
  }
#endif
  while (i + 8 <= bytes.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + i, sizeof word);
    if ((word & 0x8080808080808080ULL) != 0) {
      break;
    }
    i += 8;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) {
    ++i;
  }
  return i;
}

// Charsets in which ASCII bytes are ASCII text everywhere: a page in one of them that holds
// only ASCII bytes reads the same as UTF-8.
bool IsAsciiCompatible(std::string_view iconvName) {
  return !StartsWithNoCase(iconvName, "ISO-2022") && !StartsWithNoCase(iconvName, "UTF-7") &&
         !StartsWithNoCase(iconvName, "HZ") && !StartsWithNoCase(iconvName, "UTF-16") &&
         !StartsWithNoCase(iconvName, "UTF-32") && !StartsWithNoCase(iconvName, "UCS");
}

// True when `bytes` is valid UTF-8 throughout.
bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    i = SkipAscii(bytes, i);
    if (i >= bytes.size()) {
      break;
    }
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const DecodedChar decoded = DecodeUtf8(bytes, i);
    if (decoded.bytes == 1) {
      return false;  // a byte DecodeUtf8 read as windows-1252
    }
    i += decoded.bytes;
  }
  return true;
}

// Decodes `bytes` from `charset` through iconv into UTF-8; a sequence it does not define is read
// as windows-1252, byte by byte. Returns false when iconv has no such charset.
bool AppendConverted(std::string& out, std::string_view bytes, const char* charset) {
  CharsetConverter converter("UTF-8", charset);
  if (!converter.IsOpen()) {
    return false;
  }
  out.reserve(out.size() + bytes.size() + bytes.size() / 2);
  std::array<char, 16384> buffer{};
  const char* in = bytes.data();
  std::size_t inLeft = bytes.size();
  while (true) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const CharsetConverter::Outcome outcome = converter.Convert(&in, &inLeft, &outPtr, &outLeft);
    if (outcome == CharsetConverter::Outcome::kDone) {
      converter.Finish(&outPtr, &outLeft);
    }
    out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
    if (outcome == CharsetConverter::Outcome::kDone) {
      return true;
    }
    if (outcome == CharsetConverter::Outcome::kInvalid ||
        outcome == CharsetConverter::Outcome::kIncomplete) {
      outPtr = buffer.data();
      outLeft = buffer.size();
      converter.Finish(&outPtr, &outLeft);  // what was held back comes before the stray byte
      out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
      AppendUtf8(out, Cp1252ToUnicode(static_cast<std::uint8_t>(*in)));
      ++in;
      --inLeft;
    }
  }
}

}  // namespace

std::string_view FindDeclaredCharset(std::string_view html) {
  const std::string_view head = html.substr(0, kPrescanBytes);
  for (std::size_t at = FindNoCase(head, "<meta"); at != std::string_view::npos;
       at = FindNoCase(head, "<meta", at + 5)) {
    const std::size_t end = head.find('>', at);
    const std::string_view tag =
        head.substr(at, end == std::string_view::npos ? head.size() - at : end - at);
    const std::string_view label = ValueAfterCharset(tag);
    if (!label.empty()) {
      return label;
    }
  }
  return {};
}

bool IsUtf8HtmlFile(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
      bytes.starts_with("\xFE\xFF")) {
    return false;
  }
  const std::string charset = IconvNameFor(FindDeclaredCharset(bytes));
  if (charset.empty()) {
    return IsValidUtf8(bytes);
  }
  return IsAsciiCompatible(charset) && SkipAscii(bytes, 0) == bytes.size();
}

std::string DecodeHtmlFile(std::string_view view) {
  if (IsUtf8HtmlFile(view)) {
    return std::string(view);
  }
  std::string out;
  if (view.starts_with("\xEF\xBB\xBF")) {
    AppendUtf8OrWindows1252(out, view.substr(3));
    return out;
  }
  if (view.starts_with("\xFF\xFE") || view.starts_with("\xFE\xFF")) {
    const char* charset = view[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
    if (AppendConverted(out, view.substr(2), charset)) {
      return out;
    }
    out.clear();
  }
  const std::string charset = IconvNameFor(FindDeclaredCharset(view));
  if (!charset.empty() && charset != "CP1252" && AppendConverted(out, view, charset.c_str())) {
    return out;
  }
  out.clear();
  if (charset == "CP1252") {
    out.reserve(view.size() + view.size() / 8);
    for (const char c : view) {
      AppendUtf8(out, Cp1252ToUnicode(static_cast<std::uint8_t>(c)));
    }
    return out;
  }
  AppendUtf8OrWindows1252(out, view);
  return out;
}

}  // namespace scrivlet
