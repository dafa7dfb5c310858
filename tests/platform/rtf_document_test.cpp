// The surface's RTF reader and writer on hostile input, and edits that span
// paragraphs on the headless surface.

#include <gtest/gtest.h>

#include <string>

#include "document/rtf_reader.h"
#include "document/rtf_writer.h"
#include "hosts/headless/memory_rich_text_box.h"

namespace scrivlet {
namespace {

std::string Repeat(std::string_view piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i)
    text += piece;
  return text;
}

std::u16string PlainText(const RichDocument& document) {
  std::u16string text;
  for (std::size_t i = 0; i < document.paragraphs.size(); ++i) {
    if (i > 0)
      text += u'\n';
    for (const TextRun& run : document.paragraphs[i].runs)
      text += run.text;
  }
  return text;
}

TEST(RtfReader, HostileInputIsReadWithoutCrashing) {
  const std::size_t n = 1000000;
  const struct {
    std::string rtf;
    std::u16string text;
  } cases[] = {
      {Repeat("{", n) + "deep" + Repeat("}", n) + "after", u"after"},
      {"{\\rtf1 a" + Repeat("}", n) + "b", u"ab"},
      {"{\\rtf1 x\\bin999999999 never", u"x"},
      {"{\\rtf1 x\\'", u"x"},
      {"{\\rtf1 x\\'4", u"x4"},
      {"{\\rtf1 x\\u", u"x"},
      {"{\\rtf1 x\\u-99999999999999 y", u"x"},
      {"{\\rtf1\\uc0 x\\u0 y\\u65535 z", u"xy\uFFFFz"},
      {"{\\rtf1 x\\" + std::string(100, 'a') + " y", u"xy"},
      {"{\\rtf1 x\\fs99999999999999999 y", u"xy"},
      {"{\\rtf1 \\u-10179 lone", u"\uFFFDone"},
      {"{\\rtf1 caf\xE9 \x80", u"caf\u00e9 \u20ac"},
  };
  for (const auto& c : cases) {
    const RichDocument document = ReadRtf(c.rtf, {});
    EXPECT_EQ(PlainText(document), c.text) << c.rtf.substr(0, 40);
  }
}

TEST(RtfReader, ArbitraryBytesNeverBreakTheModel) {
  const std::string_view alphabet = "{}\\'*abfilpqrstu0129- ;~\r\n\xC3\xA9";
  std::uint32_t state = 7;
  for (int round = 0; round < 2000; ++round) {
    std::string rtf;
    for (int i = 0; i < 1 + round % 80; ++i) {
      state = state * 1664525u + 1013904223u;
      rtf += alphabet[(state >> 8) % alphabet.size()];
    }
    const RichDocument document = ReadRtf(rtf, {});
    ASSERT_FALSE(document.paragraphs.empty());
    for (const Paragraph& paragraph : document.paragraphs) {
      for (const TextRun& run : paragraph.runs) {
        EXPECT_FALSE(run.text.empty());
        EXPECT_EQ(run.text.find(u'\n'), std::u16string::npos);
      }
    }
    // Whatever was read is written in the dialect and reads back the same.
    const std::string written = WriteRtf(document, "Arial", 360);
    EXPECT_EQ(PlainText(ReadRtf(written, {})), PlainText(document)) << rtf;
  }
}

TEST(RtfWriter, ControlCharactersAreEscapedNotDropped) {
  RichDocument document;
  document.paragraphs.emplace_back();
  AppendText(document.paragraphs[0], CharFormat{}, u"a\x01\x1F b");
  const std::string rtf = WriteRtf(document, "Arial", 360);
  EXPECT_NE(rtf.find("a\\u1 \\u31  b"), std::string::npos) << rtf;
  EXPECT_EQ(PlainText(ReadRtf(rtf, {})), u"a\x01\x1F b");
}

// The writer cannot write a NUL ("\u0" reads as nothing), so the reader takes none: what it
// reads it must read again from its own output.
TEST(RtfReader, NulIsNoCharacterRawOrEscaped) {
  const std::string rtf("{\\rtf1 a\0b\\'00c}", 16);
  const RichDocument document = ReadRtf(rtf, {});
  EXPECT_EQ(PlainText(document), u"abc");
  EXPECT_EQ(PlainText(ReadRtf(WriteRtf(document, "Arial", 360), {})), u"abc");
}

TEST(MemoryRichTextBox, UndoRestoresParagraphsASpliceJoined) {
  MemoryRichTextBox surface;
  surface.SetSelText(u"one\ntwo\nthree");
  surface.SetSelStart(4);
  surface.SetSelAlignment(Alignment::kCenter);
  surface.EmptyUndoBuffer();
  surface.SetSelStart(2);
  surface.SetSelLength(8);  // "e\ntwo\nth"
  surface.SetSelText(u"X\nY");
  EXPECT_EQ(surface.Text(), u"onX\nYree");
  surface.Undo();
  EXPECT_EQ(surface.Text(), u"one\ntwo\nthree");
  EXPECT_EQ(surface.SelStart(), 2);
  EXPECT_EQ(surface.SelLength(), 8);
  surface.SetSelStart(5);
  EXPECT_EQ(surface.SelAlignment(), Alignment::kCenter);
}

TEST(MemoryRichTextBox, PastedHyperlinkFieldBecomesMarkerRuns) {
  MemoryRichTextBox surface;
  surface.SetSelText(u"[]");
  surface.SetSelStart(1);
  surface.SetSelRTF("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"a.htm\"}{\\fldrslt Go}}\\par }");
  EXPECT_EQ(surface.Text(), u"[a.htmGo]");
  surface.SetSelStart(1);
  surface.SetSelLength(5);
  EXPECT_EQ(surface.SelItalic(), true);
  EXPECT_EQ(surface.SelUnderline(), true);
  EXPECT_EQ(surface.SelColor(), 0xC0C0C0);
  surface.SetSelStart(6);
  surface.SetSelLength(2);
  EXPECT_EQ(surface.SelItalic(), false);
  EXPECT_EQ(surface.SelColor(), 0xFF0000);
}

}  // namespace
}  // namespace scrivlet
