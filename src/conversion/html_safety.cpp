#include "conversion/html_safety.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr std::array<std::string_view, 5> kLinkSchemes = {"http", "https", "mailto", "ftp", "tel"};
constexpr std::array<std::string_view, 2> kPictureSchemes = {"http", "https"};
constexpr std::array<std::string_view, 4> kPictureDataTypes = {"image/png", "image/gif",
                                                               "image/jpeg", "image/webp"};

// How an allowed attribute's value is checked and written.
enum class ValueRule {
  kPictureSource,  // IsAllowedPictureSource; always quoted
  kText,           // anything; always quoted
  kLength,         // a number or a percentage; may stay bare
  kAlignment,      // one of kPictureAlignments; may stay bare
};

struct AllowedAttribute {
  std::string_view name;
  ValueRule rule;
};

// The one tag a raw-tag run may hold, and its attributes.
constexpr std::string_view kAllowedTagName = "IMG";
constexpr std::array<AllowedAttribute, 9> kAllowedAttributes = {{
    {"SRC", ValueRule::kPictureSource},
    {"ALT", ValueRule::kText},
    {"TITLE", ValueRule::kText},
    {"WIDTH", ValueRule::kLength},
    {"HEIGHT", ValueRule::kLength},
    {"BORDER", ValueRule::kLength},
    {"HSPACE", ValueRule::kLength},
    {"VSPACE", ValueRule::kLength},
    {"ALIGN", ValueRule::kAlignment},
}};

struct NamedReference {
  std::string_view name;
  char32_t code;
};

// The named references a URL may hide its scheme behind, and the ones this editor writes.
constexpr std::array<NamedReference, 9> kNamedReferences = {{
    {"amp", '&'},
    {"lt", '<'},
    {"gt", '>'},
    {"quot", '"'},
    {"apos", '\''},
    {"nbsp", 0xA0},
    {"colon", ':'},
    {"Tab", '\t'},
    {"NewLine", '\n'},
}};

bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

template <std::size_t N>
bool IsOneOfNoCase(std::string_view text, const std::array<std::string_view, N>& list) {
  return std::any_of(list.begin(), list.end(),
                     [text](std::string_view item) { return EqualsNoCase(text, item); });
}

// The code a numeric reference at `text[at]` ("&#...") names and the bytes it takes, or nothing.
std::optional<std::pair<char32_t, std::size_t>> ReadNumericReference(std::string_view text,
                                                                     std::size_t at) {
  std::size_t i = at + 2;
  const bool hexadecimal = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hexadecimal) {
    ++i;
  }
  const std::size_t digitsStart = i;
  std::uint32_t code = 0;
  for (; i < text.size(); ++i) {
    const int digit = hexadecimal             ? HexDigitValue(text[i])
                      : IsAsciiDigit(text[i]) ? text[i] - '0'
                                              : -1;
    if (digit < 0) {
      break;
    }
    code = std::min<std::uint32_t>(
        code * (hexadecimal ? 16 : 10) + static_cast<std::uint32_t>(digit), 0x110000);
  }
  if (i == digitsStart) {
    return std::nullopt;
  }
  if (i < text.size() && text[i] == ';') {
    ++i;
  }
  char32_t character = code;
  if (code >= 0x80 && code <= 0x9F) {
    character = Cp1252ToUnicode(static_cast<std::uint8_t>(code));  // as browsers read them
  } else if (code == 0 || code > 0x10FFFF || IsSurrogate(code)) {
    character = 0xFFFD;
  }
  return std::pair{character, i - at};
}

// A URL as a browser reads it before it looks at the scheme.
std::string CleanUrl(std::string_view url) {
  const std::string decoded = DecodeAttributeReferences(url);
  std::string clean;
  clean.reserve(decoded.size());
  for (const char c : decoded) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      clean += c;
    }
  }
  return std::string(TrimAny(clean, " "));
}

// The scheme of a cleaned URL, or "" for a URL without one. A single letter before ":/" or
// ":\\" is a drive of a local path ("C:/site/a.htm"), which the dialogs write for local files;
// to a browser it is a scheme that names nothing and runs nothing.
std::string_view SchemeOf(std::string_view url) {
  if (url.empty() || !IsAsciiLetter(url[0])) {
    return {};
  }
  std::size_t i = 1;
  while (i < url.size() && (IsAsciiLetter(url[i]) || IsAsciiDigit(url[i]) || url[i] == '+' ||
                            url[i] == '-' || url[i] == '.')) {
    ++i;
  }
  if (i == 1 && i + 1 < url.size() && (url[i + 1] == '/' || url[i + 1] == '\\')) {
    return {};
  }
  return i < url.size() && url[i] == ':' ? url.substr(0, i) : std::string_view{};
}

bool IsAllowedLength(std::string_view value) {
  if (value.ends_with('%')) {
    value.remove_suffix(1);
  }
  return !value.empty() && std::any_of(value.begin(), value.end(), IsAsciiDigit) &&
         value.find_first_not_of("0123456789.+-eE") == std::string_view::npos;
}

bool IsAllowedValue(ValueRule rule, std::string_view value) {
  switch (rule) {
    case ValueRule::kPictureSource:
      return IsAllowedPictureSource(value);
    case ValueRule::kText:
      return true;
    case ValueRule::kLength:
      return IsAllowedLength(value);
    case ValueRule::kAlignment:
      return IsOneOfNoCase(value, kPictureAlignments);
  }
  return false;
}

const AllowedAttribute* FindAllowedAttribute(std::string_view name) {
  for (const AllowedAttribute& attribute : kAllowedAttributes) {
    if (EqualsNoCase(name, attribute.name)) {
      return &attribute;
    }
  }
  return nullptr;
}

}  // namespace

std::string DecodeAttributeReferences(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  std::size_t i = 0;
  while (i < value.size()) {
    const std::size_t amp = value.find('&', i);
    out.append(value.substr(i, std::min(amp, value.size()) - i));
    if (amp == std::string_view::npos) {
      break;
    }
    i = amp + 1;
    if (amp + 1 < value.size() && value[amp + 1] == '#') {
      if (const auto reference = ReadNumericReference(value, amp)) {
        AppendUtf8(out, reference->first);
        i = amp + reference->second;
        continue;
      }
    } else {
      const std::size_t semicolon = value.find(';', amp);
      const std::string_view name = semicolon == std::string_view::npos
                                        ? std::string_view{}
                                        : value.substr(amp + 1, semicolon - amp - 1);
      const auto named = std::find_if(kNamedReferences.begin(), kNamedReferences.end(),
                                      [name](const NamedReference& r) { return r.name == name; });
      if (!name.empty() && named != kNamedReferences.end()) {
        AppendUtf8(out, named->code);
        i = semicolon + 1;
        continue;
      }
    }
    out += '&';
  }
  return out;
}

// Whether CleanUrl would only trim `url`'s surrounding spaces: it holds no reference to decode
// and no control character to drop, as nearly every URL of a page.
bool IsCleanButForSpaces(std::string_view url) {
  return std::none_of(url.begin(), url.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return c == '&' || byte < 0x20 || byte == 0x7F;
  });
}

bool IsAllowedLinkUrl(std::string_view url) {
  // RtfToHtml asks for every link of a page: a URL clean as it stands is judged in place.
  std::string cleaned;
  std::string_view clean = TrimAny(url, " ");
  if (!IsCleanButForSpaces(url)) {
    cleaned = CleanUrl(url);
    clean = cleaned;
  }
  const std::string_view scheme = SchemeOf(clean);
  return scheme.empty() || IsOneOfNoCase(scheme, kLinkSchemes);
}

std::string_view AllowedLinkUrlOr(std::string_view url) {
  return IsAllowedLinkUrl(url) ? url : std::string_view("#");
}

bool IsAllowedPictureSource(std::string_view src) {
  const std::string clean = CleanUrl(src);
  const std::string_view scheme = SchemeOf(clean);
  if (scheme.empty() || IsOneOfNoCase(scheme, kPictureSchemes)) {
    return true;
  }
  if (!EqualsNoCase(scheme, "data")) {
    return false;
  }
  const std::string_view rest = std::string_view(clean).substr(scheme.size() + 1);
  const std::size_t typeEnd = rest.find_first_of(";,");
  return typeEnd != std::string_view::npos &&
         IsOneOfNoCase(rest.substr(0, typeEnd), kPictureDataTypes);
}

std::optional<std::string> RewriteAllowedTag(std::string_view tag) {
  if (tag.size() < 2 || tag.front() != '<' || tag.back() != '>') {
    return std::nullopt;
  }
  const std::string_view inner = tag.substr(1, tag.size() - 2);
  std::size_t i = 0;
  while (i < inner.size() && IsAsciiLetter(inner[i])) {
    ++i;
  }
  const std::string_view name = inner.substr(0, i);
  if (!EqualsNoCase(name, kAllowedTagName)) {
    return std::nullopt;
  }
  std::string out = "<";
  out += name;
  std::vector<const AllowedAttribute*> seen;
  for (;;) {
    const std::size_t spaceStart = i;
    while (i < inner.size() && IsHtmlSpace(inner[i])) {
      ++i;
    }
    if (i == inner.size()) {
      break;
    }
    if (inner[i] == '/' &&
        inner.substr(i + 1).find_first_not_of(" \t\n\r\f") == std::string_view::npos) {
      break;  // "<IMG ... />"
    }
    if (i == spaceStart) {
      return std::nullopt;  // attributes are separated by white space
    }
    const std::size_t nameStart = i;
    while (i < inner.size() && IsAsciiLetter(inner[i])) {
      ++i;
    }
    const std::string_view attributeName = inner.substr(nameStart, i - nameStart);
    const AllowedAttribute* allowed = FindAllowedAttribute(attributeName);
    if (allowed == nullptr || std::find(seen.begin(), seen.end(), allowed) != seen.end()) {
      return std::nullopt;
    }
    seen.push_back(allowed);
    while (i < inner.size() && IsHtmlSpace(inner[i])) {
      ++i;
    }
    if (i == inner.size() || inner[i] != '=') {
      return std::nullopt;
    }
    ++i;
    while (i < inner.size() && IsHtmlSpace(inner[i])) {
      ++i;
    }
    std::string_view raw;
    bool quoted = false;
    if (i < inner.size() && (inner[i] == '\'' || inner[i] == '"')) {
      const std::size_t close = inner.find(inner[i], i + 1);
      if (close == std::string_view::npos) {
        return std::nullopt;
      }
      raw = inner.substr(i + 1, close - i - 1);
      quoted = true;
      i = close + 1;
    } else {
      const std::size_t valueStart = i;
      while (i < inner.size() && !IsHtmlSpace(inner[i])) {
        ++i;
      }
      raw = inner.substr(valueStart, i - valueStart);
      // Characters that browsers read differently in a bare value.
      if (raw.empty() || raw.find_first_of("\"'<=`") != std::string_view::npos) {
        return std::nullopt;
      }
    }
    const std::string value = DecodeAttributeReferences(raw);
    if (!IsAllowedValue(allowed->rule, value)) {
      return std::nullopt;
    }
    out += ' ';
    out += attributeName;
    out += '=';
    const bool bare =
        !quoted && (allowed->rule == ValueRule::kLength || allowed->rule == ValueRule::kAlignment);
    if (bare) {
      out += value;  // only digits, signs, points, "%" or letters: nothing to encode
    } else {
      out += '\'';
      AppendAttributeEncoded(out, value);
      out += '\'';
    }
  }
  out += '>';
  return out;
}

std::string EncodeAttributeValue(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendAttributeEncoded(out, text);
  return out;
}

std::size_t ForbiddenCharacterAt(std::string_view text, std::size_t i) {
  const auto byte = [&text](std::size_t at) {
    return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u;
  };
  const unsigned lead = byte(i);
  if (lead == 0x7F) {
    return 1;
  }
  std::size_t length = 0;
  char32_t code = 0;
  if (lead >= 0xC2 && lead < 0xE0) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead < 0xF5) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (byte(i + k) & 0x3F);
  }
  const bool forbidden = (code >= 0x80 && code <= 0x9F) || (code >= 0xFDD0 && code <= 0xFDEF) ||
                         (code & 0xFFFE) == 0xFFFE;
  return forbidden ? length : 0;
}

std::string WithoutForbiddenCharacters(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const std::size_t skip = ForbiddenCharacterAt(text, i)) {
      i += skip - 1;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') {
      kept += text[i];
    }
  }
  return kept;
}

}  // namespace scrivlet
