#include "conversion/html5_writer.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "conversion/html_safety.h"
#include "conversion/markers.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

// Character formatting as the RTF states it; -1 is the surface's default.
struct RunFormat {
  std::int32_t font = -1;
  std::int32_t halfPoints = -1;
  std::int32_t color = -1;  // colour table number
  bool bold = false;
  bool italic = false;
  bool underline = false;

  bool operator==(const RunFormat&) const = default;
};

enum class Destination { kText, kSkip, kFontTable, kColorTable, kBullet };

struct Group {
  RunFormat format;
  Destination destination = Destination::kText;
  std::int32_t fallbackSize = 1;  // \ucN
};

enum class Align { kLeft, kCenter, kRight };

struct ParaFormat {
  Align align = Align::kLeft;
  std::int32_t left = 0;
  std::int32_t right = 0;
  bool bullet = false;
};

struct Run {
  RunFormat format;
  std::string text;  // UTF-8
};

// A run's format resolved against the tables: what the editor shows.
struct Resolved {
  std::string face;
  std::int32_t halfPoints = 24;
  std::int32_t color = 0;  // HTML order
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

struct WriteState {
  WriteState(std::string_view rtf, const Html5Options& o) : in(rtf), options(o) {}

  std::string_view in;
  const Html5Options& options;
  std::size_t pos = 0;
  std::vector<Group> groups{Group{}};
  ParaFormat para;
  std::vector<Run> runs;
  std::int32_t pendingSkip = 0;
  char16_t pendingHigh = 0;
  bool openedByPar = false;
  bool anyParagraph = false;

  std::unordered_map<std::int32_t, std::string> fonts;
  std::int32_t fontNumber = -1;
  std::string fontName;
  std::vector<std::int32_t> colors;  // HTML order
  std::int32_t red = 0, green = 0, blue = 0;

  std::string out;
  // The containers open around the paragraphs.
  std::optional<std::pair<std::int32_t, std::int32_t>> quote;  // left and right, twips
  bool list = false;
};

// ----- Encoding -----

// Where encoded text lands: an attribute value also needs its quotes and tabs encoded, and text
// writes a no-break space as "&nbsp;" so that it shows in the source.
enum class HtmlPlace { kText, kAttribute };

void AppendEncoded(std::string& out, std::string_view text, HtmlPlace place) {
  const bool attribute = place == HtmlPlace::kAttribute;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (const std::size_t skip = ForbiddenCharacterAt(text, i)) {
      i += skip - 1;
      continue;
    }
    const char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += attribute ? std::string_view("&#39;") : std::string_view("'");
        break;
      case '\t':
        out += attribute ? std::string_view("&#9;") : std::string_view("\t");
        break;
      default:
        if (!attribute && c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
          out += "&nbsp;";
          ++i;
        } else if (static_cast<unsigned char>(c) >= 0x20) {
          out += c;
        }
    }
  }
}

void AppendEncodedText(std::string& out, std::string_view text) {
  AppendEncoded(out, text, HtmlPlace::kText);
}

void AppendEncodedAttribute(std::string& out, std::string_view value) {
  AppendEncoded(out, value, HtmlPlace::kAttribute);
}

// Points as CSS writes them: "12pt", "10.5pt".
void AppendPoints(std::string& out, double points) {
  const auto tenths = static_cast<std::int64_t>(std::llround(points * 100));
  AppendDecimal(out, tenths / 100);
  if (tenths % 100 != 0) {
    out += '.';
    const std::int64_t fraction = tenths % 100;
    out += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) {
      out += static_cast<char>('0' + fraction % 10);
    }
  }
  out += "pt";
}

// A face name as a CSS string inside a double-quoted attribute: quotes, backslashes and control
// characters escaped for CSS, then what HTML would read as markup encoded.
void AppendFaceValue(std::string& out, std::string_view face) {
  std::string css = "'";
  for (const char c : face) {
    if (c == '\'' || c == '\\') {
      css += '\\';
      css += c;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      constexpr std::string_view kDigits = "0123456789abcdef";
      css += '\\';
      if (static_cast<unsigned char>(c) >= 16) {
        css += kDigits[static_cast<unsigned char>(c) / 16];
      }
      css += kDigits[static_cast<unsigned char>(c) % 16];
      css += ' ';
    } else {
      css += c;
    }
  }
  css += '\'';
  // Inside a double-quoted attribute an apostrophe needs no reference.
  for (const char c : css) {
    if (c == '\'') {
      out += c;
    } else {
      AppendEncodedAttribute(out, std::string_view(&c, 1));
    }
  }
}

void AppendHexColor(std::string& out, std::int32_t color) {
  constexpr std::string_view kDigits = "0123456789abcdef";
  out += '#';
  for (int shift = 20; shift >= 0; shift -= 4) {
    out += kDigits[static_cast<std::size_t>((color >> shift) & 0xF)];
  }
}

// ----- Reading the RTF -----

void AppendUnit(WriteState& s, char16_t unit);

void AppendCode(WriteState& s, char32_t code) {
  if (s.pendingHigh != 0) {
    s.pendingHigh = 0;
    AppendCode(s, 0xFFFD);
  }
  Group& group = s.groups.back();
  if (group.destination == Destination::kFontTable) {
    if (code == ';') {
      if (s.fontNumber >= 0) {
        s.fonts[s.fontNumber] = s.fontName;
      }
      s.fontName.clear();
    } else {
      AppendUtf8(s.fontName, code);
    }
    return;
  }
  if (group.destination == Destination::kColorTable) {
    if (code == ';') {
      s.colors.push_back(s.red << 16 | s.green << 8 | s.blue);
      s.red = s.green = s.blue = 0;
    }
    return;
  }
  if (group.destination != Destination::kText) {
    return;
  }
  if (s.runs.empty() || !(s.runs.back().format == group.format)) {
    s.runs.push_back({group.format, {}});
  }
  AppendUtf8(s.runs.back().text, code);
}

void AppendUnit(WriteState& s, char16_t unit) {
  if (IsHighSurrogate(unit)) {
    if (s.pendingHigh != 0) {
      AppendCode(s, 0xFFFD);
    }
    s.pendingHigh = unit;
    return;
  }
  if (IsLowSurrogate(unit)) {
    if (s.pendingHigh == 0) {
      AppendCode(s, 0xFFFD);
      return;
    }
    const char32_t code = CombineSurrogates(s.pendingHigh, unit);
    s.pendingHigh = 0;
    AppendCode(s, code);
    return;
  }
  AppendCode(s, unit);
}

void FlushParagraph(WriteState& s);

// Control words whose group is no text.
bool IsSkippedDestination(std::string_view word) {
  constexpr std::array<std::string_view, 16> kSkipped = {"pntext",
                                                         "pntxta",
                                                         "pntxtb",
                                                         "info",
                                                         "stylesheet",
                                                         "pict",
                                                         "header",
                                                         "footer",
                                                         "fldinst",
                                                         "object",
                                                         "footnote",
                                                         "listtable",
                                                         "listoverridetable",
                                                         "themedata",
                                                         "colorschememapping",
                                                         "datastore"};
  for (const std::string_view skipped : kSkipped) {
    if (word == skipped) {
      return true;
    }
  }
  return false;
}

void HandleWord(WriteState& s, std::string_view word, std::optional<std::int32_t> parameter,
                bool groupStart) {
  Group& group = s.groups.back();
  RunFormat& format = group.format;
  const bool on = parameter.value_or(1) != 0;
  if (group.destination == Destination::kSkip) {
    return;
  }
  // Characters count in every destination: face names have them too.
  static constexpr std::pair<std::string_view, char32_t> kCharacters[] = {
      {"tab", '\t'},      {"emdash", 0x2014}, {"endash", 0x2013},    {"bullet", 0x2022},
      {"lquote", 0x2018}, {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D}};
  for (const auto& [name, code] : kCharacters) {
    if (word == name) {
      AppendCode(s, code);
      return;
    }
  }
  if (word == "uc" && parameter) {
    group.fallbackSize = std::max(0, *parameter);
  } else if (word == "u" && parameter) {
    AppendUnit(s, static_cast<char16_t>(static_cast<std::uint16_t>(*parameter)));
    s.pendingSkip = group.fallbackSize;
  } else if (word == "fonttbl") {
    group.destination = Destination::kFontTable;
  } else if (word == "colortbl") {
    group.destination = Destination::kColorTable;
  } else if (word == "pn" && groupStart) {
    group.destination = Destination::kBullet;
  } else if (IsSkippedDestination(word)) {
    group.destination = Destination::kSkip;
  } else if (group.destination == Destination::kBullet) {
    if (word == "pnlvlblt" || word == "pnlvlbody" || word == "pnlvlcont") {
      s.para.bullet = true;
    }
  } else if (group.destination == Destination::kFontTable) {
    if (word == "f") {
      s.fontNumber = parameter.value_or(-1);
      s.fontName.clear();
    }
  } else if (group.destination == Destination::kColorTable) {
    const std::int32_t value = std::clamp(parameter.value_or(0), 0, 255);
    if (word == "red")
      s.red = value;
    else if (word == "green")
      s.green = value;
    else if (word == "blue")
      s.blue = value;
  } else if (word == "par" || word == "line") {
    FlushParagraph(s);
    s.openedByPar = true;
  } else if (word == "pard") {
    s.para = ParaFormat{};
  } else if (word == "qc") {
    s.para.align = Align::kCenter;
  } else if (word == "qr") {
    s.para.align = Align::kRight;
  } else if (word == "ql" || word == "qj") {
    s.para.align = Align::kLeft;
  } else if (word == "li") {
    s.para.left = parameter.value_or(0);
  } else if (word == "ri") {
    s.para.right = parameter.value_or(0);
  } else if (word == "plain") {
    format = RunFormat{};
  } else if (word == "b") {
    format.bold = on;
  } else if (word == "i") {
    format.italic = on;
  } else if (word == "ul") {
    format.underline = on;
  } else if (word == "ulnone") {
    format.underline = false;
  } else if (word == "f" && parameter) {
    format.font = *parameter;
  } else if (word == "fs" && parameter && *parameter > 0) {
    format.halfPoints = *parameter;
  } else if (word == "cf" && parameter) {
    format.color = *parameter;
  }
}

// One token at s.pos.
void ReadToken(WriteState& s) {
  const char c = s.in[s.pos];
  if (c == '{') {
    ++s.pos;
    s.groups.push_back(s.groups.back());
    // A group that starts with "\*" is a destination this writer skips.
    if (s.in.substr(s.pos).starts_with("\\*\\pn") &&
        !IsAsciiLetter(s.pos + 5 < s.in.size() ? s.in[s.pos + 5] : ' ')) {
      s.groups.back().destination = Destination::kBullet;
      s.pos += 2;
    } else if (s.in.substr(s.pos).starts_with("\\*")) {
      s.groups.back().destination = Destination::kSkip;
      s.pos += 2;
    } else if (s.pos < s.in.size() && s.in[s.pos] == '\\') {
      std::size_t end = s.pos + 1;
      while (end < s.in.size() && IsAsciiLetter(s.in[end])) {
        ++end;
      }
      const std::string_view word = s.in.substr(s.pos + 1, end - s.pos - 1);
      if (word == "pn") {
        s.groups.back().destination = Destination::kBullet;
      }
    }
    return;
  }
  if (c == '}') {
    ++s.pos;
    if (s.groups.size() > 1) {
      s.groups.pop_back();
    }
    return;
  }
  if (c == '\r' || c == '\n') {
    ++s.pos;
    return;
  }
  if (c != '\\') {
    const DecodedChar decoded = DecodeUtf8(s.in, s.pos);
    s.pos += decoded.bytes;
    if (s.pendingSkip > 0) {
      --s.pendingSkip;
      return;
    }
    AppendCode(s, decoded.code);
    return;
  }
  // A control word or symbol.
  ++s.pos;
  if (s.pos >= s.in.size()) {
    return;
  }
  const char next = s.in[s.pos];
  if (!IsAsciiLetter(next)) {
    ++s.pos;
    if (next == '\'') {
      const std::string_view hex = s.in.substr(s.pos, 2);
      s.pos += hex.size();
      if (s.pendingSkip > 0) {
        --s.pendingSkip;
        return;
      }
      unsigned value = 0;
      for (const char h : hex) {
        value = value * 16 + static_cast<unsigned>(std::max(HexDigitValue(h), 0));
      }
      AppendCode(s, Cp1252ToUnicode(static_cast<std::uint8_t>(value)));
    } else if (next == '~') {
      AppendCode(s, 0xA0);
    } else if (next == '_') {
      AppendCode(s, 0x2011);
    } else if (next == '\\' || next == '{' || next == '}') {
      AppendCode(s, static_cast<unsigned char>(next));
    } else if (next == '\r' || next == '\n') {
      HandleWord(s, "par", std::nullopt, false);
    }
    return;
  }
  std::size_t end = s.pos;
  while (end < s.in.size() && IsAsciiLetter(s.in[end])) {
    ++end;
  }
  const std::string_view word = s.in.substr(s.pos, end - s.pos);
  const bool groupStart = s.pos >= 2 && s.in[s.pos - 2] == '{';
  std::optional<std::int32_t> parameter;
  std::size_t digits = end;
  if (digits < s.in.size() && (s.in[digits] == '-' || IsAsciiDigit(s.in[digits]))) {
    const bool negative = s.in[digits] == '-';
    std::size_t d = negative ? digits + 1 : digits;
    std::int64_t value = 0;
    while (d < s.in.size() && IsAsciiDigit(s.in[d])) {
      value = std::min<std::int64_t>(value * 10 + (s.in[d] - '0'), 1 << 30);
      ++d;
    }
    if (d > (negative ? digits + 1 : digits)) {
      parameter = static_cast<std::int32_t>(negative ? -value : value);
      end = d;
    }
  }
  if (end < s.in.size() && s.in[end] == ' ') {
    ++end;
  }
  s.pos = end;
  if (word != "u" && s.pendingSkip > 0 && s.groups.back().destination == Destination::kText) {
    s.pendingSkip = 0;  // a control word ends the fallback text
  }
  HandleWord(s, word, parameter, groupStart);
}

// ----- Writing HTML -----

Resolved Resolve(const WriteState& s, const RunFormat& format) {
  Resolved r;
  const auto face = s.fonts.find(format.font);
  r.face = format.font >= 0 && face != s.fonts.end() ? face->second : s.options.defaultFace;
  r.halfPoints = format.halfPoints > 0
                     ? format.halfPoints
                     : static_cast<std::int32_t>(std::lround(s.options.defaultPoints * 2));
  r.color = format.color >= 0 && static_cast<std::size_t>(format.color) < s.colors.size()
                ? s.colors[static_cast<std::size_t>(format.color)]
                : 0;
  r.bold = format.bold;
  r.italic = format.italic;
  r.underline = format.underline;
  return r;
}

bool IsMarker(const Resolved& r) {
  return r.italic && r.color == MarkerColor;
}

bool IsLinkText(const Resolved& r) {
  return r.underline && r.color == LinkColor;
}

// The surface's defaults, the format text outside any element has.
Resolved DefaultFormat(const WriteState& s) {
  Resolved r;
  r.face = s.options.defaultFace;
  r.halfPoints = static_cast<std::int32_t>(std::lround(s.options.defaultPoints * 2));
  return r;
}

// Opens the elements that take text in format `base` to format `r`, in a fixed order; returns
// their closing tags, in reverse.
std::string OpenFormat(WriteState& s, const Resolved& r, const Resolved& base) {
  std::string& out = s.out;
  std::string style;
  const auto add = [&style](std::string_view property) {
    style += style.empty() ? "" : ";";
    style += property;
  };
  if (r.face != base.face) {
    add("font-family:");
    AppendFaceValue(style, r.face);
  }
  if (r.halfPoints != base.halfPoints) {
    add("font-size:");
    AppendPoints(style, r.halfPoints / 2.0);
  }
  if (r.color != base.color) {
    add("color:");
    AppendHexColor(style, r.color);
  }
  if (base.bold && !r.bold) {
    add("font-weight:normal");
  }
  if (base.italic && !r.italic) {
    add("font-style:normal");
  }
  std::string close;
  if (!style.empty()) {
    out += "<span style=\"";
    out += style;  // every part encoded as it was added
    out += "\">";
    close = "</span>";
  }
  if (r.bold && !base.bold) {
    out += "<strong>";
    close.insert(0, "</strong>");
  }
  if (r.italic && !base.italic) {
    out += "<em>";
    close.insert(0, "</em>");
  }
  if (r.underline && !base.underline) {
    out += "<u>";
    close.insert(0, "</u>");
  }
  return close;
}

// The text of a run in its format, inside elements that give format `base`.
void EmitStyledText(WriteState& s, const Resolved& r, std::string_view text, const Resolved& base) {
  const std::string close = OpenFormat(s, r, base);
  AppendEncodedText(s.out, text);
  s.out += close;
}

struct GumboOutputDeleter {
  void operator()(GumboOutput* output) const {
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  }
};

const GumboNode* FindFirstImage(const GumboNode* node) {
  std::vector<const GumboNode*> stack{node};
  while (!stack.empty()) {
    const GumboNode* at = stack.back();
    stack.pop_back();
    if (at->type != GUMBO_NODE_ELEMENT && at->type != GUMBO_NODE_DOCUMENT) {
      continue;
    }
    if (at->type == GUMBO_NODE_ELEMENT && at->v.element.tag == GUMBO_TAG_IMG) {
      return at;
    }
    const GumboVector& children =
        at->type == GUMBO_NODE_ELEMENT ? at->v.element.children : at->v.document.children;
    for (unsigned i = children.length; i > 0; --i) {
      stack.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
  }
  return nullptr;
}

// The raw tags of a marker run, each "<" to ">"; empty when the text is not only tags.
std::vector<std::string_view> SplitTags(std::string_view text) {
  std::vector<std::string_view> tags;
  std::size_t start = 0;
  while (start < text.size()) {
    if (text[start] != '<') {
      return {};
    }
    const std::size_t end = text.find('>', start);
    if (end == std::string_view::npos) {
      return {};
    }
    tags.push_back(text.substr(start, end - start + 1));
    start = end + 1;
  }
  return tags;
}

// An IMG raw tag as an img element; false when the tag is no picture.
bool EmitPicture(WriteState& s, std::string_view tag) {
  if (!StartsWithNoCase(tag, "<img")) {
    return false;
  }
  const std::unique_ptr<GumboOutput, GumboOutputDeleter> parsed(
      gumbo_parse_with_options(&kGumboDefaultOptions, tag.data(), tag.size()));
  const GumboNode* image = parsed ? FindFirstImage(parsed->document) : nullptr;
  if (image == nullptr) {
    return false;
  }
  const GumboVector& attributes = image->v.element.attributes;
  const auto value = [&](const char* name) -> std::optional<std::string_view> {
    const GumboAttribute* attribute = gumbo_get_attribute(&attributes, name);
    return attribute ? std::optional<std::string_view>(attribute->value) : std::nullopt;
  };
  const std::string_view src = value("src").value_or("");
  if (!IsAllowedPictureSource(src)) {
    return true;  // a refused source: the picture is left out
  }
  std::string& out = s.out;
  out += "<img src=\"";
  AppendEncodedAttribute(out, src);
  out += "\" alt=\"";
  AppendEncodedAttribute(out, value("alt").value_or(""));
  out += '"';
  for (const char* name : {"align", "width", "height", "border", "hspace", "vspace"}) {
    if (const auto given = value(name)) {
      out += ' ';
      out += name;
      out += "=\"";
      AppendEncodedAttribute(out, *given);
      out += '"';
    }
  }
  out += '>';
  return true;
}

// Whether a raw-tag run's text is IMG tags only.
bool IsPictureText(std::string_view text) {
  const std::vector<std::string_view> tags = SplitTags(text);
  for (const std::string_view tag : tags) {
    const char after = tag.size() > 4 ? tag[4] : '>';
    if (!StartsWithNoCase(tag, "<img") ||
        !(after == ' ' || after == '\t' || after == '\n' || after == '\r' || after == '\f' ||
          after == '/' || after == '>')) {
      return false;
    }
  }
  return !tags.empty();
}

// A raw-tag run: its pictures, in the run's face, size and weight, or, when it holds anything
// else, the text the editor shows.
void EmitRawRun(WriteState& s, const Resolved& r, std::string_view text, const Resolved& base) {
  const std::vector<std::string_view> tags = SplitTags(text);
  if (!IsPictureText(text)) {
    EmitStyledText(s, r, text, base);
    return;
  }
  Resolved around = r;  // the marker's own italic and colour are the picture itself
  around.italic = base.italic;
  around.color = base.color;
  const std::string close = OpenFormat(s, around, base);
  for (const std::string_view tag : tags) {
    if (!EmitPicture(s, tag)) {
      EmitStyledText(s, r, tag, around);
    }
  }
  s.out += close;
}

void EmitRuns(WriteState& s) {
  std::vector<Resolved> resolved;
  resolved.reserve(s.runs.size());
  for (const Run& run : s.runs) {
    resolved.push_back(Resolve(s, run.format));
  }
  const Resolved defaults = DefaultFormat(s);
  for (std::size_t i = 0; i < s.runs.size(); ++i) {
    const Resolved& r = resolved[i];
    const std::string_view text = s.runs[i].text;
    if (IsMarker(r) && r.underline) {
      // A hyperlink: the URL run, then its text and pictures.
      std::size_t end = i + 1;
      while (end < s.runs.size() && ((IsLinkText(resolved[end]) && !IsMarker(resolved[end])) ||
                                     (IsMarker(resolved[end]) && !resolved[end].underline &&
                                      IsPictureText(s.runs[end].text)))) {
        ++end;
      }
      if (end == i + 1) {
        EmitStyledText(s, r, text, defaults);
        continue;
      }
      // The URL run's face, size and weight around the link; its marker format is the link.
      Resolved around = r;
      around.italic = false;
      around.underline = false;
      around.color = 0;
      const std::string close = OpenFormat(s, around, defaults);
      s.out += "<a href=\"";
      AppendEncodedAttribute(s.out, std::string(AllowedLinkUrlOr(text)));
      s.out += "\">";
      for (std::size_t j = i + 1; j < end; ++j) {
        Resolved inner = resolved[j];
        if (IsMarker(inner)) {
          EmitRawRun(s, inner, s.runs[j].text, around);
        } else {
          inner.underline = false;  // a link is shown underlined in the link colour
          inner.color = 0;
          EmitStyledText(s, inner, s.runs[j].text, around);
        }
      }
      s.out += "</a>";
      s.out += close;
      i = end - 1;
    } else if (IsMarker(r)) {
      EmitRawRun(s, r, text, defaults);
    } else {
      EmitStyledText(s, r, text, defaults);
    }
  }
}

void CloseList(WriteState& s) {
  if (s.list) {
    s.out += "</ul>\n";
    s.list = false;
  }
}

void CloseQuote(WriteState& s) {
  CloseList(s);
  if (s.quote) {
    s.out += "</blockquote>\n";
    s.quote.reset();
  }
}

// White space the browser would collapse: the paragraph keeps it with pre-wrap. A URL run
// shows nothing in a browser, a picture is no white space.
bool NeedsKeptSpaces(const WriteState& s) {
  std::string text;
  for (const Run& run : s.runs) {
    const Resolved r = Resolve(s, run.format);
    if (IsMarker(r) && r.underline) {
      continue;
    }
    text += IsMarker(r) && IsPictureText(run.text) ? std::string_view("x") : run.text;
  }
  return !text.empty() &&
         (text.front() == ' ' || text.back() == ' ' || text.find("  ") != std::string::npos ||
          text.find('\t') != std::string::npos);
}

void FlushParagraph(WriteState& s) {
  if (s.pendingHigh != 0) {
    s.pendingHigh = 0;
    AppendCode(s, 0xFFFD);
  }
  const ParaFormat& para = s.para;
  const std::int32_t left = para.bullet ? std::max(0, para.left - 360) : para.left;
  const std::optional<std::pair<std::int32_t, std::int32_t>> quote =
      left > 0 || para.right > 0 ? std::optional(std::pair(left, para.right)) : std::nullopt;
  if (quote != s.quote) {
    CloseQuote(s);
    if (quote) {
      s.out += "<blockquote style=\"margin-left:";
      AppendPoints(s.out, quote->first / 20.0);
      s.out += ";margin-right:";
      AppendPoints(s.out, quote->second / 20.0);
      s.out += "\">\n";
      s.quote = quote;
    }
  }
  if (para.bullet && !s.list) {
    s.out += "<ul>\n";
    s.list = true;
  } else if (!para.bullet) {
    CloseList(s);
  }
  const std::string_view element = para.bullet ? "li" : "p";
  s.out += '<';
  s.out += element;
  const bool keep = NeedsKeptSpaces(s);
  if (para.align != Align::kLeft || keep) {
    s.out += " style=\"";
    if (para.align != Align::kLeft) {
      s.out += para.align == Align::kCenter ? "text-align:center" : "text-align:right";
    }
    if (keep) {
      s.out += para.align != Align::kLeft ? ";white-space:pre-wrap" : "white-space:pre-wrap";
    }
    s.out += '"';
  }
  s.out += '>';
  if (s.runs.empty()) {
    s.out += "<br>";
  }
  EmitRuns(s);
  s.out += "</";
  s.out += element;
  s.out += ">\n";
  s.runs.clear();
  s.anyParagraph = true;
}

}  // namespace

std::string RtfToHtml5(std::string_view rtf, const Html5Options& options) {
  WriteState s(rtf, options);
  std::string& out = s.out;
  std::string defaults = "font-family:";
  AppendFaceValue(defaults, options.defaultFace);
  defaults += ";font-size:";
  AppendPoints(defaults, options.defaultPoints);
  if (options.page == Html5Page::kDocument) {
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Document</title></head>\n";
    out += "<body style=\"" + defaults + "\">\n";
  } else {
    out += "<div style=\"" + defaults + "\">\n";
  }
  while (s.pos < rtf.size()) {
    ReadToken(s);
  }
  // A last \par with nothing after it ends the last paragraph; it opens none.
  if (!s.runs.empty() || !s.openedByPar || !s.anyParagraph) {
    FlushParagraph(s);
  }
  CloseQuote(s);
  out += options.page == Html5Page::kDocument ? "</body></html>" : "</div>";
  return std::move(s.out);
}

}  // namespace scrivlet
