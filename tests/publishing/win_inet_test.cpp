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
  // Opens the session and the connection, answering no boxes.
  void Connect() {
    ASSERT_TRUE(OpenInternet(services_, "").ok());
    ASSERT_TRUE(ConnectFtp(services_, "ftp.example.com", FtpMode::kPassive, "bob", "pw").ok());
  }

  const std::vector<ScriptedMessageBox::Call>& Boxes() const { return messages_.Calls(); }

  FakeInternetLibrary library_;
  ScriptedMessageBox messages_;
  InternetHandles handles_;
  InternetServices services_{library_, messages_, handles_};
};

TEST_F(WinInetTest, ConnectFtpWithAnEmptyServerFailsAndShowsNothing) {
  ASSERT_TRUE(OpenInternet(services_, "").ok());
  EXPECT_EQ(ConnectFtp(services_, "", FtpMode::kPassive, "bob", "pw").error(),
            InternetError::kNoServer);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(library_.script().Logins.empty());
}

TEST_F(WinInetTest, CallsWithoutTheirHandleReportAFailureInsteadOfSucceeding) {
  messages_.SetResponder([](const ScriptedMessageBox::Call&) { return MessageBoxAnswer::kNo; });
  EXPECT_EQ(ConnectFtp(services_, "ftp.example.com", FtpMode::kPassive, "bob", "pw").error(),
            InternetError::kHandleState);
  EXPECT_EQ(ChangeFtpDirectory(services_, "/images").error(), InternetError::kHandleState);
  EXPECT_EQ(PutFtpFile(services_, "/tmp/a.gif", "/images", "a.gif").error(),
            InternetError::kHandleState);
  ASSERT_EQ(Boxes().size(), 3U);
  EXPECT_EQ(Boxes()[0].Text.rfind("Internet Connect Err: 12019\r\n", 0), 0U);
  EXPECT_EQ(Boxes()[1].Text.rfind("Change Directory Err: 12019\r\n", 0), 0U);
  EXPECT_EQ(Boxes()[2].Text.rfind("FTP File Err: 12019\r\n", 0), 0U);
}

TEST_F(WinInetTest, AFailedOpenIsReportedAndItsYesClosesEverything) {
  library_.script().OpenError = InternetError::kInternal;
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_EQ(OpenInternet(services_, "").error(), InternetError::kInternal);
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text,
            "Internet Open Err: 12004\r\nAn internal error has occurred.\r\n"
            "Close Connection and Session?");
  EXPECT_EQ(Boxes()[0].Style.Buttons, MessageBoxButtons::kYesNo);
  EXPECT_FALSE(handles_.HasSession());
}

// Failures without a text of their own show their number, an unmapped one with its cause.
TEST_F(WinInetTest, FailuresWithoutATextShowTheirNumber) {
  const struct {
    InternetFailure failure;
    const char* shown;
  } cases[] = {
      {InternetFailure::Unmapped(8), "FTP File Err: 12308\r\nError details not available.\r\n"},
      {InternetFailure(InternetError::kLocalFile),
       "FTP File Err: 2\r\nError details not available.\r\n"},
  };
  for (const auto& c : cases) {
    messages_.QueueAnswer(MessageBoxAnswer::kNo);
    ReportInternetError(services_, c.failure, "FTP File");
    EXPECT_EQ(Boxes().back().Text, std::string(c.shown) + "Close Connection and Session?");
  }
}

TEST_F(WinInetTest, ChangeFtpDirectoryReportsFailuresExceptForTheRoot) {
  Connect();
  library_.script().DirectoryErrors = {{"/", InternetError::kExtended},
                                       {"/missing", InternetError::kExtended}};
  EXPECT_TRUE(ChangeFtpDirectory(services_, "").ok());
  EXPECT_TRUE(ChangeFtpDirectory(services_, "/").ok());
  EXPECT_TRUE(Boxes().empty());

  const InternetResult<> missing = ChangeFtpDirectory(services_, "/missing");
  EXPECT_EQ(missing.error(), InternetError::kExtended);
  EXPECT_EQ(missing.failure().value(), "/missing");
  EXPECT_EQ(Boxes().size(), 2U);  // the server's reply, then the Yes/No question
  EXPECT_EQ(library_.script().Commands,
            (std::vector<std::string>{"CWD /", "CWD /", "CWD /missing"}));
}

TEST_F(WinInetTest, PutFtpFileEntersTheDirectoryThenPutsAndReportsAFailedPut) {
  Connect();
  EXPECT_TRUE(PutFtpFile(services_, "/tmp/a.gif", "", "a.gif").ok());
  library_.script().PutError = InternetError::kConnectionAborted;
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  EXPECT_EQ(PutFtpFile(services_, "/tmp/b.gif", "/images", "c.gif").error(),
            InternetError::kConnectionAborted);
  EXPECT_EQ(library_.script().Commands,
            (std::vector<std::string>{"CWD /", "PUT /tmp/a.gif a.gif", "CWD /images",
                                      "PUT /tmp/b.gif c.gif"}));
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text.rfind("FTP File Err: 12030\r\n", 0), 0U);
  EXPECT_FALSE(handles_.HasSession());
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
