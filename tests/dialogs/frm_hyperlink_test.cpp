#include "dialogs/frm_hyperlink.h"

#include <gtest/gtest.h>

#include "hosts/headless/scripted_message_box.h"

namespace scrivlet {
namespace {

class HyperlinkDialogTest : public testing::Test {
 protected:
  std::vector<HyperlinkEntry> entries{{"Home", "index.htm"},
                                      {"Mail us", "mailto:info@example.com"}};
  ScriptedMessageBox messages;
  frmHyperlink form{entries, messages};
};

TEST_F(HyperlinkDialogTest, ProtocolOptionsExchangeThePrefix) {
  const struct {
    std::string location;
    std::size_t click;
    std::string result;
  } cases[] = {
      {"mailto:bob", 0, "http://bob"},    {"http://bob", 1, "mailto:bob"},
      {"HTTP://Site", 1, "mailto:Site"},  {"MailTo:x", 1, "mailto:x"},
      {"ftp:host", 0, "http://ftp:host"}, {"", 1, "mailto:"},
  };
  for (const auto& c : cases) {
    form.txtURL.Text = c.location;
    form.optProtocol[c.click].Choose();
    EXPECT_EQ(form.txtURL.Text, c.result) << c.location;
    EXPECT_TRUE(form.optProtocol[c.click].Value);
    EXPECT_FALSE(form.optProtocol[1 - c.click].Value);
  }
}

TEST_F(HyperlinkDialogTest, InitSelectsTheProtocolOfTheLocation) {
  form.txtURL.Text = "mailto:me";
  form.Init();
  EXPECT_TRUE(form.optProtocol[1].Value);
  frmHyperlink other(entries, messages);
  other.txtURL.Text = "ftp:x";
  other.Init();
  EXPECT_FALSE(other.optProtocol[0].Value);
  EXPECT_FALSE(other.optProtocol[1].Value);
  EXPECT_EQ(other.txtURL.Text, "ftp:x");
}

TEST_F(HyperlinkDialogTest, PickingAnEntrySetsItsLocationAndProtocol) {
  form.Init();
  form.txtText.Choose(1);
  EXPECT_EQ(form.txtText.Text, "Mail us");
  EXPECT_EQ(form.txtURL.Text, "mailto:info@example.com");
  EXPECT_TRUE(form.optProtocol[1].Value);
  form.txtText.Text = "typed over";  // the picked location stays
  EXPECT_EQ(form.txtURL.Text, "mailto:info@example.com");
}

}  // namespace
}  // namespace scrivlet
