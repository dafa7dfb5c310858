#include "platform/document/rtf_writer.h"

#include <unordered_map>

#include "conversion/text_codec.h"

namespace scrivlet {

namespace {

constexpr std::string_view kSymbolFace = "Symbol";

// Per-call state of one write.
struct WriteState {
  std::string out;
  std::unordered_map<std::string, std::int32_t> fontNumbers;
  std::vector<std::string> faces;
  std::unordered_map<std::int32_t, std::int32_t> colorNumbers;
  std::vector<std::int32_t> colors;
  std::int32_t bulletIndent = 360;
};

std::int32_t NumberFont(WriteState& s, const std::string& face) {
  const auto [it, added] =
      s.fontNumbers.try_emplace(face, static_cast<std::int32_t>(s.faces.size()));
  if (added) {
    s.faces.push_back(face);
  }
  return it->second;
}

std::int32_t NumberColor(WriteState& s, std::int32_t color) {
  const auto [it, added] =
      s.colorNumbers.try_emplace(color, static_cast<std::int32_t>(s.colors.size()));
  if (added) {
    s.colors.push_back(color);
  }
  return it->second;
}

void EmitUnicodeUnit(std::string& out, char16_t unit) {
  out += "\\u";
  AppendDecimal(out, static_cast<std::int16_t>(unit));
  out += ' ';
}

// Text of a run or a face name in RTF escapes.
void EmitText(std::string& out, std::u16string_view text) {
  for (const char16_t c : text) {
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
        if (c >= 0x20 && c < 0x80) {
          out += static_cast<char>(c);
        } else {
          EmitUnicodeUnit(out, c);
        }
    }
  }
}

void EmitFaceName(std::string& out, std::string_view face) {
  EmitText(out, Utf8ToUtf16(face));
}

void EmitRunOpen(WriteState& s, const CharFormat& format) {
  std::string& out = s.out;
  out += "\\plain\\f";
  AppendDecimal(out, NumberFont(s, format.face));
  out += "\\fs";
  AppendDecimal(out, format.halfPoints);
  out += "\\cf";
  AppendDecimal(out, NumberColor(s, format.color));
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

void EmitBody(WriteState& s, const RichDocument& document) {
  const ParaFormat* previous = nullptr;
  for (const Paragraph& paragraph : document.paragraphs) {
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

}  // namespace

std::string WriteRtf(const RichDocument& document, std::string_view defaultFace,
                     std::int32_t bulletIndent) {
  WriteState s;
  s.bulletIndent = bulletIndent;
  NumberFont(s, std::string(defaultFace));
  if (defaultFace != kSymbolFace) {
    NumberFont(s, std::string(kSymbolFace));
  }
  NumberColor(s, 0);
  EmitBody(s, document);
  s.out += '}';
  // The tables are known only once the body is written.
  return Header(s) + s.out;
}

}  // namespace scrivlet
