#include "conversion/rtf_to_html.h"

#include <algorithm>
#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conversion/color_lib.h"
#include "conversion/conversion_error.h"
#include "conversion/font_lib.h"
#include "conversion/html_safety.h"
#include "conversion/markers.h"
#include "text/code_pages.h"
#include "text/forward_find.h"
#include "text/output_buffer.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr std::string_view kBlockquoteClose = "</BLOCKQUOTE>";
// An indent of more than a page (32 steps of 360 twips, eight inches) is not a layout any
// document has; capping the nesting keeps a single absurd "\li" from multiplying the output.
constexpr std::int64_t kMaxQuoteSteps = 32;

// How a main-loop step's text run ended.
enum class RunEnd { kTextOnly = 0, kBackslash = 1, kGroupOpen = 2 };

enum class StarState { kIdle = 0, kMet = 1, kSuppressing = 3 };

// Where each group closes, for skipping "\*" destinations in logarithmic time. Built only once a
// scan for a group's end has run to the end of the input (see SkipStarGroup). A brace counts
// unless a backslash stands directly before it.
class GroupCloseIndex {
 public:
  explicit GroupCloseIndex(std::string_view in) {
    std::int64_t level = 0;
    for (std::size_t x = 0; x < in.size(); ++x) {
      const char c = in[x];
      if ((c != '{' && c != '}') || (x > 0 && in[x - 1] == '\\')) {
        continue;
      }
      level += c == '{' ? 1 : -1;
      braces_.push_back({x, level});
      if (c == '}') {
        closes_[level].push_back(x);
      }
    }
  }

  // The first counted "}" at or after `from` that closes the group `from` lies in, or npos.
  std::size_t FindClose(std::size_t from) const {
    const auto before = std::lower_bound(braces_.begin(), braces_.end(), from,
                                         [](const Brace& b, std::size_t p) { return b.pos < p; });
    const std::int64_t level = before == braces_.begin() ? 0 : std::prev(before)->levelAfter;
    const auto list = closes_.find(level - 1);
    if (list == closes_.end()) {
      return std::string_view::npos;
    }
    const auto it = std::lower_bound(list->second.begin(), list->second.end(), from);
    return it == list->second.end() ? std::string_view::npos : *it;
  }

 private:
  struct Brace {
    std::size_t pos;
    std::int64_t levelAfter;
  };
  std::vector<Brace> braces_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> closes_;
};

// Font numbers are small; a font numbered beyond this names no code page. Word's highest, its
// theme fonts', are 31500 and on.
constexpr std::int32_t kMaxFontNumber = 32767;
constexpr std::int32_t kNoFont = -1;

// The number `digits` spells, or -1 when it holds anything but digits or passes kMaxFontNumber.
std::int32_t ReadSmallNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) {
    return -1;
  }
  std::int32_t value = 0;
  for (const char c : digits) {
    if (!IsAsciiDigit(c)) {
      return -1;
    }
    value = value * 10 + (c - '0');
  }
  return value <= kMaxFontNumber ? value : -1;
}

// The digits `text` begins with.
std::string_view LeadingDigits(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && IsAsciiDigit(text[end])) {
    ++end;
  }
  return text.substr(0, end);
}

// Per-call state of one conversion. Read in pieces, `in` is what is left of the pieces read so
// far, and the state carries over from one to the next.
struct RenderState {
  // `wholeSize`: the whole input's size, which the output is sized by; `sink`: where finished
  // output goes as it is made, if anywhere.
  RenderState(std::string_view input, std::size_t wholeSize, ConversionContext& ctx,
              OutputSink* sink)
      : in(input),
        context(ctx),
        out(wholeSize + wholeSize / 2, sink),
        backslashes(input, "\\"),
        spaces(input, " "),
        semicolons(input, ";") {}

  std::string_view in;
  ConversionContext& context;
  std::size_t pos = 0;  // next character to look at
  std::size_t end = 0;  // one past the last converted character
  // A search for what lies past the end of `in` found nothing: a later piece might hold it.
  bool starved = false;
  std::int64_t depth = 0;
  RunEnd mode = RunEnd::kTextOnly;
  std::size_t anchor = 0;
  std::string token;
  // The control word just read: a view of the input, or of the token when it had to be collected.
  std::string_view word;
  char terminator = '\0';
  // A text run that cannot be a marker run goes straight into the output, encoded piece by
  // piece, instead of through the token; `afterSpace` carries the encoder's state between
  // pieces, and `piece` holds a piece built from escapes.
  bool direct = false;
  bool afterSpace = false;
  std::string piece;
  OutputBuffer out;

  bool boldOpen = false;
  bool italicOpen = false;
  bool underlineOpen = false;
  bool fontOpen = false;
  bool attributePending = false;
  bool inLink = false;
  // The open anchor's start tag in `out`, and the tags open when it was written: an anchor that
  // gets nothing to show is taken back, and a URL run that follows it directly continues it.
  std::string anchorUrl;  // its URL text, before the link rule
  std::size_t anchorStart = 0;
  std::size_t anchorEnd = 0;
  bool anchorBoldOpen = false;
  bool anchorFontOpen = false;
  std::int32_t currentColor = 0;
  std::int32_t fontSize = 2;
  std::string_view listClose;
  std::int64_t quoteDepth = 0;  // BLOCKQUOTEs opened in the current paragraph
  bool alignOpen = false;
  bool colorTableMode = false;
  std::int64_t fontTableDepth = 0;
  StarState star = StarState::kIdle;

  // Unicode: the "\uc" fallback count, fallback characters still to skip, and a high surrogate
  // waiting for its low half.
  std::int32_t unicodeSkip = 1;
  std::int32_t pendingSkip = 0;
  char32_t pendingHigh = 0;

  // The code page of "\'xx": the selected font's when its charset names one, else the
  // document's (\ansicpg, \mac, \pc, \pca). `fontPages` holds each font's page by its number
  // (0: the font names none; kNoFont: no font has the number); until a font names a page,
  // "\fN" looks nothing up.
  std::int32_t codePage = 1252;
  std::int32_t fontPage = 0;
  std::vector<std::int32_t> fontPages;
  bool anyFontPage = false;
  std::int64_t charsetTableDepth = 0;  // the font table's depth while it is read, else 0
  std::int32_t fontEntry = -1;         // the font the table is defining, -1 for none
  CodePageDecoder decoder;  // holds a double-byte character's lead byte until its trail byte

  ForwardFinder backslashes;
  ForwardFinder spaces;
  ForwardFinder semicolons;
  std::optional<GroupCloseIndex> groupCloses;
};

bool IsHexDigit(char c) {
  return HexDigitValue(c) >= 0;
}

// ----- Numbers in control words -----

[[noreturn]] void ThrowBadParameter(std::string_view word, std::string_view problem) {
  throw ConversionError(
      "RTF control word \"\\" + CutForMessage(word) + "\" " + std::string(problem),
      std::string(word));
}

// ReadParameter for the parameters the quick reading leaves: signed, too long or malformed.
[[gnu::noinline]] std::int32_t ReadParameterInFull(std::string_view word,
                                                   std::size_t prefixLength) {
  std::string_view digits = word.substr(prefixLength);
  if (digits.empty()) {
    return 0;
  }
  const bool negative = digits.front() == '-';
  if (negative) {
    digits.remove_prefix(1);
  }
  if (digits.empty()) {
    ThrowBadParameter(word, "has a parameter that is not a number");
  }
  std::int64_t value = 0;
  bool tooLarge = false;
  for (const char c : digits) {
    if (!IsAsciiDigit(c)) {
      ThrowBadParameter(word, "has a parameter that is not a number");
    }
    value = value * 10 + (c - '0');
    // Past the range the value stops growing: every digit must still be checked.
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) {
      tooLarge = true;
      value = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    }
  }
  value = negative ? -value : value;
  if (tooLarge || value > std::numeric_limits<std::int32_t>::max()) {
    ThrowBadParameter(word, "has a parameter out of range");
  }
  return static_cast<std::int32_t>(value);
}

// The signed 32-bit parameter of `word` after its first `prefixLength` characters. An empty
// parameter reads 0, as RTF has it. Up to nine digits cannot overflow and are read here: nearly
// every word of a document has one to four.
std::int32_t ReadParameter(std::string_view word, std::size_t prefixLength) {
  const std::size_t count = word.size() - prefixLength;
  if (count - 1 < 9) {
    std::int32_t value = 0;
    std::size_t i = prefixLength;
    for (; i < word.size(); ++i) {
      const auto digit = static_cast<unsigned>(word[i] - '0');
      if (digit > 9) {
        break;
      }
      value = value * 10 + static_cast<std::int32_t>(digit);
    }
    if (i == word.size()) {
      return value;
    }
  }
  return ReadParameterInFull(word, prefixLength);
}

// Appends a string literal; its length is known, so no strlen runs.
template <class Out, std::size_t N>
void Put(Out& out, const char (&text)[N]) {
  out.append(text, N - 1);
}

void AppendColorAttribute(OutputBuffer& out, std::int32_t color) {
  char attribute[kMaxHtmlColorAttributeSize];
  out.append(attribute, WriteHtmlColorAttribute(attribute, color));
}

// `word` is exactly `name`; the comparison of a known length compiles to a few instructions.
template <std::size_t N>
bool WordIs(std::string_view word, const char (&name)[N]) {
  return word.size() == N - 1 && std::memcmp(word.data(), name, N - 1) == 0;
}

bool HasDigitAt(std::string_view word, std::size_t at) {
  return word.size() > at && IsAsciiDigit(word[at]);
}

// `name` followed by a digit. Names are literals, so that the comparison, as in WordIs, is of a
// known length: these run for most words of a document.
template <std::size_t N>
bool IsWordWithNumber(std::string_view word, const char (&name)[N]) {
  constexpr std::size_t kLength = N - 1;
  return word.size() > kLength && IsAsciiDigit(word[kLength]) &&
         std::memcmp(word.data(), name, kLength) == 0;
}

// `name` followed by nothing, a digit or a minus sign: "li", "li360", "li-360" but not "lisa".
template <std::size_t N>
bool IsWordWithOptionalNumber(std::string_view word, const char (&name)[N]) {
  constexpr std::size_t kLength = N - 1;
  return word.size() >= kLength && std::memcmp(word.data(), name, kLength) == 0 &&
         (word.size() == kLength || IsAsciiDigit(word[kLength]) || word[kLength] == '-');
}

std::int64_t QuoteSteps(std::int32_t twips) {
  return RoundHalfEven(static_cast<double>(twips) / 360.0);
}

// ----- Output helpers -----

// "&#" and the code in decimal and ";", built whole and appended once.
template <class Out>
void AppendCharReference(Out& out, char32_t code) {
  char text[16];
  char* end = text + sizeof text;
  char* at = end;
  *--at = ';';
  do {
    *--at = static_cast<char>('0' + code % 10);
    code /= 10;
  } while (code != 0);
  *--at = '#';
  *--at = '&';
  out.append(at, static_cast<std::size_t>(end - at));
}

// A C1 control character as "&#xHH;". A decimal reference 128-159 is read (by HtmlToRtf, as by
// browsers) as the code page 1252 character legacy pages mean by it; HtmlToRtf reads the
// hexadecimal form as the code itself, so the character survives a round trip.
template <class Out>
void AppendC1Reference(Out& out, char32_t code) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  const char text[] = {'&', '#', 'x', kHex[(code >> 4) & 0xF], kHex[code & 0xF], ';'};
  out.append(text, sizeof text);
}

// Which bytes HtmlEncode must write other than as themselves. A space matters only after another
// space, which the scan checks itself.
constexpr std::array<bool, 256> MakeHtmlSpecials() {
  std::array<bool, 256> special{};
  for (const char c : std::string_view("<>\"&")) {
    special[static_cast<unsigned char>(c)] = true;
  }
  for (int b = 0x80; b < 0x100; ++b) {
    special[b] = true;
  }
  return special;
}
constexpr std::array<bool, 256> kHtmlSpecial = MakeHtmlSpecials();

// `afterSpace`: the text continues text whose last character was a space.
bool IsHtmlSpecialAt(std::string_view text, std::size_t i, bool afterSpace) {
  const char c = text[i];
  const bool previousSpace = i > 0 ? text[i - 1] == ' ' : afterSpace;
  return kHtmlSpecial[static_cast<unsigned char>(c)] || (c == ' ' && previousSpace);
}

#if defined(__SSE2__)
// Bit n set when the byte at `at[n]` (n < 16) is one IsHtmlSpecialAt reports, reading the byte
// before each from `at[n - 1]`.
unsigned HtmlSpecialMask(const char* at) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at - 1));
  __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('<')),
                             _mm_cmpeq_epi8(bytes, _mm_set1_epi8('>')));
  hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('"')),
                                       _mm_cmpeq_epi8(bytes, _mm_set1_epi8('&'))));
  const __m128i space = _mm_set1_epi8(' ');
  hit =
      _mm_or_si128(hit, _mm_and_si128(_mm_cmpeq_epi8(bytes, space), _mm_cmpeq_epi8(before, space)));
  // The sign bit of a byte is set for every non-ASCII byte.
  return static_cast<unsigned>(_mm_movemask_epi8(hit) | _mm_movemask_epi8(bytes));
}
#endif

// The first position at or after `i` that HtmlEncode must write other than as itself, or the
// text's size. Most of a document is plain words, so the scan takes sixteen bytes at a time.
std::size_t FindHtmlSpecial(std::string_view text, std::size_t i, bool afterSpace) {
  const std::size_t size = text.size();
  if (i == 0 && size > 0) {
    if (IsHtmlSpecialAt(text, 0, afterSpace)) {
      return 0;
    }
    i = 1;
  }
#if defined(__SSE2__)
  for (; i + 16 <= size; i += 16) {
    if (const unsigned mask = HtmlSpecialMask(text.data() + i)) {
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
  }
#endif
  while (i < size && !IsHtmlSpecialAt(text, i, afterSpace)) {
    ++i;
  }
  return i;
}

// HtmlEncode appended to `out`; `afterSpace` when the text continues text that ended in a space.
template <class Out>
void AppendHtmlEncoded(Out& out, std::string_view text, bool afterSpace = false) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t plain = FindHtmlSpecial(text, i, afterSpace);
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    switch (text[i]) {
      case '<':
        Put(out, "&lt;");
        break;
      case '>':
        Put(out, "&gt;");
        break;
      case '"':
        Put(out, "&quot;");
        break;
      case '&':
        Put(out, "&amp;");
        break;
      case ' ':
        Put(out, "&nbsp;");  // a space after a space
        break;
      default: {
        const DecodedChar decoded = DecodeUtf8(text, i);
        if (decoded.code >= 0x80 && decoded.code <= 0x9F) {
          AppendC1Reference(out, decoded.code);
        } else {
          AppendCharReference(out, decoded.code);
        }
        i += decoded.bytes;
        continue;
      }
    }
    ++i;
  }
}

// ----- Unicode characters from "\'xx" and "\uN" -----

// A short text kept in place, for references built once.
struct SmallText {
  std::array<char, 15> text{};
  std::uint8_t size = 0;

  operator std::string_view() const { return {text.data(), size}; }
};

// The reference HtmlEncode writes for each code page 1252 character "\'80" to "\'ff" stands for.
// A document has one such escape in every few dozen bytes.
const std::array<SmallText, 128>& HighByteReferences() {
  static const std::array<SmallText, 128> references = [] {
    std::array<SmallText, 128> table{};
    for (unsigned byte = 0x80; byte < 0x100; ++byte) {
      const char32_t code = Cp1252ToUnicode(static_cast<std::uint8_t>(byte));
      std::string text;
      if (code <= 0x9F) {
        AppendC1Reference(text, code);
      } else {
        AppendCharReference(text, code);
      }
      SmallText& entry = table[byte - 0x80];
      std::copy(text.begin(), text.end(), entry.text.begin());
      entry.size = static_cast<std::uint8_t>(text.size());
    }
    return table;
  }();
  return references;
}

// Appends a UTF-16 unit read from "\uN", pairing surrogates; an unpaired one becomes U+FFFD.
void AppendUnicodeUnit(RenderState& s, std::string& to, char32_t unit) {
  AppendUtf16Unit(to, unit, s.pendingHigh);
}

void FlushPendingHigh(RenderState& s, std::string& to) {
  if (s.pendingHigh != 0) {
    AppendUtf8(to, 0xFFFD);
    s.pendingHigh = 0;
  }
}

char32_t UnitFromParameter(std::int32_t n) {
  return static_cast<char32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(n)));
}

// The byte a "\'xx" escape stands for.
std::uint8_t ByteFromHexEscape(std::string_view escape) {
  if (escape.size() != 3 || !IsHexDigit(escape[1]) || !IsHexDigit(escape[2])) {
    throw ConversionError(
        "RTF escape \"\\" + CutForMessage(escape) + "\" is not a hexadecimal character code",
        std::string(escape));
  }
  return static_cast<std::uint8_t>(HexDigitValue(escape[1]) * 16 + HexDigitValue(escape[2]));
}

// The code page "\'xx" is read by here.
std::int32_t PageInForce(const RenderState& s) {
  return s.fontPage != 0 ? s.fontPage : s.codePage;
}

// Whether the byte of a "\'xx" escape needs the decoder: a byte of another page than 1252, or
// any byte while a lead byte waits for it. Code page 1252, which the surface writes, has its
// references ready (HighByteReferences).
bool NeedsDecoder(const RenderState& s, unsigned byte) {
  return s.decoder.Pending() || (byte >= 0x80 && PageInForce(s) != 1252);
}

// Decoded characters as UTF-8, as a "\uN" of the same value gives them. NUL is no character.
void AppendDecoded(std::string& to, const CodePageDecoder::Decoded& decoded) {
  for (std::size_t i = 0; i < decoded.count; ++i) {
    if (decoded.characters[i] != 0) {
      AppendUtf8(to, decoded.characters[i]);
    }
  }
}

// ----- Step 1: the text run -----

// The first CR or LF in `text`, or its size. Two memchr scans: find_first_of would compare
// every byte against the set one call at a time.
std::size_t FindLineEnd(std::string_view text) {
  const void* cr = std::memchr(text.data(), '\r', text.size());
  const std::size_t limit =
      cr == nullptr ? text.size()
                    : static_cast<std::size_t>(static_cast<const char*>(cr) - text.data());
  const void* lf = std::memchr(text.data(), '\n', limit);
  return lf == nullptr ? limit
                       : static_cast<std::size_t>(static_cast<const char*>(lf) - text.data());
}

// Appends text to the token; raw CR and LF are not text in RTF.
void AppendRawText(std::string& token, std::string_view text) {
  while (!text.empty()) {
    const std::size_t stop = FindLineEnd(text);
    token.append(text.substr(0, stop));
    if (stop == text.size()) {
      return;
    }
    text.remove_prefix(stop + 1);
  }
}

// Text of the run being gathered: into the token, or encoded into the output.
void TakeText(RenderState& s, std::string_view text) {
  if (!s.direct) {
    s.token.append(text);
  } else if (!text.empty()) {
    AppendHtmlEncoded(s.out, text, s.afterSpace);
    s.afterSpace = text.back() == ' ';
  }
}

// The run's text pieces that escapes make are built here, then taken.
std::string& StartPiece(RenderState& s) {
  s.piece.clear();
  return s.piece;
}

void FlushPendingHighText(RenderState& s) {
  if (s.pendingHigh != 0) {
    FlushPendingHigh(s, StartPiece(s));
    TakeText(s, s.piece);
  }
}

// Characters the decoder gave back, taken as text of the run.
[[gnu::cold]] void TakeDecoded(RenderState& s, const CodePageDecoder::Decoded& decoded) {
  if (decoded.count > 0) {
    FlushPendingHighText(s);
    AppendDecoded(StartPiece(s), decoded);
    TakeText(s, s.piece);
  }
}

// A lead byte the text moved on from without its trail byte is a broken character.
void TakeEndOfPendingBytes(RenderState& s) {
  if (s.decoder.Pending()) {
    TakeDecoded(s, s.decoder.Flush());
  }
}

// A double-byte character's trail byte may be plain text right after its "\'xx" lead byte
// ("\'82a" in 932): the decoder takes it from the input at once, and `emit` writes what it gives
// back. A backslash is left to the escape it begins (an escaped one may be the trail byte); a
// brace breaks the character.
template <class Emit>
void TakeTrailBytes(RenderState& s, Emit emit) {
  while (s.decoder.Pending() && s.pos < s.end) {
    const char c = s.in[s.pos];
    if (c == '\\') {
      return;
    }
    if (c == '{' || c == '}') {
      emit(s.decoder.Flush());
      return;
    }
    ++s.pos;
    if (c != '\r' && c != '\n') {
      emit(s.decoder.Feed(PageInForce(s), static_cast<std::uint8_t>(c)));
    }
  }
}

// Feeds one byte of the text run to the decoder, and the trail bytes after it.
[[gnu::cold]] void TakeDecodedByte(RenderState& s, std::uint8_t byte) {
  TakeDecoded(s, s.decoder.Feed(PageInForce(s), byte));
  TakeTrailBytes(s, [&s](const CodePageDecoder::Decoded& decoded) { TakeDecoded(s, decoded); });
}

// Skips the "\ucN" fallback characters that follow a "\uN" in the text.
void SkipFallbacks(RenderState& s) {
  while (s.pendingSkip > 0 && s.pos < s.end) {
    const char c = s.in[s.pos];
    if (c == '{' || c == '}') {
      break;
    }
    if (c == '\\') {
      const char next = s.pos + 1 < s.in.size() ? s.in[s.pos + 1] : '\0';
      if (next == '\'') {
        s.pos = std::min(s.pos + 4, s.in.size());
      } else if (next == '\\' || next == '{' || next == '}') {
        s.pos += 2;
      } else {
        break;
      }
    } else if (c != '\r' && c != '\n') {
      s.pos += DecodeUtf8(s.in, s.pos).bytes;
    } else {
      ++s.pos;
      continue;
    }
    --s.pendingSkip;
  }
  s.pendingSkip = 0;
}

// Length of "\uN" plus its delimiting space at `b`, when one stands there; 0 otherwise.
std::size_t UnicodeEscapeLength(std::string_view in, std::size_t b) {
  std::size_t i = b + 2;
  if (b + 1 >= in.size() || in[b + 1] != 'u') {
    return 0;
  }
  if (i < in.size() && in[i] == '-') {
    ++i;
  }
  const std::size_t digitsStart = i;
  while (i < in.size() && IsAsciiDigit(in[i])) {
    ++i;
  }
  if (i == digitsStart || (i < in.size() && FoldAscii(in[i]) >= 'a' && FoldAscii(in[i]) <= 'z')) {
    return 0;
  }
  return (i < in.size() && in[i] == ' ' ? i + 1 : i) - b;
}

// Length of "\~", "\emdash" or "\endash" (with its delimiting space) at `b`, setting `code` to
// the character; 0 when none stands there. In a marker run these are characters of the URL or
// the tag (the surface writes U+00A0, U+2014 and U+2013 so), and the run must stay whole.
std::size_t MarkerSymbolLength(std::string_view in, std::size_t b, char32_t& code) {
  if (b + 1 < in.size() && in[b + 1] == '~') {
    code = 0x00A0;
    return 2;
  }
  const std::string_view word = in.substr(b + 1, 6);
  if (word != "emdash" && word != "endash") {
    return 0;
  }
  const std::size_t after = b + 7;
  if (after < in.size() && (IsAsciiDigit(in[after]) || in[after] == '-' ||
                            (FoldAscii(in[after]) >= 'a' && FoldAscii(in[after]) <= 'z'))) {
    return 0;  // a longer word
  }
  code = word == "emdash" ? 0x2014 : 0x2013;
  return after < in.size() && in[after] == ' ' ? 8 : 7;
}

// Takes a character escape at `b` into the token when it is text of a body run, so that a
// marker run holding a brace, a backslash or a non-ASCII character stays one run. Returns
// false when the escape is a control word for the word run.
bool TakeCharacterEscape(RenderState& s, std::size_t b) {
  const char c = b + 1 < s.in.size() ? s.in[b + 1] : '\0';
  if (c == '\\' || c == '{' || c == '}') {
    s.pos = b + 2;
    if (s.decoder.Pending()) {
      TakeDecodedByte(s, static_cast<std::uint8_t>(c));  // a trail byte ("\'95\\" in 932)
      return true;
    }
    FlushPendingHighText(s);
    if (s.direct) {
      s.out += c;  // nothing HtmlEncode changes
      s.afterSpace = false;
    } else {
      s.token += c;
    }
    return true;
  }
  if (s.depth != 1 || s.star != StarState::kIdle) {
    return false;
  }
  if (c == '\'' && b + 3 < s.in.size()) {
    const int high = HexDigitValue(s.in[b + 2]);
    const int low = HexDigitValue(s.in[b + 3]);
    if ((high | low) >= 0) {
      const auto byte = static_cast<unsigned>(high * 16 + low);
      if (NeedsDecoder(s, byte)) {
        s.pos = b + 4;
        TakeDecodedByte(s, static_cast<std::uint8_t>(byte));
        return true;
      }
      if (byte < 0x80) {
        return false;  // the word run writes it as a numeric reference
      }
      FlushPendingHighText(s);
      if (s.direct) {
        // A character of code page 1252 above ASCII: its reference, as HtmlEncode writes it.
        s.out += HighByteReferences()[byte - 0x80];
        s.afterSpace = false;
      } else {
        AppendUtf8(s.token, Cp1252ToUnicode(static_cast<std::uint8_t>(byte)));
      }
      s.pos = b + 4;
      return true;
    }
  }
  if (s.currentColor == MarkerColor && s.italicOpen) {
    char32_t symbol = 0;
    if (const std::size_t symbolLength = MarkerSymbolLength(s.in, b, symbol)) {
      TakeEndOfPendingBytes(s);
      FlushPendingHighText(s);
      AppendUtf8(StartPiece(s), symbol);
      TakeText(s, s.piece);
      s.pos = b + symbolLength;
      return true;
    }
  }
  const std::size_t length = UnicodeEscapeLength(s.in, b);
  if (length == 0) {
    return false;
  }
  std::string_view word = s.in.substr(b + 1, length - 1);
  if (word.back() == ' ') {
    word.remove_suffix(1);
  }
  TakeEndOfPendingBytes(s);
  AppendUnicodeUnit(s, StartPiece(s), UnitFromParameter(ReadParameter(word, 1)));
  TakeText(s, s.piece);
  s.pos = b + length;
  s.pendingSkip = s.unicodeSkip;
  SkipFallbacks(s);
  return true;
}

// The first position in [i, to) that AppendEncodedInput must write other than as itself, or
// `to`; the text began at `start`. Like FindHtmlSpecial, but the text lies in the input, so the
// sixteen-byte loads may reach past `to` while the input goes on: a run of text is a few dozen
// bytes, and the scan rarely falls back to single bytes.
std::size_t FindInputHtmlSpecial(std::string_view in, std::size_t start, std::size_t i,
                                 std::size_t to, bool afterSpace) {
  if (i == start && i < to) {
    if (IsHtmlSpecialAt(in.substr(start), 0, afterSpace)) {
      return i;
    }
    ++i;
  }
#if defined(__SSE2__)
  for (; i < to && i + 16 <= in.size(); i += 16) {
    unsigned mask = HtmlSpecialMask(in.data() + i);
    if (to - i < 16) {
      mask &= (1U << (to - i)) - 1;
    }
    if (mask != 0) {
      return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
  }
#endif
  while (i < to && !IsHtmlSpecialAt(in, i, afterSpace)) {
    ++i;
  }
  return std::min(i, to);
}

// AppendHtmlEncoded of the input's bytes [from, to), which hold no line end, continuing the
// run's encoding.
void AppendEncodedInput(RenderState& s, std::size_t from, std::size_t to) {
  // A character is decoded within the text alone, as the text on its own would be.
  const std::string_view text = s.in.substr(from, to - from);
  std::size_t plain = from;
  std::size_t i = from;
  while (i < to) {
    i = FindInputHtmlSpecial(s.in, from, i, to, s.afterSpace);
    if (i == to) {
      break;
    }
    s.out.AppendShort(s.in.data() + plain, i - plain, s.in.size() - plain);
    switch (s.in[i]) {
      case '<':
        Put(s.out, "&lt;");
        break;
      case '>':
        Put(s.out, "&gt;");
        break;
      case '"':
        Put(s.out, "&quot;");
        break;
      case '&':
        Put(s.out, "&amp;");
        break;
      case ' ':
        Put(s.out, "&nbsp;");  // a space after a space
        break;
      default: {
        const DecodedChar decoded = DecodeUtf8(text, i - from);
        if (decoded.code >= 0x80 && decoded.code <= 0x9F) {
          AppendC1Reference(s.out, decoded.code);
        } else {
          AppendCharReference(s.out, decoded.code);
        }
        i += decoded.bytes - 1;
        break;
      }
    }
    ++i;
    plain = i;
  }
  s.out.AppendShort(s.in.data() + plain, to - plain, s.in.size() - plain);
  s.afterSpace = s.in[to - 1] == ' ';
}

// Appends the input from the current position up to `to` as text. `noLineEnd`: the caller knows
// the text holds no CR or LF.
void TakeTextUpTo(RenderState& s, std::size_t to, bool noLineEnd = false) {
  if (to > s.pos) {
    FlushPendingHighText(s);
    const std::string_view raw = s.in.substr(s.pos, to - s.pos);
    if (s.direct && (noLineEnd || FindLineEnd(raw) == raw.size())) {
      AppendEncodedInput(s, s.pos, to);
    } else if (FindLineEnd(raw) == raw.size()) {
      TakeText(s, raw);
    } else {
      AppendRawText(StartPiece(s), raw);  // raw CR and LF are no text: the rest is one piece
      TakeText(s, s.piece);
    }
  }
}

OutputBuffer& TextOut(RenderState& s);
void CloseAnchor(RenderState& s);

void GatherTextRun(RenderState& s) {
  s.token.clear();
  // Only a run at body level in the marker colour and italic can be a marker run, which needs
  // its whole text before anything is written. Any other run goes straight out, after the "</A>"
  // that ends a link before text that is not the link's.
  s.direct = !(s.depth == 1 && s.currentColor == MarkerColor && s.italicOpen);
  s.afterSpace = false;
  if (s.direct && s.inLink && !s.underlineOpen) {
    CloseAnchor(s);
  }
  SkipFallbacks(s);
  for (;;) {
    std::size_t b = std::string_view::npos;
    bool noLineEnd = false;
    if (s.pos < s.end) {
      // One scan finds the run's end and tells whether raw line ends must come out of it.
      const std::size_t stop =
          FindByteOf<NonAsciiBytes::kPass, '\\', '\r', '\n'>(s.in, s.pos, s.end);
      noLineEnd = stop == s.end || s.in[stop] == '\\';
      if (noLineEnd) {
        // At the end stands the final "\\par }", unless the input ends there.
        b = stop < s.in.size() ? stop : std::string_view::npos;
      }
    }
    if (!noLineEnd) {
      b = s.backslashes.Find(s.pos);
      s.starved = s.starved || b == std::string_view::npos;
    }
    // A "{" just before the backslash opens a group.
    if (b != std::string_view::npos && b > s.pos && s.in[b - 1] == '{') {
      TakeTextUpTo(s, b - 1, noLineEnd);
      s.mode = RunEnd::kGroupOpen;
      s.anchor = b - 1;
      ++s.depth;
      break;
    }
    if (b == std::string_view::npos) {
      TakeTextUpTo(s, s.end, noLineEnd);
      s.mode = RunEnd::kTextOnly;
      s.pos = s.end;
      break;
    }
    TakeTextUpTo(s, b, noLineEnd);
    s.pos = b;
    if (b < s.end && TakeCharacterEscape(s, b)) {
      if (s.pos >= s.end) {
        s.mode = RunEnd::kTextOnly;
        break;
      }
      continue;
    }
    s.mode = RunEnd::kBackslash;
    s.anchor = b;
    s.terminator = b + 1 < s.in.size() ? s.in[b + 1] : '\0';
    break;
  }
  // A lead byte waits for its trail byte no longer than the run: a control word or a group ends
  // the character.
  TakeEndOfPendingBytes(s);
  // A high surrogate stays pending only for the "\u" that may complete it.
  if (s.pendingHigh != 0 &&
      !(s.mode == RunEnd::kBackslash && UnicodeEscapeLength(s.in, s.anchor) > 0)) {
    FlushPendingHighText(s);
  }
}

// ----- Step 2: emitting the text run -----

void EmitMarkerFontOpen(RenderState& s) {
  if (s.fontOpen) {
    Put(s.out, "</FONT>");
  }
  Put(s.out, "<FONT SIZE=");
  AppendSmallDecimal(s.out, s.fontSize);
  AppendColorAttribute(s.out, s.context.DefaultColor);
  s.out += '>';
  s.fontOpen = true;
}

constexpr std::string_view kAnchorOpen = "<A HREF='";

// The open anchor's HREF value, written again from the URL text gathered so far: the link rule
// judges the whole URL, never its pieces one at a time.
void EmitAnchorUrl(RenderState& s) {
  // A URL the link rule refuses goes nowhere; the link's text stays.
  AppendAttributeEncoded(s.out, AllowedLinkUrlOr(s.anchorUrl));
  Put(s.out, "'>");
  s.anchorEnd = s.out.size();
}

// Whether the open anchor shows anything: text, or a picture behind its marker comment. Tags
// alone (formatting, a line break) show nothing.
bool AnchorHasContent(const RenderState& s) {
  const std::string_view since = s.out.From(s.anchorEnd);
  for (std::size_t i = 0; i < since.size(); ++i) {
    if (since[i] != '<') {
      return true;
    }
    if (since.substr(i, 4) == "<!--") {
      return true;
    }
    i = std::min(since.find('>', i), since.size());
  }
  return false;
}

// Ends the open anchor. One that shows nothing loses its start tag instead: "<A HREF=...></A>"
// is a link nobody can click, and one left open would swallow the rest of the page.
void CloseAnchor(RenderState& s) {
  if (AnchorHasContent(s)) {
    Put(TextOut(s), "</A>");
  } else {
    s.out.Erase(s.anchorStart, s.anchorEnd);
  }
  s.inLink = false;
  s.out.Release();
}

// A raw-tag run: each allowed picture tag behind a comment of its own, written again with its
// values encoded; anything else as the encoded text it reads as, or unchanged when the context
// passes raw HTML through.
void EmitRawTags(RenderState& s) {
  // Adjacent pictures in the same formatting are one run on the surface. Each tag needs a
  // comment of its own: without one the next read of the HTML drops the tag.
  const std::string_view tags = s.token;
  const bool passThrough = s.context.RawTags == RawHtml::kPassThrough;
  bool fontOpened = s.inLink;
  for (std::size_t start = 0; start < tags.size();) {
    const std::size_t seam = tags.find("><", start);
    const std::size_t end = seam == std::string_view::npos ? tags.size() : seam + 1;
    const std::string_view tag = tags.substr(start, end - start);
    start = end;
    const std::optional<std::string> allowed = RewriteAllowedTag(tag);
    if (!allowed && !passThrough) {
      AppendHtmlEncoded(s.out, tag);
      continue;
    }
    if (!fontOpened) {
      EmitMarkerFontOpen(s);
      fontOpened = true;
    }
    s.out += kRawTagComment;
    s.out += allowed ? std::string_view(*allowed) : tag;
  }
}

void EmitTextRun(RenderState& s) {
  if (s.depth == 1 && !s.token.empty() && s.currentColor == MarkerColor && s.italicOpen) {
    if (s.underlineOpen && s.inLink && !AnchorHasContent(s)) {
      // A URL split into runs of different formats is one URL.
      s.out.Erase(s.anchorStart + kAnchorOpen.size(), s.out.size());
      s.italicOpen = false;
      s.underlineOpen = false;
      s.boldOpen = s.anchorBoldOpen;
      s.fontOpen = s.anchorFontOpen;
      s.attributePending = false;
      s.anchorUrl += s.token;
      EmitAnchorUrl(s);
      return;
    }
    if (s.underlineOpen) {
      if (s.inLink) {
        CloseAnchor(s);
      }
      s.italicOpen = false;
      s.underlineOpen = false;
      Put(s.out, "</U></I>");
      EmitMarkerFontOpen(s);
      s.anchorStart = s.out.size();
      s.out.Hold(s.anchorStart);  // the anchor's start tag may still be taken back
      s.out += kAnchorOpen;
      s.anchorUrl = s.token;
      EmitAnchorUrl(s);
      s.inLink = true;
      s.anchorBoldOpen = s.boldOpen;
      s.anchorFontOpen = s.fontOpen;
    } else {
      EmitRawTags(s);
    }
    return;
  }
  if (s.inLink && !s.underlineOpen) {
    CloseAnchor(s);
  }
  AppendHtmlEncoded(s.out, s.token);
}

// ----- Step 5: the control-word run -----

// Bytes a control word simply collects, whatever the depth: letters, digits, a minus sign.
constexpr std::array<bool, 256> MakeWordBytes() {
  std::array<bool, 256> plain{};
  for (int b = 0; b < 256; ++b) {
    plain[b] = true;
  }
  for (const char c : std::string_view("{}\\;'~ \r\n")) {
    plain[static_cast<unsigned char>(c)] = false;
  }
  return plain;
}
constexpr std::array<bool, 256> kWordByte = MakeWordBytes();

// The rest of a word that a destination's text makes irregular (a space kept, a quote, tilde or
// line end dropped): collected into the token from `s.pos`, where the span `start` began.
void ReadIrregularWord(RenderState& s, std::size_t start) {
  s.token.assign(s.in.substr(start, s.pos - start));
  while (s.pos < s.end) {
    // The bytes the switch below would only append go in at once.
    std::size_t run = s.pos;
    while (run < s.end && kWordByte[static_cast<unsigned char>(s.in[run])]) {
      ++run;
    }
    if (run > s.pos) {
      s.token.append(s.in.substr(s.pos, run - s.pos));
      s.terminator = s.in[run - 1];
      s.pos = run;
      continue;
    }
    const char c = s.in[s.pos++];
    s.terminator = c;
    switch (c) {
      case '{':
        if (s.token.empty()) {
          ++s.depth;
        } else {
          --s.pos;
        }
        s.word = s.token;
        return;
      case '}':
        if (s.fontTableDepth == s.depth) {
          s.fontTableDepth = 0;
        }
        if (s.charsetTableDepth == s.depth) {
          s.charsetTableDepth = 0;
        }
        s.colorTableMode = false;
        --s.depth;
        s.word = s.token;
        return;
      case '\\':
      case ';':
        s.word = s.token;
        return;
      case ' ':
        s.token += ' ';
        break;
      default:
        break;  // a quote, tilde or line end: no part of a destination's word
    }
  }
  s.word = s.token;
}

// Reads one control word into `s.word`, with the terminator set. At body level a word is always
// a span of the input, so it is viewed in place; only a destination's word, which keeps spaces
// and drops some bytes, is collected into the token. `afterBackslash`: the word's backslash was
// just read, so a backslash or brace here is an escaped character, neither the end of an empty
// word nor a group.
void ReadWord(RenderState& s, bool afterBackslash) {
  const std::size_t start = s.pos;
  if (afterBackslash && s.pos < s.end &&
      (s.in[s.pos] == '\\' || s.in[s.pos] == '{' || s.in[s.pos] == '}')) {
    if (s.depth <= 1) {
      // Body text: the control-word run ends, and the text run takes the escape.
      --s.pos;
      s.terminator = ' ';
      s.word = {};
      return;
    }
    // Text of a destination, a face name's for one: part of the word, which then matches no
    // word ("\\colortbl" in a name is no colour table).
    ++s.pos;
  }
  std::size_t run = s.pos;
  while (run < s.end && kWordByte[static_cast<unsigned char>(s.in[run])]) {
    ++run;
  }
  if (run > s.pos) {
    s.terminator = s.in[run - 1];
    s.pos = run;
  }
  if (s.pos >= s.end) {
    s.word = s.in.substr(start, s.pos - start);
    return;
  }
  const char c = s.in[s.pos];
  const bool body = s.depth == 1;
  switch (c) {
    case '{':
      s.terminator = c;
      s.word = s.in.substr(start, s.pos - start);
      if (s.word.empty()) {
        ++s.depth;
        ++s.pos;
      }
      return;
    case '}':
      s.terminator = c;
      s.word = s.in.substr(start, s.pos - start);
      ++s.pos;
      if (s.fontTableDepth == s.depth) {
        s.fontTableDepth = 0;
      }
      if (s.charsetTableDepth == s.depth) {
        s.charsetTableDepth = 0;
      }
      s.colorTableMode = false;
      --s.depth;
      return;
    case '\\':
    case ';':
      s.terminator = c;
      s.word = s.in.substr(start, s.pos - start);
      ++s.pos;
      return;
    case '\'':
      if (body) {
        // "\\'xx" is a word of its own, whatever letters stood before the quote.
        const std::size_t hexEnd = std::min(s.pos + 3, s.in.size());
        s.word = s.in.substr(s.pos, hexEnd - s.pos);
        s.pos = hexEnd;
        s.terminator = ' ';
        return;
      }
      break;
    case '~':
      if (body) {
        s.word = s.in.substr(s.pos, 1);
        ++s.pos;
        s.terminator = ' ';
        return;
      }
      break;
    case ' ':
    case '\r':
    case '\n':
      // Not text in RTF; at body level a line end delimits the word as a space would.
      if (body) {
        s.word = s.in.substr(start, s.pos - start);
        ++s.pos;
        s.terminator = ' ';
        return;
      }
      break;
    default:
      break;
  }
  ReadIrregularWord(s, start);
}

// Starts the FONT element a colour, size or face attribute belongs to. A start tag already
// closed cannot take another attribute, so a new element begins.
void OpenFontForAttribute(RenderState& s) {
  if (s.fontOpen && !s.attributePending) {
    Put(s.out, "</FONT>");
    s.fontOpen = false;
  }
  if (!s.fontOpen) {
    Put(s.out, "<FONT");
    s.fontOpen = true;
  }
  s.attributePending = true;
}

// Where a control word's tags and characters go. A start tag still open for attributes is
// closed first: only an attribute (" COLOR=...") belongs inside it, never a character a word
// stands for ("\'e9", "\~").
OutputBuffer& TextOut(RenderState& s) {
  if (s.attributePending) {
    s.out += '>';
    s.attributePending = false;
  }
  return s.out;
}

void HandlePlain(RenderState& s) {
  if (s.boldOpen) {
    Put(TextOut(s), "</B>");
    s.boldOpen = false;
  }
  if (s.italicOpen) {
    Put(TextOut(s), "</I>");
  }
  if (s.underlineOpen) {
    Put(TextOut(s), "</U>");
  }
  if (s.inLink && (s.underlineOpen || (s.italicOpen && s.currentColor == MarkerColor))) {
    CloseAnchor(s);
  }
  s.italicOpen = false;
  s.underlineOpen = false;
  if (!s.inLink && s.fontOpen) {
    Put(TextOut(s), "</FONT>");
    s.fontOpen = false;
  }
}

void HandleUnicodeWord(RenderState& s, std::string_view word) {
  std::size_t digitsEnd = 1;
  if (digitsEnd < word.size() && word[digitsEnd] == '-') {
    ++digitsEnd;
  }
  while (digitsEnd < word.size() && IsAsciiDigit(word[digitsEnd])) {
    ++digitsEnd;
  }
  // This scanner reads a fallback that follows without a delimiter ("\u233?") into the word;
  // a word holding a space is the text of a nested group, not an escape.
  const std::string_view fallback = word.substr(digitsEnd);
  if (fallback.find(' ') != std::string_view::npos) {
    return;
  }
  std::string character;
  AppendUnicodeUnit(s, character, UnitFromParameter(ReadParameter(word.substr(0, digitsEnd), 1)));
  if (!character.empty()) {
    AppendHtmlEncoded(TextOut(s), character);
  }
  const auto swallowed = static_cast<std::int32_t>(fallback.size());
  s.pendingSkip = std::max(0, s.unicodeSkip - swallowed);
}

// Characters the decoder gave back, where a control word's characters go.
[[gnu::cold]] void EmitDecoded(RenderState& s, const CodePageDecoder::Decoded& decoded) {
  if (decoded.count == 0) {
    return;
  }
  std::string characters;
  FlushPendingHigh(s, characters);
  AppendDecoded(characters, decoded);
  if (!characters.empty()) {
    AppendHtmlEncoded(TextOut(s), characters);
  }
}

// A "\'xx" escape the word run reads. This and the other rare words below stay out of
// HandleBodyWord, which runs for every word and must stay small enough to inline its helpers.
[[gnu::noinline]] void HandleHexEscapeWord(RenderState& s, std::string_view word) {
  const std::uint8_t byte = ByteFromHexEscape(word);
  if (s.pendingSkip > 0) {
    --s.pendingSkip;  // the fallback of a "\uN" before it
  } else if (NeedsDecoder(s, byte)) {
    EmitDecoded(s, s.decoder.Feed(PageInForce(s), byte));
    TakeTrailBytes(s, [&s](const CodePageDecoder::Decoded& decoded) { EmitDecoded(s, decoded); });
  } else {
    AppendCharReference(TextOut(s), Cp1252ToUnicode(byte));
  }
}

// "\fN" selects the font's code page. A word that is no font number selects nothing here
// (HandleFaceWord judges it).
[[gnu::cold]] void SelectFontPage(RenderState& s, std::string_view word) {
  const std::int32_t number = ReadSmallNumber(word.substr(1));
  if (number >= 0 && static_cast<std::size_t>(number) < s.fontPages.size() &&
      s.fontPages[static_cast<std::size_t>(number)] != kNoFont) {
    s.fontPage = s.fontPages[static_cast<std::size_t>(number)];
  }
}

// "\ansi", "\ansicpgN", "\mac", "\pc", "\pca": the document's code page.
[[gnu::cold]] void HandleCodePageWord(RenderState& s, std::string_view word) {
  if (IsWordWithNumber(word, "ansicpg")) {
    const std::int32_t page = ReadParameter(word, 7);
    if (page > std::numeric_limits<std::int16_t>::max()) {
      ThrowBadParameter(word, "has a code page out of range");
    }
    s.codePage = page;  // a page the decoder does not know is read as 1252
    return;
  }
  for (const auto& [name, page] : kCharacterSetWords) {
    if (word == name) {
      s.codePage = page;
    }
  }
}

void OpenStyle(RenderState& s, bool& flag, std::string_view tag) {
  flag = true;
  TextOut(s) += tag;
}

void CloseStyle(RenderState& s, bool& flag, std::string_view tag) {
  if (flag) {
    flag = false;
    TextOut(s) += tag;
  }
}

void HandleIndentWords(RenderState& s, std::string_view word) {
  if (word.starts_with("li")) {
    const std::int64_t steps = std::min(QuoteSteps(ReadParameter(word, 2)), kMaxQuoteSteps);
    for (std::int64_t i = 0; i < steps; ++i) {
      Put(TextOut(s), "<BLOCKQUOTE>");
    }
    s.quoteDepth += std::max<std::int64_t>(steps, 0);
    return;
  }
  for (std::int64_t steps = QuoteSteps(ReadParameter(word, 2)); s.quoteDepth > 0 && steps < 0;
       ++steps) {
    TextOut(s) += kBlockquoteClose;
    --s.quoteDepth;
  }
}

// A face name inside FACE='...'. A quote or ">" would end the value or the tag early, and an
// "=" would let a name such as "COLOR=" pass for the attribute itself when the HTML is read
// back: these cannot stand in a face name and are left out.
void AppendFaceAttributeValue(OutputBuffer& out, std::string_view face) {
  std::size_t plain = 0;
  for (std::size_t i = 0; i < face.size(); ++i) {
    if (face[i] == '\'' || face[i] == '>' || face[i] == '=') {
      out.append(face.data() + plain, i - plain);
      plain = i + 1;
    }
  }
  out.append(face.data() + plain, face.size() - plain);
}

void HandleColorWord(RenderState& s, std::string_view word) {
  const std::int64_t index = ReadParameter(word, 2);
  if (index < s.context.ColorCount()) {
    s.currentColor = s.context.ColorTable[static_cast<std::size_t>(index)];
    OpenFontForAttribute(s);
    AppendColorAttribute(s.out, s.currentColor);
  }
}

void HandleSizeWord(RenderState& s, std::string_view word) {
  // Half-points to points, a half rounding to even, in integers.
  const std::int64_t halfPoints = ReadParameter(word, 2);
  const std::int64_t floor = halfPoints >> 1;
  const std::int64_t points = (halfPoints & 1) != 0 ? floor + (floor & 1) : floor;
  s.fontSize = PointsToHtmlSize(static_cast<std::int16_t>(std::clamp<std::int64_t>(
      points, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max())));
  OpenFontForAttribute(s);
  Put(s.out, " SIZE=");
  AppendSmallDecimal(s.out, s.fontSize);
}

void HandleFaceWord(RenderState& s, std::string_view word) {
  const std::int64_t index = ReadParameter(word, 1);
  if (index < s.context.FontCount() &&
      !s.context.FontTable[static_cast<std::size_t>(index)].empty()) {
    OpenFontForAttribute(s);
    Put(s.out, " FACE='");
    AppendFaceAttributeValue(s.out, s.context.FontTable[static_cast<std::size_t>(index)]);
    s.out += '\'';
  }
}

void HandlePard(RenderState& s) {
  if (!s.listClose.empty()) {
    TextOut(s) += s.listClose;
  }
  for (; s.quoteDepth > 0; --s.quoteDepth) {
    TextOut(s) += kBlockquoteClose;
  }
  if (s.alignOpen) {
    Put(TextOut(s), "</DIV>");
  }
  s.listClose = {};
  s.alignOpen = false;
}

void HandleColorWordInLink(RenderState& s, std::string_view word) {
  // No FONT element starts inside the anchor, but the colour still tells the link's text from a
  // marker run: italic link text in blue is no URL.
  const std::int64_t index = ReadParameter(word, 2);
  if (index < s.context.ColorCount()) {
    s.currentColor = s.context.ColorTable[static_cast<std::size_t>(index)];
  }
}

// Dispatched on the first letter: this runs for every control word of the document.
void HandleBodyWord(RenderState& s) {
  const std::string_view word = s.word;
  if (word.empty()) {
    s.pendingSkip = 0;
    return;
  }
  if (word[0] != '\'' && word[0] != 'u') {
    // Any other word ends a "\uN" fallback that was not there.
    s.pendingSkip = 0;
  }
  switch (word[0]) {
    case 'p':
      if (WordIs(word, "par")) {
        TextOut(s) += s.listClose.empty() ? "<BR>" : "</LI>";
      } else if (WordIs(word, "pard")) {
        HandlePard(s);
      } else if (WordIs(word, "plain")) {
        HandlePlain(s);
      } else {
        HandleCodePageWord(s, word);
      }
      return;
    case 'm':
    case 'a':
      HandleCodePageWord(s, word);
      return;
    case 'q':
      if (WordIs(word, "ql") || WordIs(word, "qc") || WordIs(word, "qr")) {
        TextOut(s) += WordIs(word, "ql")   ? "<DIV ALIGN=LEFT>"
                      : WordIs(word, "qc") ? "<DIV ALIGN=CENTER>"
                                           : "<DIV ALIGN=RIGHT>";
        s.alignOpen = true;
      }
      return;
    case 'l':
      if (WordIs(word, "line")) {
        Put(TextOut(s), "<BR>");
      } else if (IsWordWithOptionalNumber(word, "li")) {
        HandleIndentWords(s, word);
      }
      return;
    case 'b':
      if (word.size() == 1) {
        OpenStyle(s, s.boldOpen, "<B>");
      } else if (WordIs(word, "b0")) {
        CloseStyle(s, s.boldOpen, "</B>");
      }
      return;
    case 'i':
      if (word.size() == 1) {
        OpenStyle(s, s.italicOpen, "<I>");
      } else if (WordIs(word, "i0")) {
        CloseStyle(s, s.italicOpen, "</I>");
      }
      return;
    case 'u':
      if (WordIs(word, "ul")) {
        OpenStyle(s, s.underlineOpen, "<U>");
      } else if (WordIs(word, "ul0") || WordIs(word, "ulnone")) {
        CloseStyle(s, s.underlineOpen, "</U>");
      } else if (IsWordWithNumber(word, "uc")) {
        s.unicodeSkip = std::max(0, ReadParameter(word, 2));
      } else if (word.size() > 1 && (IsAsciiDigit(word[1]) || word[1] == '-')) {
        HandleUnicodeWord(s, word);
      }
      return;
    case '~':
      if (WordIs(word, "~")) {
        Put(TextOut(s), "&nbsp;");
      }
      return;
    case 'e':
      if (WordIs(word, "emdash") || WordIs(word, "endash")) {
        TextOut(s) += WordIs(word, "emdash") ? "&mdash;" : "&ndash;";
      }
      return;
    case '*':
      if (WordIs(word, "*")) {
        s.star = StarState::kMet;
      }
      return;
    case '\'':
      HandleHexEscapeWord(s, word);
      return;
    case 'f':
      if (IsWordWithOptionalNumber(word, "fi")) {
        HandleIndentWords(s, word);
      } else if (s.inLink) {
        // No FONT element starts inside the anchor, but the font still names the code page.
        if (s.anyFontPage && IsWordWithNumber(word, "f")) {
          SelectFontPage(s, word);
        }
      } else if (IsWordWithNumber(word, "fs")) {
        HandleSizeWord(s, word);
      } else if (IsWordWithNumber(word, "f")) {
        if (s.anyFontPage) {
          SelectFontPage(s, word);
        }
        HandleFaceWord(s, word);
      }
      return;
    case 'c':
      if (!IsWordWithNumber(word, "cf")) {
        return;
      }
      if (s.inLink) {
        HandleColorWordInLink(s, word);
      } else {
        HandleColorWord(s, word);
      }
      return;
    default:
      return;
  }
}

// ----- Destination groups (depth 2 and more) -----

void ReadColorTableWord(RenderState& s) {
  const std::string_view word = s.token;
  auto& table = s.context.ColorTable;
  const auto add = [&](std::size_t prefix, std::uint32_t scale) {
    const auto part = static_cast<std::uint32_t>(ReadParameter(word, prefix)) * scale;
    if (scale == 65536) {
      table.push_back(static_cast<std::int32_t>(part));
    } else if (!table.empty()) {
      table.back() = static_cast<std::int32_t>(static_cast<std::uint32_t>(table.back()) + part);
    }
    s.token.clear();
  };
  if (word.starts_with("red")) {
    add(3, 65536);
  } else if (word.starts_with("green")) {
    add(5, 256);
  } else if (word.starts_with("blue")) {
    add(4, 1);
  }
}

// A face name as the font table gives it, escapes decoded, "\'xx" by the font's code page: the
// surface writes a backslash or brace in a name escaped and a non-ASCII character as "\uN".
// Undecoded, a name would gain a backslash on every TextHTML round trip.
std::string DecodeFaceName(RenderState& s, std::string_view raw, std::int32_t codePage) {
  std::string name;
  char32_t high = 0;
  const auto append = [&](char32_t code) { AppendUtf16Unit(name, code, high); };
  const auto appendDecoded = [&](const CodePageDecoder::Decoded& decoded) {
    if (decoded.count > 0 && high != 0) {
      AppendUtf8(name, 0xFFFD);
      high = 0;
    }
    AppendDecoded(name, decoded);
  };
  const auto feed = [&](char byte) {
    appendDecoded(s.decoder.Feed(codePage, static_cast<std::uint8_t>(byte)));
  };
  std::size_t i = 0;
  while (i < raw.size()) {
    const char c = raw[i];
    const char next = i + 1 < raw.size() ? raw[i + 1] : '\0';
    if (c == '\r' || c == '\n') {
      ++i;
    } else if (c != '\\' && s.decoder.Pending()) {
      feed(c);  // the trail byte of a double-byte character
      ++i;
    } else if (c != '\\') {
      const std::size_t plain = std::min(raw.find_first_of("\\\r\n", i), raw.size());
      if (high != 0) {
        AppendUtf8(name, 0xFFFD);
        high = 0;
      }
      name.append(raw.substr(i, plain - i));
      i = plain;
    } else if (next == '\\' || next == '{' || next == '}') {
      if (s.decoder.Pending()) {
        feed(next);
      } else {
        append(static_cast<unsigned char>(next));
      }
      i += 2;
    } else if (next == '\'' && i + 3 < raw.size() && IsHexDigit(raw[i + 2]) &&
               IsHexDigit(raw[i + 3])) {
      const std::uint8_t byte = ByteFromHexEscape(raw.substr(i + 1, 3));
      if (s.decoder.Pending() || (byte >= 0x80 && codePage != 1252)) {
        feed(static_cast<char>(byte));
      } else {
        append(Cp1252ToUnicode(byte));
      }
      i += 4;
    } else if (s.decoder.Pending()) {
      appendDecoded(s.decoder.Flush());  // any other escape ends a double-byte character
    } else if (next == '~') {
      append(0x00A0);
      i += 2;
    } else {
      std::size_t j = i + 1;
      while (j < raw.size() && FoldAscii(raw[j]) >= 'a' && FoldAscii(raw[j]) <= 'z') {
        ++j;
      }
      const std::string_view word = raw.substr(i + 1, j - i - 1);
      if (j < raw.size() && raw[j] == '-') {
        ++j;
      }
      while (j < raw.size() && IsAsciiDigit(raw[j])) {
        ++j;
      }
      const std::string_view parameter = raw.substr(i + 1, j - i - 1);
      if (j < raw.size() && raw[j] == ' ') {
        ++j;
      }
      const bool negative = parameter.size() > 1 && parameter[1] == '-';
      if (word == "u" && HasDigitAt(parameter, negative ? 2 : 1)) {
        append(UnitFromParameter(ReadParameter(parameter, 1)));
      } else if (word == "emdash" || word == "endash") {
        append(word == "emdash" ? 0x2014 : 0x2013);
      }
      i = std::max(j, i + 1);
    }
  }
  appendDecoded(s.decoder.Flush());
  if (high != 0) {
    AppendUtf8(name, 0xFFFD);
  }
  return name;
}

// The page of the font being defined: "\fcharsetN" gives it, the digits after the word's name.
[[gnu::cold]] void SetFontCharset(RenderState& s, std::string_view digits) {
  const std::int32_t page = CodePageForCharset(ReadSmallNumber(LeadingDigits(digits)));
  s.fontPages[static_cast<std::size_t>(s.fontEntry)] = page;
  s.anyFontPage = s.anyFontPage || page != 0;
}

// The font table's words that give each font's code page: "\fN" begins a font's definition (a
// later one of the same number wins), "\fcharsetN" names its page.
[[gnu::cold]] void ReadFontCharsetWord(RenderState& s, std::string_view word) {
  if (IsWordWithNumber(word, "f")) {
    s.fontEntry = ReadSmallNumber(LeadingDigits(word.substr(1)));
    if (s.fontEntry >= 0) {
      const auto index = static_cast<std::size_t>(s.fontEntry);
      if (index >= s.fontPages.size()) {
        const std::size_t old = s.fontPages.size();
        s.fontPages.resize(index + 1);
        std::fill(s.fontPages.begin() + static_cast<std::ptrdiff_t>(old), s.fontPages.end(),
                  kNoFont);
      }
      s.fontPages[index] = 0;
    }
  } else if (s.fontEntry >= 0 && word.starts_with("fcharset") && HasDigitAt(word, 8)) {
    SetFontCharset(s, word.substr(8));
  }
}

// The page a font entry's words name, from `from` up to its name: an entry read whole for its
// name passes its words by.
[[gnu::cold]] std::int32_t ReadSkippedCharset(RenderState& s, std::size_t from, std::size_t to) {
  constexpr std::string_view kCharset = "\\fcharset";
  const std::size_t at = s.in.substr(from, to - from).find(kCharset);
  if (s.fontEntry < 0) {
    return s.codePage;
  }
  if (at != std::string_view::npos) {
    SetFontCharset(s, s.in.substr(from + at + kCharset.size(), to - from - at - kCharset.size()));
  }
  const std::int32_t page = s.fontPages[static_cast<std::size_t>(s.fontEntry)];
  return page != 0 ? page : s.codePage;
}

void ReadFontTableEntry(RenderState& s) {
  s.context.FontTable.emplace_back();
  // Without a family word the name was read into the word ("f1 Courier"); searching on for a
  // space would take a later entry's name and skip the entries between.
  const std::size_t inWord = s.token.find(' ');
  if (inWord != std::string::npos && s.terminator == ';') {
    s.context.FontTable.back() =
        FontFaceListFor(s.context.FontFaceLists, std::string_view(s.token).substr(inWord + 1));
    s.token.clear();
    return;
  }
  const std::size_t space = s.spaces.Find(s.pos);
  s.starved = s.starved || space == std::string_view::npos;
  if (space != std::string_view::npos) {
    const std::size_t semicolon = s.semicolons.Find(space + 1);
    s.starved = s.starved || semicolon == std::string_view::npos;
    if (semicolon != std::string_view::npos) {
      const std::int32_t page = ReadSkippedCharset(s, s.pos - 1, space);
      const std::string name =
          DecodeFaceName(s, s.in.substr(space + 1, semicolon - space - 1), page);
      s.context.FontTable.back() = FontFaceListFor(s.context.FontFaceLists, name);
      s.pos = semicolon + 1;
    }
  }
  s.token.clear();
}

// The "}" closing the group `from` lies in, found by scanning forward: a skipped group is short,
// and the scan never passes the same bytes twice. Npos when the scan reaches the end.
std::size_t ScanToGroupClose(std::string_view in, std::size_t from) {
  std::int64_t level = 0;
  for (std::size_t x = from; x < in.size(); ++x) {
    const char c = in[x];
    if ((c != '{' && c != '}') || (x > 0 && in[x - 1] == '\\')) {
      continue;
    }
    level += c == '{' ? 1 : -1;
    if (level < 0) {
      return x;
    }
  }
  return std::string_view::npos;
}

void SkipStarGroup(RenderState& s) {
  std::size_t close = std::string_view::npos;
  if (!s.groupCloses) {
    close = ScanToGroupClose(s.in, s.pos);
    // An unclosed group sends the scan to the end; a document of many would make each later
    // scan do the same, so from then on the index answers in logarithmic time.
    if (close == std::string_view::npos) {
      s.groupCloses.emplace(s.in);
    }
  } else {
    close = s.groupCloses->FindClose(s.pos);
  }
  if (close != std::string_view::npos) {
    s.pos = close + 1;
    --s.depth;
  } else {
    s.starved = true;
  }
}

void HandleDestinationWord(RenderState& s) {
  if (s.charsetTableDepth > 0) {
    ReadFontCharsetWord(s, s.word);
  }
  if (s.colorTableMode || s.fontTableDepth > 0) {
    // The table readers work on the token, and empty it once they have taken the word.
    s.token.assign(s.word.data(), s.word.size());
    if (s.colorTableMode) {
      ReadColorTableWord(s);
    }
    if (s.fontTableDepth > 0 && IsWordWithNumber(s.token, "f")) {
      ReadFontTableEntry(s);
    }
    s.word = s.token;
  }
  const std::string_view word = s.word;
  if (word.empty()) {
    return;
  }
  if (WordIs(word, "colortbl")) {
    s.colorTableMode = true;
  } else if (WordIs(word, "fonttbl")) {
    s.charsetTableDepth = s.depth;
    if (s.context.FontFaceListCount() > 0) {
      s.fontTableDepth = s.depth;
    }
  } else if (WordIs(word, "pntext")) {
    if (s.listClose.empty()) {
      Put(TextOut(s), "<UL><LI>");
      s.listClose = "</UL>";
    } else {
      Put(TextOut(s), "<LI>");
    }
  } else if (WordIs(word, "*")) {
    SkipStarGroup(s);
  }
}

void RunControlWords(RenderState& s) {
  bool afterBackslash = true;  // the run starts just after "\\" or "{\\"
  do {
    ReadWord(s, afterBackslash);
    const std::size_t wordEnd = s.pos;
    if (s.star == StarState::kSuppressing) {
      if (s.depth != 0) {
        return;
      }
      s.star = StarState::kIdle;
    }
    if (s.depth == 1) {
      HandleBodyWord(s);
    } else if (s.depth >= 2) {
      HandleDestinationWord(s);
    }
    if (s.word != "*" && s.star == StarState::kMet) {
      s.star = StarState::kSuppressing;
    }
    // The next word starts after this one's backslash, unless a skipped group or a font entry
    // moved on.
    afterBackslash = s.terminator == '\\' && s.pos == wordEnd;
  } while (s.terminator != ' ' && s.pos < s.end && !(s.terminator == '}' && s.depth == 1));
}

// ----- The whole conversion -----

std::size_t FindConvertedEnd(std::string_view in) {
  // The final paragraph mark and closing brace are not converted.
  const std::size_t from = in.size() > 10 ? in.size() - 11 : 0;
  const std::size_t p = in.find("\\par }", from);
  return p == std::string_view::npos ? in.size() : p;
}

void CloseOpenConstructs(RenderState& s) {
  EmitDecoded(s, s.decoder.Flush());
  FlushPendingHigh(s, StartPiece(s));
  s.out += s.piece;
  if (s.inLink) {
    CloseAnchor(s);
  }
  if (!s.listClose.empty()) {
    Put(s.out, "</LI>");
    s.out += s.listClose;
  }
  for (; s.quoteDepth > 0; --s.quoteDepth) {
    s.out += kBlockquoteClose;
  }
  if (s.alignOpen) {
    Put(s.out, "</DIV>");
  }
  if (s.fontOpen) {
    Put(s.out, "</FONT>");
  }
}

void StartConversion(RenderState& s) {
  s.context.ColorTable.clear();
  s.context.FontTable.clear();
  s.currentColor = s.context.DefaultColor;
}

// The main loop: a text run, then the control words that end it, up to `s.end`.
void ConvertSteps(RenderState& s) {
  while (s.pos < s.end) {
    GatherTextRun(s);
    EmitTextRun(s);
    if (s.mode == RunEnd::kTextOnly) {
      continue;
    }
    s.pos = s.anchor + static_cast<std::size_t>(s.mode);
    RunControlWords(s);
    if (s.attributePending) {
      s.out += '>';
      s.attributePending = false;
    }
  }
}

std::string ConvertWhole(std::string_view rtf, ConversionContext& context) {
  RenderState s(rtf, rtf.size(), context, context.Sink);
  s.end = FindConvertedEnd(rtf);
  StartConversion(s);
  ConvertSteps(s);
  CloseOpenConstructs(s);
  return s.out.Take();
}

// ----- Reading in pieces -----

// The input is converted up to a cut just after a paragraph's "\par " and the rest kept for the
// next piece. Looking past a cut (a character escape's letters, the final "\par }" in the last
// 11 bytes) never needs more than this many bytes, which stay in the input behind the cut.
constexpr std::size_t kCutMargin = 16;
constexpr std::string_view kParagraphEnd = "\\par ";

// The last place in `in` behind a "\par " that may end a paragraph (its backslash is not an
// escaped one) with kCutMargin bytes after it, or npos. `from`: where a "\par " may begin, the
// bytes before having been searched.
std::size_t FindCut(std::string_view in, std::size_t from) {
  if (in.size() < from + kCutMargin + kParagraphEnd.size()) {
    return std::string_view::npos;
  }
  std::size_t at = in.size() - kCutMargin - kParagraphEnd.size();
  for (;;) {
    at = in.rfind(kParagraphEnd, at);
    if (at == std::string_view::npos || at < from) {
      return std::string_view::npos;
    }
    std::size_t backslashes = 1;
    while (backslashes <= at && in[at - backslashes] == '\\') {
      ++backslashes;
    }
    if (backslashes % 2 == 1) {
      return at + kParagraphEnd.size();
    }
    if (at == 0) {
      return std::string_view::npos;
    }
    --at;
  }
}

// Whether the conversion up to `cut` ended as the conversion of the whole input passes it: its
// last step read "\par " there as a paragraph's end at body level, and nothing before looked
// for what only a later piece could hold. The steps before saw the same bytes as a conversion
// of the whole (every look past the cut stays within kCutMargin), so they did the same; any
// other ending means the cut was no step's end, and the input is converted again whole.
bool EndedAtCut(const RenderState& s, std::size_t cut) {
  return s.pos == cut && !s.starved && s.depth == 1 && s.star == StarState::kIdle &&
         s.mode != RunEnd::kTextOnly && s.terminator == ' ' &&
         s.word.data() == s.in.data() + cut - 4 && s.word == "par";
}

// Points the state at the input left, converted up to `end`; searches start afresh there.
void BindInput(RenderState& s, std::string_view in, std::size_t end) {
  s.in = in;
  s.pos = 0;
  s.end = end;
  s.word = {};
  s.backslashes = ForwardFinder(in, "\\");
  s.spaces = ForwardFinder(in, " ");
  s.semicolons = ForwardFinder(in, ";");
  s.groupCloses.reset();
}

std::string ConvertAgainWhole(PieceSource& source, ConversionContext& context) {
  source.Rewind();
  std::string whole;
  whole.reserve(source.Size());
  for (std::string_view piece = source.Next(); !piece.empty(); piece = source.Next()) {
    whole += piece;
  }
  return ConvertWhole(whole, context);
}

std::string ConvertPieces(PieceSource& source, ConversionContext& context) {
  std::string_view piece = source.Next();
  // What a sink took could not be taken back when a cut fails and the text is converted again
  // whole, so a text read in pieces is converted without one.
  RenderState s({}, source.Size() > 0 ? source.Size() : piece.size(), context, nullptr);
  StartConversion(s);
  std::string left;  // the input behind the last cut
  while (!piece.empty()) {
    std::string_view in = piece;
    // A cut the input held before this piece came would have been made then.
    std::size_t searched = 0;
    if (!left.empty()) {
      searched = left.size() - std::min(left.size(), kCutMargin + kParagraphEnd.size());
      left += piece;
      in = left;
    }
    const std::size_t cut = FindCut(in, searched);
    if (cut != std::string_view::npos) {
      BindInput(s, in, cut);
      bool ended = false;
      try {
        ConvertSteps(s);
        ended = EndedAtCut(s, cut);
      } catch (const ConversionError&) {
        // Thrown past the cut's end of a step: the whole conversion decides.
      }
      if (!ended) {
        return ConvertAgainWhole(source, context);
      }
      if (left.empty()) {
        left.assign(in.substr(cut));
      } else {
        left.erase(0, cut);
      }
    } else if (left.empty()) {
      left.assign(piece);
    }
    piece = source.Next();
  }
  BindInput(s, left, FindConvertedEnd(left));
  ConvertSteps(s);
  CloseOpenConstructs(s);
  return s.out.Take();
}

}  // namespace

std::string RtfToHtml(TextPieces rtf, ConversionContext& context) {
  if (PieceSource* source = rtf.Source()) {
    return ConvertPieces(*source, context);
  }
  return ConvertWhole(rtf.Whole(), context);
}

std::string HtmlEncode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEncoded(out, text);
  return out;
}

std::string BuildMarkerComment(const VersionInfo& version) {
  return "<!-- " + std::string(version.Company) + " " + std::string(version.Product) + " " +
         VersionNumberText(version) + " -->";
}

}  // namespace scrivlet
