#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "hosts/curl/curl_internet_library.h"
#include "publishing/ftp_test_server.h"
#include "publishing/local_sockets.h"
#include "publishing/picture_files.h"

namespace scrivlet {
namespace {

using testing::FtpTestServer;
using testing::LocalSocket;
using testing::TempDir;

using Opened = InternetResult<std::unique_ptr<FtpConnection>>;

// Every byte value, line ends in every arrangement, and enough random bytes to take many reads.
std::string AwkwardBytes() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) {
    bytes += static_cast<char>(value);
  }
  bytes += std::string_view("\r\n\n\r\r\r\n\x1A\x00\xFF\n", 11);
  std::mt19937 random(42);
  for (int i = 0; i < 300000; ++i) {
    bytes += static_cast<char>(random() & 0xFF);
  }
  return bytes + "\r";
}

class CurlFtpTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(server_.Home() / "images/sub"); }

  Opened Connect(std::string_view user, std::string_view password,
                 FtpMode mode = FtpMode::kPassive) {
    return ConnectTo(server_.Address(), user, password, mode);
  }

  Opened ConnectTo(std::string_view server, std::string_view user, std::string_view password,
                   FtpMode mode = FtpMode::kPassive) {
    InternetResult<std::unique_ptr<InternetSession>> opened =
        library_.Open(InternetOpenRequest{"test", {}, ""});
    EXPECT_TRUE(opened.ok());
    return (*opened)->ConnectFtp(
        FtpLogin{std::string(server), std::string(user), std::string(password), mode});
  }

  FtpTestServer server_;
  TempDir local_;
  CurlInternetLibrary library_{CurlTimeouts{std::chrono::milliseconds(10000)}};
};

TEST_F(CurlFtpTest, UploadsArriveByteForByteInPassiveAndActiveMode) {
  const std::string bytes = AwkwardBytes();
  const std::filesystem::path file = local_.Write("awkward.bin", bytes);
  for (const FtpMode mode : {FtpMode::kPassive, FtpMode::kActive}) {
    const std::string name = mode == FtpMode::kPassive ? "passive.gif" : "active.gif";
    Opened opened = Connect("alice", "s3cret", mode);
    ASSERT_TRUE(opened.ok());
    ASSERT_TRUE((*opened)->SetCurrentDirectory("/images").ok());
    ASSERT_TRUE((*opened)->PutFile(file, name).ok());
    EXPECT_TRUE(server_.ReadRemote("images/" + name) == bytes) << name << " differs";
  }
}

TEST_F(CurlFtpTest, OneLoginServesEveryOperationOfAConnection) {
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  Opened opened = Connect("alice", "s3cret");
  ASSERT_TRUE(opened.ok());
  FtpConnection& connection = **opened;
  ASSERT_TRUE(connection.PutFile(file, "top.gif").ok());
  // Relative directories follow the current one.
  ASSERT_TRUE(connection.SetCurrentDirectory("images").ok());
  ASSERT_TRUE(connection.SetCurrentDirectory("sub").ok());
  ASSERT_TRUE(connection.PutFile(file, "deep.gif").ok());
  ASSERT_TRUE(connection.SetCurrentDirectory("/").ok());
  ASSERT_TRUE(connection.PutFile(file, "root.gif").ok());

  EXPECT_EQ(server_.ReadRemote("top.gif"), "GIF89a");
  EXPECT_EQ(server_.ReadRemote("images/sub/deep.gif"), "GIF89a");
  EXPECT_EQ(server_.ReadRemote("root.gif"), "GIF89a");
  EXPECT_EQ(server_.Logins(), std::vector<std::string>{"alice"});
}

TEST_F(CurlFtpTest, AnEmptyUserNameLogsInAnonymously) {
  const std::filesystem::path file = local_.Write("a.gif", "anon");
  Opened opened = Connect("", "ignored");
  ASSERT_TRUE(opened.ok());
  ASSERT_TRUE((*opened)->PutFile(file, "anon.gif").ok());
  EXPECT_EQ(server_.Logins(), std::vector<std::string>{"anonymous"});
}

TEST_F(CurlFtpTest, RefusedCommandsAre12003WithTheServersReplyAndKeepTheConnection) {
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  Opened opened = Connect("alice", "s3cret");
  ASSERT_TRUE(opened.ok());
  ASSERT_TRUE((*opened)->SetCurrentDirectory("/images").ok());

  EXPECT_EQ((*opened)->SetCurrentDirectory("/missing").error(), InternetError::kExtended);
  const LastResponseInfo response = library_.LastResponse();
  EXPECT_EQ(response.Error, 550);
  EXPECT_EQ(response.Text.rfind("550 ", 0), 0U) << response.Text;
  // Still in /images, on the same login.
  ASSERT_TRUE((*opened)->PutFile(file, "after.gif").ok());
  EXPECT_EQ(server_.ReadRemote("images/after.gif"), "GIF89a");

  Opened reader = Connect("reader", "readonly");
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ((*reader)->PutFile(file, "refused.gif").error(), InternetError::kExtended);
  EXPECT_EQ(library_.LastResponse().Text.rfind("550 ", 0), 0U) << library_.LastResponse().Text;
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / "refused.gif"));
}

TEST_F(CurlFtpTest, AWholeReplacementRenamesOverTheFileOrLeavesItAsItWas) {
  const std::filesystem::path file = local_.Write("new.gif", "GIF89a new");
  std::ofstream(server_.Home() / "logo.gif", std::ios::binary) << "GIF89a old";
  std::ofstream(server_.Home() / "kept.gif", std::ios::binary) << "GIF89a old";

  Opened alice = Connect("alice", "s3cret");
  ASSERT_TRUE(alice.ok());
  const InternetResult<bool> found = (*alice)->FindFile("logo.gif");
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  const InternetResult<bool> none = (*alice)->FindFile("none.gif");
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(*none);
  ASSERT_TRUE((*alice)->PutFile(file, "logo.gif", FtpPutMode::kReplaceWhole).ok());
  EXPECT_EQ(server_.ReadRemote("logo.gif"), "GIF89a new");
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / ".logo.gif.part"));

  // Anonymous may write but not rename: the upload fails and the old file stays whole.
  Opened anonymous = Connect("", "");
  ASSERT_TRUE(anonymous.ok());
  EXPECT_EQ((*anonymous)->PutFile(file, "kept.gif", FtpPutMode::kReplaceWhole).error(),
            InternetError::kExtended);
  EXPECT_EQ(library_.LastResponse().Text.rfind("550 ", 0), 0U) << library_.LastResponse().Text;
  EXPECT_EQ(server_.ReadRemote("kept.gif"), "GIF89a old");
}

TEST_F(CurlFtpTest, AnUnreadableLocalFileSendsNothing) {
  Opened opened = Connect("alice", "s3cret");
  ASSERT_TRUE(opened.ok());
  EXPECT_EQ((*opened)->PutFile(local_.path() / "missing.gif", "m.gif").error(),
            InternetError::kLocalFile);
  EXPECT_EQ((*opened)->PutFile(local_.path(), "dir.gif").error(), InternetError::kLocalFile);
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / "m.gif"));
}

TEST_F(CurlFtpTest, AServerThatNeverGreetsTimesOut) {
  const LocalSocket silent(LocalSocket::Mode::kListening);
  CurlInternetLibrary impatient(CurlTimeouts{std::chrono::milliseconds(300)});
  InternetResult<std::unique_ptr<InternetSession>> session =
      impatient.Open(InternetOpenRequest{"test", {}, ""});
  const Opened opened = (*session)->ConnectFtp(
      FtpLogin{"127.0.0.1:" + std::to_string(silent.Port()), "alice", "s3cret", FtpMode::kPassive});
  EXPECT_EQ(opened.error(), InternetError::kTimeout);
}

// Names and words that could smuggle a user, path or command into the session are refused
// before anything is sent.
TEST_F(CurlFtpTest, UnsafeNamesAreRefusedUnsent) {
  for (const std::string server :
       {"user@127.0.0.1", "127.0.0.1/dir", "127.0.0.1:0", "127.0.0.1:65536",
        "127.0.0.1:", "127.0.0.1:2x", "[::1", ":21", "a b", "127.0.0.1?x", "127.0.0.1\r\nUSER x"}) {
    EXPECT_EQ(ConnectTo(server, "alice", "s3cret").error(), InternetError::kInvalidUrl) << server;
  }
  EXPECT_EQ(Connect("alice\r\nDELE x", "s3cret").error(), InternetError::kLoginRejected);
  EXPECT_EQ(Connect("alice", "s3cret\nDELE x").error(), InternetError::kLoginRejected);
  EXPECT_TRUE(server_.Logins().empty());

  Opened opened = ConnectTo("FTP://" + server_.Address(), "alice", "s3cret");
  ASSERT_TRUE(opened.ok());
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  EXPECT_EQ((*opened)->PutFile(file, "x.gif\r\nDELE a").error(), InternetError::kInvalidUrl);
  EXPECT_EQ((*opened)->SetCurrentDirectory("/images\nRMD /").error(), InternetError::kInvalidUrl);
  // Other awkward characters are sent as they are.
  ASSERT_TRUE((*opened)->PutFile(file, "a b#%?.gif").ok());
  EXPECT_EQ(server_.ReadRemote("a b#%?.gif"), "GIF89a");
}

}  // namespace
}  // namespace scrivlet
