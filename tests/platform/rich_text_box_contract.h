#pragma once

// The contract every RichTextBox implementation keeps. An implementation joins the suite with
//   INSTANTIATE_TYPED_TEST_SUITE_P(Name, RichTextBoxContract, TheClass);
// where TheClass is default-constructible.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "conversion/markers.h"
#include "conversion/rtf_to_html.h"
#include "platform/rich_text_box.h"

namespace scrivlet {

template <typename Surface>
class RichTextBoxContract : public testing::Test {
 protected:
  // Types `text` at the end of the document in the current typing format.
  void Type(std::u16string_view text) {
    surface.SetSelStart(static_cast<std::int32_t>(surface.Text().size()));
    surface.SetSelText(text);
  }
  void Select(std::int32_t start, std::int32_t length) {
    surface.SetSelStart(start);
    surface.SetSelLength(length);
  }

  Surface surface;
};

TYPED_TEST_SUITE_P(RichTextBoxContract);

TYPED_TEST_P(RichTextBoxContract, StartsEmpty) {
  auto& s = this->surface;
  EXPECT_EQ(s.Text(), u"");
  EXPECT_EQ(s.SelStart(), 0);
  EXPECT_EQ(s.SelLength(), 0);
  EXPECT_FALSE(s.CanUndo());
  ConversionContext context;
  EXPECT_EQ(RtfToHtml(s.TextRTF(), context), "");
}

TYPED_TEST_P(RichTextBoxContract, TypingInsertsAtTheCaretAndBreaksCountOnce) {
  auto& s = this->surface;
  s.SetSelText(u"one\r\ntwo\rthree\nfour");
  EXPECT_EQ(s.Text(), u"one\ntwo\nthree\nfour");
  EXPECT_EQ(s.SelStart(), 18);
  s.SetSelStart(3);
  s.SetSelText(u"!");
  EXPECT_EQ(s.Text(), u"one!\ntwo\nthree\nfour");
  EXPECT_EQ(s.SelStart(), 4);
  this->Select(2, 4);
  EXPECT_EQ(s.SelText(), u"e!\nt");
  s.SetSelText(u"");
  EXPECT_EQ(s.Text(), u"onwo\nthree\nfour");
}

TYPED_TEST_P(RichTextBoxContract, SelectionIsClampedAndCollapsedBySelStart) {
  auto& s = this->surface;
  s.SetSelText(u"abc");
  this->Select(1, 100);
  EXPECT_EQ(s.SelLength(), 2);
  s.SetSelStart(-5);
  EXPECT_EQ(s.SelStart(), 0);
  s.SetSelStart(50);
  EXPECT_EQ(s.SelStart(), 3);
  EXPECT_EQ(s.SelLength(), 0);
  s.SetSelLength(-1);
  EXPECT_EQ(s.SelLength(), 0);
  // The extremes a host may pass clamp like any other value.
  this->Select(2, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(s.SelStart(), 2);
  EXPECT_EQ(s.SelLength(), 1);
  s.SetSelStart(std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(s.SelStart(), 3);
  s.SetSelStart(std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(s.SelStart(), 0);
}

TYPED_TEST_P(RichTextBoxContract, BoundariesNeverSplitASurrogatePair) {
  auto& s = this->surface;
  s.SetSelText(u"a\U0001F600b");  // a, pair, b
  s.SetSelStart(2);
  EXPECT_EQ(s.SelStart(), 1);
  this->Select(0, 2);
  EXPECT_EQ(s.SelLength(), 1);
  this->Select(1, 2);
  EXPECT_EQ(s.SelText(), u"\U0001F600");
  s.SetSelText(u"x");
  EXPECT_EQ(s.Text(), u"axb");
}

// A lone surrogate typed, pasted or brought next to another by a deletion pairs with its
// neighbour; the caret the edit leaves moves back to the pair's first unit.
TYPED_TEST_P(RichTextBoxContract, EditsNeverLeaveTheCaretInsideASurrogatePair) {
  struct Case {
    std::u16string_view text;
    std::int32_t start;
    std::int32_t length;
    std::u16string_view typed;  // typed when not empty, else `pasted` replaces the selection
    std::string_view pasted;
    std::u16string_view expected;
    std::int32_t caret;
  };
  const Case cases[] = {
      {u"\xDE00", 0, 0, u"\xD83D", "", u"\xD83D\xDE00", 0},
      {u"a\xDE00", 1, 0, u"b\xD83D", "", u"ab\xD83D\xDE00", 2},
      {u"\xD83Dx\xDE00", 1, 1, u"", "", u"\xD83D\xDE00", 0},
      {u"\xD83Dxy\xDE00", 1, 2, u"", "{\\rtf1 }", u"\xD83D\xDE00", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    auto& s = this->surface;
    s.SetTextRTF("");
    s.SetSelText(c.text);
    this->Select(c.start, c.length);
    if (!c.typed.empty()) {
      s.SetSelText(c.typed);
    } else {
      s.SetSelRTF(c.pasted);
    }
    EXPECT_EQ(s.Text(), c.expected);
    EXPECT_EQ(s.SelStart(), c.caret);
    EXPECT_EQ(s.SelLength(), 0);
  }
}

TYPED_TEST_P(RichTextBoxContract, CharacterAttributesReadAsValueOrMixed) {
  auto& s = this->surface;
  s.SetSelText(u"plain bold");
  this->Select(6, 4);
  s.SetSelBold(true);
  s.SetSelColor(0x0000FF);
  EXPECT_EQ(s.SelBold(), true);
  EXPECT_EQ(s.SelColor(), 0x0000FF);
  this->Select(4, 4);
  EXPECT_EQ(s.SelBold(), std::nullopt);
  EXPECT_EQ(s.SelColor(), std::nullopt);
  EXPECT_EQ(s.SelItalic(), false);
  this->Select(0, 5);
  EXPECT_EQ(s.SelBold(), false);
  EXPECT_EQ(s.SelFontName(), s.FontName());
  EXPECT_EQ(s.SelFontSize(), s.FontSize());
}

TYPED_TEST_P(RichTextBoxContract, EmptySelectionReadsAndSetsTheTypingFormat) {
  auto& s = this->surface;
  s.SetSelText(u"ab");
  this->Select(1, 1);
  s.SetSelItalic(true);
  s.SetSelStart(2);
  EXPECT_EQ(s.SelItalic(), true);  // the character before the caret
  s.SetSelStart(1);
  EXPECT_EQ(s.SelItalic(), false);
  s.SetSelUnderline(true);
  s.SetSelFontSize(20);
  EXPECT_EQ(s.SelUnderline(), true);
  EXPECT_EQ(s.Text(), u"ab");  // nothing changed yet
  s.SetSelText(u"X");
  this->Select(1, 1);
  EXPECT_EQ(s.SelUnderline(), true);
  EXPECT_EQ(s.SelFontSize(), 20.0);
  this->Select(0, 1);
  EXPECT_EQ(s.SelUnderline(), false);
}

TYPED_TEST_P(RichTextBoxContract, MovingTheCaretForgetsAPendingFormat) {
  auto& s = this->surface;
  s.SetSelText(u"ab");
  s.SetSelBold(true);
  s.SetSelStart(0);
  s.SetSelStart(2);
  s.SetSelText(u"c");
  this->Select(2, 1);
  EXPECT_EQ(s.SelBold(), false);
}

TYPED_TEST_P(RichTextBoxContract, ParagraphAttributesCoverTouchedParagraphs) {
  auto& s = this->surface;
  s.SetSelText(u"one\ntwo\nthree");
  this->Select(1, 4);  // "ne\nt": paragraphs one and two
  s.SetSelAlignment(Alignment::kCenter);
  s.SetSelBullet(true);
  s.SetSelIndent(720);
  s.SetSelRightIndent(360);
  EXPECT_EQ(s.SelAlignment(), Alignment::kCenter);
  EXPECT_EQ(s.SelIndent(), 720);
  EXPECT_EQ(s.SelRightIndent(), 360);
  this->Select(4, 1);
  EXPECT_EQ(s.SelBullet(), true);
  this->Select(5, 5);  // "wo\nth"
  EXPECT_EQ(s.SelAlignment(), std::nullopt);
  EXPECT_EQ(s.SelBullet(), std::nullopt);
  this->Select(0, 4);  // "one\n" ends just after the break: only paragraph one
  EXPECT_EQ(s.SelBullet(), true);
  s.SetSelStart(9);
  EXPECT_EQ(s.SelAlignment(), Alignment::kLeft);
  EXPECT_EQ(s.SelIndent(), 0);
}

TYPED_TEST_P(RichTextBoxContract, SelRtfOfPartOfAParagraphPastesWithoutABreak) {
  auto& s = this->surface;
  s.SetSelText(u"hello world");
  this->Select(6, 5);
  s.SetSelBold(true);
  const std::string copied = s.SelRTF();
  s.SetSelStart(0);
  s.SetSelRTF(copied);
  EXPECT_EQ(s.Text(), u"worldhello world");
  EXPECT_EQ(s.SelStart(), 5);
  this->Select(0, 5);
  EXPECT_EQ(s.SelBold(), true);
}

TYPED_TEST_P(RichTextBoxContract, SelRtfAcrossParagraphsKeepsTheirBreaksAndFormats) {
  auto& s = this->surface;
  s.SetSelText(u"ab\ncd");
  this->Select(3, 2);
  s.SetSelAlignment(Alignment::kRight);
  this->Select(1, 3);  // "b\nc"
  const std::string copied = s.SelRTF();
  s.SetSelStart(5);
  s.SetSelRTF(copied);
  EXPECT_EQ(s.Text(), u"ab\ncdb\nc");
  // A paragraph's format travels with its break: "cdb" now ends with the copied left-aligned
  // break, and the pasted "c" runs into the right-aligned one.
  this->Select(3, 3);
  EXPECT_EQ(s.SelAlignment(), Alignment::kLeft);
  s.SetSelStart(7);
  EXPECT_EQ(s.SelAlignment(), Alignment::kRight);
}

TYPED_TEST_P(RichTextBoxContract, EmptySelRtfDeletesTheSelection) {
  auto& s = this->surface;
  s.SetSelText(u"one\ntwo");
  this->Select(2, 3);
  s.SetSelRTF("");
  EXPECT_EQ(s.Text(), u"onwo");
  EXPECT_EQ(s.SelStart(), 2);
}

TYPED_TEST_P(RichTextBoxContract, TextRtfReplacesTheDocumentAndTheHistory) {
  auto& s = this->surface;
  s.SetSelText(u"old");
  ASSERT_TRUE(s.CanUndo());
  s.SetTextRTF("{\\rtf1\\ansi{\\colortbl\\red0\\green0\\blue0;}\\pard new\\par second\\par }");
  EXPECT_EQ(s.Text(), u"new\nsecond");
  EXPECT_EQ(s.SelStart(), 0);
  EXPECT_FALSE(s.CanUndo());
}

TYPED_TEST_P(RichTextBoxContract, TextRtfRoundTripsItsOwnOutput) {
  auto& s = this->surface;
  s.SetSelText(u"plain bold \U0001F600 caf\u00e9\n\titem {x}\\y");
  this->Select(6, 4);
  s.SetSelBold(true);
  s.SetSelFontName("Georgia");
  s.SetSelStart(20);
  s.SetSelBullet(true);
  s.SetSelAlignment(Alignment::kCenter);
  const std::string rtf = s.TextRTF();
  const std::u16string text = s.Text();
  s.SetTextRTF(rtf);
  EXPECT_EQ(s.Text(), text);
  EXPECT_EQ(s.TextRTF(), rtf);
}

// Typing keystroke by keystroke, as the keyboard does.
template <typename Surface>
void TypeKeys(Surface& s, std::u16string_view text) {
  for (const char16_t c : text) {
    s.SetSelText(std::u16string_view(&c, 1));
  }
}

// Edits inside a paragraph of many runs (the history keeping only what each replaced), edits
// across its runs and a link, and the whole history undone and redone, byte for byte.
TYPED_TEST_P(RichTextBoxContract, UndoAndRedoRestoreAParagraphOfManyRunsExactly) {
  auto& s = this->surface;
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; i < 40; ++i) {
    const std::string word = "w" + std::to_string(i) + " ";
    rtf += i % 2 == 1 ? "{\\b " + word + "}" : word;
  }
  rtf += "{\\field{\\*\\fldinst HYPERLINK \"a.htm\"}{\\fldrslt Go}} tail\\par }";
  s.SetTextRTF(rtf);
  const std::string original = s.TextRTF();
  const std::u16string text = s.Text();
  const auto at = [&text](std::u16string_view word) {
    return static_cast<std::int32_t>(text.find(word));
  };
  s.SetSelStart(at(u"w10") + 1);
  TypeKeys(s, u"abc def");
  for (int i = 0; i < 12; ++i) {
    s.DeleteBackward();  // back over the typing, then into the runs before it
  }
  s.SetSelStart(at(u"w21") + 2);
  for (int i = 0; i < 6; ++i) {
    s.DeleteForward();
  }
  this->Select(at(u"w30"), 12);
  s.SetSelText(u"Z");
  const std::int32_t link = static_cast<std::int32_t>(s.Text().find(u"Go"));
  this->Select(link, 2);
  s.SetSelText(u"");  // the link's URL goes with its text
  this->Select(3, 20);
  s.SetSelBold(true);
  s.SetSelStart(10);
  TypeKeys(s, u"x\ny");
  const std::string edited = s.TextRTF();
  ASSERT_NE(edited, original);
  while (s.CanUndo()) {
    s.Undo();
  }
  EXPECT_EQ(s.TextRTF(), original);
  while (s.CanRedo()) {
    s.Redo();
  }
  EXPECT_EQ(s.TextRTF(), edited);
}

// Enter and pastes of lines in a paragraph of many runs with a link (at its start, inside a run,
// inside the link's URL, at its end, over a selection, in a group with other writes), each step
// undone and redone byte for byte.
TYPED_TEST_P(RichTextBoxContract, EachEnterAndPasteOfLinesUndoesAndRedoesExactly) {
  auto& s = this->surface;
  std::string rtf = "{\\rtf1 \\qc ";
  for (int i = 0; i < 40; ++i) {
    const std::string word = "w" + std::to_string(i) + " ";
    rtf += i % 2 == 1 ? "{\\b " + word + "}" : word;
  }
  rtf += "{\\field{\\*\\fldinst HYPERLINK \"a.htm\"}{\\fldrslt Go}} tail\\par\\pard end\\par }";
  s.SetTextRTF(rtf);
  std::vector<std::string> states{s.TextRTF()};
  const auto at = [&s](std::u16string_view text) {
    return static_cast<std::int32_t>(s.Text().find(text));
  };
  const auto step = [&s, &states](std::int32_t caret, std::int32_t length, auto&& edit) {
    s.SetSelStart(caret);
    s.SetSelLength(length);
    edit();
    s.SealUndoStep();
    ASSERT_NE(s.TextRTF(), states.back());
    states.push_back(s.TextRTF());
  };
  step(at(u"w11") + 1, 0, [&s] { s.SetSelText(u"\n"); });
  step(0, 0, [&s] { s.SetSelText(u"\n"); });
  step(at(u"w20") + 2, 0, [&s] { s.SetSelText(u"one\r\ntwo\nthree"); });
  step(at(u"a.htm") + 2, 0, [&s] { s.SetSelText(u"\n"); });  // goes before the URL
  step(at(u"tail") + 4, 0, [&s] { s.SetSelText(u"\n"); });
  step(at(u"w30"), 0, [&s] { s.SetSelRTF("{\\rtf1\\pard\\qr x\\par\\pard{\\b y}\\par z}"); });
  step(at(u"w3 "), 9, [&s] { s.SetSelText(u"p\nq"); });
  step(at(u"w25"), 0, [&s] {
    s.BeginUndoStep();
    s.SetSelText(u"k");
    s.SetSelText(u"\n");
    s.SetSelText(u"m");
    s.EndUndoStep();
  });
  step(at(u"w33"), 6, [&s] {
    s.BeginUndoStep();
    s.SetSelBold(true);
    s.SetSelStart(s.SelStart() + 3);
    s.SetSelText(u"\n\n");
    s.EndUndoStep();
  });
  step(at(u"w36") + 1, 0, [&s] { TypeKeys(s, u"x\n"); });  // one step of typing
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_TRUE(s.CanUndo());
    s.Undo();
    EXPECT_EQ(s.TextRTF(), states[i - 1]) << "undoing step " << i;
  }
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(s.CanRedo());
    s.Redo();
    EXPECT_EQ(s.TextRTF(), states[i]) << "redoing step " << i;
  }
}

// Equal paragraphs side by side (a surface may keep them as one until one changes): each edit
// reaches only the paragraph it is made in, and undo and redo give back every state exactly.
TYPED_TEST_P(RichTextBoxContract, EqualParagraphsChangeOneAtATime) {
  auto& s = this->surface;
  s.SetTextRTF("{\\rtf1 p\\par p\\par p\\par q\\par p\\par p\\par p}");
  std::vector<std::string> states{s.TextRTF()};
  const auto step = [&s, &states](std::int32_t caret, std::int32_t length, auto&& edit,
                                  std::u16string_view text) {
    s.SetSelStart(caret);
    s.SetSelLength(length);
    edit();
    s.SealUndoStep();
    EXPECT_EQ(s.Text(), text);
    states.push_back(s.TextRTF());
  };
  step(
      2, 0, [&s] { s.SetSelText(u"X"); }, u"p\nXp\np\nq\np\np\np");
  step(
      5, 1, [&s] { s.SetSelBold(true); }, u"p\nXp\np\nq\np\np\np");
  step(
      9, 0, [&s] { s.SetSelText(u"\n"); }, u"p\nXp\np\nq\n\np\np\np");
  step(
      12, 3, [&s] { s.SetSelText(u""); }, u"p\nXp\np\nq\n\np\n");
  step(
      0, 1, [&s] { s.SetSelRTF("{\\rtf1 {\\i r}\\par s}"); }, u"r\ns\nXp\np\nq\n\np\n");
  for (const auto& [caret, bold] : {std::pair{0, false}, {5, false}, {7, true}, {12, false}}) {
    s.SetSelStart(caret);
    s.SetSelLength(1);
    EXPECT_EQ(s.SelBold(), std::optional<bool>(bold)) << caret;
  }
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    s.Undo();
    ASSERT_EQ(s.TextRTF(), states[i - 1]) << i;
  }
  for (std::size_t i = 1; i < states.size(); ++i) {
    s.Redo();
    ASSERT_EQ(s.TextRTF(), states[i]) << i;
  }
}

TYPED_TEST_P(RichTextBoxContract, UndoStepsBackWordByWordAndRedoStepsForward) {
  auto& s = this->surface;
  TypeKeys(s, u"one two");
  s.DeleteBackward();
  this->Select(0, 3);
  s.SetSelBold(true);
  const std::vector<std::u16string> states = {u"", u"one ", u"one two", u"one tw"};
  for (std::size_t i = states.size(); i-- > 0;) {
    ASSERT_TRUE(s.CanUndo());
    s.Undo();
    EXPECT_EQ(s.Text(), states[i]);
  }
  EXPECT_FALSE(s.CanUndo());
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_TRUE(s.CanRedo());
    s.Redo();
    EXPECT_EQ(s.Text(), states[i]);
  }
  s.Redo();  // the bold change
  this->Select(0, 3);
  EXPECT_EQ(s.SelBold(), true);
  EXPECT_FALSE(s.CanRedo());
  s.Undo();
  EXPECT_EQ(s.SelBold(), false);
  s.SetSelText(u"x");  // a new change forgets what could be redone
  EXPECT_FALSE(s.CanRedo());
  s.EmptyUndoBuffer();
  EXPECT_FALSE(s.CanUndo());
}

TYPED_TEST_P(RichTextBoxContract, ACaretMoveOrAGroupEndsAStep) {
  auto& s = this->surface;
  TypeKeys(s, u"ab");
  s.SetSelStart(1);
  TypeKeys(s, u"X");
  s.SealUndoStep();
  TypeKeys(s, u"Y");
  {
    const UndoStep step(s);
    s.SetSelStart(0);
    s.SetSelText(u"1\n");
    this->Select(0, 1);
    s.SetSelBold(true);
  }
  EXPECT_EQ(s.Text(), u"1\naXYb");
  const std::vector<std::u16string> states = {u"", u"ab", u"aXb", u"aXYb"};
  for (std::size_t i = states.size(); i-- > 0;) {
    s.Undo();
    EXPECT_EQ(s.Text(), states[i]);
  }
}

TYPED_TEST_P(RichTextBoxContract, TheHistoryKeepsTheLastHundredSteps) {
  auto& s = this->surface;
  for (int i = 0; i < 150; ++i) {
    s.SetSelStart(0);
    s.SetSelText(u"x");
  }
  int undone = 0;
  while (s.CanUndo()) {
    s.Undo();
    ++undone;
  }
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(s.Text().size(), 50U);
}

TYPED_TEST_P(RichTextBoxContract, AStyleSetAtTheCaretHoldsAcrossEnterUntilTheCaretMoves) {
  auto& s = this->surface;
  s.SetSelBold(true);
  TypeKeys(s, u"bold");
  s.SetSelBold(false);
  TypeKeys(s, u"\nnext");
  this->Select(5, 4);
  EXPECT_EQ(s.SelBold(), false);
  this->Select(0, 4);
  EXPECT_EQ(s.SelBold(), true);
}

TYPED_TEST_P(RichTextBoxContract, EnterOnAnEmptyBulletItemEndsTheList) {
  auto& s = this->surface;
  s.SetSelBullet(true);
  TypeKeys(s, u"one\n");
  EXPECT_EQ(s.SelBullet(), true);
  TypeKeys(s, u"\n");
  EXPECT_EQ(s.Text(), u"one\n");
  EXPECT_EQ(s.SelBullet(), false);
  this->Select(0, 0);
  EXPECT_EQ(s.SelBullet(), true);
}

// A hyperlink (URL run, then its text) and a picture (a raw-tag run), as the commands make them.
constexpr std::string_view kMarkedRtf =
    "{\\rtf1{\\colortbl;\\red192\\green192\\blue192;\\red0\\green0\\blue255;}\\pard "
    "\\cf1\\i\\ul http://x/\\cf2\\i0 link\\cf0\\ulnone  mid \\cf1\\i <IMG "
    "SRC='a.gif'>\\cf0\\i0\\par }";
//   0        9   13   18               35
//   http://x/ link  mid <IMG SRC='a.gif'>

TYPED_TEST_P(RichTextBoxContract, TypingAtAMarkerEdgeTakesTheOrdinaryFormat) {
  struct Case {
    std::int32_t caret;
    MarkerKind typedAs;
  };
  const Case cases[] = {
      {0, MarkerKind::kNone},       // before the URL, at the paragraph's start
      {4, MarkerKind::kUrl},        // inside the URL: edits it
      {9, MarkerKind::kLinkText},   // the seam: joins the link's text
      {11, MarkerKind::kLinkText},  // inside the link's text
      {13, MarkerKind::kNone},      // right after the link's text
      {18, MarkerKind::kNone},      // before the picture
      {22, MarkerKind::kRawTag},    // inside the tag
      {35, MarkerKind::kNone},      // after the picture, at the paragraph's end
  };
  auto& s = this->surface;
  for (const Case& c : cases) {
    s.SetTextRTF(std::string(kMarkedRtf));
    s.SetSelStart(c.caret);
    TypeKeys(s, u"ab");
    this->Select(c.caret, 2);
    EXPECT_EQ(s.SelText(), u"ab") << c.caret;
    const MarkerKind kind = ClassifyMarker(
        s.SelItalic().value_or(false), s.SelUnderline().value_or(false), s.SelColor().value_or(0));
    EXPECT_EQ(kind, c.typedAs) << "typed at " << c.caret;
  }
  // A new paragraph after the picture, and plain text pasted there, are ordinary text too.
  s.SetTextRTF(std::string(kMarkedRtf));
  s.SetSelStart(35);
  s.SetSelText(u"\n5 < 6");
  this->Select(36, 5);
  EXPECT_EQ(s.SelItalic(), false);
  EXPECT_EQ(s.SelColor(), 0);
}

TYPED_TEST_P(RichTextBoxContract, ALinkWhoseTextIsDeletedTakesItsUrlAlong) {
  auto& s = this->surface;
  s.SetTextRTF(std::string(kMarkedRtf));
  s.SetSelStart(13);
  for (int i = 0; i < 4; ++i) {
    s.DeleteBackward();
  }
  EXPECT_EQ(s.Text(), u" mid <IMG SRC='a.gif'>");
  s.Undo();
  EXPECT_EQ(s.Text().substr(0, 13), u"http://x/link");
  this->Select(9, 4);
  s.SetSelText(u"");
  EXPECT_EQ(s.Text().substr(0, 5), u" mid ");
  // Enter at the seam keeps the URL with its text.
  s.SetTextRTF(std::string(kMarkedRtf));
  s.SetSelStart(9);
  s.SetSelText(u"\n");
  EXPECT_EQ(s.Text().substr(0, 15), u"\nhttp://x/link ");
}

TYPED_TEST_P(RichTextBoxContract, EventsFireSynchronouslyForChangesByCode) {
  auto& s = this->surface;
  std::vector<std::int32_t> seen;
  int focus = 0;
  s.SetSelChangeHandler([&] { seen.push_back(s.SelStart()); });
  s.SetGotFocusHandler([&] { ++focus; });
  s.SetSelText(u"abc");
  s.SetSelStart(1);
  s.SetSelStart(1);  // no change, no event
  s.SetTextRTF("{\\rtf1 x\\par }");
  s.SetFocus();
  EXPECT_EQ(seen, (std::vector<std::int32_t>{3, 1, 0}));
  EXPECT_EQ(focus, 1);
}

TYPED_TEST_P(RichTextBoxContract, DefaultFontAppliesToPlainText) {
  auto& s = this->surface;
  s.SetFontName("Verdana");
  s.SetFontSize(10);
  s.SetTextRTF("{\\rtf1{\\fonttbl{\\f0\\fswiss Georgia;}}\\pard\\f0 face\\plain  default\\par }");
  this->Select(0, 4);
  EXPECT_EQ(s.SelFontName(), "Georgia");
  this->Select(5, 7);
  EXPECT_EQ(s.SelFontName(), "Verdana");
  EXPECT_EQ(s.SelFontSize(), 10.0);
}

// Runs merge neighbours that differ only in what no marker run depends on (bold here), end at
// paragraph breaks, and a break is a run of its own.
TYPED_TEST_P(RichTextBoxContract, RunAtAnswersTheStretchOfOneUnderlineItalicAndColour) {
  auto& s = this->surface;
  s.SetTextRTF(
      "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue255;}\\pard ab{\\i\\ul\\cf1 cd{\\b ef}}g\\par "
      "{\\i\\ul\\cf1 hi}\\par }");
  ASSERT_EQ(s.Text(), u"abcdefg\nhi");
  this->Select(1, 2);
  const auto run = s.RunAt(4);
  EXPECT_EQ(run.start, 2);
  EXPECT_EQ(run.length, 4);
  EXPECT_TRUE(run.underline);
  EXPECT_TRUE(run.italic);
  EXPECT_EQ(run.color, 0xFF0000);
  EXPECT_EQ(s.RunAt(0).length, 2);
  EXPECT_FALSE(s.RunAt(0).italic);
  EXPECT_TRUE(s.RunAt(7).paragraphBreak);
  EXPECT_EQ(s.RunAt(7).length, 1);
  EXPECT_EQ(s.RunAt(9).start, 8);
  EXPECT_EQ(s.RunAt(9).length, 2);
  EXPECT_EQ(s.RunAt(10).length, 0);  // the end of the text
  EXPECT_EQ(s.SelStart(), 1);        // the selection is not touched
  EXPECT_EQ(s.SelLength(), 2);
}

REGISTER_TYPED_TEST_SUITE_P(
    RichTextBoxContract, StartsEmpty, RunAtAnswersTheStretchOfOneUnderlineItalicAndColour,
    TypingInsertsAtTheCaretAndBreaksCountOnce, SelectionIsClampedAndCollapsedBySelStart,
    BoundariesNeverSplitASurrogatePair, EditsNeverLeaveTheCaretInsideASurrogatePair,
    CharacterAttributesReadAsValueOrMixed, EmptySelectionReadsAndSetsTheTypingFormat,
    MovingTheCaretForgetsAPendingFormat, ParagraphAttributesCoverTouchedParagraphs,
    SelRtfOfPartOfAParagraphPastesWithoutABreak, SelRtfAcrossParagraphsKeepsTheirBreaksAndFormats,
    EmptySelRtfDeletesTheSelection, TextRtfReplacesTheDocumentAndTheHistory,
    TextRtfRoundTripsItsOwnOutput, UndoStepsBackWordByWordAndRedoStepsForward,
    UndoAndRedoRestoreAParagraphOfManyRunsExactly, EachEnterAndPasteOfLinesUndoesAndRedoesExactly,
    EqualParagraphsChangeOneAtATime, ACaretMoveOrAGroupEndsAStep,
    TheHistoryKeepsTheLastHundredSteps, AStyleSetAtTheCaretHoldsAcrossEnterUntilTheCaretMoves,
    EnterOnAnEmptyBulletItemEndsTheList, TypingAtAMarkerEdgeTakesTheOrdinaryFormat,
    ALinkWhoseTextIsDeletedTakesItsUrlAlong, EventsFireSynchronouslyForChangesByCode,
    DefaultFontAppliesToPlainText);

}  // namespace scrivlet
