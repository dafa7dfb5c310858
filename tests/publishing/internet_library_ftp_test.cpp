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

  OpenedFtpConnection Connect(std::string_view user, std::string_view password,
                              FtpMode mode = FtpMode::kPassive) {
    return ConnectTo(server_.Address(), user, password, mode);
  }

  OpenedFtpConnection ConnectTo(std::string_view server, std::string_view user,
                                std::string_view password, FtpMode mode = FtpMode::kPassive) {
    OpenedInternetSession opened = library_.Open(InternetOpenRequest{"test", {}, ""});
    EXPECT_EQ(opened.Error, kInternetSuccess);
    return opened.Session->ConnectFtp(
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
    OpenedFtpConnection opened = Connect("alice", "s3cret", mode);
    ASSERT_EQ(opened.Error, kInternetSuccess);
    ASSERT_EQ(opened.Connection->SetCurrentDirectory("/images"), kInternetSuccess);
    ASSERT_EQ(opened.Connection->PutFile(file, name), kInternetSuccess);
    EXPECT_TRUE(server_.ReadRemote("images/" + name) == bytes) << name << " differs";
  }
}

TEST_F(CurlFtpTest, OneLoginServesEveryOperationOfAConnection) {
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  OpenedFtpConnection opened = Connect("alice", "s3cret");
  ASSERT_EQ(opened.Error, kInternetSuccess);
  FtpConnection& connection = *opened.Connection;
  ASSERT_EQ(connection.PutFile(file, "top.gif"), kInternetSuccess);
  // Relative directories follow the current one.
  ASSERT_EQ(connection.SetCurrentDirectory("images"), kInternetSuccess);
  ASSERT_EQ(connection.SetCurrentDirectory("sub"), kInternetSuccess);
  ASSERT_EQ(connection.PutFile(file, "deep.gif"), kInternetSuccess);
  ASSERT_EQ(connection.SetCurrentDirectory("/"), kInternetSuccess);
  ASSERT_EQ(connection.PutFile(file, "root.gif"), kInternetSuccess);

  EXPECT_EQ(server_.ReadRemote("top.gif"), "GIF89a");
  EXPECT_EQ(server_.ReadRemote("images/sub/deep.gif"), "GIF89a");
  EXPECT_EQ(server_.ReadRemote("root.gif"), "GIF89a");
  EXPECT_EQ(server_.Logins(), std::vector<std::string>{"alice"});
}

TEST_F(CurlFtpTest, AnEmptyUserNameLogsInAnonymously) {
  const std::filesystem::path file = local_.Write("a.gif", "anon");
  OpenedFtpConnection opened = Connect("", "ignored");
  ASSERT_EQ(opened.Error, kInternetSuccess);
  ASSERT_EQ(opened.Connection->PutFile(file, "anon.gif"), kInternetSuccess);
  EXPECT_EQ(server_.Logins(), std::vector<std::string>{"anonymous"});
}

TEST_F(CurlFtpTest, RefusedCommandsAre12003WithTheServersReplyAndKeepTheConnection) {
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  OpenedFtpConnection opened = Connect("alice", "s3cret");
  ASSERT_EQ(opened.Error, kInternetSuccess);
  ASSERT_EQ(opened.Connection->SetCurrentDirectory("/images"), kInternetSuccess);

  EXPECT_EQ(opened.Connection->SetCurrentDirectory("/missing"), kInternetErrorExtended);
  const LastResponseInfo response = library_.LastResponse();
  EXPECT_EQ(response.Error, 550);
  EXPECT_EQ(response.Text.rfind("550 ", 0), 0U) << response.Text;
  // Still in /images, on the same login.
  ASSERT_EQ(opened.Connection->PutFile(file, "after.gif"), kInternetSuccess);
  EXPECT_EQ(server_.ReadRemote("images/after.gif"), "GIF89a");

  OpenedFtpConnection reader = Connect("reader", "readonly");
  ASSERT_EQ(reader.Error, kInternetSuccess);
  EXPECT_EQ(reader.Connection->PutFile(file, "refused.gif"), kInternetErrorExtended);
  EXPECT_EQ(library_.LastResponse().Text.rfind("550 ", 0), 0U) << library_.LastResponse().Text;
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / "refused.gif"));
}

TEST_F(CurlFtpTest, AWholeReplacementRenamesOverTheFileOrLeavesItAsItWas) {
  const std::filesystem::path file = local_.Write("new.gif", "GIF89a new");
  std::ofstream(server_.Home() / "logo.gif", std::ios::binary) << "GIF89a old";
  std::ofstream(server_.Home() / "kept.gif", std::ios::binary) << "GIF89a old";

  OpenedFtpConnection alice = Connect("alice", "s3cret");
  ASSERT_EQ(alice.Error, kInternetSuccess);
  const FtpConnection::FileQuery found = alice.Connection->FindFile("logo.gif");
  EXPECT_EQ(found.Error, kInternetSuccess);
  EXPECT_TRUE(found.Exists);
  EXPECT_FALSE(alice.Connection->FindFile("none.gif").Exists);
  ASSERT_EQ(alice.Connection->PutFile(file, "logo.gif", FtpPutMode::kReplaceWhole),
            kInternetSuccess);
  EXPECT_EQ(server_.ReadRemote("logo.gif"), "GIF89a new");
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / ".logo.gif.part"));

  // Anonymous may write but not rename: the upload fails and the old file stays whole.
  OpenedFtpConnection anonymous = Connect("", "");
  ASSERT_EQ(anonymous.Error, kInternetSuccess);
  EXPECT_EQ(anonymous.Connection->PutFile(file, "kept.gif", FtpPutMode::kReplaceWhole),
            kInternetErrorExtended);
  EXPECT_EQ(library_.LastResponse().Text.rfind("550 ", 0), 0U) << library_.LastResponse().Text;
  EXPECT_EQ(server_.ReadRemote("kept.gif"), "GIF89a old");
}

TEST_F(CurlFtpTest, AnUnreadableLocalFileSendsNothing) {
  OpenedFtpConnection opened = Connect("alice", "s3cret");
  ASSERT_EQ(opened.Error, kInternetSuccess);
  EXPECT_EQ(opened.Connection->PutFile(local_.path() / "missing.gif", "m.gif"),
            kInternetErrorLocalFile);
  EXPECT_EQ(opened.Connection->PutFile(local_.path(), "dir.gif"), kInternetErrorLocalFile);
  EXPECT_FALSE(std::filesystem::exists(server_.Home() / "m.gif"));
}

TEST_F(CurlFtpTest, AServerThatNeverGreetsTimesOut) {
  const LocalSocket silent(LocalSocket::Mode::kListening);
  CurlInternetLibrary impatient(CurlTimeouts{std::chrono::milliseconds(300)});
  OpenedInternetSession session = impatient.Open(InternetOpenRequest{"test", {}, ""});
  const OpenedFtpConnection opened = session.Session->ConnectFtp(
      FtpLogin{"127.0.0.1:" + std::to_string(silent.Port()), "alice", "s3cret", FtpMode::kPassive});
  EXPECT_EQ(opened.Error, kInternetErrorTimeout);
}

// Names and words that could smuggle a user, path or command into the session are refused
// before anything is sent.
TEST_F(CurlFtpTest, UnsafeNamesAreRefusedUnsent) {
  for (const std::string server :
       {"user@127.0.0.1", "127.0.0.1/dir", "127.0.0.1:0", "127.0.0.1:65536",
        "127.0.0.1:", "127.0.0.1:2x", "[::1", ":21", "a b", "127.0.0.1?x", "127.0.0.1\r\nUSER x"}) {
    EXPECT_EQ(ConnectTo(server, "alice", "s3cret").Error, kInternetErrorInvalidUrl) << server;
  }
  EXPECT_EQ(Connect("alice\r\nDELE x", "s3cret").Error, kInternetErrorLoginRejected);
  EXPECT_EQ(Connect("alice", "s3cret\nDELE x").Error, kInternetErrorLoginRejected);
  EXPECT_TRUE(server_.Logins().empty());

  OpenedFtpConnection opened = ConnectTo("FTP://" + server_.Address(), "alice", "s3cret");
  ASSERT_EQ(opened.Error, kInternetSuccess);
  const std::filesystem::path file = local_.Write("a.gif", "GIF89a");
  EXPECT_EQ(opened.Connection->PutFile(file, "x.gif\r\nDELE a"), kInternetErrorInvalidUrl);
  EXPECT_EQ(opened.Connection->SetCurrentDirectory("/images\nRMD /"), kInternetErrorInvalidUrl);
  // Other awkward characters are sent as they are.
  ASSERT_EQ(opened.Connection->PutFile(file, "a b#%?.gif"), kInternetSuccess);
  EXPECT_EQ(server_.ReadRemote("a b#%?.gif"), "GIF89a");
}

}  // namespace
}  // namespace scrivlet
