#include "platform/document/rtf_reader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "conversion/markers.h"
#include "conversion/text_codec.h"
#include "platform/document/code_pages.h"

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
  std::string name;
  std::int32_t codePage = 0;
};

struct Field {
  std::size_t depth;  // group depth of the \field group
  std::string instruction;
  bool resultSeen = false;
};

const std::unordered_set<std::string_view>& SkippedDestinations() {
  static const std::unordered_set<std::string_view> words = {"info",
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
                                                             "defpap"};
  return words;
}

// Characters that control symbols and words stand for.
std::optional<char32_t> SpecialCharacter(std::string_view word) {
  static const std::unordered_map<std::string_view, char32_t> characters = {
      {"tab", u'\t'},        {"cell", u'\t'},       {"nestcell", u'\t'}, {"emdash", 0x2014},
      {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},  {"rquote", 0x2019},
      {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
      {"qmspace", 0x2005},   {"zwj", 0x200D},       {"zwnj", 0x200C},    {"~", 0x00A0},
      {"_", 0x2011}};
  const auto it = characters.find(word);
  return it == characters.end() ? std::nullopt : std::optional<char32_t>(it->second);
}

bool IsUnderlineOn(std::string_view word) {
  static const std::unordered_set<std::string_view> words = {
      "ul",       "ulw",       "uld",        "uldb",    "ulth",       "uldash",
      "uldashd",  "uldashdd",  "ulhwave",    "ulwave",  "ululdbwave", "ulthd",
      "ulthdash", "ulthdashd", "ulthdashdd", "ulldash", "ulthldash",  "ulhair"};
  return words.contains(word);
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c))
    return c - '0';
  const char f = FoldAscii(c);
  return (f >= 'a' && f <= 'f') ? f - 'a' + 10 : -1;
}

std::string TrimName(std::string_view name) {
  const std::size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) {
    return {};
  }
  return std::string(name.substr(first, name.find_last_not_of(" \t") - first + 1));
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

class RtfReader {
 public:
  RtfReader(std::string_view in, const RtfReadOptions& options) : in_(in), options_(options) {
    GroupState base;
    base.format = options.defaultFormat;
    groups_.push_back(base);
    current_.mark = options.defaultFormat;
  }

  RichDocument Read() {
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
    const std::size_t end = std::min(in_.find_first_of("{}\\", pos_), in_.size());
    const std::string_view text = in_.substr(pos_, end - pos_);
    pos_ = end;
    if (Skipping()) {
      return;
    }
    const bool body = Top().destination == Destination::kBody;
    scratch_.clear();
    for (std::size_t i = 0; i < text.size();) {
      const char c = text[i];
      // NUL is no character of a document: the writer could not write it back ("\u0" is
      // dropped), so a raw one is ignored as CR and LF are.
      if (c == '\r' || c == '\n' || c == '\0') {
        ++i;
        continue;
      }
      const DecodedChar decoded = DecodeUtf8(text, i);
      i += decoded.bytes;
      if (ConsumeFallback()) {
        continue;
      }
      if (!body) {
        AddCharacter(decoded.code);
      } else if (decoded.code >= 0x10000) {
        const char32_t v = decoded.code - 0x10000;
        scratch_ += static_cast<char16_t>(0xD800 + (v >> 10));
        scratch_ += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
      } else {
        scratch_ += static_cast<char16_t>(decoded.code);
      }
    }
    if (!scratch_.empty()) {
      // Raw text is never the low half of a pair a "\u" escape began.
      FlushHighSurrogate();
      AppendUnits(scratch_);
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
        if (!fields_.empty()) {
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
    if (code >= 0xDC00 && code <= 0xDFFF && fontHigh_ != 0) {
      code = 0x10000 + ((fontHigh_ - 0xD800) << 10) + (code - 0xDC00);
    } else if (fontHigh_ != 0) {
      AppendUtf8(fontName_, 0xFFFD);
    }
    fontHigh_ = 0;
    if (code >= 0xD800 && code <= 0xDBFF) {
      fontHigh_ = static_cast<char16_t>(code);
      return;
    }
    AppendUtf8(fontName_, code);  // a lone low surrogate is written as U+FFFD
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
    if (code >= 0xDC00 && code <= 0xDFFF && pendingHigh_ != 0) {
      AppendUnits(std::u16string{pendingHigh_, static_cast<char16_t>(code)});
      pendingHigh_ = 0;
      return;
    }
    FlushHighSurrogate();
    if (code >= 0xD800 && code <= 0xDBFF) {
      pendingHigh_ = static_cast<char16_t>(code);
      return;
    }
    if (code >= 0xDC00 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code >= 0x10000) {
      const char32_t v = code - 0x10000;
      AppendUnits(std::u16string{static_cast<char16_t>(0xD800 + (v >> 10)),
                                 static_cast<char16_t>(0xDC00 + (v & 0x3FF))});
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
    AppendText(current_, TextFormat(), units);
    openedByPar_ = false;
    afterEscapedCr_ = false;
  }

  // ----- Control words and symbols -----

  void ReadControl() {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) {
      return;
    }
    const char c = in_[pos_];
    if (!IsLetter(c)) {
      ++pos_;
      ReadSymbol(c);
      return;
    }
    const std::size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(in_[pos_])) {
      ++pos_;
    }
    // No control word is longer; a longer one is nothing this reader knows.
    const std::string_view word = in_.substr(start, std::min(pos_ - start, kMaxWordLength + 1));
    std::optional<std::int32_t> parameter;
    if (pos_ < in_.size() && (IsDigit(in_[pos_]) || in_[pos_] == '-')) {
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
    for (int n = 0; pos_ < in_.size() && IsDigit(in_[pos_]); ++pos_, ++n) {
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
    if (c == '\\' || c == '{' || c == '}') {
      AddCharacter(static_cast<char32_t>(c));
    } else if (const auto special = SpecialCharacter(std::string_view(&c, 1))) {
      AddCharacter(*special);
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
      const int high = HexValue(in_[pos_]);
      const int low = HexValue(in_[pos_ + 1]);
      if (high >= 0 && low >= 0) {
        value = high * 16 + low;
        pos_ += 2;
      }
    }
    if (value < 0 || Skipping() || ConsumeFallback()) {
      return;
    }
    const std::int32_t page = Top().fontCodePage != 0 ? Top().fontCodePage : codePage_;
    AddCharacter(ByteToUnicode(page, static_cast<std::uint8_t>(value)));
  }

  void HandleWord(std::string_view word, std::optional<std::int32_t> parameter) {
    if (word == "bin") {
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
    if (HandleDestination(word)) {
      return;
    }
    if (Top().ignorable) {
      Top().destination = Destination::kSkip;  // an unknown "\*" destination
      return;
    }
    switch (Top().destination) {
      case Destination::kFontTable:
        // A face name holds escapes as text does: the writer writes a non-ASCII face as "\uN".
        if (!HandleFontTableWord(word, parameter)) {
          HandleCharacterEscapeWord(word, parameter);
        }
        return;
      case Destination::kColorTable:
        HandleColorTableWord(word, parameter);
        return;
      case Destination::kBulletSpec:
        HandleBulletWord(word);
        return;
      default:
        break;
    }
    if (HandleParagraphWord(word, parameter) || HandleCharacterWord(word, parameter) ||
        HandleCharacterEscapeWord(word, parameter)) {
      return;
    }
    if (word == "ansicpg" && parameter) {
      codePage_ = *parameter;
    }
  }

  // Words that stand for a character: "\emdash", "\uN" (and "\ucN", which governs it).
  bool HandleCharacterEscapeWord(std::string_view word, std::optional<std::int32_t> parameter) {
    if (const auto special = SpecialCharacter(word)) {
      AddCharacter(*special);
    } else if (word == "u" && parameter) {
      // Writers give units above 32767 either negative or as they are; nothing else is a unit,
      // and NUL is no character of a document.
      const std::int32_t unit = *parameter < 0 ? *parameter + 65536 : *parameter;
      if (unit > 0 && unit <= 0xFFFF) {
        AddCharacter(static_cast<char32_t>(unit));
      }
      pendingSkip_ = Top().unicodeSkip;
    } else if (word == "uc" && parameter) {
      Top().unicodeSkip = std::max(0, *parameter);
    } else {
      return false;
    }
    return true;
  }

  // Words that open a destination. Returns true when `word` was one.
  bool HandleDestination(std::string_view word) {
    GroupState& top = Top();
    if (word == "fonttbl") {
      top.destination = Destination::kFontTable;
    } else if (word == "colortbl") {
      top.destination = Destination::kColorTable;
    } else if (word == "field") {
      fields_.push_back({groups_.size(), {}, false});
    } else if (word == "fldinst") {
      top.destination = Destination::kFieldInstruction;
    } else if (word == "fldrslt") {
      top.destination = Destination::kBody;
      StartFieldResult();
    } else if (word == "pn") {
      top.destination = Destination::kBulletSpec;
    } else if (SkippedDestinations().contains(word)) {
      top.destination = Destination::kSkip;
    } else {
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
    AppendText(current_, format, Utf8ToUtf16(*url));
    openedByPar_ = false;
    Top().linkResult = true;
  }

  bool HandleFontTableWord(std::string_view word, std::optional<std::int32_t> parameter) {
    if (word == "f" && parameter) {
      CommitFont();
      fontNumber_ = *parameter;
    } else if (word == "fcharset" && parameter) {
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
      fonts_[*fontNumber_] = {name, fontCodePage_};  // a later definition wins
    }
    fontName_.clear();
    fontCodePage_ = 0;
  }

  void HandleColorTableWord(std::string_view word, std::optional<std::int32_t> parameter) {
    const std::int32_t value = std::clamp(parameter.value_or(0), 0, 255);
    if (word == "red") {
      color_ = (color_ & ~0xFF) | value;
    } else if (word == "green") {
      color_ = (color_ & ~0xFF00) | (value << 8);
    } else if (word == "blue") {
      color_ = (color_ & ~0xFF0000) | (value << 16);
    } else {
      return;
    }
    colorSeen_ = true;
  }

  void HandleBulletWord(std::string_view word) {
    if (word == "pnlvlblt" || word == "pnlvlbody" || word == "pnlvlcont") {
      paragraph_.bullet = true;
    }
  }

  bool HandleParagraphWord(std::string_view word, std::optional<std::int32_t> parameter) {
    if (word == "par" || word == "sect" || word == "page" || word == "row" || word == "nestrow") {
      EndParagraph(/*byPar=*/true);
    } else if (word == "line") {
      EndParagraph(/*byPar=*/false);
    } else if (word == "pard") {
      paragraph_ = ParagraphState{};
    } else if (word == "ql" || word == "qj" || word == "qd") {
      paragraph_.alignment = Alignment::kLeft;
    } else if (word == "qc") {
      paragraph_.alignment = Alignment::kCenter;
    } else if (word == "qr") {
      paragraph_.alignment = Alignment::kRight;
    } else if (word == "li" || word == "lin") {
      paragraph_.left = parameter.value_or(0);
    } else if (word == "ri" || word == "rin") {
      paragraph_.right = parameter.value_or(0);
    } else if (word == "ls" || word == "pnlvlblt" || word == "pnlvlbody") {
      paragraph_.bullet = true;
    } else {
      return false;
    }
    return true;
  }

  bool HandleCharacterWord(std::string_view word, std::optional<std::int32_t> parameter) {
    CharFormat& format = Top().format;
    const bool on = parameter.value_or(1) != 0;
    if (word == "plain") {
      format = options_.defaultFormat;
    } else if (word == "b") {
      format.bold = on;
    } else if (word == "i") {
      format.italic = on;
    } else if (IsUnderlineOn(word)) {
      format.underline = on;
    } else if (word == "ulnone") {
      format.underline = false;
    } else if (word == "fs" && parameter) {
      if (*parameter > 0)
        format.halfPoints = *parameter;
    } else if (word == "f" && parameter) {
      const auto font = fonts_.find(*parameter);
      if (font != fonts_.end()) {
        format.face = font->second.name;
        Top().fontCodePage = font->second.codePage;
      }
    } else if (word == "cf" && parameter) {
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
    document_.paragraphs.push_back(std::move(current_));
    current_ = Paragraph{};
    current_.mark = Top().format;
    openedByPar_ = byPar;
    afterEscapedCr_ = false;
  }

  void FinishParagraph() {
    ParaFormat& format = current_.format;
    format.alignment = paragraph_.alignment;
    format.bullet = paragraph_.bullet;
    format.indent =
        paragraph_.bullet ? std::max(0, paragraph_.left - options_.bulletIndent) : paragraph_.left;
    format.rightIndent = paragraph_.right;
    current_.mark = Top().format;
  }

  RichDocument Finish() {
    FlushHighSurrogate();
    const bool dropLast = openedByPar_ && current_.runs.empty() && !document_.paragraphs.empty();
    if (!dropLast) {
      FinishParagraph();
      document_.paragraphs.push_back(std::move(current_));
    }
    return std::move(document_);
  }

  std::string_view in_;
  const RtfReadOptions& options_;
  std::size_t pos_ = 0;
  std::vector<GroupState> groups_;
  std::size_t overflowDepth_ = 0;
  std::int32_t codePage_ = 1252;
  std::int32_t pendingSkip_ = 0;
  char16_t pendingHigh_ = 0;
  std::u16string scratch_;

  std::unordered_map<std::int32_t, FontEntry> fonts_;
  std::optional<std::int32_t> fontNumber_;
  std::string fontName_;
  char16_t fontHigh_ = 0;  // a high surrogate of the face name waiting for its low half
  std::int32_t fontCodePage_ = 0;

  std::vector<std::optional<std::int32_t>> colors_;
  std::int32_t color_ = 0;
  bool colorSeen_ = false;

  std::vector<Field> fields_;
  ParagraphState paragraph_;
  Paragraph current_;
  bool openedByPar_ = false;
  bool afterEscapedCr_ = false;  // the last thing read was a CR escape that broke the paragraph
  RichDocument document_;
};

}  // namespace

RichDocument ReadRtf(std::string_view rtf, const RtfReadOptions& options) {
  return RtfReader(rtf, options).Read();
}

}  // namespace scrivlet
