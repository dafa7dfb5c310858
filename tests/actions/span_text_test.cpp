#include "actions/span_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/surface_builder.h"

namespace scrivlet {
namespace {

using testing_surface::Append;
using testing_surface::Select;
using testing_surface::Style;

struct Selection {
  std::int32_t start;
  std::int32_t length;
  bool operator==(const Selection&) const = default;
};

Selection SelectionOf(const RichTextBox& surface) {
  return {surface.SelStart(), surface.SelLength()};
}

class SpanTextTest : public testing::Test {
 protected:
  MemoryRichTextBox surface;
};

struct Piece {
  std::u16string_view text;
  Style style;
};

void Build(MemoryRichTextBox& surface, const std::vector<Piece>& pieces) {
  surface.SetTextRTF("");
  for (const Piece& piece : pieces) {
    Append(surface, piece.text, piece.style);
  }
}

// A caret or selection, the link (or plain text) it finds, and what ends up selected: the walks
// keep whole runs at the ends of the text, beside paragraph breaks and over surrogate pairs.
TEST_F(SpanTextTest, SelectHyperlinkFindsTheWholeLinkAroundTheSelection) {
  const std::vector<Piece> see_home = {{u"See ", Style::kPlain},
                                       {u"a.htm", Style::kUrl},
                                       {u"Home", Style::kLinkText},
                                       {u" now", Style::kPlain}};
  const std::vector<Piece> two_links = {{u"u.htm", Style::kUrl},
                                        {u"first", Style::kLinkText},
                                        {u"\nmid ", Style::kPlain},
                                        {u"v.htm", Style::kUrl},
                                        {u"last", Style::kLinkText}};
  const std::vector<Piece> linked_picture = {{u"x.htm", Style::kUrl},
                                             {u"<IMG SRC='a.gif'>", Style::kRawTag}};
  const std::vector<Piece> outside_bmp = {{u"\U0001F600.htm", Style::kUrl},
                                          {u"smile \U0001F600", Style::kLinkText},
                                          {u" \U0001F600", Style::kPlain}};
  const std::vector<Piece> plain = {{u"one\ntwo", Style::kPlain}};
  const struct {
    const std::vector<Piece>& pieces;
    Selection from;
    std::string url;
    std::string text;
    Selection selected;
  } cases[] = {
      // Inside the link, on either run: URL and text.
      {see_home, {5, 0}, "a.htm", "Home", {4, 9}},
      {see_home, {8, 0}, "a.htm", "Home", {4, 9}},
      {see_home, {9, 0}, "a.htm", "Home", {4, 9}},
      {see_home, {11, 0}, "a.htm", "Home", {4, 9}},
      {see_home, {12, 0}, "a.htm", "Home", {4, 9}},
      // Just outside: nothing, and the caret stays.
      {see_home, {4, 0}, "", "", {4, 0}},
      {see_home, {13, 0}, "", "", {13, 0}},
      {see_home, {2, 0}, "", "", {2, 0}},
      {two_links, {2, 0}, "u.htm", "first", {0, 10}},
      {two_links, {9, 0}, "u.htm", "first", {0, 10}},
      {two_links, {17, 0}, "v.htm", "last", {15, 9}},
      {two_links, {23, 0}, "v.htm", "last", {15, 9}},
      // A linked picture gives its tag as the text.
      {linked_picture, {8, 0}, "x.htm", "<IMG SRC='a.gif'>", {0, 22}},
      {outside_bmp, {8, 0}, "\xF0\x9F\x98\x80.htm", "smile \xF0\x9F\x98\x80", {0, 14}},
      // A plain selection is the text, without its closing break.
      {plain, {0, 4}, "", "one", {0, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    Build(surface, c.pieces);
    Select(surface, c.from.start, c.from.length);
    const HyperlinkParts parts = SelectHyperlink(surface);
    EXPECT_EQ(parts.url, c.url);
    EXPECT_EQ(parts.text, c.text);
    EXPECT_EQ(SelectionOf(surface), c.selected);
  }
}

TEST_F(SpanTextTest, PictureAtTheCaretIsSelectedWithItsAttributes) {
  Append(surface, u"pic ", Style::kPlain);
  Append(surface, u"<img src='x.gif' width=20>", Style::kRawTag);
  Append(surface, u" after", Style::kPlain);
  Select(surface, 10, 0);
  const PictureAttributes picture = SelectPicture(surface);
  EXPECT_EQ(picture.src, "x.gif");
  EXPECT_EQ(picture.width, "20");
  EXPECT_EQ(picture.alt + picture.align + picture.height + picture.border + picture.hspace +
                picture.vspace,
            "");
  EXPECT_EQ(SelectionOf(surface), (Selection{4, 26}));
}

TEST_F(SpanTextTest, OtherRawTagsAndPlacesOutsideAPictureSelectNothing) {
  Append(surface, u"<HR>", Style::kRawTag);
  Append(surface, u" and ", Style::kPlain);
  Append(surface, u"<IMG SRC='y.gif'>", Style::kRawTag);
  for (const std::int32_t caret : {2, 6, 9, 26}) {
    Select(surface, caret, 0);
    const PictureAttributes picture = SelectPicture(surface);
    EXPECT_EQ(picture.src, "") << caret;
    EXPECT_EQ(SelectionOf(surface), (Selection{caret, 0})) << caret;
  }
  Select(surface, 12, 0);
  EXPECT_EQ(SelectPicture(surface).src, "y.gif");  // a picture that ends the text
  EXPECT_EQ(SelectionOf(surface), (Selection{9, 17}));
}

TEST_F(SpanTextTest, WalksStepOverPairsAndStopBeforeBreaks) {
  Append(surface, u"a\U0001F600b", Style::kRawTag);
  Append(surface, u"\nplain", Style::kPlain);
  Select(surface, 4, 0);
  WalkRun(surface, RunKind::kRawTag, WalkDirection::kBackward);
  EXPECT_EQ(SelectionOf(surface), (Selection{0, 0}));
  WalkRun(surface, RunKind::kRawTag, WalkDirection::kForward);
  EXPECT_EQ(SelectionOf(surface), (Selection{0, 4}));
  Select(surface, 2, 0);  // inside the pair: the surface puts the caret before it
  EXPECT_EQ(surface.SelStart(), 1);
}

// A forward walk tests the whole selection it has grown: a raw tag's underline may be mixed,
// paragraph breaks carry no format, a selection the walk starts from counts too, and a URL and
// its link text together are no one run.
TEST_F(SpanTextTest, ForwardWalksTestTheWholeGrownSelection) {
  struct Case {
    std::vector<Piece> pieces;
    Selection from;
    RunKind kind;
    Selection expected;
  };
  const Case cases[] = {
      {{{u"<B>", Style::kRawTag}, {u"x", Style::kUrl}, {u"y", Style::kPlain}},
       {0, 0},
       RunKind::kRawTag,
       {0, 4}},
      {{{u"<B>", Style::kRawTag}, {u"x", Style::kUrl}, {u"y", Style::kPlain}},
       {0, 2},
       RunKind::kRawTag,
       {0, 4}},
      {{{u"ab", Style::kUrl}, {u"<I>", Style::kRawTag}}, {0, 0}, RunKind::kUrl, {0, 2}},
      {{{u"t\nu", Style::kLinkText}, {u"z", Style::kPlain}},
       {0, 0},
       RunKind::kLinkTextOrRawTag,
       {0, 3}},
      {{{u"a\n", Style::kPlain}, {u"v", Style::kLinkText}},
       {1, 0},
       RunKind::kLinkTextOrRawTag,
       {1, 0}},
      {{{u"ab", Style::kUrl}, {u"cd", Style::kLinkText}}, {1, 0}, RunKind::kAnyMarker, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    Build(surface, c.pieces);
    Select(surface, c.from.start, c.from.length);
    WalkRun(surface, c.kind, WalkDirection::kForward);
    EXPECT_EQ(SelectionOf(surface), c.expected);
  }
}

}  // namespace
}  // namespace scrivlet
