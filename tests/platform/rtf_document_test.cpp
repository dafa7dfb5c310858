// The surface's RTF reader and writer on hostile input, edits that span paragraphs on the
// headless surface, and splits and joins of paragraphs in the document model.

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// Splits and joins at every offset of a paragraph of many runs (its run index built) and of two
// paragraphs: the paragraphs are well formed, their index answers as a fresh one would, and
// splicing back what was returned restores them exactly.
TEST(SpliceParagraphs, SplicingBackWhatItReturnsRestoresTheParagraphs) {
  const auto bold = [](bool on) {
    CharFormat format;
    format.bold = on;
    return format;
  };
  const auto paragraph = [&bold](int words, bool centred) {
    Paragraph made;
    made.format.alignment = centred ? Alignment::kCenter : Alignment::kLeft;
    made.mark = bold(centred);
    for (int i = 0; i < words; ++i) {
      AppendText(made, bold(i % 2 == 1), u"w" + std::u16string(1, u'a' + i % 26) + u" ");
    }
    return made;
  };
  const auto piece = [&bold](std::u16string_view text, bool on) {
    Paragraph made;
    made.format.bullet = on;
    made.mark = bold(on);
    AppendText(made, bold(on), text);
    return made;
  };
  const auto same = [](const Paragraph& a, const Paragraph& b) {
    if (!(a.format == b.format) || !(a.mark == b.mark) || a.runs.size() != b.runs.size()) {
      return false;
    }
    for (std::size_t r = 0; r < a.runs.size(); ++r) {
      if (!(a.runs[r].format == b.runs[r].format) || a.runs[r].text != b.runs[r].text) {
        return false;
      }
    }
    return true;
  };
  const auto wellFormed = [](const Paragraph& p) {
    const Paragraph fresh{p.format, p.runs, p.mark};  // a copy starts without the index
    for (std::size_t r = 0; r < p.runs.size(); ++r) {
      if (p.runs[r].text.empty() || (r > 0 && p.runs[r - 1].format == p.runs[r].format)) {
        return false;
      }
    }
    for (std::int32_t k = 0; k <= p.Length(); ++k) {
      const RunSpot a = FindRun(p, k);
      const RunSpot b = FindRun(fresh, k);
      if (a.run != b.run || a.start != b.start) {
        return false;
      }
    }
    return true;
  };
  const std::vector<std::vector<Paragraph>> insertions = {
      {piece(u"", false), piece(u"", false)},                          // Enter
      {piece(u"x", true), piece(u"mid", false), piece(u"wb ", true)},  // lines that join
      {piece(u"one", false)},                                          // no break
  };
  const std::vector<Paragraph> original = {paragraph(40, true), paragraph(30, false)};
  const std::int32_t length = original[0].Length();
  for (const std::vector<Paragraph>& pieces : insertions) {
    for (std::int32_t from = 0; from <= length; ++from) {
      // Within the first paragraph, and from `from` into the second.
      for (const std::size_t last : {std::size_t{0}, std::size_t{1}}) {
        ParagraphList list;
        for (const Paragraph& p : original) {
          list.emplace_back(p);
          FindRun(*list.back(), 0);  // the index built, as a searched paragraph has it
        }
        const std::int32_t to = last == 0 ? from : 7;
        std::vector<Paragraph> was = SpliceParagraphs(list, 0, from, last, to, pieces);
        ASSERT_EQ(list.size(), original.size() - last + pieces.size() - 1);
        for (const auto& p : list) {
          ASSERT_TRUE(wellFormed(*p)) << "at " << from << " to " << last << ":" << to;
        }
        const std::int32_t end =
            pieces.size() == 1 ? from + pieces[0].Length() : pieces.back().Length();
        SpliceParagraphs(list, 0, from, pieces.size() - 1, end, std::move(was));
        ASSERT_EQ(list.size(), original.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
          ASSERT_TRUE(same(*list[i], original[i]) && wellFormed(*list[i]))
              << "at " << from << " to " << last << ":" << to << ", paragraph " << i;
        }
      }
    }
  }
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
