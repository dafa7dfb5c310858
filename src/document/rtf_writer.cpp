#include "document/rtf_writer.h"

#include <algorithm>

#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

constexpr std::string_view kSymbolFace = "Symbol";

// Per-call state of one write.
struct WriteState {
  std::string out;
  std::vector<std::string> faces;
  FirstUseNumbering<std::string> fontNumbers{faces};
  std::vector<std::int32_t> colors;
  FirstUseNumbering<std::int32_t> colorNumbers{colors};
  std::int32_t bulletIndent = 360;
};

void EmitUnicodeUnit(std::string& out, char16_t unit) {
  out += "\\u";
  AppendDecimal(out, static_cast<std::int16_t>(unit));
  out += ' ';
}

// Printable ASCII other than the RTF specials: written as it is.
bool IsPlain(char16_t c) {
  return c >= 0x20 && c < 0x80 && c != u'\\' && c != u'{' && c != u'}';
}

// How many characters from the start of `text` are plain.
std::size_t PlainPrefix(std::u16string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsPlain(text[n])) {
    ++n;
  }
  return n;
}

// Plain characters, narrowed in one loop rather than appended one by one: most of a document's
// text is plain.
void EmitPlain(std::string& out, std::u16string_view plain) {
  const std::size_t at = out.size();
  out.resize(at + plain.size());
  char* to = out.data() + at;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    to[i] = static_cast<char>(plain[i]);
  }
}

void EmitSpecial(std::string& out, char16_t c) {
  switch (c) {
    case u'\\':
      out += "\\\\";
      break;
    case u'{':
      out += "\\{";
      break;
    case u'}':
      out += "\\}";
      break;
    case u'\t':
      out += '\t';
      break;
    case 0x00A0:
      out += "\\~";
      break;
    case 0x2014:
      out += "\\emdash ";
      break;
    case 0x2013:
      out += "\\endash ";
      break;
    default:
      EmitUnicodeUnit(out, c);
  }
}

// Text of a run or a face name in RTF escapes.
void EmitText(std::string& out, std::u16string_view text) {
  while (!text.empty()) {
    const std::size_t plain = PlainPrefix(text);
    if (plain > 0) {
      EmitPlain(out, text.substr(0, plain));
      text.remove_prefix(plain);
    } else {
      EmitSpecial(out, text.front());
      text.remove_prefix(1);
    }
  }
}

// A ";" in a face name is escaped: a bare one ends the font table entry.
void EmitFaceName(std::string& out, std::string_view face) {
  for (std::size_t start = 0; start <= face.size();) {
    const std::size_t semicolon = std::min(face.find(';', start), face.size());
    EmitText(out, Utf8ToUtf16(face.substr(start, semicolon - start)));
    if (semicolon < face.size()) {
      out += "\\'3b";
    }
    start = semicolon + 1;
  }
}

void EmitRunOpen(WriteState& s, const CharFormat& format) {
  std::string& out = s.out;
  out += "\\plain\\f";
  AppendDecimal(out, s.fontNumbers.NumberOf(format.face.view()));
  out += "\\fs";
  AppendDecimal(out, format.halfPoints);
  out += "\\cf";
  AppendDecimal(out, s.colorNumbers.NumberOf(format.color));
  if (format.bold)
    out += "\\b";
  if (format.italic)
    out += "\\i";
  if (format.underline)
    out += "\\ul";
  out += ' ';
}

void EmitParagraphProperties(WriteState& s, const ParaFormat& format) {
  std::string& out = s.out;
  out += "\\pard";
  if (format.alignment == Alignment::kCenter)
    out += "\\qc";
  if (format.alignment == Alignment::kRight)
    out += "\\qr";
  if (format.indent != 0 || format.rightIndent != 0 || format.bullet) {
    out += "\\li";
    AppendDecimal(out, format.indent + (format.bullet ? s.bulletIndent : 0));
    out += "\\ri";
    AppendDecimal(out, format.rightIndent);
  }
  if (format.bullet) {
    out += "\\fi-";
    AppendDecimal(out, s.bulletIndent);
    out += "{\\*\\pn\\pnlvlblt\\pnf1\\pnindent";
    AppendDecimal(out, s.bulletIndent);
    out += "{\\pntxtb\\'b7}}";
  }
}

// A paragraph of either list form.
const Paragraph& ParagraphOf(const Paragraph& paragraph) {
  return paragraph;
}
const Paragraph& ParagraphOf(const SharedParagraph& paragraph) {
  return *paragraph;
}

// One paragraph; `previous` is the format of the paragraph before it (null for the first), and
// becomes this one's.
void EmitParagraph(WriteState& s, const Paragraph& paragraph, const ParaFormat*& previous) {
  if (previous == nullptr || !(*previous == paragraph.format)) {
    EmitParagraphProperties(s, paragraph.format);
  }
  previous = &paragraph.format;
  if (paragraph.format.bullet) {
    s.out += "{\\pntext\\f1\\'b7\\tab}";
  }
  for (const TextRun& run : paragraph.runs) {
    EmitRunOpen(s, run.format);
    EmitText(s.out, run.text);
  }
  s.out += "\\plain\\par ";
}

template <typename Paragraphs>
void EmitBody(WriteState& s, const Paragraphs& paragraphs) {
  const ParaFormat* previous = nullptr;
  for (const auto& item : paragraphs) {
    EmitParagraph(s, ParagraphOf(item), previous);
  }
}

std::size_t DecimalSize(std::int64_t value) {
  std::size_t size = value < 0 ? 2 : 1;
  for (value = value < 0 ? -(value / 10) : value / 10; value != 0; value /= 10) {
    ++size;
  }
  return size;
}

// The bytes EmitText writes for `text`, counted the same way: a bound that is loose by a byte a
// character would reserve twice the memory the document needs.
std::size_t TextSize(std::u16string_view text) {
  std::size_t size = 0;
  for (const char16_t c : text) {
    if (IsPlain(c)) {
      size += 1;
    } else if (c == u'\\' || c == u'{' || c == u'}') {
      size += 2;
    } else if (c == u'\t') {
      size += 1;
    } else if (c == 0x00A0) {
      size += 2;
    } else if (c == 0x2014 || c == 0x2013) {
      size += 8;
    } else {
      size += 3 + DecimalSize(static_cast<std::int16_t>(c));  // "\uN "
    }
  }
  return size;
}

// The bytes EmitParagraphProperties writes.
std::size_t ParagraphPropertiesSize(const WriteState& s, const ParaFormat& format) {
  std::size_t size = 5;  // "\pard"
  if (format.alignment == Alignment::kCenter || format.alignment == Alignment::kRight) {
    size += 3;
  }
  if (format.indent != 0 || format.rightIndent != 0 || format.bullet) {
    size += 6 + DecimalSize(format.indent + (format.bullet ? s.bulletIndent : 0)) +
            DecimalSize(format.rightIndent);
  }
  if (format.bullet) {
    size += 4 + 29 + 14 + 2 * DecimalSize(s.bulletIndent);
  }
  return size;
}

// The bytes the body takes, counted as EmitBody writes them. Numbers every face and colour on
// the way, in the order the body uses them.
template <typename Paragraphs>
std::size_t BodySize(WriteState& s, const Paragraphs& paragraphs) {
  std::size_t size = 1;  // the closing brace
  const ParaFormat* previous = nullptr;
  for (const auto& item : paragraphs) {
    const Paragraph& paragraph = ParagraphOf(item);
    if (previous == nullptr || !(*previous == paragraph.format)) {
      size += ParagraphPropertiesSize(s, paragraph.format);
    }
    previous = &paragraph.format;
    size += (paragraph.format.bullet ? 20 : 0) + 11;  // the bullet's text, "\plain\par "
    for (const TextRun& run : paragraph.runs) {
      const CharFormat& format = run.format;
      size += 15 + DecimalSize(s.fontNumbers.NumberOf(format.face.view())) +
              DecimalSize(format.halfPoints) + DecimalSize(s.colorNumbers.NumberOf(format.color)) +
              (format.bold ? 2 : 0) + (format.italic ? 2 : 0) + (format.underline ? 3 : 0) +
              TextSize(run.text);
    }
  }
  return size;
}

std::string Header(const WriteState& s) {
  std::string header = "{\\rtf1\\ansi\\deff0\\deftab720\\uc0{\\fonttbl";
  for (std::size_t i = 0; i < s.faces.size(); ++i) {
    header += "{\\f";
    AppendDecimal(header, static_cast<std::int64_t>(i));
    header += s.faces[i] == kSymbolFace ? "\\froman\\fcharset2 " : "\\fswiss ";
    EmitFaceName(header, s.faces[i]);
    header += ";}";
  }
  header += "}{\\colortbl";
  for (const std::int32_t color : s.colors) {
    header += "\\red";
    AppendDecimal(header, color & 0xFF);
    header += "\\green";
    AppendDecimal(header, (color >> 8) & 0xFF);
    header += "\\blue";
    AppendDecimal(header, (color >> 16) & 0xFF);
    header += ';';
  }
  header += '}';
  return header;
}

// The faces and colours every document numbers first.
void NumberDefaults(WriteState& s, std::string_view defaultFace, std::int32_t bulletIndent) {
  s.bulletIndent = bulletIndent;
  s.fontNumbers.NumberOf(defaultFace);
  if (defaultFace != kSymbolFace) {
    s.fontNumbers.NumberOf(kSymbolFace);
  }
  s.colorNumbers.NumberOf(std::int32_t{0});
}

template <typename Paragraphs>
std::string WriteParagraphs(const Paragraphs& paragraphs, std::string_view defaultFace,
                            std::int32_t bulletIndent) {
  WriteState s;
  NumberDefaults(s, defaultFace, bulletIndent);
  // The header's tables come first but depend on the whole body. Numbering the faces and colours
  // beforehand lets the document go into one buffer of the size it needs: a large document is
  // never held twice, nor in a buffer that doubled past its size.
  const std::size_t bodySize = BodySize(s, paragraphs);
  s.out = Header(s);
  s.out.reserve(s.out.size() + bodySize);
  EmitBody(s, paragraphs);
  s.out += '}';
  return std::move(s.out);
}

// WriteParagraphs' document a piece at a time: the header and the first paragraphs, then whole
// paragraphs, each piece ended by the paragraph that takes it past `pieceSize`, the closing
// brace with the last paragraph.
class RtfPieceWriter final : public PieceSource {
 public:
  RtfPieceWriter(const ParagraphList& paragraphs, std::string_view defaultFace,
                 std::int32_t bulletIndent, std::size_t pieceSize)
      : paragraphs_(paragraphs), pieceSize_(std::max<std::size_t>(pieceSize, 1)) {
    NumberDefaults(s_, defaultFace, bulletIndent);
    const std::size_t bodySize = BodySize(s_, paragraphs);
    header_ = Header(s_);
    size_ = header_.size() + bodySize;
  }

  std::string_view Next() override {
    if (ended_) {
      return {};
    }
    s_.out.clear();
    if (!started_) {
      s_.out.reserve(pieceSize_ + pieceSize_ / 4);
      s_.out = header_;
      started_ = true;
    }
    while (next_ < paragraphs_.size() && s_.out.size() < pieceSize_) {
      EmitParagraph(s_, *paragraphs_[next_++], previous_);
    }
    if (next_ == paragraphs_.size()) {
      s_.out += '}';
      ended_ = true;
    }
    return s_.out;
  }

  void Rewind() override {
    next_ = 0;
    previous_ = nullptr;
    started_ = false;
    ended_ = false;
  }

  std::size_t Size() const override { return size_; }

 private:
  const ParagraphList& paragraphs_;
  const std::size_t pieceSize_;
  WriteState s_;  // its `out` holds the piece last made
  std::string header_;
  std::size_t size_ = 0;
  std::size_t next_ = 0;  // the paragraph the next piece starts with
  const ParaFormat* previous_ = nullptr;
  bool started_ = false;
  bool ended_ = false;
};

}  // namespace

std::string WriteRtf(const RichDocument& document, std::string_view defaultFace,
                     std::int32_t bulletIndent) {
  return WriteParagraphs(document.paragraphs, defaultFace, bulletIndent);
}

std::string WriteRtf(const ParagraphList& paragraphs, std::string_view defaultFace,
                     std::int32_t bulletIndent) {
  return WriteParagraphs(paragraphs, defaultFace, bulletIndent);
}

std::unique_ptr<PieceSource> WriteRtfPieces(const ParagraphList& paragraphs,
                                            std::string_view defaultFace, std::int32_t bulletIndent,
                                            std::size_t pieceSize) {
  return std::make_unique<RtfPieceWriter>(paragraphs, defaultFace, bulletIndent, pieceSize);
}

}  // namespace scrivlet
