#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "dialogs/frm_image.h"
#include "hosts/headless/headless_host.h"
#include "publishing/frm_image_copy.h"
#include "publishing/ftp_test_server.h"
#include "publishing/picture_files.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

using testing::FtpTestServer;
using testing::GifBytes;
using testing::TempDir;

// A control on its own headless host, publishing pictures to its own folder of one server.
struct PublishingControl {
  PublishingControl(const FtpTestServer& server, const std::string& folder) {
    host.Settings.SaveSetting("Scrivlet", "FTPSetup", "Passive", "1");
    host.StartNew();
    host.Control.SetFTPServer(server.Address() + "/" + folder);
    host.Control.SetFTPUsername("alice");
    host.Control.SetFTPPassword(ScramblePassword(ScrambleDirection::kEncode, "s3cret"));
    host.Control.SetImagesPath("http://" + folder + ".example.com/images");
  }

  // Inserts the picture `local` as `remote` through the toolbar's Picture button, the picture
  // dialog's From File and the picture-copy dialog, where `user` plays the user from the names
  // on: by default, presses Copy.
  void InsertPicture(const std::string& local, const std::string& remote,
                     const std::function<void(frmImageCopy&)>& user = PressCopy) {
    host.Forms.SetUser("frmImage", [](Form& shown) {
      auto& dialog = static_cast<frmImage&>(shown);
      ASSERT_TRUE(dialog.cmdSelect.Press());
      ASSERT_TRUE(dialog.cmdOk.Press());
    });
    host.Forms.SetUser(frmImageCopy::kFormName, [&](Form& shown) {
      auto& dialog = static_cast<frmImageCopy&>(shown);
      dialog.LocalFilename.SetText(local);
      dialog.RemoteFilename.SetText(remote);
      user(dialog);
      EXPECT_FALSE(dialog.Visible()) << "the copy failed";
    });
    ASSERT_TRUE(host.Bar.UserClick("Picture"));
  }

  static void PressCopy(frmImageCopy& dialog) { ASSERT_TRUE(dialog.cmdOk.Press()); }

  HeadlessHost host;
};

// Two controls in one program: each has its own picture-copy dialog and its own FTP session.
// B publishes while A's upload waits on its overwrite question, with A's connection open; A's
// upload then goes on through its own connection to its own folder, and what B's user set in
// B's dialog is not in A's.
TEST(TwoControlsTest, EachPublishesThroughItsOwnDialogAndSession) {
  FtpTestServer server;
  std::filesystem::create_directory(server.Home() / "a");
  std::filesystem::create_directory(server.Home() / "b");
  std::ofstream(server.Home() / "a" / "pic.gif", std::ios::binary) << "GIF89a old";
  TempDir local;
  const std::string picture_a = local.Write("a.gif", GifBytes(10, 20)).string();
  const std::string picture_b = local.Write("b.gif", GifBytes(30, 40)).string();

  PublishingControl a(server, "a");
  PublishingControl b(server, "b");

  bool b_published = false;
  a.host.Messages.SetResponder([&](const ScriptedMessageBox::Call& call) {
    EXPECT_EQ(call.Text, "Replace existing file?");
    b.InsertPicture(picture_b, "pic.gif", [](frmImageCopy& dialog) {
      EXPECT_TRUE(dialog.FTPServer().ends_with("/b"));
      EXPECT_FALSE(dialog.Publishing());
      dialog.chkPassive.Checked = false;
      PublishingControl::PressCopy(dialog);
    });
    b_published = true;
    return MessageBoxAnswer::kYes;
  });
  a.InsertPicture(picture_a, "pic.gif", [](frmImageCopy& dialog) {
    PublishingControl::PressCopy(dialog);
    EXPECT_TRUE(dialog.chkPassive.Checked) << "B's user unticked it in B's dialog";
  });

  EXPECT_TRUE(b_published);
  EXPECT_EQ(a.host.Messages.Calls().size(), 1U);
  EXPECT_TRUE(b.host.Messages.Calls().empty());
  EXPECT_EQ(server.ReadRemote("a/pic.gif"), GifBytes(10, 20));
  EXPECT_EQ(server.ReadRemote("b/pic.gif"), GifBytes(30, 40));
  EXPECT_NE(a.host.Control.TextHTML().find("http://a.example.com/images/pic.gif"),
            std::string::npos);
  EXPECT_NE(b.host.Control.TextHTML().find("http://b.example.com/images/pic.gif"),
            std::string::npos);
  EXPECT_EQ(b.host.Settings.GetSetting("Scrivlet", "FTPSetup", "Passive", ""), "0");
  EXPECT_EQ(a.host.Settings.GetSetting("Scrivlet", "FTPSetup", "Passive", ""), "1");
}

}  // namespace
}  // namespace scrivlet
