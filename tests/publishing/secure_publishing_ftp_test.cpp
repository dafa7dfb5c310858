#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
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
#include "publishing/ftp_test_server.h"
#include "publishing/picture_files.h"
#include "publishing/win_inet.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using testing::FtpTestServer;
using testing::FtpTestServerOptions;
using testing::GifBytes;
using testing::TempDir;

// The picture-copy dialog on libcurl against a real server: FTPS, the overwrite question, Cancel
// and servers that stall.
class SecurePublishingTest : public ::testing::Test {
 protected:
  // Starts the server and the dialog; `timeouts` bound the client's waits.
  void Start(FtpTestServerOptions options, CurlTimeouts timeouts = {}, bool trust_server = true) {
    server_ = std::make_unique<FtpTestServer>(options);
    std::filesystem::create_directory(server_->Home() / "images");
    CurlTrust trust;
    if (options.Tls && trust_server) {
      trust.CaFile = server_->CertificateFile();
    }
    library_ = std::make_unique<CurlInternetLibrary>(timeouts, trust);
    settings_.SaveSetting("Scrivlet", "FTPSetup", "Passive", "1");
    form_ = std::make_unique<frmImageCopy>(
        ImageCopyServices{messages_, files_, pictures_, settings_, loop_, screen_, *library_},
        handles_);
    form_->SetFTPServer(server_->Address() + "/images");
    form_->SetFTPUsername("alice");
    form_->SetFTPPassword(ScramblePassword(ScrambleDirection::kEncode, "s3cret"));
    form_->SetImagesPath("http://www.example.com/images");
  }

  // Shows the dialog, which publishes `bytes` as images/`name`; `during` plays the user each
  // time the dialog lets events run. Returns whether the dialog stayed open.
  bool Publish(const std::string& name, const std::string& bytes,
               std::function<void(frmImageCopy&)> during = nullptr) {
    const std::string picture = local_.Write("picture.gif", bytes).string();
    bool stayed_open = false;
    host_.SetUser(frmImageCopy::kFormName, [&](Form& shown) {
      auto& dialog = static_cast<frmImageCopy&>(shown);
      dialog.LocalFilename.SetText(picture);
      dialog.RemoteFilename.SetText(name);
      if (during) {
        loop_.SetUserActivity([&] { during(dialog); });
      }
      ASSERT_TRUE(dialog.cmdOk.Press());
      loop_.SetUserActivity(nullptr);
      stayed_open = dialog.Visible();
      if (stayed_open) {
        dialog.cmdCancel.Press();
      }
    });
    host_.ShowModal(*form_);
    return stayed_open;
  }

  const std::vector<ScriptedMessageBox::Call>& Boxes() const { return messages_.Calls(); }

  std::unique_ptr<FtpTestServer> server_;
  std::unique_ptr<CurlInternetLibrary> library_;
  InternetHandles handles_;
  TempDir local_;
  ScriptedMessageBox messages_;
  ScriptedFileDialog files_;
  HeaderPictureReader pictures_;
  MemorySettingsStore settings_;
  ManualEventLoop loop_;
  HeadlessScreen screen_;
  HeadlessFormHost host_;
  std::unique_ptr<frmImageCopy> form_;
};

TEST_F(SecurePublishingTest, UploadsReachTheServerAndHandBackTheirAddress) {
  for (const bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "ftps" : "ftp");
    Start({.Tls = secure});
    form_->SetFTPSecure(secure);
    EXPECT_FALSE(Publish("photo.gif", GifBytes(40, 30)));
    EXPECT_TRUE(Boxes().empty()) << Boxes().front().Text;
    EXPECT_FALSE(form_->Cancelled());
    EXPECT_EQ(form_->FullPath(), "http://www.example.com/images/photo.gif");
    EXPECT_EQ(server_->ReadRemote("images/photo.gif"), GifBytes(40, 30));
    EXPECT_EQ(server_->Logins(), std::vector<std::string>{"alice"});
    EXPECT_FALSE(handles_.HasSession());
  }
  // Four status lines of a second each, all on the injected clock.
  EXPECT_GE(loop_.Now(), milliseconds(8000));
}

// A server without TLS, or with a certificate nobody vouches for, is refused before the login.
TEST_F(SecurePublishingTest, NoTlsOrAnUntrustedCertificateIsRefusedBeforeTheLogin) {
  const struct {
    bool tls;
    bool trusted;
    const char* shown;
  } cases[] = {
      {false, true, "Internet Connect Err: 12250\r\nThe server offers no secure (TLS) connection."},
      {true, false, "Internet Connect Err: 12045\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    Start({.Tls = c.tls}, {}, c.trusted);
    form_->SetFTPSecure(true);
    const std::size_t base = Boxes().size();
    messages_.QueueAnswer(MessageBoxAnswer::kYes);
    EXPECT_TRUE(Publish("photo.gif", GifBytes(4, 3)));
    ASSERT_EQ(Boxes().size(), base + 1);
    EXPECT_EQ(Boxes().back().Text.rfind(c.shown, 0), 0U) << Boxes().back().Text;
    EXPECT_TRUE(server_->Logins().empty());
    EXPECT_FALSE(std::filesystem::exists(server_->Home() / "images" / "photo.gif"));
  }
}

TEST_F(SecurePublishingTest, AnExistingRemoteFileIsReplacedOnlyAfterYes) {
  for (const bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "ftps" : "ftp");
    Start({.Tls = secure});
    form_->SetFTPSecure(secure);
    const std::filesystem::path existing = server_->Home() / "images" / "taken.gif";
    std::ofstream(existing, std::ios::binary) << "the site's own picture";
    const std::size_t base = Boxes().size();

    messages_.QueueAnswer(MessageBoxAnswer::kNo);
    EXPECT_FALSE(Publish("taken.gif", GifBytes(9, 9)));
    ASSERT_EQ(Boxes().size(), base + 1);
    EXPECT_EQ(Boxes().back().Text, "Replace existing file?");
    EXPECT_TRUE(form_->Cancelled());
    EXPECT_EQ(server_->ReadRemote("images/taken.gif"), "the site's own picture");

    messages_.QueueAnswer(MessageBoxAnswer::kYes);
    EXPECT_FALSE(Publish("taken.gif", GifBytes(9, 9)));
    EXPECT_EQ(Boxes().size(), base + 2) << Boxes().back().Text;
    EXPECT_FALSE(form_->Cancelled());
    EXPECT_EQ(server_->ReadRemote("images/taken.gif"), GifBytes(9, 9));

    // A name not yet taken asks nothing.
    EXPECT_FALSE(Publish("fresh.gif", GifBytes(2, 2)));
    EXPECT_EQ(Boxes().size(), base + 2);
    EXPECT_EQ(server_->ReadRemote("images/fresh.gif"), GifBytes(2, 2));
  }
}

// Every wait of the dialog lets events run: with a pause taking one event round, the user's
// Cancel lands in the stalled transfer a few rounds after the copying status shows.
TEST_F(SecurePublishingTest, CancelStopsAnUploadTheServerNeverAnswers) {
  for (const bool secure : {false, true}) {
    SCOPED_TRACE(secure ? "ftps" : "ftp");
    // Far longer than the test may take: only the Cancel can end the wait.
    Start({.Tls = secure, .StallUploads = true},
          CurlTimeouts{.ServerResponse = milliseconds(120000)});
    form_->SetFTPSecure(secure);
    loop_.SetIdleStep(milliseconds(1000));
    int rounds_copying = 0;
    steady_clock::time_point cancelled_at;
    bool progress_shown = false;
    const bool stayed_open = Publish("stalled.gif", GifBytes(64, 64), [&](frmImageCopy& dialog) {
      if (dialog.lblStatus.Caption.find("Copying") == std::string::npos || !dialog.Publishing()) {
        return;
      }
      progress_shown = progress_shown || dialog.lblStatus.Caption.find(" KB") != std::string::npos;
      if (++rounds_copying == 20) {
        EXPECT_TRUE(dialog.cmdCancel.Enabled);
        cancelled_at = steady_clock::now();
        dialog.cmdCancel.Press();
      }
    });
    const auto took = steady_clock::now() - cancelled_at;
    EXPECT_GE(rounds_copying, 20);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_TRUE(stayed_open);
    EXPECT_TRUE(progress_shown);
    EXPECT_TRUE(Boxes().empty()) << Boxes().front().Text;
    EXPECT_TRUE(form_->Cancelled());
    EXPECT_FALSE(handles_.HasSession());
  }
}

TEST_F(SecurePublishingTest, AStalledUploadEndsAfterTheServerResponseTimeout) {
  Start({.StallUploads = true}, CurlTimeouts{.ServerResponse = milliseconds(1000)});
  messages_.QueueAnswer(MessageBoxAnswer::kYes);
  const steady_clock::time_point start = steady_clock::now();
  EXPECT_TRUE(Publish("stalled.gif", GifBytes(8, 8)));
  EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(20));
  ASSERT_EQ(Boxes().size(), 1U);
  EXPECT_EQ(Boxes()[0].Text.rfind("FTP File Err: 12002\r\n", 0), 0U) << Boxes()[0].Text;
}

}  // namespace
}  // namespace scrivlet
