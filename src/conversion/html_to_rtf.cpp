#include "conversion/html_to_rtf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>

#include "conversion/color_lib.h"
#include "conversion/conversion_error.h"
#include "conversion/font_lib.h"
#include "conversion/html_safety.h"
#include "conversion/markers.h"
#include "text/forward_find.h"
#include "text/output_buffer.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr std::int64_t kIndentStep = 360;
constexpr std::string_view kDefaultFace = "Arial";
constexpr std::string_view kBulletListOpen =
    "\\fi-360{\\*\\pn\\pnlvlblt\\pnf1\\pnindent360{\\pntxtb\\'b7}}";

enum class NonAscii { kCopy, kEscape };

// Appends the bytes [from, to) of `whole`, RTF-encoded; characters are decoded within those
// bytes alone.
template <class Out>
void AppendRtfEncodedPart(Out& out, std::string_view whole, std::size_t from, std::size_t to,
                          NonAscii nonAscii) {
  const std::string_view text = whole.substr(from, to - from);
  std::size_t i = from;
  while (i < to) {
    // Most of a page is plain words, which the scan passes sixteen bytes at a time.
    const std::size_t plain = FindByteOf<NonAsciiBytes::kStop, '\\', '{', '}'>(whole, i, to);
    if constexpr (std::is_same_v<Out, OutputBuffer>) {
      out.AppendShort(whole.data() + i, plain - i, whole.size() - i);
    } else {
      out.append(whole.data() + i, plain - i);
    }
    i = plain;
    if (i == to) {
      break;
    }
    const char c = whole[i];
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += c;
      ++i;
    } else if (nonAscii == NonAscii::kCopy) {
      out += c;
      ++i;
    } else {
      const DecodedChar decoded = DecodeUtf8(text, i - from);
      AppendRtfUnicodeEscape(out, decoded.code);
      i += decoded.bytes;
    }
  }
}

template <class Out>
void AppendRtfEncoded(Out& out, std::string_view text, NonAscii nonAscii) {
  AppendRtfEncodedPart(out, text, 0, text.size(), nonAscii);
}

// Text as the surface must read it: RTF escapes, and non-ASCII as "\uN " escapes.
template <class Out>
void AppendRtfText(Out& out, std::string_view text) {
  AppendRtfEncoded(out, text, NonAscii::kEscape);
}

// A face name in a font table: RTF escapes, and ";" as "\'3b", since a bare one ends the
// entry and the rest of the name would be lost.
template <class Out>
void AppendRtfFaceName(Out& out, std::string_view name) {
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t semicolon = std::min(name.find(';', start), name.size());
    AppendRtfText(out, name.substr(start, semicolon - start));
    if (semicolon < name.size()) {
      out += "\\'3b";
    }
    start = semicolon + 1;
  }
}

// Per-call state of one conversion.
struct ScanState {
  ScanState(std::string_view input, ConversionContext& ctx)
      : in(input),
        context(ctx),
        body(input.size() + input.size() / 4),
        tagCloses(input, ">"),
        entityCloses(input, ";"),
        commentEnds(input, "-->") {}

  std::string_view in;
  ConversionContext& context;
  std::size_t pos = 0;
  std::int64_t indent = 0;
  bool convertTags = true;  // the raw-tag switch: off turns the next tag into a raw-tag run
  // Where the page's last text ends: only tags and line ends follow.
  std::size_t textEnd = 0;
  // Text was written since the last paragraph or line break.
  bool paragraphOpen = false;
  // An alignment or indent was set, which a closing tag's reset would take from the paragraph.
  bool paragraphFormatted = false;
  OutputBuffer body;

  ForwardFinder tagCloses;
  ForwardFinder entityCloses;
  ForwardFinder commentEnds;
  // Numbers for the tables, which only this scan writes while it runs.
  FirstUseNumbering<std::int32_t> colorNumbers{context.ColorTable};
  FirstUseNumbering<std::string> fontNumbers{context.FontTable};
  // The last list tag's fragment: where it ended in the body, the tag, the indent it was for.
  std::size_t listFragmentEnd = std::string_view::npos;
  std::string_view listFragmentTag;
  std::int64_t listFragmentIndent = 0;
};

std::int32_t IndexColor(ScanState& s, std::int32_t color) {
  return s.colorNumbers.NumberOf(color);
}

std::int32_t IndexFont(ScanState& s, std::string_view face) {
  return s.fontNumbers.NumberOf(face);
}

// ----- Attribute values -----

[[noreturn]] void ThrowBadValue(std::string_view attribute, std::string_view value,
                                std::string_view problem) {
  throw ConversionError(
      std::string(attribute) + " value \"" + CutForMessage(value) + "\" " + std::string(problem),
      std::string(value));
}

// `text` as a whole number when it is one to nine decimal digits, the common case that needs no
// floating-point reading.
std::optional<std::int64_t> ReadPlainDigits(std::string_view text) {
  if (text.empty() || text.size() > 9) {
    return std::nullopt;
  }
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  return value;
}

// A SIZE value as a whole number: signed, a fraction rounds half to even, an exponent allowed.
std::int16_t ReadSizeValue(std::string_view value) {
  const std::string_view number = TrimAny(value, " \t\r\n");
  if (const std::optional<std::int64_t> plain = ReadPlainDigits(number)) {
    if (*plain > std::numeric_limits<std::int16_t>::max()) {
      ThrowBadValue("SIZE", value, "is out of range");
    }
    return static_cast<std::int16_t>(*plain);
  }
  std::size_t i = (!number.empty() && (number[0] == '+' || number[0] == '-')) ? 1 : 0;
  bool digits = false;
  bool point = false;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits && i < number.size() && FoldAscii(number[i]) == 'e') {
    std::size_t j = i + 1;
    if (j < number.size() && (number[j] == '+' || number[j] == '-'))
      ++j;
    const std::size_t exponentDigits = j;
    while (j < number.size() && number[j] >= '0' && number[j] <= '9')
      ++j;
    if (j > exponentDigits)
      i = j;
  }
  if (!digits || i != number.size()) {
    ThrowBadValue("SIZE", value, "is not a number");
  }
  const std::string text(number);
  const std::int64_t size = RoundHalfEven(std::strtod(text.c_str(), nullptr));
  if (size < std::numeric_limits<std::int16_t>::min() ||
      size > std::numeric_limits<std::int16_t>::max()) {
    ThrowBadValue("SIZE", value, "is out of range");
  }
  return static_cast<std::int16_t>(size);
}

// A COLOR value: one leading "#", then hexadecimal digits of at most 32 bits ("#" alone is 0).
std::int32_t ReadColorValue(std::string_view value) {
  std::string_view digits = value;
  if (digits.starts_with('#')) {
    digits.remove_prefix(1);
  }
  std::uint64_t color = 0;
  for (const char c : digits) {
    int digit = -1;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    if (FoldAscii(c) >= 'a' && FoldAscii(c) <= 'f')
      digit = FoldAscii(c) - 'a' + 10;
    if (digit < 0) {
      ThrowBadValue("COLOR", value, "is not a hexadecimal number");
    }
    color = color * 16 + static_cast<std::uint64_t>(digit);
    if (color > 0xFFFFFFFFu) {
      ThrowBadValue("COLOR", value, "is out of range");
    }
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(color));
}

// ----- Tags -----

struct ExactTag {
  std::string_view name;
  std::string_view fragment;
};

constexpr std::array<ExactTag, 13> kFixedTags = {{
    {"P", "\\par "},
    {"/P", "\\pard "},
    {"DIV", ""},
    {"/DIV", "\\pard "},
    {"BR", "\\line "},
    {"B", "\\b "},
    {"/B", "\\b0 "},
    {"I", "\\i "},
    {"/I", "\\i0 "},
    {"U", "\\ul "},
    {"/U", "\\ulnone "},
    {"LI", "{\\pntext\\f1\\'b7\\tab}"},
    {"/LI", "\\par "},
}};

void AppendIndentFragment(OutputBuffer& piece, std::int64_t indent) {
  piece += "\\li";
  AppendDecimal(piece, indent);
  piece += "\\ri";
  AppendDecimal(piece, indent);
  piece += ' ';
}

void StepIndent(ScanState& s, std::int64_t step) {
  s.indent += step;
  if (s.indent > std::numeric_limits<std::int32_t>::max() ||
      s.indent < std::numeric_limits<std::int32_t>::min()) {
    throw ConversionError("BLOCKQUOTE nesting overflows the indent", "BLOCKQUOTE");
  }
}

// A closing tag resets the paragraph's alignment and indent before the paragraph ends. The
// control's pages end every paragraph with a break before such a tag, save the last: there the
// paragraph is ended first, so that it keeps its alignment and indent (the reader adds no empty
// paragraph for a last "\par").
void EndLastParagraph(ScanState& s, std::size_t lt, OutputBuffer& piece) {
  if (s.paragraphOpen && s.paragraphFormatted && lt >= s.textEnd) {
    piece += "\\par ";
    s.paragraphOpen = false;
  }
}

bool IsFormatReset(std::string_view tag) {
  return tag == "/DIV" || tag == "/P" || tag == "/BLOCKQUOTE" || tag == "/UL";
}

// Tags whose whole text is a known name, letter case included. Returns false for any other.
bool TranslateExactTag(ScanState& s, std::string_view tag, OutputBuffer& piece) {
  // No known name is longer than a closing BLOCKQUOTE: most tags (FONT with its attributes,
  // anchors) are, and need no comparison at all.
  if (tag.size() > 11) {
    return false;
  }
  for (const ExactTag& fixed : kFixedTags) {
    // The first letters tell most names apart before a comparison is called.
    if (tag.size() == fixed.name.size() && tag[0] == fixed.name[0] && tag == fixed.name) {
      piece += fixed.fragment;
      if (fixed.fragment.starts_with("\\par") || fixed.fragment.starts_with("\\line")) {
        s.paragraphOpen = false;
      }
      return true;
    }
  }
  const bool listTag = tag == "UL" || tag == "/UL";
  // A list tag repeated with nothing in between changes nothing: a page of thousands of them
  // would otherwise multiply the document and the memory loading it takes.
  if (listTag && piece.size() == s.listFragmentEnd && tag == s.listFragmentTag &&
      s.indent == s.listFragmentIndent) {
    return true;
  }
  if (tag == "UL") {
    piece += "\\li";
    AppendDecimal(piece, s.indent + kIndentStep);
    piece += kBulletListOpen;
    s.paragraphFormatted = true;
  } else if (tag == "/UL") {
    piece += "\\pard";
    AppendIndentFragment(piece, s.indent);
  } else if (tag == "BLOCKQUOTE") {
    StepIndent(s, kIndentStep);
    AppendIndentFragment(piece, s.indent);
    s.paragraphFormatted = true;
  } else if (tag == "/BLOCKQUOTE") {
    StepIndent(s, -kIndentStep);
    AppendIndentFragment(piece, s.indent);
  } else if (tag == "/A") {
    piece += "\\ulnone\\cf0 ";
  } else {
    return false;
  }
  if (listTag) {
    s.listFragmentEnd = piece.size();
    s.listFragmentTag = tag;
    s.listFragmentIndent = s.indent;
  }
  return true;
}

// FACE, SIZE and COLOR of a FONT tag, each as GetTagAttribute reads it (the first "NAME="
// anywhere, letter case ignored), found in one pass over the tag's "=" signs.
struct FontAttributes {
  std::string_view face;  // views into the tag
  std::string_view size;
  std::string_view color;
};

FontAttributes ReadFontAttributes(std::string_view tag) {
  FontAttributes attributes;
  bool face = false;
  bool size = false;
  bool color = false;
  const auto named = [&](std::size_t equals, std::string_view name) {
    if (equals < name.size()) {
      return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
      if (FoldAscii(tag[equals - name.size() + i]) != FoldAscii(name[i])) {
        return false;
      }
    }
    return true;
  };
  for (std::size_t equals = tag.find('=');
       equals != std::string_view::npos && !(face && size && color);
       equals = tag.find('=', equals + 1)) {
    if (!face && named(equals, "FACE")) {
      attributes.face = TagAttributeViewAt(tag, equals + 1);
      face = true;
    }
    if (!size && named(equals, "SIZE")) {
      attributes.size = TagAttributeViewAt(tag, equals + 1);
      size = true;
    }
    if (!color && named(equals, "COLOR")) {
      attributes.color = TagAttributeViewAt(tag, equals + 1);
      color = true;
    }
  }
  return attributes;
}

void TranslateFontTag(ScanState& s, std::string_view tag, OutputBuffer& piece) {
  const FontAttributes attributes = ReadFontAttributes(tag);
  const std::string_view face = attributes.face;
  piece += "\\f";
  // A blank face is no face: as a table entry without a name it would leave the number to
  // the Symbol font of the document's header.
  AppendSmallDecimal(piece, TrimAny(face, " \t\r\n").empty() ? 0 : IndexFont(s, face));

  const std::string_view size = attributes.size;
  piece += "\\fs";
  AppendSmallDecimal(piece, size.empty() ? 24 : 2 * HtmlSizeToPoints(ReadSizeValue(size)));

  const std::string_view color = attributes.color;
  piece += "\\cf";
  AppendSmallDecimal(piece, color.empty() ? 0 : IndexColor(s, ReadColorValue(color)));
  piece += ' ';
}

void TranslateHyperlinkTag(ScanState& s, std::string_view tag, OutputBuffer& piece) {
  constexpr std::string_view kHrefEnd = "HREFEND";
  if (tag.size() >= kHrefEnd.size() && StartsWithNoCase(tag.substr(tag.size() - 7), kHrefEnd)) {
    tag.remove_suffix(kHrefEnd.size());
  }
  // The URL run holds the URL itself; RtfToHtml encodes it again for the attribute.
  const std::string url = DecodeAttributeReferences(GetTagAttribute(tag, "HREF"));
  const std::int32_t silver = IndexColor(s, MarkerColor);
  const std::int32_t blue = IndexColor(s, LinkColor);
  piece += "\\i\\ul\\cf";
  AppendDecimal(piece, silver);
  piece += ' ';
  AppendRtfText(piece, url);
  piece += "\\i0\\ul\\cf";
  AppendDecimal(piece, blue);
  piece += ' ';
}

void TranslateAlignTag(ScanState& s, std::string_view tag, OutputBuffer& piece) {
  std::string align = GetTagAttribute(tag, "ALIGN");
  for (char& c : align) {
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  }
  if (align == "LEFT") {
    piece += "\\ql ";
  } else if (align == "CENTER") {
    piece += "\\qc ";
    s.paragraphFormatted = true;
  } else if (align == "RIGHT") {
    piece += "\\qr ";
    s.paragraphFormatted = true;
  }
}

// A comment: skipped whole even when it holds a ">", and its fragment sets 8 points. The space
// after "\fs16" keeps digits and a space that follow the comment in the text.
void TranslateComment(ScanState& s, std::size_t lt, std::size_t gt, std::string_view tag,
                      OutputBuffer& piece) {
  const std::size_t end = s.commentEnds.Find(lt);
  if (end != std::string_view::npos && end > gt) {
    s.pos = end + 3;
  }
  piece += "\\fs16 ";
  if (tag.find(kRawTagMarkerWord) != std::string_view::npos) {
    s.convertTags = false;
  }
}

void TranslateRawTag(ScanState& s, std::string_view tag, OutputBuffer& piece) {
  s.paragraphOpen = true;
  piece += "\\i\\ulnone\\cf";
  AppendDecimal(piece, IndexColor(s, MarkerColor));
  piece += " <";
  AppendRtfText(piece, tag);
  piece += ">\\i0\\cf0 ";
}

void TranslateTag(ScanState& s, std::size_t lt, std::size_t gt, OutputBuffer& piece) {
  const std::string_view tag = s.in.substr(lt + 1, gt - lt - 1);
  if (!s.convertTags) {
    TranslateRawTag(s, tag, piece);
    s.convertTags = true;
    return;
  }
  // The control's pages close every run's FONT, a quarter of their tags: it translates to
  // nothing, and none of the comparisons below need to run for it.
  if (tag == "/FONT") {
    return;
  }
  if (IsFormatReset(tag)) {
    EndLastParagraph(s, lt, piece);
  }
  if (TranslateExactTag(s, tag, piece)) {
    return;
  }
  // Without an "=" (a closing tag, most often) no HREF= or ALIGN= needs looking for.
  const bool attributes = tag.find('=') != std::string_view::npos;
  if (StartsWithNoCase(tag, "FONT")) {
    TranslateFontTag(s, tag, piece);
  } else if (attributes && FindNoCase(tag, "HREF=") != std::string_view::npos) {
    TranslateHyperlinkTag(s, tag, piece);
  } else if (attributes && FindNoCase(tag, "ALIGN=") != std::string_view::npos) {
    TranslateAlignTag(s, tag, piece);
  } else if (tag.starts_with("!--")) {
    TranslateComment(s, lt, gt, tag, piece);
  }
}

// ----- Entities -----

// The code a numeric reference names: decimal as a leading number ("65x" is 65, no digits is 0),
// or hexadecimal after "x". Returns -1 for a code no character has.
std::int64_t ReadCharacterReference(std::string_view number, std::string_view entity) {
  if (!number.empty() && FoldAscii(number[0]) == 'x') {
    std::uint64_t code = 0;
    for (const char c : number.substr(1)) {
      const char f = FoldAscii(c);
      const bool digit = c >= '0' && c <= '9';
      if (!digit && !(f >= 'a' && f <= 'f'))
        break;
      code = code * 16 + static_cast<std::uint64_t>(digit ? c - '0' : f - 'a' + 10);
      if (code > 0x10FFFF)
        return -1;
    }
    return static_cast<std::int64_t>(code);
  }
  const std::optional<std::int64_t> plain = ReadPlainDigits(number);
  const std::int64_t code = plain ? *plain : RoundHalfEven(ReadLeadingNumber(number));
  if (code < 0) {
    throw ConversionError("character reference \"&" + CutForMessage(entity) + ";\" is negative",
                          std::string(entity));
  }
  return code > 0x10FFFF ? -1 : code;
}

void TranslateEntity(std::string_view name, OutputBuffer& piece) {
  if (name == "lt") {
    piece += '<';
  } else if (name == "gt") {
    piece += '>';
  } else if (name == "quot") {
    piece += '"';
  } else if (name == "nbsp") {
    piece += "\\~";
  } else if (name == "amp") {
    piece += '&';
  } else if (name == "mdash") {
    piece += "\\emdash ";
  } else if (name == "ndash") {
    piece += "\\endash ";
  } else if (name.starts_with('#')) {
    std::int64_t code = ReadCharacterReference(name.substr(1), name);
    // Decimal codes 128-159 name the code page 1252 characters, as in the 8-bit character set
    // and as browsers read them. The hexadecimal form is the code itself: HtmlEncode writes a C1
    // control character that way, so that it comes back. NUL and surrogates are no characters
    // of a document.
    const bool hexadecimal = name.size() > 1 && FoldAscii(name[1]) == 'x';
    if (code >= 0x80 && code <= 0x9F && !hexadecimal) {
      code = Cp1252ToUnicode(static_cast<std::uint8_t>(code));
    }
    if (code >= 0x80 && !IsSurrogate(static_cast<char32_t>(code))) {
      AppendRtfUnicodeEscape(piece, static_cast<char32_t>(code));  // what AppendRtfText writes
    } else if (code > 0 && code < 0x80) {
      std::string character;
      AppendUtf8(character, static_cast<char32_t>(code));
      AppendRtfText(piece, character);
    }
  }
}

// ----- The scan -----

void AppendFontTable(std::string& out, const ConversionContext& context) {
  out += "{\\fonttbl";
  for (std::size_t i = 0; i < context.FontTable.size(); ++i) {
    out += "{\\f";
    AppendDecimal(out, static_cast<std::int64_t>(i));
    out += ' ';
    AppendRtfFaceName(out, FirstFontFace(context.FontTable[i]));
    out += ";}";
  }
  out += '}';
}

// AppendRtfText of the input from the current position up to `to`, scanned in place.
void AppendTextUpTo(ScanState& s, std::size_t to) {
  if (!s.paragraphOpen && to > s.pos) {
    s.paragraphOpen =
        s.in.substr(s.pos, to - s.pos).find_first_not_of("\r\n") != std::string_view::npos;
  }
  AppendRtfEncodedPart(s.body, s.in, s.pos, to, NonAscii::kEscape);
}

// The first `Close` at or after `from`, or npos. A tag or an entity mostly closes within a few
// dozen bytes, which one scan in place finds; past them `finder` searches on and remembers its
// answer, so that an unclosed "<" or "&" before many others costs no rescans.
template <char Close>
std::size_t FindClose(const ScanState& s, ForwardFinder& finder, std::size_t from) {
  constexpr std::size_t kNear = 64;
  const std::size_t near = std::min(from + kNear, s.in.size());
  const std::size_t at = FindByteOf<NonAsciiBytes::kPass, Close>(s.in, from, near);
  return at < near ? at : finder.Find(near);
}

// Appends the text before the next tag or entity, then the token's fragment.
void ScanNextToken(ScanState& s) {
  OutputBuffer& piece = s.body;
  // One scan finds whichever of a tag and an entity comes first; the scan never passes the
  // same bytes twice, as the token found is always consumed.
  const std::size_t next = FindByteOf<NonAsciiBytes::kPass, '<', '&'>(s.in, s.pos, s.in.size());
  if (next < s.in.size() && s.in[next] == '<') {
    const std::size_t lt = next;
    AppendTextUpTo(s, lt);
    s.pos = lt + 1;
    const std::size_t gt = FindClose<'>'>(s, s.tagCloses, lt);
    if (gt == std::string_view::npos) {
      return;  // a "<" that opens no tag is dropped
    }
    s.pos = gt + 1;
    TranslateTag(s, lt, gt, piece);
  } else if (next < s.in.size()) {
    const std::size_t amp = next;
    AppendTextUpTo(s, amp);
    s.pos = amp + 1;
    const std::size_t semicolon = FindClose<';'>(s, s.entityCloses, amp);
    if (semicolon == std::string_view::npos) {
      return;  // an "&" that ends no entity is dropped
    }
    s.pos = semicolon + 1;
    s.paragraphOpen = true;
    TranslateEntity(s.in.substr(amp + 1, semicolon - amp - 1), piece);
  } else {
    AppendTextUpTo(s, s.in.size());
    s.pos = s.in.size();
  }
}

// Where the last text of `html` ends: only tags and line ends follow it.
std::size_t FindTextEnd(std::string_view html) {
  std::size_t end = html.size();
  while (end > 0) {
    const char c = html[end - 1];
    if (c == '\r' || c == '\n') {
      --end;
    } else if (c == '>') {
      const std::size_t lt = html.rfind('<', end - 1);
      if (lt == std::string_view::npos) {
        break;
      }
      end = lt;
    } else {
      break;
    }
  }
  return end;
}

bool ContainsUnicodeEscape(std::string_view rtf) {
  for (std::size_t b = rtf.find('\\'); b != std::string_view::npos; b = rtf.find('\\', b)) {
    const char next = b + 1 < rtf.size() ? rtf[b + 1] : '\0';
    if (next == 'u' && b + 2 < rtf.size() &&
        ((rtf[b + 2] >= '0' && rtf[b + 2] <= '9') || rtf[b + 2] == '-')) {
      return true;
    }
    b += (next == '\\' || next == '{' || next == '}') ? 2 : 1;
  }
  return false;
}

}  // namespace

std::string HtmlToRtf(std::string_view html, ConversionContext& context) {
  context.ColorTable.assign(1, context.DefaultColor);
  context.FontTable.assign(1, std::string(kDefaultFace));
  ScanState s(html, context);
  s.textEnd = FindTextEnd(html);

  while (s.pos < html.size()) {
    ScanNextToken(s);
  }

  // The tables go in front of the body in the body's own buffer, which has room to spare: a
  // copy of a large body into a new string would touch as many fresh pages again.
  std::string tables;
  AppendFontTable(tables, context);
  AppendRtfColorTable(tables, context.ColorTable);
  std::string out = s.body.Take();
  out.insert(0, tables);
  return out;
}

std::string RtfEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendRtfEncoded(out, text, NonAscii::kCopy);
  return out;
}

std::string BuildHtmlDocument(std::string_view surfaceFontName, std::string body) {
  std::string fontName;
  AppendRtfFaceName(fontName, surfaceFontName);
  const bool unicode = ContainsUnicodeEscape(fontName) || ContainsUnicodeEscape(body);

  std::string header = unicode ? "{\\rtf1\\ansi\\uc0\\deftab" : "{\\rtf1\\ansi\\deftab";
  header += "720\\deff0{\\fonttbl{\\f0\\fswiss ";
  header += fontName;
  header += ";}{\\f1\\froman\\fcharset2 Symbol;}}";
  // The converters' buffers have room to spare: the header moves the body along in place.
  body.insert(0, header);
  body += '}';
  return body;
}

}  // namespace scrivlet
