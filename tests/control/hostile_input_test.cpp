// Hostile input at every way into the control: whatever is loaded, pasted, typed, entered in a
// dialog or supplied by the host, the TextHTML written can run no script, and it still can
// after a trip through TextHTML. Each case names its entry point and what it tries.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../../fuzz/script_checks.h"
#include "actions/span_text.h"
#include "conversion/conversion_context.h"
#include "conversion/rtf_to_html.h"
#include "dialogs/frm_hyperlink.h"
#include "dialogs/frm_image.h"
#include "hosts/headless/headless_host.h"
#include "hosts/headless/memory_property_bag.h"

namespace scrivlet {
namespace {

constexpr std::string_view kSilver =
    "{\\rtf1\\ansi{\\colortbl\\red0\\green0\\blue0;\\red192\\green192\\blue192;"
    "\\red0\\green0\\blue255;}"
    "\\pard ";

struct HostileCase {
  std::string entry;
  std::string attempt;
  std::function<void(HeadlessHost&)> feed;
  // A piece the HTML must hold, to show that the input was not simply dropped; "" for none.
  std::string kept;
};

// As the control's own page, so that the dialect's converter reads it (another program's page
// goes through the HTML reader, which the test below holds to the same rule).
void AssignHtml(HeadlessHost& h, std::string_view html) {
  h.Control.SetTextHTML(BuildMarkerComment() + std::string(html));
}

void AnswerHyperlink(HeadlessHost& h, std::string url, std::string text, int pick = 0) {
  h.Forms.SetUser("frmHyperlink", [url, text, pick](Form& form) {
    auto& dialog = static_cast<frmHyperlink&>(form);
    if (pick > 0) {
      dialog.txtText.Choose(pick - 1);
    } else {
      dialog.txtURL.SetText(url);
      dialog.txtText.Text = text;
    }
    dialog.cmdOk.Press();
  });
  h.Surface.SetFocus();
  h.Bar.UserClick("Hyperlink");
}

void AnswerPicture(HeadlessHost& h, std::string src, std::string alt, int pick = 0) {
  h.Forms.SetUser("frmImage", [src, alt, pick](Form& form) {
    auto& dialog = static_cast<frmImage&>(form);
    if (pick > 0) {
      dialog.txtText.Choose(pick - 1);
    } else {
      dialog.txtURL.SetText(src);
      dialog.txtText.Text = alt;
    }
    dialog.cmdOk.Press();
  });
  h.Surface.SetFocus();
  h.Bar.UserClick("Picture");
}

void Paste(HeadlessHost& h, std::string_view rtf) {
  h.Clip.Clear();
  h.Clip.SetText(rtf, ClipboardFormat::kRichText);
  h.Surface.SetFocus();
  h.Bar.UserClick("Paste");
}

const std::vector<HostileCase>& Cases() {
  static const std::vector<HostileCase> cases = {
      // ----- TextHTML assignment -----
      {"html", "javascript: link",
       [](auto& h) { AssignHtml(h, "<A HREF='javascript:alert(1)'>x</A>"); },
       "<A HREF='#'><U>x</U></A>"},
      {"html", "scheme behind a reference",
       [](auto& h) { AssignHtml(h, "<A HREF='&#106;avascript:alert(1)'>x</A>"); }, "HREF='#'"},
      {"html", "scheme split by a tab and a named colon",
       [](auto& h) { AssignHtml(h, "<A HREF=' JaVa&#x09;script&colon;alert(1)'>x</A>"); },
       "HREF='#'"},
      {"html", "vbscript: and data: links",
       [](auto& h) {
         AssignHtml(h, "<A HREF='vbscript:msgbox'>v</A><A HREF='data:text/html,<script>'>d</A>");
       },
       ""},
      {"html", "picture with an event handler",
       [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><IMG SRC=x onerror=alert(1)>"); },
       "&lt;IMG SRC=x onerror=alert(1)&gt;"},
      {"html", "script element",
       [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><SCRIPT>alert(1)</SCRIPT>"); },
       "&lt;SCRIPT&gt;"},
      {"html", "frame with a javascript: source",
       [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><IFRAME SRC=javascript:alert(1)>"); },
       "&lt;IFRAME"},
      {"html", "unclosed style", [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><STYLE>"); },
       "&lt;STYLE&gt;"},
      {"html", "base that hijacks the page's links",
       [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><BASE HREF='http://evil.example/'>"); },
       "&lt;BASE"},
      {"html", "marker word inside a longer comment",
       [](auto& h) { AssignHtml(h, "<!-- x ScrivletHTML y --><SCRIPT>alert(1)</SCRIPT>"); },
       "&lt;SCRIPT&gt;"},
      {"html", "quotes turned to apostrophes would free an attribute",
       [](auto& h) {
         AssignHtml(h, "<!-- ScrivletHTML --><IMG SRC=\"x.gif\" ALT=\"' onerror='alert(1)' x='\">");
       },
       "ALT='&#39; onerror=&#39;alert(1)&#39; x=&#39;'"},
      {"html", "picture source javascript: and svg",
       [](auto& h) {
         AssignHtml(h,
                    "<!-- ScrivletHTML --><IMG SRC='javascript:alert(1)'>"
                    "<!-- ScrivletHTML --><IMG SRC='data:image/svg+xml,x'>");
       },
       ""},
      {"html", "a style attribute on an allowed picture",
       [](auto& h) {
         AssignHtml(h, "<!-- ScrivletHTML --><IMG SRC='x.gif' STYLE='x:expression(1)'>");
       },
       "&lt;IMG"},
      {"html", "an opening comment as the raw tag",
       [](auto& h) { AssignHtml(h, "<!-- ScrivletHTML --><!-- a>b"); }, ""},
      // ----- TextRTF assignment -----
      {"rtf", "javascript: URL run",
       [](auto& h) {
         h.Control.SetTextRTF(std::string(kSilver) +
                              "\\cf1\\i\\ul javascript:alert(1)\\i0\\cf2 x\\ulnone\\cf0 \\par }");
       },
       "HREF='#'"},
      {"rtf", "script as a raw-tag run",
       [](auto& h) {
         h.Control.SetTextRTF(std::string(kSilver) +
                              "\\cf1\\i <SCRIPT>alert(1)</SCRIPT>\\i0\\cf0 \\par }");
       },
       "&lt;SCRIPT&gt;alert(1)&lt;/SCRIPT&gt;"},
      {"rtf", "silver italic prose",
       [](auto& h) {
         h.Control.SetTextRTF(std::string(kSilver) + "\\cf1\\i Note: if a < b then AT&T\\par }");
       },
       "Note: if a &lt; b then AT&amp;T"},
      // ----- Paste -----
      {"paste", "word processor's HYPERLINK field",
       [](auto& h) {
         Paste(h,
               "{\\rtf1\\ansi{\\field{\\*\\fldinst HYPERLINK \"javascript:alert(1)\"}"
               "{\\fldrslt click}}\\par }");
       },
       "HREF='#'"},
      {"paste", "raw-tag run with an event handler",
       [](auto& h) {
         Paste(h, std::string(kSilver) + "\\cf1\\i <IMG SRC=x onerror=alert(1)>\\i0\\cf0 \\par }");
       },
       "&lt;IMG"},
      // ----- Typing in the marker formats -----
      {"typing", "a tag typed in the raw-tag format",
       [](auto& h) {
         SetRawTagRun(h.Surface);
         h.Surface.SetSelText(u"<SCRIPT>alert(1)</SCRIPT>");
       },
       "&lt;SCRIPT&gt;"},
      {"typing", "a javascript: URL typed in the URL format",
       [](auto& h) {
         SetUrlRun(h.Surface);
         h.Surface.SetSelText(u"javascript:alert(1)");
         SetLinkTextRun(h.Surface);
         h.Surface.SetSelText(u"go");
       },
       "HREF='#'"},
      // ----- The dialogs -----
      {"hyperlink dialog", "javascript: location is refused",
       [](auto& h) { AnswerHyperlink(h, "javascript:alert(1)", "go"); }, ""},
      {"hyperlink dialog", "linked tag with an event handler",
       [](auto& h) { AnswerHyperlink(h, "a.htm", "<IMG SRC=x onerror=alert(1)>"); },
       "HREF='a.htm'"},
      {"picture dialog", "title that closes its quote",
       [](auto& h) { AnswerPicture(h, "x.gif", "a' onerror='alert(1)"); },
       "ALT='a&#39; onerror=&#39;alert(1)'"},
      {"picture dialog", "location that closes its quote",
       [](auto& h) { AnswerPicture(h, "x.gif' onerror='alert(1)", ""); },
       "SRC='x.gif&#39; onerror=&#39;alert(1)'"},
      {"picture dialog", "javascript: location",
       [](auto& h) { AnswerPicture(h, "javascript:alert(1)", "x"); }, ""},
      // ----- The WDDX packet -----
      {"wddx", "javascript: hyperlink location",
       [](auto& h) {
         h.Control.SetWDDX(
             "<field name='HYPERLINK_TITLE'><string>Home</string></field>"
             "<field name='HYPERLINK_LOCATION'><string>javascript:alert(1)</string></field>");
         AnswerHyperlink(h, "", "", 1);
       },
       "HREF='#'"},
      {"wddx", "picture location that closes its quote",
       [](auto& h) {
         h.Control.SetWDDX(
             "<field name='IMAGE_TITLE'><string>Logo</string></field>"
             "<field name='IMAGE_LOCATION'><string>x.gif' onerror='alert(1)</string></field>");
         AnswerPicture(h, "", "", 1);
       },
       "SRC='x.gif&#39; onerror=&#39;alert(1)'"},
  };
  return cases;
}

class HostileInputTest : public testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override { host.StartNew(); }
  HeadlessHost host;
};

TEST_P(HostileInputTest, ThroughTheHtmlReaderTooNothingRuns) {
  const HostileCase& c = Cases()[GetParam()];
  SCOPED_TRACE(c.entry + ": " + c.attempt);
  host.Control.SetHtmlImport("Html5");
  c.feed(host);
  const std::string html = host.Control.TextHTML();
  EXPECT_EQ(fuzz::FindScriptHazard(html), "") << html;
  host.Control.SetHtmlOutput("Html5");
  const std::string html5 = host.Control.TextHTML();
  EXPECT_EQ(fuzz::FindScriptHazard(html5), "") << html5;
}

TEST_P(HostileInputTest, WrittenHtmlRunsNoScript) {
  const HostileCase& c = Cases()[GetParam()];
  SCOPED_TRACE(c.entry + ": " + c.attempt);
  c.feed(host);
  const std::string html = host.Control.TextHTML();
  EXPECT_EQ(fuzz::FindScriptHazard(html), "") << html;
  if (!c.kept.empty()) {
    EXPECT_NE(html.find(c.kept), std::string::npos) << html;
  }
  // What was written reads back without script, and settles: a further trip changes nothing.
  host.Control.SetTextHTML(html);
  const std::string again = host.Control.TextHTML();
  EXPECT_EQ(fuzz::FindScriptHazard(again), "") << again;
  host.Control.SetTextHTML(again);
  EXPECT_EQ(host.Control.TextHTML(), again);
}

INSTANTIATE_TEST_SUITE_P(EveryEntryPoint, HostileInputTest,
                         testing::Range<std::size_t>(0, Cases().size()));

// The check the suite relies on must see what the converters used to write.
TEST(ScriptCheckTest, NamesEverythingThatCouldRunScript) {
  for (const char* html : {
           "<SCRIPT>x</SCRIPT>",
           "<IMG SRC='x.gif' ALT='' onerror='x' x=''>",
           "<A HREF='javascript:x'>a</A>",
           "<A HREF='&#106;avascript:x'>a</A>",
           "<A HREF=' java&#x09;script&colon;x'>a</A>",
           "<IMG SRC='data:image/svg+xml,x'>",
           "<IFRAME SRC=x>",
           "<STYLE>",
           "<BASE HREF='http://x/'>",
           "<!-- open",
           "<FONT FACE='x>",
           "<IMG SRC='x.gif' STYLE='x'>",
       }) {
    EXPECT_NE(fuzz::FindScriptHazard(html), "") << html;
  }
  EXPECT_EQ(fuzz::FindScriptHazard("<FONT FACE='a<b' SIZE=3 COLOR=#000000>a &lt; b</FONT>"
                                   "<!-- ScrivletHTML --><IMG SRC='x.gif' ALT='&#39;' BORDER=0>"
                                   "<A HREF='mailto:a@b.c'>m</A><A HREF='C:/a.htm'>c</A>"),
            "");
}

class SecurityTest : public testing::Test {
 protected:
  void SetUp() override { host.StartNew(); }
  HeadlessHost host;
};

TEST_F(SecurityTest, TheHyperlinkDialogRefusesAScriptLocationAndSaysWhy) {
  AnswerHyperlink(host, "javascript:alert(1)", "go");
  ASSERT_EQ(host.Messages.Calls().size(), 1u);
  EXPECT_NE(host.Messages.Calls()[0].Text.find("javascript:alert(1)"), std::string::npos);
  // The refusal keeps the dialog open; the user's close then cancels it.
  EXPECT_EQ(host.Surface.Text(), u"");
}

TEST_F(SecurityTest, AllowRawHtmlPassesRawTagsThroughAndIsPersisted) {
  host.Control.SetAllowRawHtml(true);
  host.Control.SetTextHTML(BuildMarkerComment() + "<!-- ScrivletHTML --><B class=\"x\">");
  EXPECT_NE(host.Control.TextHTML().find("<!-- ScrivletHTML --><B class=\"x\">"),
            std::string::npos);
  // Links still pass the link rule.
  host.Control.SetTextHTML("<A HREF='javascript:alert(1)'>x</A>");
  EXPECT_NE(host.Control.TextHTML().find("HREF='#'"), std::string::npos);

  MemoryPropertyBag bag;
  host.Control.UserControl_WriteProperties(bag);
  HeadlessHost restored;
  restored.Restore(bag);
  EXPECT_TRUE(restored.Control.AllowRawHtml());
  HeadlessHost fresh;
  fresh.StartNew();
  EXPECT_FALSE(fresh.Control.AllowRawHtml());
}

}  // namespace
}  // namespace scrivlet
