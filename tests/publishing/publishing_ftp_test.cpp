#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "hosts/curl/curl_internet_library.h"
#include "hosts/headless/scripted_message_box.h"
#include "publishing/ftp.h"
#include "publishing/ftp_test_server.h"
#include "publishing/local_sockets.h"
#include "publishing/win_inet.h"

namespace scrivlet {
namespace {

using testing::FtpTestServer;
using testing::TempDir;

// The publishing module on libcurl, against a real server.
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

}  // namespace
}  // namespace scrivlet
