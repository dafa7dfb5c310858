#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

// An independent reading of HTML the editor wrote, as a browser tokenises it, that names the
// first thing in it that could run script: an element outside the editor's vocabulary, an
// attribute outside it (an event handler, a style), a link or picture URL with a scheme that is
// not allowed, or a comment or tag left open (which would swallow the host page). Shared by the
// fuzz targets and the hostile-input tests; it deliberately shares no code with the converters.
namespace scrivlet::fuzz {

namespace script_checks_detail {

inline char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerCopy(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), Lower);
  return out;
}

inline bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The URL a browser would follow: references decoded (numeric ones with or without ";", and
// the named ones a scheme is hidden behind), control characters dropped, spaces trimmed,
// lower case.
// An attribute value with its character references decoded, as a browser reads it.
inline std::string DecodeReferences(std::string_view value) {
  std::string decoded;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '&' && i + 1 < value.size() && value[i + 1] == '#') {
      std::size_t j = i + 2;
      const bool hex = j < value.size() && (value[j] == 'x' || value[j] == 'X');
      j += hex ? 1 : 0;
      std::uint32_t code = 0;
      const std::size_t digits = j;
      for (; j < value.size(); ++j) {
        const char c = Lower(value[j]);
        const bool digit = c >= '0' && c <= '9';
        if (!digit && !(hex && c >= 'a' && c <= 'f')) {
          break;
        }
        code = std::min<std::uint32_t>(
            code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit ? c - '0' : c - 'a' + 10),
            0x110000);
      }
      if (j > digits) {
        decoded += code < 0x80 ? static_cast<char>(code) : '?';
        i = (j < value.size() && value[j] == ';') ? j : j - 1;
        continue;
      }
    }
    if (value[i] == '&') {
      static constexpr std::array<std::pair<std::string_view, char>, 8> kNamed = {{
          {"&colon;", ':'},
          {"&tab;", '\t'},
          {"&newline;", '\n'},
          {"&amp;", '&'},
          {"&lt;", '<'},
          {"&gt;", '>'},
          {"&quot;", '"'},
          {"&apos;", '\''},
      }};
      const std::string rest = LowerCopy(value.substr(i, 9));
      bool matched = false;
      for (const auto& [name, c] : kNamed) {
        if (rest.starts_with(name)) {
          decoded += c;
          i += name.size() - 1;
          matched = true;
          break;
        }
      }
      if (matched) {
        continue;
      }
    }
    decoded += value[i];
  }
  return decoded;
}

inline std::string BrowserUrl(std::string_view value) {
  const std::string decoded = DecodeReferences(value);
  std::string url;
  for (const char c : decoded) {
    if (static_cast<unsigned char>(c) > 0x20 && c != 0x7F) {
      url += Lower(c);
    } else if (c == ' ') {
      url += c;
    }
  }
  const std::size_t first = url.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : url.substr(first);
}

// CSS with the contents of its quoted strings taken out: inside a string an escape, a url( or
// an expression is text, never a token. A string ends at its quote or at a line break.
inline std::string WithoutCssStrings(std::string_view css) {
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < css.size(); ++i) {
    const char c = css[i];
    if (quote == 0) {
      out += c;
      if (c == '\'' || c == '"') {
        quote = c;
      }
    } else if (c == quote || static_cast<unsigned char>(c) < 0x20) {
      out += c;
      quote = 0;
    } else if (c == '\\') {
      ++i;  // the escaped character stays in the string
    }
  }
  return out;
}

// The scheme of a browser URL, or "".
inline std::string SchemeOf(const std::string& url) {
  std::size_t i = 0;
  while (i < url.size() && ((url[i] >= 'a' && url[i] <= 'z') ||
                            (i > 0 && ((url[i] >= '0' && url[i] <= '9') || url[i] == '+' ||
                                       url[i] == '-' || url[i] == '.')))) {
    ++i;
  }
  if (i == 1 && i + 1 < url.size() && (url[i + 1] == '/' || url[i + 1] == '\\')) {
    return {};  // a drive letter: an unknown scheme to a browser, which runs nothing
  }
  return i > 0 && i < url.size() && url[i] == ':' ? url.substr(0, i) : std::string();
}

inline bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

}  // namespace script_checks_detail

// "" when `html` can run no script, else what could.
inline std::string FindScriptHazard(std::string_view html) {
  using namespace script_checks_detail;
  std::size_t i = 0;
  while ((i = html.find('<', i)) != std::string_view::npos) {
    if (html.substr(i).starts_with("<!--")) {
      const std::size_t end = html.find("-->", i + 4);
      if (end == std::string_view::npos) {
        return "a comment left open";
      }
      i = end + 3;
      continue;
    }
    // The HTML5 document's own doctype.
    if (html.substr(i).starts_with("<!DOCTYPE html>")) {
      i += 15;
      continue;
    }
    std::size_t j = i + 1;
    if (j < html.size() && (html[j] == '/' || html[j] == '!' || html[j] == '?')) {
      ++j;
    }
    const std::size_t nameStart = j;
    while (j < html.size() && !IsSpace(html[j]) && html[j] != '/' && html[j] != '>') {
      ++j;
    }
    const std::string name = LowerCopy(html.substr(nameStart, j - nameStart));
    if (name.empty() || !((name[0] >= 'a' && name[0] <= 'z'))) {
      if (j > i + 1 && (html[i + 1] == '!' || html[i + 1] == '?' || html[i + 1] == '/')) {
        return "markup declaration or bogus comment <" + std::string(html.substr(i + 1, 16));
      }
      ++i;  // a "<" that starts no tag is text
      continue;
    }
    if (!IsOneOf(name, {"font", "b",          "i",    "u",      "a",   "br",   "ul",
                        "li",   "blockquote", "div",  "p",      "img", "html", "head",
                        "body", "title",      "meta", "strong", "em",  "span"})) {
      return "element <" + name + ">";
    }
    // Attributes, as the tokeniser reads them.
    for (;;) {
      while (j < html.size() && (IsSpace(html[j]) || html[j] == '/')) {
        ++j;
      }
      if (j >= html.size()) {
        return "tag <" + name + "> left open";
      }
      if (html[j] == '>') {
        ++j;
        break;
      }
      const std::size_t attributeStart = j;
      ++j;  // the first character belongs to the name whatever it is
      while (j < html.size() && !IsSpace(html[j]) && html[j] != '/' && html[j] != '>' &&
             html[j] != '=') {
        ++j;
      }
      const std::string attribute = LowerCopy(html.substr(attributeStart, j - attributeStart));
      while (j < html.size() && IsSpace(html[j])) {
        ++j;
      }
      std::string value;
      if (j < html.size() && html[j] == '=') {
        ++j;
        while (j < html.size() && IsSpace(html[j])) {
          ++j;
        }
        if (j < html.size() && (html[j] == '\'' || html[j] == '"')) {
          const std::size_t close = html.find(html[j], j + 1);
          if (close == std::string_view::npos) {
            return "attribute value left open";
          }
          value = html.substr(j + 1, close - j - 1);
          j = close + 1;
        } else {
          const std::size_t start = j;
          while (j < html.size() && !IsSpace(html[j]) && html[j] != '>') {
            ++j;
          }
          value = html.substr(start, j - start);
        }
      }
      if (!IsOneOf(attribute,
                   {"size", "color", "face", "href", "align", "src", "alt", "title", "width",
                    "height", "border", "hspace", "vspace", "style", "charset", "lang"})) {
        return "attribute " + attribute + " on <" + name + ">";
      }
      // Declarations only: no resource a style could fetch, no script an old engine would run.
      if (attribute == "style") {
        if (!IsOneOf(name, {"span", "p", "div", "blockquote", "ul", "li", "body"})) {
          return "style on <" + name + ">";
        }
        const std::string css = WithoutCssStrings(LowerCopy(DecodeReferences(value)));
        for (const std::string_view hazard : {"url(", "expression", "@import", "behavior", "\\"}) {
          if (css.find(hazard) != std::string::npos) {
            return "style " + css;
          }
        }
      }
      if (attribute == "href" || attribute == "src") {
        const std::string url = BrowserUrl(value);
        const std::string scheme = SchemeOf(url);
        const bool allowed =
            scheme.empty() || IsOneOf(scheme, {"http", "https"}) ||
            (attribute == "href" && IsOneOf(scheme, {"mailto", "ftp", "tel"})) ||
            (attribute == "src" && scheme == "data" &&
             (url.starts_with("data:image/png") || url.starts_with("data:image/gif") ||
              url.starts_with("data:image/jpeg") || url.starts_with("data:image/webp")));
        if (!allowed) {
          return attribute + " URL " + url;
        }
      }
    }
    i = j;
  }
  return {};
}

}  // namespace scrivlet::fuzz
