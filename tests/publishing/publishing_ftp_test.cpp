#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hosts/curl/curl_internet_library.h"
#include "hosts/headless/header_picture_reader.h"
#include "hosts/headless/headless_form_host.h"
#include "hosts/headless/headless_screen.h"
#include "hosts/headless/manual_event_loop.h"
#include "hosts/headless/memory_settings_store.h"
#include "hosts/headless/scripted_file_dialog.h"
#include "hosts/headless/scripted_message_box.h"
#include "publishing/frm_image_copy.h"
#include "publishing/ftp.h"
#include "publishing/ftp_test_server.h"
#include "publishing/local_sockets.h"
#include "publishing/picture_files.h"
#include "publishing/win_inet.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

using testing::FtpTestServer;
using testing::GifBytes;
using testing::TempDir;

// The publishing module and the dialog on libcurl, against a real server.
class PublishingFtpTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directory(server_.Home() / "images"); }

  const std::vector<ScriptedMessageBox::Call>& Boxes() const { return messages_.Calls(); }

  FtpTestServer server_;
  TempDir local_;
  CurlInternetLibrary library_{CurlTimeouts{std::chrono::milliseconds(10000)}};
  ScriptedMessageBox messages_;
  InternetHandles handles_;
  InternetServices services_{library_, messages_, handles_};
};

TEST_F(PublishingFtpTest, TheAnswerToARejectedLoginClosesOrKeepsTheSession) {
  for (const MessageBoxAnswer answer : {MessageBoxAnswer::kNo, MessageBoxAnswer::kYes}) {
    ASSERT_TRUE(OpenInternet(services_, "").ok());
    messages_.QueueAnswer(answer);
    EXPECT_EQ(ConnectFtp(services_, server_.Address(), FtpMode::kPassive, "alice", "wrong").error(),
              InternetError::kLoginRejected);
    EXPECT_EQ(Boxes().back().Text,
              "Internet Connect Err: 12014\r\nThe request to connect and login to an FTP server "
              "could not be completed because the supplied user name or password is "
              "incorrect.\r\nClose Connection and Session?");
    EXPECT_EQ(handles_.HasSession(), answer == MessageBoxAnswer::kNo);
    EXPECT_FALSE(handles_.HasConnection());
  }
}

TEST_F(PublishingFtpTest, AMissingDirectoryShowsTheServersReplyAndSendsNothing) {
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  ASSERT_TRUE(OpenInternet(services_, "").ok());
  ASSERT_TRUE(ConnectFtp(services_, server_.Address(), FtpMode::kPassive, "alice", "s3cret").ok());
  messages_.QueueAnswer(MessageBoxAnswer::kOk);
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_EQ(PutFtpFile(services_, file.string(), "/missing", "a.gif").error(),
            InternetError::kExtended);
  ASSERT_EQ(Boxes().size(), 2U);
  EXPECT_EQ(Boxes()[0].Text.rfind("Change Directory Extd Err: 550 550 ", 0), 0U) << Boxes()[0].Text;
  EXPECT_EQ(Boxes()[1].Text.rfind("Change Directory Err: 12003\r\n", 0), 0U);
  EXPECT_FALSE(handles_.HasSession());
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / "a.gif"));
}

TEST_F(PublishingFtpTest, UnreachableServersAreReportedWithTheirMessages) {
  ASSERT_TRUE(OpenInternet(services_, "").ok());
  EXPECT_EQ(ConnectFtp(services_, "scrivlet-test.invalid", FtpMode::kPassive, "a", "b").error(),
            InternetError::kNameNotResolved);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text, "Could not connect to the Internet.");
  EXPECT_FALSE(handles_.HasSession());

  ASSERT_TRUE(OpenInternet(services_, "").ok());
  EXPECT_EQ(
      ConnectFtp(services_, testing::ClosedLocalAddress(), FtpMode::kActive, "a", "b").error(),
      InternetError::kCannotConnect);
  ASSERT_EQ(Boxes().size(), 2U);
  EXPECT_EQ(Boxes()[1].Text,
            "Internet Connect Err: 12029\r\nThe attempt to connect to the server failed.\r\n"
            "Close Connection and Session?");
  EXPECT_TRUE(handles_.HasSession());  // the script answered No
}

TEST_F(PublishingFtpTest, TheDialogUploadsAChosenPictureAndHandsBackItsAddressAndSize) {
  const std::string picture = local_.Write("Photo.gif", GifBytes(120, 80)).string();
  ScriptedFileDialog files;
  HeaderPictureReader pictures;
  MemorySettingsStore settings;
  settings.SaveSetting("Scrivlet", "FTPSetup", "Passive", "1");
  ManualEventLoop loop;
  HeadlessScreen screen;
  HeadlessFormHost host;
  frmImageCopy form(ImageCopyServices{messages_, files, pictures, settings, loop, screen, library_},
                    handles_);
  form.SetFTPServer(server_.Address() + "/images");
  form.SetFTPUsername("alice");
  form.SetFTPPassword(ScramblePassword(ScrambleDirection::kEncode, "s3cret"));
  form.SetImagesPath("http://www.example.com/images");
  form.LocalFilename.SetText("");
  form.SetFullPath("http://www.example.com/images/old.gif");

  host.SetUser(frmImageCopy::kFormName, [&](Form& shown) {
    auto& dialog = static_cast<frmImageCopy&>(shown);
    files.QueueChoice(picture);
    ASSERT_TRUE(dialog.cmdBrowse.Press());
    dialog.RemoteFilename.SetText("photo.gif");
    ASSERT_TRUE(dialog.cmdOk.Press());
  });
  host.ShowModal(form);

  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(form.Cancelled());
  EXPECT_EQ(form.FullPath(), "http://www.example.com/images/photo.gif");
  EXPECT_EQ(form.ImageWidth(), 120);
  EXPECT_EQ(form.ImageHeight(), 80);
  EXPECT_EQ(server_.ReadRemote("images/photo.gif"), GifBytes(120, 80));
  EXPECT_EQ(server_.Logins(), std::vector<std::string>{"alice"});
  EXPECT_FALSE(handles_.HasSession());
  // Four status lines of a second each, all on the injected clock.
  EXPECT_GE(loop.Now(), std::chrono::milliseconds(4000));
}

}  // namespace
}  // namespace scrivlet
