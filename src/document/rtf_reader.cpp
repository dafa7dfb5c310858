#include "document/rtf_reader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "conversion/markers.h"
#include "text/code_pages.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

// Real documents nest a few groups deep; deeper groups are skipped so that memory stays bounded
// whatever the input.
constexpr std::size_t kMaxGroupDepth = 4096;
constexpr std::size_t kMaxWordLength = 32;
// The marker colours in platform order.
constexpr std::int32_t kUrlColor =
    (MarkerColor & 0xFF) << 16 | (MarkerColor & 0xFF00) | ((MarkerColor >> 16) & 0xFF);
constexpr std::int32_t kLinkTextColor =
    (LinkColor & 0xFF) << 16 | (LinkColor & 0xFF00) | ((LinkColor >> 16) & 0xFF);

enum class Destination { kBody, kSkip, kFontTable, kColorTable, kFieldInstruction, kBulletSpec };

struct GroupState {
  CharFormat format;
  Destination destination = Destination::kBody;
  std::int32_t unicodeSkip = 1;
  std::int32_t fontCodePage = 0;  // 0: the document's code page
  bool linkResult = false;        // inside the result of a HYPERLINK field
  bool ignorable = false;         // "\*" was met: an unknown destination here is skipped
};

struct ParagraphState {
  Alignment alignment = Alignment::kLeft;
  std::int32_t left = 0;
  std::int32_t right = 0;
  bool bullet = false;
};

struct FontEntry {
  FaceName name;  // shared by every run in the font
  std::int32_t codePage = 0;
};

struct Field {
  std::size_t depth;  // group depth of the \field group
  std::string instruction;
  bool resultSeen = false;
};

// What a control word means to the reader, looked up once per word.
enum class WordKind : std::uint8_t {
  kOther,
  kBin,
  // Destinations.
  kFontTable,
  kColorTable,
  kField,
  kFieldInstruction,
  kFieldResult,
  kBulletSpec,
  kSkippedDestination,
  // Words of the font and colour tables.
  kCharset,
  kRed,
  kGreen,
  kBlue,
  // Paragraph words.
  kParagraphEnd,
  kLine,
  kPard,
  kAlignLeft,
  kAlignCenter,
  kAlignRight,
  kLeftIndent,
  kRightIndent,
  kListItem,        // \ls: a paragraph of a list
  kBulletLevel,     // \pnlvlblt, \pnlvlbody
  kBulletContinue,  // \pnlvlcont, a bullet only inside \pn
  // Character words.
  kPlain,
  kBold,
  kItalic,
  kUnderline,
  kUnderlineNone,
  kFontSize,
  kFont,
  kColor,
  kSpecialCharacter,
  kUnicode,
  kUnicodeSkip,
  kCodePage,
  kCharacterSet,  // \ansi, \mac, \pc, \pca: the document's code page, given in `character`
};

struct WordInfo {
  WordKind kind = WordKind::kOther;
  char32_t character = 0;  // for kSpecialCharacter; the code page for kCharacterSet
};

// One table for every word the reader knows: each control word costs one lookup.
// The known words in an open-addressing table: control words are short, so a multiplicative
// hash over their letters and a probe or two cost less than a general hash map.
class WordTable {
 public:
  void Add(std::string_view word, WordInfo info) {
    std::size_t slot = Hash(word);
    while (!slots_[slot].word.empty()) {
      slot = (slot + 1) % kSlots;
    }
    slots_[slot] = {word, info};
  }

  WordInfo Find(std::string_view word) const {
    for (std::size_t slot = Hash(word);; slot = (slot + 1) % kSlots) {
      const Slot& entry = slots_[slot];
      if (entry.word.empty()) {
        return {};
      }
      if (entry.word == word) {
        return entry.info;
      }
    }
  }

 private:
  static constexpr std::size_t kSlots = 512;  // a power of two, over three times the words
  struct Slot {
    std::string_view word;
    WordInfo info;
  };

  static std::size_t Hash(std::string_view word) {
    std::size_t h = word.size();
    for (const char c : word) {
      h = h * 131 + static_cast<unsigned char>(c);
    }
    return h % kSlots;
  }

  std::array<Slot, kSlots> slots_{};
};

const WordTable& KnownWords() {
  static const WordTable words = [] {
    WordTable table;
    for (const std::string_view word : {"info",
                                        "stylesheet",
                                        "pict",
                                        "object",
                                        "header",
                                        "headerl",
                                        "headerr",
                                        "headerf",
                                        "footer",
                                        "footerl",
                                        "footerr",
                                        "footerf",
                                        "footnote",
                                        "annotation",
                                        "listtable",
                                        "listoverridetable",
                                        "pntext",
                                        "pntxta",
                                        "pntxtb",
                                        "listtext",
                                        "rsidtbl",
                                        "generator",
                                        "xmlnstbl",
                                        "themedata",
                                        "colorschememapping",
                                        "latentstyles",
                                        "datastore",
                                        "filetbl",
                                        "revtbl",
                                        "author",
                                        "operator",
                                        "title",
                                        "subject",
                                        "keywords",
                                        "comment",
                                        "doccomm",
                                        "company",
                                        "creatim",
                                        "revtim",
                                        "printim",
                                        "buptim",
                                        "nonshppict",
                                        "shp",
                                        "shpinst",
                                        "template",
                                        "fldtype",
                                        "private",
                                        "xe",
                                        "tc",
                                        "txe",
                                        "atnid",
                                        "atnauthor",
                                        "atrfstart",
                                        "atrfend",
                                        "bkmkstart",
                                        "bkmkend",
                                        "userprops",
                                        "pgdsctbl",
                                        "protusertbl",
                                        "objdata",
                                        "mmathPr",
                                        "wgrffmtfilter",
                                        "passwordhash",
                                        "defchp",
                                        "defpap"}) {
      table.Add(word, {WordKind::kSkippedDestination});
    }
    const std::pair<std::string_view, char32_t> characters[] = {
        {"tab", u'\t'},        {"cell", u'\t'},       {"nestcell", u'\t'}, {"emdash", 0x2014},
        {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
        {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
        {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},    {"~", 0x00A0},
        {"_", 0x2011}};
    for (const auto& [word, character] : characters) {
      table.Add(word, {WordKind::kSpecialCharacter, character});
    }
    for (const std::string_view word :
         {"ul", "ulw", "uld", "uldb", "ulth", "uldash", "uldashd", "uldashdd", "ulhwave", "ulwave",
          "ululdbwave", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulldash", "ulthldash",
          "ulhair"}) {
      table.Add(word, {WordKind::kUnderline});
    }
    const std::pair<std::string_view, WordKind> others[] = {
        {"bin", WordKind::kBin},
        {"fonttbl", WordKind::kFontTable},
        {"colortbl", WordKind::kColorTable},
        {"field", WordKind::kField},
        {"fldinst", WordKind::kFieldInstruction},
        {"fldrslt", WordKind::kFieldResult},
        {"pn", WordKind::kBulletSpec},
        {"fcharset", WordKind::kCharset},
        {"red", WordKind::kRed},
        {"green", WordKind::kGreen},
        {"blue", WordKind::kBlue},
        {"par", WordKind::kParagraphEnd},
        {"sect", WordKind::kParagraphEnd},
        {"page", WordKind::kParagraphEnd},
        {"row", WordKind::kParagraphEnd},
        {"nestrow", WordKind::kParagraphEnd},
        {"line", WordKind::kLine},
        {"pard", WordKind::kPard},
        {"ql", WordKind::kAlignLeft},
        {"qj", WordKind::kAlignLeft},
        {"qd", WordKind::kAlignLeft},
        {"qc", WordKind::kAlignCenter},
        {"qr", WordKind::kAlignRight},
        {"li", WordKind::kLeftIndent},
        {"lin", WordKind::kLeftIndent},
        {"ri", WordKind::kRightIndent},
        {"rin", WordKind::kRightIndent},
        {"ls", WordKind::kListItem},
        {"pnlvlblt", WordKind::kBulletLevel},
        {"pnlvlbody", WordKind::kBulletLevel},
        {"pnlvlcont", WordKind::kBulletContinue},
        {"plain", WordKind::kPlain},
        {"b", WordKind::kBold},
        {"i", WordKind::kItalic},
        {"ulnone", WordKind::kUnderlineNone},
        {"fs", WordKind::kFontSize},
        {"f", WordKind::kFont},
        {"cf", WordKind::kColor},
        {"u", WordKind::kUnicode},
        {"uc", WordKind::kUnicodeSkip},
        {"ansicpg", WordKind::kCodePage},
    };
    for (const auto& [word, kind] : others) {
      table.Add(word, {kind});
    }
    for (const auto& [word, codePage] : kCharacterSetWords) {
      table.Add(word, {WordKind::kCharacterSet, static_cast<char32_t>(codePage)});
    }
    return table;
  }();
  return words;
}

// The position of the next "{", "}" or backslash at or after `from`, or the size of `in`.
std::size_t FindSyntax(std::string_view in, std::size_t from) {
  return FindByteOf<NonAsciiBytes::kPass, '{', '}', '\\'>(in, from, in.size());
}

WordInfo LookUpWord(std::string_view word) {
  return KnownWords().Find(word);
}

std::string TrimName(std::string_view name) {
  return std::string(TrimAny(name, " \t"));
}

// The target of a HYPERLINK field instruction, or nothing for any other field.
std::optional<std::string> HyperlinkTarget(std::string_view instruction) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < instruction.size()) {
    while (i < instruction.size() && (instruction[i] == ' ' || instruction[i] == '\t'))
      ++i;
    if (i >= instruction.size())
      break;
    std::string arg;
    if (instruction[i] == '"') {
      const std::size_t close = instruction.find('"', i + 1);
      const std::size_t end = close == std::string_view::npos ? instruction.size() : close;
      arg = instruction.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      const std::size_t end = std::min(instruction.find_first_of(" \t", i), instruction.size());
      arg = instruction.substr(i, end - i);
      i = end;
    }
    args.push_back(std::move(arg));
  }
  if (args.empty() || !StartsWithNoCase(args[0], "HYPERLINK") || args[0].size() != 9) {
    return std::nullopt;
  }
  std::string url;
  std::string anchor;
  for (std::size_t a = 1; a < args.size(); ++a) {
    if (args[a] == "\\l" && a + 1 < args.size()) {
      anchor = args[++a];
    } else if (args[a].starts_with('\\')) {
      if (args[a] == "\\o" || args[a] == "\\t" || args[a] == "\\m")
        ++a;  // switches with a value
    } else if (url.empty()) {
      url = args[a];
    }
  }
  if (!anchor.empty()) {
    url += "#" + anchor;
  }
  if (url.empty()) {
    return std::nullopt;
  }
  return url;
}

// An upper bound of the paragraphs "\par" and "\line" words can end in `in`.
std::size_t CountParagraphMarks(std::string_view in) {
  std::size_t count = 0;
  for (std::size_t b = in.find('\\'); b != std::string_view::npos; b = in.find('\\', b + 1)) {
    const std::string_view word = in.substr(b + 1, 5);
    const auto endsAt = [&](std::size_t length) {
      const std::size_t after = b + 1 + length;
      return after >= in.size() ||
             !((in[after] >= 'a' && in[after] <= 'z') || (in[after] >= 'A' && in[after] <= 'Z'));
    };
    if ((word.starts_with("par") && endsAt(3)) || (word.starts_with("line") && endsAt(4))) {
      ++count;
    }
  }
  return count;
}

// A paragraph appended to either list form.
void AppendParagraph(std::vector<Paragraph>& list, Paragraph&& paragraph) {
  list.push_back(std::move(paragraph));
}

// Whether a paragraph is small and equal to another: such paragraphs close together share one
// object (SharedParagraph). Small, so that the comparison costs no more than the paragraph's read.
bool IsSmallAndEqual(const Paragraph& a, const Paragraph& b) {
  constexpr std::size_t kSmallRuns = 2;
  constexpr std::size_t kSmallText = 32;
  if (a.runs.size() > kSmallRuns || a.runs.size() != b.runs.size() || !(a.format == b.format) ||
      !(a.mark == b.mark)) {
    return false;
  }
  for (std::size_t i = 0; i < a.runs.size(); ++i) {
    if (a.runs[i].text.size() > kSmallText || a.runs[i].text != b.runs[i].text ||
        !(a.runs[i].format == b.runs[i].format)) {
      return false;
    }
  }
  return true;
}

// A paragraph equal to one of the last two shares its object (an empty line, or the lines of a
// page that repeats one or two over and over: 2 M copies of one hold one paragraph).
void AppendParagraph(ParagraphList& list, Paragraph&& paragraph) {
  constexpr std::size_t kLookBack = 2;
  for (std::size_t back = 1; back <= kLookBack && back <= list.size(); ++back) {
    const SharedParagraph& earlier = list[list.size() - back];
    if (IsSmallAndEqual(*earlier, paragraph)) {
      list.push_back(earlier.Share());
      return;
    }
  }
  list.emplace_back(std::move(paragraph));
}

// Reads into `List`, the document's paragraphs in one vector or one to an allocation: a surface
// that keeps them apart gets them so without holding both forms at once.
template <typename List>
class RtfReader {
 public:
  RtfReader(std::string_view in, const RtfReadOptions& options) : in_(in), options_(options) {
    GroupState base;
    base.format = options.defaultFormat;
    groups_.push_back(base);
    current_.mark = options.defaultFormat;
    // Grown by doubling, the paragraph list of a page of many short paragraphs would hold up to
    // twice its size, and three times while it moves: room for every paragraph mark the input
    // may hold is taken at once.
    paragraphs_.reserve(CountParagraphMarks(in) + 1);
  }

  List Read() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_];
      if (c == '{') {
        ++pos_;
        PushGroup();
      } else if (c == '}') {
        ++pos_;
        PopGroup();
      } else if (c == '\\') {
        ReadControl();
      } else {
        ReadText();
      }
    }
    return Finish();
  }

 private:
  GroupState& Top() { return groups_.back(); }

  bool Skipping() const {
    return overflowDepth_ > 0 || groups_.back().destination == Destination::kSkip;
  }

  // ----- Groups -----

  void PushGroup() {
    EndPendingBytes();
    pendingSkip_ = 0;
    if (overflowDepth_ > 0 || groups_.size() >= kMaxGroupDepth) {
      ++overflowDepth_;
      return;
    }
    GroupState next = Top();
    next.ignorable = false;
    groups_.push_back(next);
  }

  void PopGroup() {
    EndPendingBytes();
    pendingSkip_ = 0;
    if (overflowDepth_ > 0) {
      --overflowDepth_;
      return;
    }
    if (groups_.size() <= 1) {
      return;  // an unbalanced "}" closes nothing
    }
    if (Top().destination == Destination::kFontTable) {
      CommitFont();
    }
    groups_.pop_back();
    while (!fields_.empty() && fields_.back().depth > groups_.size()) {
      fields_.pop_back();
    }
  }

  // ----- Text -----

  void ReadText() {
    const std::size_t end = FindSyntax(in_, pos_);
    std::string_view text = in_.substr(pos_, end - pos_);
    pos_ = end;
    if (Skipping()) {
      return;
    }
    text = TakeTrailBytes(text);
    const bool body = Top().destination == Destination::kBody;
    // At most one unit per byte: the units are written in place, then the length is set.
    scratch_.resize(text.size());
    char16_t* units = scratch_.data();
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
#if defined(__SSE2__)
      // Plain ASCII text, the bulk of a document, widens sixteen bytes at a time.
      if (body && pendingSkip_ == 0) {
        const __m128i zero = _mm_setzero_si128();
        const __m128i cr = _mm_set1_epi8('\r');
        const __m128i lf = _mm_set1_epi8('\n');
        while (i + 16 <= text.size()) {
          const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
          const __m128i breaks =
              _mm_or_si128(_mm_cmpeq_epi8(bytes, zero),
                           _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
          if ((_mm_movemask_epi8(bytes) | _mm_movemask_epi8(breaks)) != 0) {
            break;  // a non-ASCII byte or one that is not text: the loop below takes it
          }
          _mm_storeu_si128(reinterpret_cast<__m128i*>(units + count),
                           _mm_unpacklo_epi8(bytes, zero));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(units + count + 8),
                           _mm_unpackhi_epi8(bytes, zero));
          count += 16;
          i += 16;
        }
        if (i >= text.size()) {
          break;
        }
      }
#endif
      const char c = text[i];
      // NUL is no character of a document: the writer could not write it back ("\u0" is
      // dropped), so a raw one is ignored as CR and LF are.
      if (c == '\r' || c == '\n' || c == '\0') {
        ++i;
        continue;
      }
      const DecodedChar decoded = static_cast<unsigned char>(c) < 0x80
                                      ? DecodedChar{static_cast<char32_t>(c), 1}
                                      : DecodeUtf8(text, i);
      i += decoded.bytes;
      if (pendingSkip_ > 0 && ConsumeFallback()) {
        continue;
      }
      if (!body) {
        AddCharacter(decoded.code);
      } else if (decoded.code >= 0x10000) {
        const SurrogatePair pair = SplitSurrogates(decoded.code);
        units[count++] = pair.high;
        units[count++] = pair.low;
      } else {
        units[count++] = static_cast<char16_t>(decoded.code);
      }
    }
    scratch_.resize(count);
    if (!scratch_.empty()) {
      // Raw text is never the low half of a pair a "\u" escape began.
      FlushHighSurrogate();
      AppendUnits(scratch_);
    }
  }

  // A double-byte character's trail byte may be plain text after its "\'xx" lead byte
  // ("\'82a" in 932): the bytes a waiting lead byte takes, and the rest of the text.
  std::string_view TakeTrailBytes(std::string_view text) {
    std::size_t taken = 0;
    while (decoder_.Pending() && taken < text.size()) {
      const char c = text[taken++];
      if (c != '\r' && c != '\n' && !ConsumeFallback()) {
        AddDecoded(decoder_.Feed(PageInForce(), static_cast<std::uint8_t>(c)));
      }
    }
    return text.substr(taken);
  }

  // The code page of "\'xx" here: the font's, else the document's. In the font table, the font
  // being defined names it.
  std::int32_t PageInForce() const {
    const std::int32_t fontPage = groups_.back().destination == Destination::kFontTable
                                      ? fontCodePage_
                                      : groups_.back().fontCodePage;
    return fontPage != 0 ? fontPage : codePage_;
  }

  // Characters decoded from "\'xx" escapes.
  void AddDecoded(const CodePageDecoder::Decoded& decoded) {
    for (std::size_t i = 0; i < decoded.count; ++i) {
      AddEscapedCharacter(decoded.characters[i]);
    }
  }

  // A lead byte the text moved on from without its trail byte is a broken character.
  void EndPendingBytes() {
    if (decoder_.Pending()) {
      AddDecoded(decoder_.Flush());
    }
  }

  // True when the character is a fallback of the \uN before it and must be dropped.
  bool ConsumeFallback() {
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return true;
    }
    return false;
  }

  // A character written as an escape: in a face name an escaped ";" is part of the name, where
  // a bare one ends the entry.
  void AddEscapedCharacter(char32_t code) {
    if (code != 0 && Top().destination == Destination::kFontTable) {
      AddFontNameCharacter(code);
    } else {
      AddCharacter(code);
    }
  }

  void AddCharacter(char32_t code) {
    if (code == 0) {
      return;  // "\'00": NUL is no character of a document, as in "\u0"
    }
    switch (Top().destination) {
      case Destination::kBody:
        AddBodyCharacter(code);
        break;
      case Destination::kFontTable:
        if (code == ';') {
          CommitFont();
        } else {
          AddFontNameCharacter(code);
        }
        break;
      case Destination::kColorTable:
        if (code == ';') {
          colors_.push_back(colorSeen_ ? std::optional<std::int32_t>(color_) : std::nullopt);
          color_ = 0;
          colorSeen_ = false;
        }
        break;
      case Destination::kFieldInstruction:
        // A control character ("\u10") is no part of an address, and a line break inside the
        // URL run it becomes would split the run.
        if (!fields_.empty() && code >= 0x20) {
          AppendUtf8(fields_.back().instruction, code);
        }
        break;
      case Destination::kSkip:
      case Destination::kBulletSpec:
        break;
    }
  }

  // "\uN" gives a character above U+FFFF as two units: a face name pairs them as text does.
  void AddFontNameCharacter(char32_t code) {
    AppendUtf16Unit(fontName_, code, fontHigh_);
  }

  CharFormat TextFormat() const {
    CharFormat format = groups_.back().format;
    if (groups_.back().linkResult) {
      format.underline = true;
      format.italic = false;
      format.color = kLinkTextColor;
    }
    return format;
  }

  void AddBodyCharacter(char32_t code) {
    // A CR or LF given as an escape ("\'0d", "\u10") breaks the paragraph, as it does in the
    // surface's text: a run never holds one. CR LF is one break.
    if (code == '\r' || code == '\n') {
      if (code == '\r' || !afterEscapedCr_) {
        EndParagraph(/*byPar=*/true);
      }
      afterEscapedCr_ = code == '\r';
      return;
    }
    if (IsLowSurrogate(code) && pendingHigh_ != 0) {
      AppendUnits(std::u16string{pendingHigh_, static_cast<char16_t>(code)});
      pendingHigh_ = 0;
      return;
    }
    FlushHighSurrogate();
    if (IsHighSurrogate(code)) {
      pendingHigh_ = static_cast<char16_t>(code);
      return;
    }
    if (IsLowSurrogate(code)) {
      code = 0xFFFD;
    }
    if (code >= 0x10000) {
      const SurrogatePair pair = SplitSurrogates(code);
      AppendUnits(std::u16string{pair.high, pair.low});
    } else {
      AppendUnits(std::u16string(1, static_cast<char16_t>(code)));
    }
  }

  void FlushHighSurrogate() {
    if (pendingHigh_ != 0) {
      pendingHigh_ = 0;
      AppendUnits(u"\uFFFD");
    }
  }

  void AppendUnits(std::u16string_view units) {
    if (groups_.back().linkResult) {
      AppendPiece(TextFormat(), units);
    } else {
      AppendPiece(groups_.back().format, units);
    }
    openedByPar_ = false;
    afterEscapedCr_ = false;
  }

  // A run arrives in pieces (text between escapes and control words); they are gathered in one
  // buffer and the run is made once, at its size, instead of its text growing piece by piece.
  void AppendPiece(const CharFormat& format, std::u16string_view units) {
    if (units.empty()) {
      return;
    }
    if (!pendingText_.empty() && !(pendingFormat_ == format)) {
      FlushPending();
    }
    if (pendingText_.empty()) {
      pendingFormat_ = format;
    }
    pendingText_.append(units);
  }

  void FlushPending() {
    if (!pendingText_.empty()) {
      AppendText(current_, pendingFormat_, pendingText_);
      pendingText_.clear();
    }
  }

  // ----- Control words and symbols -----

  void ReadControl() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) {
      return;
    }
    const char c = in_[pos_];
    if (!IsAsciiLetter(c)) {
      ++pos_;
      ReadSymbol(c);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsAsciiLetter(in_[pos_])) {
      ++pos_;
    }
    // No control word is longer; a longer one is nothing this reader knows.
    const std::string_view word = in_.substr(start, std::min(pos_ - start, kMaxWordLength + 1));
    std::optional<std::int32_t> parameter;
    if (pos_ < in_.size() && (IsAsciiDigit(in_[pos_]) || in_[pos_] == '-')) {
      parameter = ReadParameter();
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') {
      ++pos_;
    }
    HandleWord(word, parameter);
  }

  std::optional<std::int32_t> ReadParameter() {
    const bool negative = in_[pos_] == '-';
    if (negative)
      ++pos_;
    std::int64_t value = 0;
    bool digits = false;
    for (int n = 0; pos_ < in_.size() && IsAsciiDigit(in_[pos_]); ++pos_, ++n) {
      digits = true;
      if (n < 11)
        value = value * 10 + (in_[pos_] - '0');
    }
    if (!digits) {
      return std::nullopt;
    }
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
  }

  void ReadSymbol(char c) {
    if (c == '\'') {
      ReadHexEscape();
      return;
    }
    if (c == '\\' || c == '{' || c == '}') {
      ReadEscapedCharacter(c);
      return;
    }
    EndPendingBytes();
    if (c == '\r' || c == '\n') {
      ReadEscapedLineEnd();
      return;
    }
    if (Skipping()) {
      return;
    }
    if (c == '*') {
      Top().ignorable = true;
      return;
    }
    if (ConsumeFallback()) {
      return;
    }
    if (const WordInfo info = LookUpWord(std::string_view(&c, 1));
        info.kind == WordKind::kSpecialCharacter) {
      AddCharacter(info.character);
    }
  }

  // "\\", "\{" and "\}" are text, and may be the trail byte of a double-byte character ("\'95\\"
  // in 932).
  void ReadEscapedCharacter(char c) {
    if (Skipping() || ConsumeFallback()) {
      return;
    }
    if (decoder_.Pending()) {
      AddDecoded(decoder_.Feed(PageInForce(), static_cast<std::uint8_t>(c)));
    } else {
      AddCharacter(static_cast<char32_t>(c));
    }
  }

  // A backslash before a line end is a paragraph mark, as "\par" is.
  void ReadEscapedLineEnd() {
    if (!Skipping() && !ConsumeFallback() && Top().destination == Destination::kBody) {
      EndParagraph(/*byPar=*/true);
    }
  }

  void ReadHexEscape() {
    int value = -1;
    if (pos_ + 1 < in_.size()) {
      const int high = HexDigitValue(in_[pos_]);
      const int low = HexDigitValue(in_[pos_ + 1]);
      if (high >= 0 && low >= 0) {
        value = high * 16 + low;
        pos_ += 2;
      }
    }
    if (value < 0 || Skipping() || ConsumeFallback()) {
      return;
    }
    AddDecoded(decoder_.Feed(PageInForce(), static_cast<std::uint8_t>(value)));
  }

  void HandleWord(std::string_view word, std::optional<std::int32_t> parameter) {
    EndPendingBytes();
    const WordInfo info = LookUpWord(word);
    if (info.kind == WordKind::kBin) {
      // Binary data may hold any byte, braces included; it is never text.
      pos_ =
          std::min(in_.size(), pos_ + static_cast<std::size_t>(std::max(0, parameter.value_or(0))));
      return;
    }
    if (Skipping()) {
      return;
    }
    if (ConsumeFallback()) {
      return;
    }
    if (HandleDestination(info.kind)) {
      return;
    }
    if (Top().ignorable) {
      Top().destination = Destination::kSkip;  // an unknown "\*" destination
      return;
    }
    switch (Top().destination) {
      case Destination::kFontTable:
        // A face name holds escapes as text does: the writer writes a non-ASCII face as "\uN".
        if (!HandleFontTableWord(info.kind, parameter)) {
          HandleCharacterEscapeWord(info, parameter);
        }
        return;
      case Destination::kColorTable:
        HandleColorTableWord(info.kind, parameter);
        return;
      case Destination::kBulletSpec:
        HandleBulletWord(info.kind);
        return;
      default:
        break;
    }
    if (HandleParagraphWord(info.kind, parameter) || HandleCharacterWord(info.kind, parameter) ||
        HandleCharacterEscapeWord(info, parameter)) {
      return;
    }
    if (info.kind == WordKind::kCodePage && parameter) {
      codePage_ = *parameter;
    } else if (info.kind == WordKind::kCharacterSet) {
      codePage_ = static_cast<std::int32_t>(info.character);
    }
  }

  // Words that stand for a character: "\emdash", "\uN" (and "\ucN", which governs it).
  bool HandleCharacterEscapeWord(const WordInfo& info, std::optional<std::int32_t> parameter) {
    if (info.kind == WordKind::kSpecialCharacter) {
      AddCharacter(info.character);
    } else if (info.kind == WordKind::kUnicode && parameter) {
      // Writers give units above 32767 either negative or as they are; nothing else is a unit,
      // and NUL is no character of a document.
      const std::int32_t unit = *parameter < 0 ? *parameter + 65536 : *parameter;
      if (unit > 0 && unit <= 0xFFFF) {
        AddEscapedCharacter(static_cast<char32_t>(unit));
      }
      pendingSkip_ = Top().unicodeSkip;
    } else if (info.kind == WordKind::kUnicodeSkip && parameter) {
      Top().unicodeSkip = std::max(0, *parameter);
    } else {
      return false;
    }
    return true;
  }

  // Words that open a destination. Returns true when the word was one.
  bool HandleDestination(WordKind kind) {
    GroupState& top = Top();
    switch (kind) {
      case WordKind::kFontTable:
        top.destination = Destination::kFontTable;
        break;
      case WordKind::kColorTable:
        top.destination = Destination::kColorTable;
        break;
      case WordKind::kField:
        fields_.push_back({groups_.size(), {}, false});
        break;
      case WordKind::kFieldInstruction:
        top.destination = Destination::kFieldInstruction;
        break;
      case WordKind::kFieldResult:
        top.destination = Destination::kBody;
        StartFieldResult();
        break;
      case WordKind::kBulletSpec:
        top.destination = Destination::kBulletSpec;
        break;
      case WordKind::kSkippedDestination:
        top.destination = Destination::kSkip;
        break;
      default:
        return false;
    }
    top.ignorable = false;
    return true;
  }

  void StartFieldResult() {
    if (fields_.empty() || fields_.back().resultSeen) {
      return;
    }
    fields_.back().resultSeen = true;
    const std::optional<std::string> url = HyperlinkTarget(TrimName(fields_.back().instruction));
    if (!url) {
      return;
    }
    CharFormat format = Top().format;
    format.italic = true;
    format.underline = true;
    format.color = kUrlColor;
    FlushHighSurrogate();
    AppendPiece(format, Utf8ToUtf16(*url));
    openedByPar_ = false;
    Top().linkResult = true;
  }

  bool HandleFontTableWord(WordKind kind, std::optional<std::int32_t> parameter) {
    if (kind == WordKind::kFont && parameter) {
      CommitFont();
      fontNumber_ = *parameter;
    } else if (kind == WordKind::kCharset && parameter) {
      fontCodePage_ = CodePageForCharset(*parameter);
    } else {
      return false;
    }
    return true;
  }

  void CommitFont() {
    if (fontHigh_ != 0) {
      AppendUtf8(fontName_, 0xFFFD);
      fontHigh_ = 0;
    }
    const std::string name = TrimName(fontName_);
    if (fontNumber_ && !name.empty()) {
      fonts_[*fontNumber_] = {FaceName(name), fontCodePage_};  // a later definition wins
    } else if (fontNumber_) {
      // A blank name defines no face; the number must not keep an earlier one (Symbol, say).
      fonts_.erase(*fontNumber_);
    }
    fontNumber_.reset();  // the entry is done: a group's close commits nothing more
    fontName_.clear();
    fontCodePage_ = 0;
  }

  void HandleColorTableWord(WordKind kind, std::optional<std::int32_t> parameter) {
    const std::int32_t value = std::clamp(parameter.value_or(0), 0, 255);
    if (kind == WordKind::kRed) {
      color_ = (color_ & ~0xFF) | value;
    } else if (kind == WordKind::kGreen) {
      color_ = (color_ & ~0xFF00) | (value << 8);
    } else if (kind == WordKind::kBlue) {
      color_ = (color_ & ~0xFF0000) | (value << 16);
    } else {
      return;
    }
    colorSeen_ = true;
  }

  void HandleBulletWord(WordKind kind) {
    if (kind == WordKind::kBulletLevel || kind == WordKind::kBulletContinue) {
      paragraph_.bullet = true;
    }
  }

  bool HandleParagraphWord(WordKind kind, std::optional<std::int32_t> parameter) {
    switch (kind) {
      case WordKind::kParagraphEnd:
        EndParagraph(/*byPar=*/true);
        break;
      case WordKind::kLine:
        EndParagraph(/*byPar=*/false);
        break;
      case WordKind::kPard:
        paragraph_ = ParagraphState{};
        break;
      case WordKind::kAlignLeft:
        paragraph_.alignment = Alignment::kLeft;
        break;
      case WordKind::kAlignCenter:
        paragraph_.alignment = Alignment::kCenter;
        break;
      case WordKind::kAlignRight:
        paragraph_.alignment = Alignment::kRight;
        break;
      case WordKind::kLeftIndent:
        paragraph_.left = parameter.value_or(0);
        break;
      case WordKind::kRightIndent:
        paragraph_.right = parameter.value_or(0);
        break;
      case WordKind::kListItem:
      case WordKind::kBulletLevel:
        paragraph_.bullet = true;
        break;
      default:
        return false;
    }
    return true;
  }

  bool HandleCharacterWord(WordKind kind, std::optional<std::int32_t> parameter) {
    CharFormat& format = Top().format;
    const bool on = parameter.value_or(1) != 0;
    switch (kind) {
      case WordKind::kPlain:
        format = options_.defaultFormat;
        return true;
      case WordKind::kBold:
        format.bold = on;
        return true;
      case WordKind::kItalic:
        format.italic = on;
        return true;
      case WordKind::kUnderline:
        format.underline = on;
        return true;
      case WordKind::kUnderlineNone:
        format.underline = false;
        return true;
      default:
        break;
    }
    if (!parameter) {
      return false;
    }
    if (kind == WordKind::kFontSize) {
      if (*parameter > 0)
        format.halfPoints = *parameter;
    } else if (kind == WordKind::kFont) {
      const auto font = fonts_.find(*parameter);
      if (font != fonts_.end()) {
        format.face = font->second.name;
        Top().fontCodePage = font->second.codePage;
      }
    } else if (kind == WordKind::kColor) {
      if (*parameter >= 0 && static_cast<std::size_t>(*parameter) < colors_.size()) {
        format.color = colors_[static_cast<std::size_t>(*parameter)].value_or(0);
      }
    } else {
      return false;
    }
    return true;
  }

  // ----- Paragraphs -----

  void EndParagraph(bool byPar) {
    FlushHighSurrogate();
    FinishParagraph();
    AppendParagraph(paragraphs_, std::move(current_));
    current_ = Paragraph{};
    current_.mark = Top().format;
    openedByPar_ = byPar;
    afterEscapedCr_ = false;
  }

  void FinishParagraph() {
    FlushPending();
    ParaFormat& format = current_.format;
    format.alignment = paragraph_.alignment;
    format.bullet = paragraph_.bullet;
    format.indent =
        paragraph_.bullet ? std::max(0, paragraph_.left - options_.bulletIndent) : paragraph_.left;
    format.rightIndent = paragraph_.right;
    current_.mark = Top().format;
    // A run's text grew piece by piece, its capacity doubling; a large document would keep a
    // quarter more memory than its text needs.
    for (TextRun& run : current_.runs) {
      if (run.text.capacity() > run.text.size() + run.text.size() / 8 + 8) {
        run.text.shrink_to_fit();
      }
    }
    if (current_.runs.capacity() > current_.runs.size() + 1) {
      current_.runs.shrink_to_fit();
    }
  }

  List Finish() {
    EndPendingBytes();
    FlushHighSurrogate();
    FlushPending();
    const bool dropLast = openedByPar_ && current_.runs.empty() && !paragraphs_.empty();
    if (!dropLast) {
      FinishParagraph();
      AppendParagraph(paragraphs_, std::move(current_));
    }
    return std::move(paragraphs_);
  }

  std::string_view in_;
  const RtfReadOptions& options_;
  std::size_t pos_ = 0;
  std::vector<GroupState> groups_;
  std::size_t overflowDepth_ = 0;
  std::int32_t codePage_ = 1252;
  CodePageDecoder decoder_;  // its converters live as long as this reading
  std::int32_t pendingSkip_ = 0;
  char16_t pendingHigh_ = 0;
  std::u16string scratch_;

  std::unordered_map<std::int32_t, FontEntry> fonts_;
  std::optional<std::int32_t> fontNumber_;
  std::string fontName_;
  char32_t fontHigh_ = 0;  // a high surrogate of the face name waiting for its low half
  std::int32_t fontCodePage_ = 0;

  std::vector<std::optional<std::int32_t>> colors_;
  std::int32_t color_ = 0;
  bool colorSeen_ = false;

  std::vector<Field> fields_;
  ParagraphState paragraph_;
  Paragraph current_;
  // The run being gathered, not yet in current_.
  CharFormat pendingFormat_;
  std::u16string pendingText_;
  bool openedByPar_ = false;
  bool afterEscapedCr_ = false;  // the last thing read was a CR escape that broke the paragraph
  List paragraphs_;
};

}  // namespace

RichDocument ReadRtf(std::string_view rtf, const RtfReadOptions& options) {
  return RichDocument{RtfReader<std::vector<Paragraph>>(rtf, options).Read()};
}

ParagraphList ReadRtfParagraphs(std::string_view rtf, const RtfReadOptions& options) {
  return RtfReader<ParagraphList>(rtf, options).Read();
}

}  // namespace scrivlet
