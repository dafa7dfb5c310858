#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>

#include "hosts/headless/manual_event_loop.h"
#include "hosts/headless/scripted_message_box.h"
#include "publishing/fake_internet_library.h"
#include "publishing/ftp.h"
#include "publishing/win_inet.h"

namespace scrivlet {
namespace {

using testing::FakeInternetLibrary;

class WinInetTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseInternet(); }

  // Opens the session and the connection, answering no boxes.
  void Connect() {
    ASSERT_EQ(OpenInternet(services_, ""), kInternetSuccess);
    ASSERT_EQ(ConnectFtp(services_, "ftp.example.com", FtpMode::kPassive, "bob", "pw"),
              kInternetSuccess);
  }

  const std::vector<ScriptedMessageBox::Call>& Boxes() const { return messages_.Calls(); }

  FakeInternetLibrary library_;
  ScriptedMessageBox messages_;
  InternetServices services_{library_, messages_};
};

TEST_F(WinInetTest, OpenInternetChoosesDirectOrNamedProxyAndReusesAnOpenSession) {
  ASSERT_EQ(OpenInternet(services_, ""), kInternetSuccess);
  CloseInternet();
  ASSERT_EQ(OpenInternet(services_, "proxy.example.com:8080"), kInternetSuccess);
  // A session left open is kept, with its earlier proxy.
  ASSERT_EQ(OpenInternet(services_, ""), kInternetSuccess);

  const auto& opens = library_.script().Opens;
  ASSERT_EQ(opens.size(), 2U);
  EXPECT_EQ(opens[0].Agent, "vb wininet");
  EXPECT_EQ(opens[0].Access, InternetAccess::kDirect);
  EXPECT_EQ(opens[1].Access, InternetAccess::kNamedProxy);
  EXPECT_EQ(opens[1].Proxy, "proxy.example.com:8080");
  EXPECT_EQ(library_.script().LiveSessions, 1);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WinInetTest, ConnectFtpWithAnEmptyServerAnswersMinusOneAndShowsNothing) {
  ASSERT_EQ(OpenInternet(services_, ""), kInternetSuccess);
  EXPECT_EQ(ConnectFtp(services_, "", FtpMode::kPassive, "bob", "pw"), -1);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(library_.script().Logins.empty());
}

TEST_F(WinInetTest, CallsWithoutTheirHandleReportAFailureInsteadOfSucceeding) {
  messages_.SetResponder([](const ScriptedMessageBox::Call&) { return MessageBoxAnswer::kNo; });
  EXPECT_EQ(ConnectFtp(services_, "ftp.example.com", FtpMode::kPassive, "bob", "pw"),
            kInternetErrorHandleState);
  EXPECT_EQ(ChangeFtpDirectory(services_, "/images"), kInternetErrorHandleState);
  EXPECT_EQ(PutFtpFile(services_, "/tmp/a.gif", "/images", "a.gif"), kInternetErrorHandleState);
  ASSERT_EQ(Boxes().size(), 3U);
  EXPECT_EQ(Boxes()[0].Text.rfind("Internet Connect Err: 12019\r\n", 0), 0U);
  EXPECT_EQ(Boxes()[1].Text.rfind("Change Directory Err: 12019\r\n", 0), 0U);
  EXPECT_EQ(Boxes()[2].Text.rfind("FTP File Err: 12019\r\n", 0), 0U);
}

TEST_F(WinInetTest, AFailedOpenIsReportedAndItsYesClosesEverything) {
  library_.script().OpenError = kInternetErrorInternal;
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_EQ(OpenInternet(services_, ""), kInternetErrorInternal);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text,
            "Internet Open Err: 12004\r\nAn internal error has occurred.\r\n"
            "Close Connection and Session?");
  EXPECT_EQ(Boxes()[0].Style.Buttons, MessageBoxButtons::kYesNo);
  EXPECT_FALSE(HasInternetSession());
}

// The answer to "Close Connection and Session?" decides whether the handles survive.
TEST_F(WinInetTest, ReportInternetErrorAnswerClosesOrKeepsTheSession) {
  for (const MessageBoxAnswer answer : {MessageBoxAnswer::kNo, MessageBoxAnswer::kYes}) {
    Connect();
    messages_.QueueAnswer(answer);
    ReportInternetError(services_, kInternetErrorCannotConnect, "Internet Connect");
    const bool kept = answer == MessageBoxAnswer::kNo;
    EXPECT_EQ(HasInternetSession(), kept);
    EXPECT_EQ(HasFtpConnection(), kept);
    EXPECT_EQ(library_.script().LiveConnections, kept ? 1 : 0);
  }
}

TEST_F(WinInetTest, ReportInternetErrorShowsTheServerReplyForAnExtendedError) {
  Connect();
  library_.script().Response = {550, "550 No such file or directory."};
  messages_.QueueAnswer(MessageBoxAnswer::kOk);
  messages_.QueueAnswer(MessageBoxAnswer::kNo);
  ReportInternetError(services_, kInternetErrorExtended, "Change Directory");
  ASSERT_EQ(Boxes().size(), 2U);
  EXPECT_EQ(Boxes()[0].Text, "Change Directory Extd Err: 550 550 No such file or directory.");
  EXPECT_EQ(Boxes()[0].Style.Buttons, MessageBoxButtons::kOkOnly);
  EXPECT_EQ(Boxes()[1].Text,
            "Change Directory Err: 12003\r\nAn extended error was returned from the server.\r\n"
            "Close Connection and Session?");
  EXPECT_TRUE(HasFtpConnection());
}

TEST_F(WinInetTest, AnUnresolvedNameSaysSoAndClosesWithoutAsking) {
  Connect();
  ReportInternetError(services_, kInternetErrorNameNotResolved, "Internet Connect");
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text, "Could not connect to the Internet.");
  EXPECT_EQ(Boxes()[0].Style.Buttons, MessageBoxButtons::kOkOnly);
  EXPECT_FALSE(HasInternetSession());
  EXPECT_FALSE(HasFtpConnection());
}

TEST_F(WinInetTest, InternetErrorTextKnowsTheListedCodesOnly) {
  const struct {
    InternetErrorCode code;
    const char* text;
  } cases[] = {
      {12011, "The request option can not be set, only queried. "},
      {12029, "The attempt to connect to the server failed."},
      {12032, "Error details not available."},
      {kInternetErrorLocalFile, "Error details not available."},
      {kInternetErrorUnmappedBase + 8, "Error details not available."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InternetErrorText(c.code), c.text) << c.code;
  }
}

TEST_F(WinInetTest, ChangeFtpDirectoryReportsFailuresExceptForTheRoot) {
  Connect();
  library_.script().DirectoryErrors = {{"/", kInternetErrorExtended},
                                       {"/missing", kInternetErrorExtended}};
  EXPECT_EQ(ChangeFtpDirectory(services_, ""), kInternetSuccess);
  EXPECT_EQ(ChangeFtpDirectory(services_, "/"), kInternetSuccess);
  EXPECT_TRUE(Boxes().empty());

  EXPECT_EQ(ChangeFtpDirectory(services_, "/missing"), kInternetErrorExtended);
  EXPECT_EQ(Boxes().size(), 2U);  // the server's reply, then the Yes/No question
  EXPECT_EQ(library_.script().Commands,
            (std::vector<std::string>{"CWD /", "CWD /", "CWD /missing"}));
}

TEST_F(WinInetTest, PutFtpFileSendsNothingWhenTheDirectoryCannotBeEntered) {
  Connect();
  library_.script().DirectoryErrors = {{"/missing", kInternetErrorExtended}};
  // The script answers No: the session stays open, and still the file must not land in the
  // login folder.
  EXPECT_EQ(PutFtpFile(services_, "/tmp/a.gif", "/missing", "a.gif"), kInternetErrorExtended);
  EXPECT_EQ(library_.script().Commands, (std::vector<std::string>{"CWD /missing"}));
  EXPECT_TRUE(HasFtpConnection());
}

TEST_F(WinInetTest, PutFtpFileEntersTheDirectoryThenPutsAndReportsAFailedPut) {
  Connect();
  EXPECT_EQ(PutFtpFile(services_, "/tmp/a.gif", "", "a.gif"), kInternetSuccess);
  library_.script().PutError = kInternetErrorConnectionAborted;
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_EQ(PutFtpFile(services_, "/tmp/b.gif", "/images", "c.gif"),
            kInternetErrorConnectionAborted);
  EXPECT_EQ(library_.script().Commands,
            (std::vector<std::string>{"CWD /", "PUT /tmp/a.gif a.gif", "CWD /images",
                                      "PUT /tmp/b.gif c.gif"}));
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text.rfind("FTP File Err: 12030\r\n", 0), 0U);
  EXPECT_FALSE(HasInternetSession());
}

TEST(SplitFtpPathTest, SplitsHostAndDirectory) {
  const struct {
    const char* location;
    const char* host;
    const char* directory;
  } cases[] = {
      {"host/images/", "host", "/images"},
      {"host", "host", "/"},
      {"host/", "host", "/"},
      {"host\\images\\pics\\", "host", "/images/pics"},
      {"host:2121/images", "host:2121", "/images"},
      {"ftp://host/images", "ftp://host", "/images"},
      {"ftp://host", "ftp://host", "/"},
      {"/images", "", "/images"},
      {"ftp://host:21/images/pics/", "ftp://host:21", "/images/pics"},
      {"", "", "/"},
  };
  for (const auto& c : cases) {
    const FtpLocation location = SplitFtpPath(c.location);
    EXPECT_EQ(location.Host, c.host) << c.location;
    EXPECT_EQ(location.Directory, c.directory) << c.location;
  }
}

TEST(PauseTest, WaitsOnTheLoopClockWhileLettingEventsRun) {
  ManualEventLoop loop;
  int events = 0;
  loop.SetUserActivity([&events] { ++events; });
  Pause(loop, 1.0F);
  EXPECT_GE(loop.Now(), std::chrono::milliseconds(1000));
  EXPECT_LT(loop.Now(), std::chrono::milliseconds(1000) + ManualEventLoop::kDefaultIdleStep * 2);
  EXPECT_EQ(events, loop.ProcessPendingEventsCalls());
  EXPECT_GT(events, 0);
}

TEST(PauseTest, ReturnsAtOnceForNothingToWait) {
  for (const float seconds : {0.0F, -1.0F, std::numeric_limits<float>::quiet_NaN()}) {
    ManualEventLoop loop;
    Pause(loop, seconds);
    EXPECT_EQ(loop.ProcessPendingEventsCalls(), 0) << seconds;
  }
}

}  // namespace
}  // namespace scrivlet
