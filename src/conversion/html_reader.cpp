#include "conversion/html_reader.h"

#include <gumbo.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/font_lib.h"
#include "conversion/html_safety.h"
#include "conversion/markers.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr std::string_view kDefaultFace = "Arial";
constexpr std::int32_t kIndentStep = 360;
// An indent beyond a page's width is no layout; the cap keeps absurd margins from growing the
// numbers without end.
constexpr std::int32_t kMaxIndent = 32 * kIndentStep;
constexpr double kDefaultPoints = 12.0;
constexpr std::size_t kPartBytes = std::size_t{1} << 20;
constexpr std::string_view kBulletOpen = "{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360{\\pntxtb\\'b7}}";

// The CSS colour names, HTML order, sorted for a binary search.
struct NamedColor {
  std::string_view name;
  std::int32_t value;
};
constexpr std::array<NamedColor, 148> kColorNames = {{
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedalmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkgrey", 0xA9A9A9},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkslategrey", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dimgrey", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenyellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgray", 0xD3D3D3},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldlace", 0xFDF5E6},
    {"olive", 0x808000},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"purple", 0x800080},
    {"rebeccapurple", 0x663399},
    {"red", 0xFF0000},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"slategrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whitesmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowgreen", 0x9ACD32},
}};

// Character formatting; unset fields take the surface's defaults.
struct Style {
  std::optional<std::string> face;
  std::optional<std::int32_t> halfPoints;
  std::optional<std::int32_t> color;  // HTML order
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const Style&) const = default;
};

enum class Align { kLeft, kCenter, kRight };

struct ParaProps {
  Align align = Align::kLeft;
  std::int32_t indent = 0;
  std::int32_t rightIndent = 0;
  bool bullet = false;
};

enum class Spaces { kCollapse, kKeepNewlines, kKeepAll };

// What an element hands down to its content.
struct Frame {
  Style style;
  ParaProps para;
  Spaces spaces = Spaces::kCollapse;
  std::int32_t listDepth = 0;
  std::int32_t link = 0;  // the anchor's number in ReadState::links, 0 outside links
};

struct ReadState {
  explicit ReadState(ConversionContext& c) : context(c) {}

  ConversionContext& context;
  std::string body;
  // The body written before `body`, in parts: one string of a large page's RTF would be copied
  // at every doubling, holding it twice over.
  std::vector<std::string> parts;
  // Numbers for the tables, which only this read writes while it runs.
  FirstUseNumbering<std::string> fontNumbers{context.FontTable};
  FirstUseNumbering<std::int32_t> colorNumbers{context.ColorTable};
  // Targets, and the format of the anchor element itself, by anchor number; 0 is none.
  std::vector<std::string> links{std::string()};
  std::vector<Style> linkStyles{Style{}};
  std::vector<Frame> frames;

  bool paragraphOpen = false;
  bool anyParagraph = false;
  // The last paragraph is one a line break made and nothing followed (<p><br></p>): a page shows
  // it as an empty line, but the surface drops an empty paragraph after the last mark unless it
  // has a mark of its own.
  bool emptyLineLast = false;
  bool afterSpace = true;  // the paragraph so far ends in white space, or is empty
  bool pendingSpace = false;
  Style pendingSpaceStyle;
  std::int32_t pendingSpaceLink = 0;  // the anchor the pending space is inside, 0 outside links
  std::optional<Style> writtenStyle;  // the format the body's text is in now
  std::int32_t linkInParagraph = 0;   // the anchor whose URL run this paragraph holds last
  std::int32_t cellsInRow = 0;
};

// ----- Values -----

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    c = FoldAscii(c);
  }
  return out;
}

// HTML's white space.
constexpr std::string_view kHtmlSpaces = " \t\n\r\f";

constexpr bool IsHtmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Without HTML's white space around it.
std::string_view Trim(std::string_view text) {
  return TrimAny(text, kHtmlSpaces);
}

std::optional<std::int32_t> ReadColorName(std::string_view name) {
  const std::string key = Lower(Trim(name));
  const auto* found = std::lower_bound(
      kColorNames.begin(), kColorNames.end(), key,
      [](const NamedColor& c, const std::string& k) { return c.name < std::string_view(k); });
  if (found != kColorNames.end() && found->name == key) {
    return found->value;
  }
  return std::nullopt;
}

std::optional<std::int32_t> ReadHexDigits(std::string_view digits) {
  if (digits.size() != 3 && digits.size() != 4 && digits.size() != 6 && digits.size() != 8) {
    return std::nullopt;
  }
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0)
      return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  if (digits.size() <= 4) {  // #rgb(a): each digit doubled, alpha dropped
    if (digits.size() == 4)
      value >>= 4;
    const std::uint32_t r = (value >> 8) & 0xF, g = (value >> 4) & 0xF, b = value & 0xF;
    return static_cast<std::int32_t>((r * 17) << 16 | (g * 17) << 8 | (b * 17));
  }
  if (digits.size() == 8)
    value >>= 8;
  return static_cast<std::int32_t>(value);
}

// rgb(r, g, b) or rgba(...), numbers or percentages, commas or spaces.
std::optional<std::int32_t> ReadRgbFunction(std::string_view value) {
  const std::size_t open = value.find('(');
  const std::size_t close = value.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
    return std::nullopt;
  }
  std::string inside(value.substr(open + 1, close - open - 1));
  std::replace_if(
      inside.begin(), inside.end(), [](char c) { return c == ',' || c == '/'; }, ' ');
  std::int32_t result = 0;
  const char* at = inside.c_str();
  for (int channel = 0; channel < 3; ++channel) {
    char* end = nullptr;
    double number = std::strtod(at, &end);
    if (end == at) {
      return std::nullopt;
    }
    if (*end == '%') {
      number = number * 255.0 / 100.0;
      ++end;
    }
    const auto byte = static_cast<std::int32_t>(std::lround(std::clamp(number, 0.0, 255.0)));
    result = (result << 8) | byte;
    at = end;
  }
  return result;
}

// A CSS colour: a name, #hex, rgb() or rgba(). "transparent", "inherit" and the like are none.
std::optional<std::int32_t> ReadCssColor(std::string_view value) {
  value = Trim(value);
  if (value.starts_with('#')) {
    return ReadHexDigits(value.substr(1));
  }
  if (StartsWithNoCase(value, "rgb")) {
    return ReadRgbFunction(value);
  }
  return ReadColorName(value);
}

// A FONT COLOR as browsers take it: a name, or hexadecimal digits with or without "#".
std::optional<std::int32_t> ReadLegacyColor(std::string_view value) {
  value = Trim(value);
  if (const auto named = ReadColorName(value)) {
    return named;
  }
  if (value.starts_with('#')) {
    value.remove_prefix(1);
  }
  return ReadHexDigits(value);
}

// A number with its unit, "12pt" gives {12, "pt"}.
struct Length {
  double number = 0;
  std::string unit;
};

std::optional<Length> ReadLength(std::string_view value) {
  const std::string text(Trim(value));
  char* end = nullptr;
  const double number = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || !std::isfinite(number)) {
    return std::nullopt;
  }
  return Length{number, Lower(Trim(std::string_view(end)))};
}

// A CSS font-size in points, given the parent's.
std::optional<double> ReadFontSizePoints(std::string_view value, double parentPoints) {
  static constexpr std::array<std::pair<std::string_view, double>, 9> kKeywords = {{
      {"xx-small", 7},
      {"x-small", 7.5},
      {"small", 10},
      {"medium", 12},
      {"large", 13.5},
      {"x-large", 18},
      {"xx-large", 24},
      {"xxx-large", 36},
      {"smaller", 0},
  }};
  const std::string key = Lower(Trim(value));
  for (const auto& [name, points] : kKeywords) {
    if (key == name) {
      return name == "smaller" ? parentPoints / 1.2 : points;
    }
  }
  if (key == "larger") {
    return parentPoints * 1.2;
  }
  const std::optional<Length> length = ReadLength(key);
  if (!length || length->number <= 0) {
    return std::nullopt;
  }
  const double n = length->number;
  const std::string& u = length->unit;
  if (u == "pt")
    return n;
  if (u == "px" || u.empty())
    return n * 0.75;
  if (u == "em")
    return n * parentPoints;
  if (u == "rem")
    return n * kDefaultPoints;
  if (u == "%")
    return n * parentPoints / 100.0;
  if (u == "pc")
    return n * 12;
  if (u == "in")
    return n * 72;
  if (u == "cm")
    return n * 72 / 2.54;
  if (u == "mm")
    return n * 72 / 25.4;
  return std::nullopt;
}

// A CSS length in twips (margins); percentages and unknown units are none.
std::optional<std::int32_t> ReadTwips(std::string_view value, double fontPoints) {
  const std::optional<Length> length = ReadLength(value);
  if (!length) {
    return std::nullopt;
  }
  const double n = length->number;
  const std::string& u = length->unit;
  double twips = 0;
  if (u == "pt")
    twips = n * 20;
  else if (u == "px" || (u.empty() && n == 0))
    twips = n * 15;
  else if (u == "em")
    twips = n * fontPoints * 20;
  else if (u == "in")
    twips = n * 1440;
  else if (u == "cm")
    twips = n * 1440 / 2.54;
  else if (u == "mm")
    twips = n * 144 / 2.54;
  else
    return std::nullopt;
  return static_cast<std::int32_t>(std::lround(std::clamp(twips, 0.0, double{kMaxIndent})));
}

std::int32_t ToHalfPoints(double points) {
  return static_cast<std::int32_t>(std::lround(std::clamp(points * 2, 2.0, 3276.0)));
}

double PointsOf(const Style& style) {
  return style.halfPoints ? *style.halfPoints / 2.0 : kDefaultPoints;
}

// The first family of a FONT FACE list, without quotes.
std::optional<std::string> ReadFirstFace(std::string_view value) {
  std::string_view first = value.substr(0, value.find(','));
  first = Trim(first);
  if (first.size() >= 2 && (first.front() == '"' || first.front() == '\'') &&
      first.back() == first.front()) {
    first = first.substr(1, first.size() - 2);
  }
  first = Trim(first.substr(0, first.find(';')));
  if (first.empty()) {
    return std::nullopt;
  }
  return std::string(first);
}

// The position after a CSS escape at `text[i]` (a backslash), its character appended to `out`:
// up to six hexadecimal digits and one white space, or the next character itself.
std::size_t AppendCssEscape(std::string_view text, std::size_t i, std::string& out) {
  std::size_t j = i + 1;
  std::uint32_t code = 0;
  while (j < text.size() && j < i + 7 && HexDigitValue(text[j]) >= 0) {
    code = code * 16 + static_cast<std::uint32_t>(HexDigitValue(text[j]));
    ++j;
  }
  if (j > i + 1) {
    if (j < text.size() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\n')) {
      ++j;
    }
    AppendUtf8(out, code == 0 || code > 0x10FFFF ? 0xFFFD : code);
    return j;
  }
  if (j < text.size()) {
    out += text[j];
    return j + 1;
  }
  return j;
}

// The first family of a CSS font-family list: a quoted string (escapes read) or the words up to
// the first comma.
std::optional<std::string> ReadFirstFamily(std::string_view value) {
  value = Trim(value);
  std::string family;
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
    const char quote = value.front();
    for (std::size_t i = 1; i < value.size() && value[i] != quote;) {
      if (value[i] == '\\') {
        i = AppendCssEscape(value, i, family);
      } else {
        family += value[i++];
      }
    }
  } else {
    const std::string_view words = Trim(value.substr(0, value.find(',')));
    if (StartsWithNoCase(words, "inherit") || StartsWithNoCase(words, "initial")) {
      return std::nullopt;
    }
    for (std::size_t i = 0; i < words.size();) {
      if (words[i] == '\\') {
        i = AppendCssEscape(words, i, family);
      } else {
        family += words[i++];
      }
    }
  }
  // A ";" would end the name in the RTF font table.
  family.erase(std::remove(family.begin(), family.end(), ';'), family.end());
  if (Trim(family).empty()) {
    return std::nullopt;
  }
  return family;
}

// The end of the CSS declaration starting at `start`: the next ";" outside quotes.
std::size_t FindDeclarationEnd(std::string_view declarations, std::size_t start) {
  char quote = 0;
  for (std::size_t i = start; i < declarations.size(); ++i) {
    const char c = declarations[i];
    if (c == '\\') {
      ++i;
    } else if (quote != 0) {
      quote = c == quote ? 0 : quote;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      return i;
    }
  }
  return declarations.size();
}

std::string_view AttributeOf(const GumboElement& element, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
  return attribute ? std::string_view(attribute->value) : std::string_view();
}

bool HasAttribute(const GumboElement& element, const char* name) {
  return gumbo_get_attribute(&element.attributes, name) != nullptr;
}

std::optional<Align> ReadAlign(std::string_view value) {
  const std::string key = Lower(Trim(value));
  if (key == "center" || key == "middle" || key == "-webkit-center")
    return Align::kCenter;
  if (key == "right" || key == "end")
    return Align::kRight;
  if (key == "left" || key == "start" || key == "justify")
    return Align::kLeft;
  return std::nullopt;
}

// ----- Elements -----

// Applies a style attribute's declarations, in order, to the element's frame.
void ApplyStyleAttribute(std::string_view declarations, Frame& frame, const Frame& parent,
                         bool block) {
  std::size_t start = 0;
  while (start <= declarations.size()) {
    const std::size_t end = FindDeclarationEnd(declarations, start);
    const std::string_view declaration = declarations.substr(start, end - start);
    start = end + 1;
    const std::size_t colon = declaration.find(':');
    if (colon == std::string_view::npos) {
      continue;
    }
    const std::string property = Lower(Trim(declaration.substr(0, colon)));
    std::string_view value = Trim(declaration.substr(colon + 1));
    constexpr std::string_view kImportant = "!important";
    if (value.size() >= kImportant.size() &&
        StartsWithNoCase(value.substr(value.size() - kImportant.size()), kImportant)) {
      value = Trim(value.substr(0, value.size() - kImportant.size()));
    }
    const std::string key = Lower(value);
    Style& style = frame.style;
    if (property == "font-weight") {
      if (key == "bold" || key == "bolder") {
        style.bold = true;
      } else if (key == "normal" || key == "lighter") {
        style.bold = false;
      } else if (const std::optional<Length> weight = ReadLength(key); weight) {
        style.bold = weight->number >= 600;
      }
    } else if (property == "font-style") {
      style.italic = key == "italic" || key.starts_with("oblique");
    } else if (property == "text-decoration" || property == "text-decoration-line") {
      if (key.find("underline") != std::string::npos) {
        style.underline = true;
      } else if (key.starts_with("none")) {
        style.underline = false;
      }
    } else if (property == "font-family") {
      if (auto face = ReadFirstFamily(value)) {
        style.face = std::move(face);
      }
    } else if (property == "font-size") {
      if (const auto points = ReadFontSizePoints(value, PointsOf(parent.style))) {
        style.halfPoints = ToHalfPoints(*points);
      }
    } else if (property == "color") {
      if (const auto color = ReadCssColor(value)) {
        style.color = color;
      }
    } else if (property == "text-align" && block) {
      if (const auto align = ReadAlign(value)) {
        frame.para.align = *align;
      }
    } else if ((property == "margin-left" || property == "margin-right") && block) {
      if (const auto twips = ReadTwips(value, PointsOf(style))) {
        std::int32_t& side = property == "margin-left" ? frame.para.indent : frame.para.rightIndent;
        const std::int32_t base =
            property == "margin-left" ? parent.para.indent : parent.para.rightIndent;
        side = std::min(base + *twips, kMaxIndent);
      }
    } else if (property == "white-space") {
      if (key == "pre" || key == "pre-wrap" || key == "break-spaces") {
        frame.spaces = Spaces::kKeepAll;
      } else if (key == "pre-line") {
        frame.spaces = Spaces::kKeepNewlines;
      } else if (key == "normal" || key == "nowrap") {
        frame.spaces = Spaces::kCollapse;
      }
    }
  }
}

enum class Kind { kInline, kBlock, kSkip };

Kind KindOf(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_TITLE:
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
    case GUMBO_TAG_SELECT:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_CANVAS:
    case GUMBO_TAG_AUDIO:
    case GUMBO_TAG_VIDEO:
    case GUMBO_TAG_MAP:
    case GUMBO_TAG_DATALIST:
    case GUMBO_TAG_META:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_BASE:
      return Kind::kSkip;
    case GUMBO_TAG_P:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_BODY:
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_PLAINTEXT:
      return Kind::kBlock;
    default:
      return Kind::kInline;
  }
}

// Heading sizes in points, h1 to h6: the FONT sizes 6 down to 1.
constexpr std::array<double, 6> kHeadingPoints = {24, 18, 14, 12, 10, 8};

// The frame an element gives its content.
Frame EnterFrame(ReadState& s, const GumboElement& element, const Frame& parent, Kind kind) {
  Frame frame = parent;
  Style& style = frame.style;
  const bool block = kind == Kind::kBlock;
  switch (element.tag) {
    case GUMBO_TAG_B:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_TH:
      style.bold = true;
      break;
    case GUMBO_TAG_I:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_CITE:
    case GUMBO_TAG_VAR:
    case GUMBO_TAG_DFN:
    case GUMBO_TAG_ADDRESS:
      style.italic = true;
      break;
    case GUMBO_TAG_U:
    case GUMBO_TAG_INS:
      style.underline = true;
      break;
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
      style.bold = true;
      style.halfPoints = ToHalfPoints(kHeadingPoints[element.tag - GUMBO_TAG_H1]);
      break;
    case GUMBO_TAG_FONT: {
      if (auto face = ReadFirstFace(AttributeOf(element, "face"))) {
        style.face = std::move(face);
      }
      const std::string_view size = Trim(AttributeOf(element, "size"));
      if (!size.empty()) {
        const bool relative = size.front() == '+' || size.front() == '-';
        const std::optional<Length> number = ReadLength(size);
        if (number && number->unit.empty()) {
          const double level = relative ? 3 + number->number : number->number;
          const auto clamped = static_cast<std::int16_t>(std::clamp(level, 1.0, 7.0));
          style.halfPoints = 2 * HtmlSizeToPoints(clamped);
        }
      }
      if (const auto color = ReadLegacyColor(AttributeOf(element, "color"))) {
        style.color = color;
      }
      break;
    }
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_MENU:
      if (frame.listDepth > 0) {
        frame.para.indent = std::min(frame.para.indent + kIndentStep, kMaxIndent);
      }
      ++frame.listDepth;
      frame.para.bullet = false;
      break;
    case GUMBO_TAG_LI:
      frame.para.bullet = frame.listDepth > 0;
      break;
    case GUMBO_TAG_DD:
      frame.para.indent = std::min(frame.para.indent + kIndentStep, kMaxIndent);
      break;
    case GUMBO_TAG_BLOCKQUOTE:
      // Margins in its style replace the default step (set below).
      frame.para.indent = std::min(frame.para.indent + kIndentStep, kMaxIndent);
      frame.para.rightIndent = std::min(frame.para.rightIndent + kIndentStep, kMaxIndent);
      break;
    case GUMBO_TAG_CENTER:
      frame.para.align = Align::kCenter;
      break;
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_PLAINTEXT:
      frame.spaces = Spaces::kKeepAll;
      break;
    case GUMBO_TAG_A:
      if (HasAttribute(element, "href")) {
        s.links.push_back(std::string(AllowedLinkUrlOr(Trim(AttributeOf(element, "href")))));
        s.linkStyles.emplace_back();
        frame.link = static_cast<std::int32_t>(s.links.size() - 1);
      }
      break;
    default:
      break;
  }
  if (block && HasAttribute(element, "align")) {
    if (const auto align = ReadAlign(AttributeOf(element, "align"))) {
      frame.para.align = *align;
    }
  }
  if (HasAttribute(element, "style")) {
    const Frame base = element.tag == GUMBO_TAG_BLOCKQUOTE ? parent : frame;
    Frame styled = frame;
    if (element.tag == GUMBO_TAG_BLOCKQUOTE) {
      styled.para.indent = parent.para.indent;
      styled.para.rightIndent = parent.para.rightIndent;
    }
    ApplyStyleAttribute(AttributeOf(element, "style"), styled, base, block);
    if (element.tag == GUMBO_TAG_BLOCKQUOTE) {
      // Only a side the style names moves from the default step.
      const std::string_view declarations = AttributeOf(element, "style");
      if (FindNoCase(declarations, "margin-left") == std::string_view::npos) {
        styled.para.indent = frame.para.indent;
      }
      if (FindNoCase(declarations, "margin-right") == std::string_view::npos) {
        styled.para.rightIndent = frame.para.rightIndent;
      }
    }
    frame = std::move(styled);
  }
  if (element.tag == GUMBO_TAG_A && frame.link != parent.link) {
    s.linkStyles[static_cast<std::size_t>(frame.link)] = frame.style;
  }
  return frame;
}

// ----- Output -----

void AppendRtfText(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      const char c = text[i++];
      if (c == '\\' || c == '{' || c == '}') {
        out += '\\';
        out += c;
      } else if (c == '\t') {
        out += "\\tab ";
      } else if (static_cast<unsigned char>(c) >= 0x20) {
        out += c;
      }
      continue;
    }
    const DecodedChar decoded = DecodeUtf8(text, i);
    i += decoded.bytes;
    if (decoded.code >= 0xA0 || decoded.code == 0x85) {
      AppendRtfUnicodeEscape(out, decoded.code);
    }
  }
}

void EmitStyle(ReadState& s, const Style& style) {
  if (s.writtenStyle && *s.writtenStyle == style) {
    return;
  }
  std::string& out = s.body;
  out += "\\plain";
  if (style.face) {
    out += "\\f";
    AppendDecimal(out, s.fontNumbers.NumberOf(*style.face));
  }
  if (style.halfPoints) {
    out += "\\fs";
    AppendDecimal(out, *style.halfPoints);
  }
  // Text the page gives no colour takes the control's text colour, colour 0.
  out += "\\cf";
  AppendDecimal(out, style.color ? s.colorNumbers.NumberOf(*style.color) : 0);
  if (style.bold)
    out += "\\b";
  if (style.italic)
    out += "\\i";
  if (style.underline)
    out += "\\ul";
  out += ' ';
  s.writtenStyle = style;
}

void OpenParagraph(ReadState& s) {
  if (s.paragraphOpen) {
    return;
  }
  const ParaProps& para = s.frames.back().para;
  if (s.body.size() >= kPartBytes) {
    s.parts.push_back(std::move(s.body));
    s.body = std::string();
    s.body.reserve(kPartBytes + kPartBytes / 4);
  }
  std::string& out = s.body;
  if (s.anyParagraph) {
    out += "\\plain\\par ";  // a paragraph mark in the default format, as the surface writes it
  }
  out += "\\pard";
  if (para.bullet) {
    out += kBulletOpen;
  }
  if (para.align == Align::kCenter) {
    out += "\\qc";
  } else if (para.align == Align::kRight) {
    out += "\\qr";
  }
  if (para.bullet) {
    out += "\\fi-360\\li";
    AppendDecimal(out, para.indent + kIndentStep);
  } else if (para.indent > 0) {
    out += "\\li";
    AppendDecimal(out, para.indent);
  }
  if (para.rightIndent > 0) {
    out += "\\ri";
    AppendDecimal(out, para.rightIndent);
  }
  out += ' ';
  s.paragraphOpen = true;
  s.anyParagraph = true;
  s.emptyLineLast = false;
  s.afterSpace = true;
  s.pendingSpace = false;
  s.writtenStyle.reset();
  s.linkInParagraph = 0;
}

void CloseParagraph(ReadState& s) {
  s.paragraphOpen = false;
  s.pendingSpace = false;
  s.afterSpace = true;
}

// Link text is underlined in the link colour, as the editor shows it.
Style LinkTextStyle(const Frame& frame) {
  Style style = frame.style;
  if (frame.link != 0) {
    style.underline = true;
    style.color = LinkColor;
  }
  return style;
}

// The URL run of the link LINK, once per link and paragraph.
void EmitLinkStart(ReadState& s, std::int32_t link) {
  if (link == 0 || s.linkInParagraph == link) {
    return;
  }
  // In the anchor's own format: the format inside it belongs to its text.
  Style url = s.linkStyles[static_cast<std::size_t>(link)];
  url.italic = true;
  url.underline = true;
  url.color = MarkerColor;
  EmitStyle(s, url);
  AppendRtfText(s.body, s.links[static_cast<std::size_t>(link)]);
  s.linkInParagraph = link;
}

void EmitPendingSpace(ReadState& s) {
  if (s.pendingSpace) {
    // A space that opens a link's text (<a> x</a>) is link text: written in front of the link's
    // URL run it would be a stray underlined space outside the link on the next read.
    EmitLinkStart(s, s.pendingSpaceLink);
    EmitStyle(s, s.pendingSpaceStyle);
    s.body += ' ';
    s.pendingSpace = false;
  }
}

// Text content: white space collapsed unless the frame keeps it; line breaks kept end the
// paragraph.
// Silver italics are the dialect's mark of a raw tag: a page's own text in them would turn into
// markup, or vanish from the HTML written. One step off silver it stays text and looks the same.
Style AsPageText(Style style) {
  if (style.italic && style.color && *style.color == MarkerColor) {
    *style.color = MarkerColor + 1;
  }
  return style;
}

void EmitText(ReadState& s, std::string_view text) {
  const Frame& frame = s.frames.back();
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const bool newline = c == '\n';
    if (newline && frame.spaces != Spaces::kCollapse) {
      OpenParagraph(s);
      CloseParagraph(s);
      ++i;
      continue;
    }
    if (IsHtmlSpace(c) && frame.spaces != Spaces::kKeepAll) {
      if (!s.afterSpace) {
        s.pendingSpace = true;
        s.pendingSpaceStyle = AsPageText(LinkTextStyle(frame));
        s.pendingSpaceLink = frame.link;
        s.afterSpace = true;
      }
      ++i;
      continue;
    }
    // A word, or kept white space, up to the next white space the frame collapses.
    std::size_t end = i;
    while (end < text.size() && text[end] != '\n' &&
           !(IsHtmlSpace(text[end]) && frame.spaces != Spaces::kKeepAll)) {
      ++end;
    }
    if (text[i] == '\r') {  // a kept CR before LF
      ++i;
      continue;
    }
    OpenParagraph(s);
    EmitPendingSpace(s);
    EmitLinkStart(s, frame.link);
    EmitStyle(s, AsPageText(LinkTextStyle(frame)));
    AppendRtfText(s.body, text.substr(i, end - i));
    s.afterSpace = false;
    i = end;
  }
}

// The raw-tag run of a picture: the IMG tag as the picture dialog writes it.
void EmitPicture(ReadState& s, const GumboElement& element) {
  const std::string_view src = Trim(AttributeOf(element, "src"));
  const std::string_view alt = AttributeOf(element, "alt");
  if (src.empty() || !IsAllowedPictureSource(src)) {
    if (!Trim(alt).empty()) {
      EmitText(s, WithoutForbiddenCharacters(alt));
    }
    return;
  }
  const auto quoted = [](std::string_view value) {
    std::string text = EncodeAttributeValue(value);
    text.insert(text.begin(), '\'');
    text.push_back('\'');
    return text;
  };
  std::string tag = "<IMG SRC=" + quoted(src);
  if (!alt.empty()) {
    tag += " ALT=" + quoted(alt);
  }
  if (const auto align = ReadAlign(AttributeOf(element, "align"))) {
    tag += align == Align::kCenter  ? " ALIGN=middle"
           : align == Align::kRight ? " ALIGN=right"
                                    : " ALIGN=left";
  }
  constexpr std::array<std::pair<const char*, std::string_view>, 5> kNumbers = {{
      {"width", " WIDTH="},
      {"height", " HEIGHT="},
      {"border", " BORDER="},
      {"hspace", " HSPACE="},
      {"vspace", " VSPACE="},
  }};
  for (const auto& [name, written] : kNumbers) {
    const std::string_view value = Trim(AttributeOf(element, name));
    if (!value.empty() && value.size() < 10 &&
        std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      tag += written;
      tag += value;
    }
  }
  tag += '>';
  OpenParagraph(s);
  EmitPendingSpace(s);
  EmitLinkStart(s, s.frames.back().link);
  Style raw = s.frames.back().style;
  raw.italic = true;
  raw.underline = false;
  raw.color = MarkerColor;
  EmitStyle(s, raw);
  AppendRtfText(s.body, tag);
  s.afterSpace = false;
}

// ----- The walk -----

void EnterElement(ReadState& s, const GumboElement& element, Kind kind) {
  if (kind == Kind::kBlock) {
    CloseParagraph(s);
  }
  if (element.tag == GUMBO_TAG_TR) {
    s.cellsInRow = 0;
  }
  s.frames.push_back(EnterFrame(s, element, s.frames.back(), kind));
  // A cell after the first starts with a tab, in the cell's own format.
  if ((element.tag == GUMBO_TAG_TD || element.tag == GUMBO_TAG_TH) && s.cellsInRow++ > 0) {
    OpenParagraph(s);
    s.pendingSpace = false;
    EmitStyle(s, AsPageText(s.frames.back().style));
    s.body += "\\tab ";
    s.afterSpace = true;
  }
}

void LeaveElement(ReadState& s, const GumboElement& element, Kind kind) {
  s.frames.pop_back();
  if (kind == Kind::kBlock) {
    CloseParagraph(s);
  }
  if (element.tag == GUMBO_TAG_TR) {
    s.cellsInRow = 0;
  }
}

void EmitLineBreak(ReadState& s) {
  const bool emptyLine = !s.paragraphOpen;
  OpenParagraph(s);
  CloseParagraph(s);
  s.emptyLineLast = emptyLine;
}

constexpr std::size_t kLastPiece = std::string_view::npos;

bool IsHtmlElement(const GumboNode* node, GumboTag tag) {
  return (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) &&
         node->v.element.tag == tag && node->v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

// Whether an element of a piece that ends at `pieceEnd` in its parsed buffer is still open for
// the next piece: html and body always, and what only the end of the input closed.
bool StaysOpen(const GumboNode* node, std::size_t pieceEnd) {
  if (IsHtmlElement(node, GUMBO_TAG_HTML) || IsHtmlElement(node, GUMBO_TAG_BODY)) {
    return true;
  }
  return (node->parse_flags & GUMBO_INSERTION_IMPLICIT_END_TAG) != 0 &&
         node->v.element.end_pos.offset >= pieceEnd;
}

// One entry of the walk's own stack: a node whose children are being walked.
struct Step {
  const GumboNode* node;
  unsigned next;
  Kind kind;
};

// Walks the tree below the steps on `stack` in document order. A piece that is not the page's
// last leaves its open elements (html, body and those the page's end did not close) entered:
// their frames stay for the next piece, which holds their content from there on.
void Walk(ReadState& s, std::vector<Step>& stack, std::size_t pieceEnd) {
  while (!stack.empty()) {
    Step& top = stack.back();
    const GumboVector& children =
        top.node->type == GUMBO_NODE_ELEMENT || top.node->type == GUMBO_NODE_TEMPLATE
            ? top.node->v.element.children
            : top.node->v.document.children;
    if (top.next >= children.length) {
      if (top.node->type == GUMBO_NODE_ELEMENT &&
          (pieceEnd == kLastPiece || !StaysOpen(top.node, pieceEnd))) {
        LeaveElement(s, top.node->v.element, top.kind);
      }
      stack.pop_back();
      continue;
    }
    const auto* child = static_cast<const GumboNode*>(children.data[top.next++]);
    switch (child->type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA:
        // What a browser would not show, and what an HTML5 page may not hold, is no text.
        EmitText(s, WithoutForbiddenCharacters(child->v.text.text));
        break;
      case GUMBO_NODE_ELEMENT: {
        const GumboElement& element = child->v.element;
        if (element.tag == GUMBO_TAG_BR) {
          EmitLineBreak(s);
          break;
        }
        if (element.tag == GUMBO_TAG_IMG || element.tag == GUMBO_TAG_IMAGE) {
          EmitPicture(s, element);
          break;
        }
        const Kind kind = KindOf(element.tag);
        if (kind == Kind::kSkip || element.tag_namespace != GUMBO_NAMESPACE_HTML) {
          break;
        }
        EnterElement(s, element, kind);
        stack.push_back({child, 0, kind});
        break;
      }
      default:  // comments, templates and the document type
        break;
    }
  }
}

// The input as valid UTF-8: a byte that starts no UTF-8 sequence is the code page 1252
// character, as the converter reads it, instead of the parser's U+FFFD.
std::string ValidUtf8(std::string_view html) {
  std::string out;
  out.reserve(html.size() + html.size() / 8);
  for (std::size_t i = 0; i < html.size();) {
    const DecodedChar decoded = DecodeUtf8(html, i);
    AppendUtf8(out, decoded.code);
    i += decoded.bytes;
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const DecodedChar decoded = DecodeUtf8(text, i);
    std::string again;
    AppendUtf8(again, decoded.code);
    if (again != text.substr(i, decoded.bytes)) {
      return false;
    }
    i += decoded.bytes;
  }
  return true;
}

// The parser's memory: it makes millions of small allocations for a large page and frees
// almost none of them before the tree goes, so they are carved from large blocks and released
// all at once, without a per-allocation header and without a walk over the tree to free it.
class ParserArena {
 public:
  static void* Allocate(void* arena, std::size_t size) {
    return static_cast<ParserArena*>(arena)->Take(size);
  }
  static void Release(void*, void*) {}

  // Forgets everything allocated, keeping the blocks for the next parse.
  void Reset() {
    big_.clear();
    used_ = 0;
    current_ = 0;
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;

  void* Take(std::size_t size) {
    if (size > kBlock / 4) {  // a long text: a block of its own
      big_.push_back(std::make_unique_for_overwrite<std::byte[]>(size));
      return big_.back().get();
    }
    // The parser's structures hold pointers, so their sizes are multiples of 8 and they need 8;
    // any other size is a string, which needs none. Most allocations are short strings.
    const std::size_t align = size % 8 == 0 ? 8 : 1;
    std::size_t at = (used_ + align - 1) / align * align;
    if (blocks_.empty() || at + size > kBlock) {
      if (!blocks_.empty()) {
        ++current_;
      }
      if (current_ == blocks_.size()) {
        blocks_.push_back(std::make_unique_for_overwrite<std::byte[]>(kBlock));
      }
      at = 0;
    }
    used_ = at + size;
    return blocks_[current_].get() + at;
  }

  std::vector<std::unique_ptr<std::byte[]>> blocks_;
  std::vector<std::unique_ptr<std::byte[]>> big_;
  std::size_t current_ = 0;  // the block being carved
  std::size_t used_ = 0;     // in the current block
};

// The tag named at `at` (just after "<" or "</"), and where its name ends.
std::pair<GumboTag, std::size_t> TagNameAt(std::string_view html, std::size_t at) {
  std::size_t end = at;
  while (end < html.size() && !IsHtmlSpace(html[end]) && html[end] != '/' && html[end] != '>') {
    ++end;
  }
  return {gumbo_tagn_enum(html.data() + at, static_cast<unsigned>(end - at)), end};
}

// ----- Nesting depth -----
//
// The parser's tree building walks its stack of open elements for most tags, so a page nested
// millions deep (8 MB of <ul>) takes time that grows with the square of its size. Browsers cap
// the tree's depth; here a first pass follows how deep the page nests, closely enough for real
// pages, and leaves out the start tags that would nest deeper than the cap, with as many end
// tags of the same name: their text stays, in the element at the cap.

constexpr std::size_t kMaxNesting = 512;

bool IsVoidTag(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_AREA:
    case GUMBO_TAG_BASE:
    case GUMBO_TAG_BASEFONT:
    case GUMBO_TAG_BGSOUND:
    case GUMBO_TAG_BR:
    case GUMBO_TAG_COL:
    case GUMBO_TAG_EMBED:
    case GUMBO_TAG_FRAME:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_IMAGE:
    case GUMBO_TAG_IMG:
    case GUMBO_TAG_INPUT:
    case GUMBO_TAG_KEYGEN:
    case GUMBO_TAG_LINK:
    case GUMBO_TAG_META:
    case GUMBO_TAG_PARAM:
    case GUMBO_TAG_SOURCE:
    case GUMBO_TAG_TRACK:
    case GUMBO_TAG_WBR:
    // The document's own elements are opened once whatever the page repeats.
    case GUMBO_TAG_HTML:
    case GUMBO_TAG_HEAD:
    case GUMBO_TAG_BODY:
      return true;
    default:
      return false;
  }
}

// Elements whose content the parser reads as text up to their own end tag.
bool IsRawTextTag(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_SCRIPT:
    case GUMBO_TAG_STYLE:
    case GUMBO_TAG_XMP:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_TITLE:
      return true;
    default:
      return false;
  }
}

// Start tags that close an open p, as the parser closes it.
bool ClosesParagraph(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_P:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_PLAINTEXT:
      return true;
    default:
      return false;
  }
}

bool IsHeadingTag(GumboTag tag) {
  return tag >= GUMBO_TAG_H1 && tag <= GUMBO_TAG_H6;
}

// The open elements as the first pass follows them: tags only, with a count of each so that an
// end tag with nothing open to close costs no search.
class NestingStack {
 public:
  std::size_t Depth() const { return tags_.size(); }
  bool Has(GumboTag tag) const { return counts_[Index(tag)] > 0; }
  GumboTag Top() const { return tags_.empty() ? GUMBO_TAG_HTML : tags_.back(); }
  void Push(GumboTag tag) {
    tags_.push_back(tag);
    ++counts_[Index(tag)];
  }
  void Pop() {
    --counts_[Index(tags_.back())];
    tags_.pop_back();
  }
  // Closes the innermost `tag` unless one of `stops` comes first.
  template <typename Stops>
  void CloseUpTo(GumboTag tag, Stops&& stops) {
    if (!Has(tag)) {
      return;
    }
    std::size_t at = tags_.size();
    while (at > 0 && tags_[at - 1] != tag) {
      if (stops(tags_[at - 1])) {
        return;
      }
      --at;
    }
    while (tags_.size() >= at && at > 0) {
      Pop();
    }
  }

 private:
  static std::size_t Index(GumboTag tag) { return static_cast<std::size_t>(tag); }

  std::vector<GumboTag> tags_;
  std::array<std::uint32_t, GUMBO_TAG_LAST + 1> counts_{};
};

bool IsScopeBoundary(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_BUTTON:
    case GUMBO_TAG_APPLET:
    case GUMBO_TAG_MARQUEE:
    case GUMBO_TAG_OBJECT:
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_SVG:
    case GUMBO_TAG_MATH:
      return true;
    default:
      return false;
  }
}

// Follows a start tag: the elements it closes, and whether it opens one.
void OpenTag(NestingStack& stack, GumboTag tag) {
  const auto boundary = [](GumboTag t) { return IsScopeBoundary(t); };
  if (ClosesParagraph(tag)) {
    stack.CloseUpTo(GUMBO_TAG_P, boundary);
  }
  switch (tag) {
    case GUMBO_TAG_LI:
      stack.CloseUpTo(GUMBO_TAG_LI, [](GumboTag t) {
        return IsScopeBoundary(t) || t == GUMBO_TAG_UL || t == GUMBO_TAG_OL;
      });
      break;
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DT:
      stack.CloseUpTo(GUMBO_TAG_DD, [](GumboTag t) {
        return IsScopeBoundary(t) || t == GUMBO_TAG_DL || t == GUMBO_TAG_DT;
      });
      stack.CloseUpTo(GUMBO_TAG_DT, [](GumboTag t) {
        return IsScopeBoundary(t) || t == GUMBO_TAG_DL || t == GUMBO_TAG_DD;
      });
      break;
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
      stack.CloseUpTo(GUMBO_TAG_TD, [](GumboTag t) { return t == GUMBO_TAG_TABLE; });
      stack.CloseUpTo(GUMBO_TAG_TH, [](GumboTag t) { return t == GUMBO_TAG_TABLE; });
      break;
    case GUMBO_TAG_TR:
      stack.CloseUpTo(GUMBO_TAG_TR, [](GumboTag t) { return t == GUMBO_TAG_TABLE; });
      break;
    case GUMBO_TAG_TABLE:
      // A table straight inside a table closes it; inside a cell it nests.
      stack.CloseUpTo(GUMBO_TAG_TABLE, [](GumboTag t) {
        return t == GUMBO_TAG_TD || t == GUMBO_TAG_TH || t == GUMBO_TAG_CAPTION;
      });
      break;
    case GUMBO_TAG_OPTION:
    case GUMBO_TAG_OPTGROUP:
      if (stack.Top() == GUMBO_TAG_OPTION) {
        stack.Pop();
      }
      if (tag == GUMBO_TAG_OPTGROUP && stack.Top() == GUMBO_TAG_OPTGROUP) {
        stack.Pop();
      }
      break;
    case GUMBO_TAG_A:
    case GUMBO_TAG_NOBR:
    case GUMBO_TAG_BUTTON:
      stack.CloseUpTo(tag, boundary);
      break;
    default:
      if (IsHeadingTag(tag) && IsHeadingTag(stack.Top())) {
        stack.Pop();
      }
      break;
  }
}

// The page with the start tags that would nest deeper than kMaxNesting left out, and as many
// of the end tags of their names; nullopt when the page nests no deeper.
std::optional<std::string> WithoutDeepNesting(std::string_view html) {
  NestingStack stack;
  std::array<std::uint32_t, GUMBO_TAG_LAST + 1> dropped{};
  std::optional<std::string> out;
  std::size_t copied = 0;  // what of `html` `out` holds
  const auto leaveOut = [&](std::size_t start, std::size_t end) {
    if (!out) {
      out.emplace();
      out->reserve(html.size());
    }
    out->append(html.substr(copied, start - copied));
    copied = end;
  };
  std::size_t at = html.find('<');
  while (at != std::string_view::npos && at + 1 < html.size()) {
    const std::size_t start = at;
    const char next = html[at + 1];
    if (html.substr(at, 4) == "<!--") {
      const std::size_t close = html.find("-->", at + 2);
      at = close == std::string_view::npos ? html.size() : close + 3;
    } else if (next == '!' || next == '?') {
      const std::size_t close = html.find('>', at);
      at = close == std::string_view::npos ? html.size() : close + 1;
    } else if (IsAsciiLetter(next) ||
               (next == '/' && at + 2 < html.size() && IsAsciiLetter(html[at + 2]))) {
      const bool endTag = next == '/';
      const auto [tag, nameEnd] = TagNameAt(html, at + (endTag ? 2 : 1));
      // The tag's end: the first ">" outside a quoted attribute value.
      std::size_t i = nameEnd;
      char quote = 0;
      bool afterEquals = false;
      for (; i < html.size(); ++i) {
        const char c = html[i];
        if (quote != 0) {
          quote = c == quote ? 0 : quote;
        } else if (c == '>') {
          break;
        } else if ((c == '"' || c == '\'') && afterEquals) {
          quote = c;
        } else if (!IsHtmlSpace(c)) {
          afterEquals = c == '=';
        }
      }
      at = std::min(i + 1, html.size());
      const std::size_t index = static_cast<std::size_t>(tag);
      if (endTag) {
        if (dropped[index] > 0) {
          --dropped[index];
          leaveOut(start, at);
        } else if (stack.Has(tag)) {
          stack.CloseUpTo(tag, [](GumboTag) { return false; });
        }
      } else if (tag == GUMBO_TAG_PLAINTEXT) {
        break;  // the rest of the page is text
      } else if (!IsVoidTag(tag) && !(i < html.size() && html[i - 1] == '/')) {
        // (A tag closed by "/>" opens nothing in SVG and MathML, which use it most.)
        OpenTag(stack, tag);
        if (stack.Depth() >= kMaxNesting) {
          ++dropped[index];
          leaveOut(start, at);
        } else {
          stack.Push(tag);
        }
        if (IsRawTextTag(tag)) {
          // Its text runs to its own end tag.
          std::size_t close = at;
          while ((close = html.find("</", close)) != std::string_view::npos &&
                 TagNameAt(html, close + 2).first != tag) {
            close += 2;
          }
          at = close == std::string_view::npos ? html.size() : close;
        }
      }
    } else {
      at += 1;
    }
    at = html.find('<', at);
  }
  if (out) {
    out->append(html.substr(copied));
  }
  return out;
}

// ----- Reading a large page in pieces -----
//
// The parser builds the whole tree of what it reads, about ten times the page, so a large page is
// parsed a piece at a time: each piece's tree is mapped onto the RTF and freed before the next is
// parsed. A piece ends before a block's start tag, and only where reading on from there in a
// fresh parse is sure to give the tree the whole page gives: the elements still open there are
// given to the next parse again by their start tags, and nothing else of the parser's state at
// that point may differ from a fresh parse's. Where that cannot be shown the piece is doubled,
// up to the rest of the page, so the parser's work stays linear in the page.

constexpr std::size_t kDefaultPieceBytes = std::size_t{1} << 18;

bool IsFormattingTag(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_A:
    case GUMBO_TAG_B:
    case GUMBO_TAG_BIG:
    case GUMBO_TAG_CODE:
    case GUMBO_TAG_EM:
    case GUMBO_TAG_FONT:
    case GUMBO_TAG_I:
    case GUMBO_TAG_NOBR:
    case GUMBO_TAG_S:
    case GUMBO_TAG_SMALL:
    case GUMBO_TAG_STRIKE:
    case GUMBO_TAG_STRONG:
    case GUMBO_TAG_TT:
    case GUMBO_TAG_U:
      return true;
    default:
      return false;
  }
}

// Elements whose start tag, given again to a fresh parse in the body over the same open
// elements, opens the same element in the same insertion mode and touches no other state.
bool IsReplayableTag(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_P:
    case GUMBO_TAG_SPAN:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_TBODY:
    case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TFOOT:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_TD:
    case GUMBO_TAG_TH:
      return true;
    default:
      return false;
  }
}

// Start tags a piece may begin with: blocks, where pages break most often.
bool IsPieceStartTag(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_P:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_UL:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TR:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_CENTER:
      return true;
    default:
      return false;
  }
}

// The first place at or after `from` where a piece may begin, or the page's end.
std::size_t FindPieceStart(std::string_view html, std::size_t from) {
  for (std::size_t at = html.find('<', from); at != std::string_view::npos;
       at = html.find('<', at + 1)) {
    if (at + 1 < html.size() && IsAsciiLetter(html[at + 1])) {
      const auto [tag, end] = TagNameAt(html, at + 1);
      if (end < html.size() && IsPieceStartTag(tag)) {
        return at;
      }
    }
  }
  return html.size();
}

// Where pieces may begin: after the page's last html, body and frameset tag, whose attributes
// or whose document shape a later tag would change for content already read.
std::size_t FirstPossibleSplit(std::string_view html) {
  std::size_t after = 0;
  for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
    if (at + 1 < html.size() && IsAsciiLetter(html[at + 1])) {
      const auto [tag, end] = TagNameAt(html, at + 1);
      if (tag == GUMBO_TAG_FRAMESET) {
        return html.size();
      }
      if (tag == GUMBO_TAG_HTML || tag == GUMBO_TAG_BODY) {
        after = end;
      }
    }
  }
  return after;
}

const GumboNode* FindChild(const GumboVector& children, GumboTag tag) {
  for (unsigned i = 0; i < children.length; ++i) {
    const auto* child = static_cast<const GumboNode*>(children.data[i]);
    if (IsHtmlElement(child, tag)) {
      return child;
    }
  }
  return nullptr;
}

// Whether only comments follow `node` among its parent's children.
bool IsLastChild(const GumboNode* node) {
  const GumboNode* parent = node->parent;
  const GumboVector& siblings = parent->type == GUMBO_NODE_DOCUMENT ? parent->v.document.children
                                                                    : parent->v.element.children;
  for (unsigned i = node->index_within_parent + 1; i < siblings.length; ++i) {
    if (static_cast<const GumboNode*>(siblings.data[i])->type != GUMBO_NODE_COMMENT) {
      return false;
    }
  }
  return true;
}

// A comment that the end of the input closed is no comment the whole page holds.
bool IsClosedComment(std::string_view original) {
  if (!original.starts_with("<!--")) {
    return original.ends_with('>');
  }
  return original == "<!-->" || original == "<!--->" ||
         (original.size() >= 7 && (original.ends_with("-->") || original.ends_with("--!>")));
}

// The elements the piece's parse leaves open below body, outermost first, when the next piece
// can be read on from there; nullopt when it cannot be shown. `buffer` is what was parsed.
std::optional<std::vector<const GumboNode*>> OpenElementsIfClean(const GumboOutput& output,
                                                                 std::string_view buffer) {
  const GumboNode* html = FindChild(output.document->v.document.children, GUMBO_TAG_HTML);
  const GumboNode* body = html ? FindChild(html->v.element.children, GUMBO_TAG_BODY) : nullptr;
  if (body == nullptr || !IsLastChild(html) || !IsLastChild(body)) {
    return std::nullopt;
  }
  std::vector<const GumboNode*> open;
  std::size_t lastEnd = 0;  // where the last token that made a node ends
  std::vector<const GumboNode*> pending{output.document};
  while (!pending.empty()) {
    const GumboNode* node = pending.back();
    pending.pop_back();
    if (node->type == GUMBO_NODE_DOCUMENT) {
      for (unsigned i = 0; i < node->v.document.children.length; ++i) {
        pending.push_back(static_cast<const GumboNode*>(node->v.document.children.data[i]));
      }
      continue;
    }
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_TEMPLATE) {
      const GumboText& text = node->v.text;
      const std::size_t end = text.start_pos.offset + text.original_text.length;
      if (node->type == GUMBO_NODE_COMMENT && end >= buffer.size() &&
          !IsClosedComment(std::string_view(text.original_text.data, text.original_text.length))) {
        return std::nullopt;
      }
      lastEnd = std::max(lastEnd, end);
      continue;
    }
    const GumboElement& element = node->v.element;
    const bool implicitEnd = (node->parse_flags & GUMBO_INSERTION_IMPLICIT_END_TAG) != 0;
    // A formatting element closed by anything but its own end tag stays on the parser's list
    // of formatting elements, to be opened again in what follows.
    if (implicitEnd && IsFormattingTag(element.tag)) {
      return std::nullopt;
    }
    if (node != html && node != body && StaysOpen(node, buffer.size())) {
      open.push_back(node);
    } else if (implicitEnd && element.tag == GUMBO_TAG_FORM) {
      return std::nullopt;  // the parser still counts it as the open form
    }
    lastEnd =
        std::max(lastEnd, implicitEnd ? element.start_pos.offset + element.original_tag.length
                                      : element.end_pos.offset + element.original_end_tag.length);
    // Children in reverse, so that they come off in document order and the open elements are
    // found outermost first.
    for (unsigned i = element.children.length; i-- > 0;) {
      pending.push_back(static_cast<const GumboNode*>(element.children.data[i]));
    }
  }
  // "</" before the next piece's "<" opens a comment there, but is text at the input's end.
  if (buffer.ends_with("</")) {
    return std::nullopt;
  }
  // A tag the input's end cut off made no node: the piece would lose it.
  for (std::size_t i = std::min(lastEnd, buffer.size()); i < buffer.size(); ++i) {
    if (!IsHtmlSpace(buffer[i])) {
      return std::nullopt;
    }
  }
  const GumboNode* parent = body;
  for (const GumboNode* node : open) {
    if (node->parent != parent || node->type != GUMBO_NODE_ELEMENT ||
        node->v.element.tag_namespace != GUMBO_NAMESPACE_HTML ||
        !IsReplayableTag(node->v.element.tag) || !IsLastChild(node)) {
      return std::nullopt;
    }
    parent = node;
  }
  return open;
}

// What a piece after the first is parsed behind: the page's document mode, the body, and the
// start tags of the elements the previous piece left open.
void AppendReplayPrefix(std::string& out, bool quirks, const std::vector<GumboTag>& open) {
  out += quirks ? "" : "<!DOCTYPE html>";
  out += "<body>";
  for (const GumboTag tag : open) {
    out += '<';
    out += gumbo_normalized_tagname(tag);
    out += '>';
  }
}

// The walk's steps for a piece parsed behind ReplayPrefix: html, body and the replayed elements
// stand for those already entered; nullopt when the replay did not open exactly them.
std::optional<std::vector<Step>> ResumeSteps(const GumboOutput& output,
                                             const std::vector<GumboTag>& open,
                                             std::size_t prefixSize) {
  const GumboNode* html = FindChild(output.document->v.document.children, GUMBO_TAG_HTML);
  const GumboNode* body = html ? FindChild(html->v.element.children, GUMBO_TAG_BODY) : nullptr;
  if (body == nullptr) {
    return std::nullopt;
  }
  std::vector<Step> steps;
  steps.push_back({html, static_cast<unsigned>(body->index_within_parent + 1), Kind::kBlock});
  steps.push_back({body, 0, Kind::kBlock});
  const GumboNode* parent = body;
  for (const GumboTag tag : open) {
    const GumboVector& children = parent->v.element.children;
    const auto* first =
        children.length > 0 ? static_cast<const GumboNode*>(children.data[0]) : nullptr;
    // The replayed element must be its parent's first child: content placed in front of it
    // (a table's foster-parented text) would belong before what the earlier piece read.
    if (first == nullptr || !IsHtmlElement(first, tag) ||
        first->v.element.start_pos.offset >= prefixSize) {
      return std::nullopt;
    }
    steps.back().next = 1;
    steps.push_back({first, 0, KindOf(tag)});
    parent = first;
  }
  return steps;
}

// Reads `html` into `s` a piece of about `pieceBytes` at a time (the whole page at once when it
// is no longer than twice that). False when a piece's parse did not resume where the previous
// one stopped; `s` is then spent, and the page is to be read whole.
bool ReadPieces(ReadState& s, std::string_view html, std::size_t pieceBytes) {
  ParserArena arena;
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;
  options.allocator = &ParserArena::Allocate;
  options.deallocator = &ParserArena::Release;
  options.userdata = &arena;

  const bool split = html.size() / 2 > pieceBytes;
  const std::size_t firstSplit = split ? FirstPossibleSplit(html) : html.size();
  bool quirks = false;
  std::vector<GumboTag> open;
  std::string buffer;
  for (std::size_t from = 0; from < html.size();) {
    // The piece's end: the first block start from `from` plus the piece size, doubled for as
    // long as the piece cannot end there.
    for (std::size_t size = pieceBytes;; size *= 2) {
      std::size_t end = html.size();
      if (split && html.size() - from > size) {
        end = FindPieceStart(html, std::max(from + size, firstSplit));
      }
      const bool last = end == html.size();
      const std::string_view piece = html.substr(from, end - from);
      std::string_view parsed = piece;
      std::size_t prefixSize = 0;
      if (from > 0) {
        buffer.clear();
        AppendReplayPrefix(buffer, quirks, open);
        prefixSize = buffer.size();
        buffer += piece;
        parsed = buffer;
      }
      arena.Reset();
      const GumboOutput* output = gumbo_parse_with_options(&options, parsed.data(), parsed.size());
      if (output == nullptr) {
        return from == 0;  // nothing to read
      }
      std::optional<std::vector<const GumboNode*>> openAtEnd;
      if (!last) {
        openAtEnd = OpenElementsIfClean(*output, parsed);
        if (!openAtEnd) {
          continue;  // a longer piece
        }
      }
      std::vector<Step> steps;
      if (from == 0) {
        quirks = output->document->v.document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS;
        steps.push_back({output->document, 0, Kind::kBlock});
      } else {
        auto resumed = ResumeSteps(*output, open, prefixSize);
        if (!resumed) {
          return false;
        }
        steps = std::move(*resumed);
      }
      Walk(s, steps, last ? kLastPiece : parsed.size());
      if (!last) {
        open.clear();
        for (const GumboNode* node : *openAtEnd) {
          open.push_back(node->v.element.tag);
        }
      }
      from = end;
      break;
    }
  }
  return true;
}

void AppendTables(std::string& out, const ConversionContext& context) {
  out += "{\\fonttbl";
  for (std::size_t i = 0; i < context.FontTable.size(); ++i) {
    out += "{\\f";
    AppendDecimal(out, static_cast<std::int64_t>(i));
    out += ' ';
    AppendRtfText(out, context.FontTable[i]);
    out += ";}";
  }
  out += '}';
  AppendRtfColorTable(out, context.ColorTable);
}

}  // namespace

std::string ReadHtmlToRtf(std::string_view html, ConversionContext& context,
                          const HtmlReadOptions& options) {
  std::string repaired;
  if (!IsValidUtf8(html)) {
    repaired = ValidUtf8(html);
    html = repaired;
  }
  std::optional<std::string> flattened = WithoutDeepNesting(html);
  if (flattened) {
    html = *flattened;
  }
  const std::size_t pieceBytes = options.pieceBytes > 0 ? options.pieceBytes : kDefaultPieceBytes;
  std::optional<ReadState> state;
  for (const std::size_t size : {pieceBytes, html.size()}) {
    context.ColorTable.assign(1, context.DefaultColor);
    context.FontTable.assign(1, std::string(kDefaultFace));
    state.emplace(context);
    state->frames.push_back(Frame{});
    if (ReadPieces(*state, html, size)) {
      break;
    }
  }
  ReadState& s = *state;
  if (s.emptyLineLast) {
    s.body += "\\plain\\par ";
  }
  // The tables go in front of the body, as HtmlToRtf writes them; each part is freed as soon as
  // it is copied, so the RTF is held about once.
  std::string rtf;
  AppendTables(rtf, context);
  std::size_t size = rtf.size() + s.body.size();
  for (const std::string& part : s.parts) {
    size += part.size();
  }
  // Room for the document's header too, which BuildHtmlDocument puts in front of the body in
  // this buffer: without it the whole RTF would be copied into a larger one.
  constexpr std::size_t kHeaderRoom = 256;
  rtf.reserve(size + kHeaderRoom);
  for (std::string& part : s.parts) {
    rtf += part;
    std::string().swap(part);
#if defined(__GLIBC__)
    // The parts lie among the parser's freed blocks, which the C library keeps unless asked:
    // without this the whole RTF would be held twice while it is put together.
    malloc_trim(0);
#endif
  }
  rtf += s.body;
  return rtf;
}

}  // namespace scrivlet
