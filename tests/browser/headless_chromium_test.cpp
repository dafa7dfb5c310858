// The HTML the control writes for hostile input, rendered by a real browser: headless Chromium
// (Debian's chromium) loads a page holding the outputs, then the page's own script clicks every
// link. A payload that ran would set the page's title; an unclosed element that swallowed the
// rest of the page would keep the page's script from marking the body. A page holding the
// payloads as they were written before shows that the browser runs such script at all.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conversion/conversion_context.h"
#include "dialogs/frm_image.h"
#include "hosts/headless/headless_host.h"

namespace scrivlet {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRan = "<title>RAN</title>";
constexpr std::string_view kPageScriptRan = "data-page=\"ok\"";

// Payloads set the title to "RAN", spelt so that the page's source never holds the word.
const std::vector<std::string>& HostilePages() {
  static const std::vector<std::string> pages = {
      "<!-- ScrivletHTML --><IMG SRC=missing.gif onerror=\"document.title='R'+'AN'\">",
      "<!-- ScrivletHTML --><SCRIPT>document.title='R'+'AN'</SCRIPT>",
      "<A HREF=\"javascript:document.title='R'+'AN'\">js</A>",
      "<A HREF=\"&#106;avascript:document.title='R'+'AN'\">entity</A>",
      "<!-- ScrivletHTML --><IMG SRC=\"missing.gif\" "
      "ALT=\"' onerror='document.title=&quot;R&quot;+&quot;AN&quot;' x='\">",
      "<!-- ScrivletHTML --><IFRAME SRC=\"javascript:parent.document.title='R'+'AN'\">",
      "<!-- ScrivletHTML --><STYLE>",
      "<!-- x ScrivletHTML y --><TEXTAREA>",
  };
  return pages;
}

// The page a host would publish: the editor's HTML, then the host's own script.
std::string HostPage(const std::string& content) {
  return "<!DOCTYPE html><html><head><meta charset='utf-8'><title>clean</title></head><body>" +
         content +
         "<script>document.body.setAttribute('data-page','ok');"
         "for (const a of document.querySelectorAll('a')) { try { a.click(); } catch (e) {} }"
         "</script></body></html>";
}

class HeadlessChromium {
 public:
  HeadlessChromium() : dir_(fs::temp_directory_path() / ("scrivlet-chromium-" + Unique())) {
    fs::create_directories(dir_ / "profile");
  }
  ~HeadlessChromium() {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // The DOM after the page loaded and its script ran, or "" when Chromium did not start.
  std::string DumpDom(const std::string& page) {
    const fs::path file = dir_ / "page.html";
    std::ofstream(file, std::ios::binary) << page;
    const fs::path out = dir_ / "dom.html";
    const std::string command =
        "timeout 120 chromium --headless --disable-gpu --no-sandbox --no-first-run "
        "--user-data-dir='" +
        (dir_ / "profile").string() + "' --virtual-time-budget=3000 --dump-dom 'file://" +
        file.string() + "' >'" + out.string() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      return {};
    }
    std::ifstream in(out, std::ios::binary);
    std::ostringstream dom;
    dom << in.rdbuf();
    return dom.str();
  }

 private:
  static std::string Unique() {
    return std::to_string(::getpid()) + "-" + std::to_string(std::rand());
  }
  fs::path dir_;
};

class HeadlessChromiumTest : public testing::Test {
 protected:
  void SetUp() override {
    host.StartNew();
    if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it)";
    }
  }

  HeadlessHost host;
  HeadlessChromium browser;
};

TEST_F(HeadlessChromiumTest, NoPayloadRunsAndNothingSwallowsTheHostPage) {
  // The browser runs such payloads when they are written raw.
  std::string raw;
  for (const std::string& page : HostilePages()) {
    raw += page;
  }
  const std::string rawDom = browser.DumpDom(HostPage(raw));
  if (rawDom.empty()) {
    GTEST_SKIP() << "chromium could not be started headless";
  }
  ASSERT_NE(rawDom.find(kRan), std::string::npos) << "the browser ran no payload written raw";

  // Each page loaded into the control on its own; what it writes for all of them published on
  // one page, which one browser start renders.
  std::string written;
  for (const std::string& page : HostilePages()) {
    host.Control.SetTextHTML(page);
    written += "<div>" + host.Control.TextHTML() + "</div>";
  }
  const std::string dom = browser.DumpDom(HostPage(written));
  ASSERT_FALSE(dom.empty());
  EXPECT_EQ(dom.find(kRan), std::string::npos) << dom;
  EXPECT_NE(dom.find(kPageScriptRan), std::string::npos) << "the host page was swallowed:\n" << dom;
}

TEST_F(HeadlessChromiumTest, APastedHyperlinkFieldAndDialogValuesRunNothing) {
  host.Clip.SetText(
      "{\\rtf1\\ansi{\\field{\\*\\fldinst HYPERLINK \"javascript:document.title='R'+'AN'\"}"
      "{\\fldrslt click}}\\par }",
      ClipboardFormat::kRichText);
  host.Surface.SetFocus();
  host.Bar.UserClick("Paste");
  host.Forms.SetUser("frmImage", [](Form& form) {
    auto& dialog = static_cast<frmImage&>(form);
    dialog.txtURL.SetText("missing.gif");
    dialog.txtText.Text = "a' onerror='document.title=\"R\"+\"AN\"";
    dialog.cmdOk.Press();
  });
  host.Bar.UserClick("Picture");
  const std::string html = host.Control.TextHTML();
  ASSERT_NE(html.find("<A HREF="), std::string::npos) << html;
  ASSERT_NE(html.find("<IMG SRC="), std::string::npos) << html;
  const std::string dom = browser.DumpDom(HostPage(html));
  if (dom.empty()) {
    GTEST_SKIP() << "chromium could not be started headless";
  }
  EXPECT_EQ(dom.find(kRan), std::string::npos) << dom;
  EXPECT_NE(dom.find(kPageScriptRan), std::string::npos) << dom;
}

}  // namespace
}  // namespace scrivlet
