#include "publishing/frm_image_copy.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <exception>
#include <filesystem>
#include <future>
#include <random>
#include <system_error>

#include "conversion/conversion_error.h"
#include "publishing/ftp.h"
#include "publishing/win_inet.h"
#include "text/util_lib.h"

namespace scrivlet {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kProductName = "Scrivlet";
constexpr std::string_view kCopyingStatus = "Copying picture file, please wait...";
constexpr std::string_view kCancelledStatus = "Copy cancelled.";
// How often a wait for a network step lets the interface's events run.
constexpr std::chrono::milliseconds kWorkerPollInterval{15};
constexpr std::string_view kLineBreak = "\r\n";
// Preview margin inside the frame, in pixels.
constexpr double kPreviewMarginPixels = 4.0;

constexpr std::string_view kProxyKey = "Proxy";
constexpr std::string_view kPassiveKey = "Passive";
constexpr std::string_view kAppendKey = "AppendFtpServer";

ControlRect Rect(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  return ControlRect{left, top, width, height};
}

// A stored check box value: a number, non-zero meaning checked. Anything else (hand-edited or
// damaged settings) reads as the default instead of failing the load.
bool ReadCheckSetting(std::string_view text, bool default_value) {
  const std::string_view number = TrimAny(text, " ");
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (number.empty() || error != std::errc() || end != number.data() + number.size()) {
    return default_value;
  }
  return value != 0.0;
}

std::string_view CheckSettingText(const CheckBox& box) {
  return box.Checked ? "1" : "0";
}

// "12 KB", "1.5 MB": sizes for the progress line.
std::string ReadableSize(std::uint64_t bytes) {
  constexpr std::uint64_t kKilo = 1024;
  if (bytes < 10 * kKilo * kKilo) {
    return std::to_string((bytes + kKilo - 1) / kKilo) + " KB";
  }
  const std::uint64_t tenths = bytes * 10 / (kKilo * kKilo);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

bool IsDriveLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::int32_t ToTwips(double value) {
  return static_cast<std::int32_t>(RoundHalfEven(value));
}

// Removes a file on the way out unless told to keep it.
class FileRemover {
 public:
  explicit FileRemover(fs::path path) : path_(std::move(path)) {}
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;
  ~FileRemover() {
    if (!path_.empty()) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  void Keep() { path_.clear(); }

 private:
  fs::path path_;
};

// Copies into a fresh file beside the destination, then renames it over the destination, so a
// copy that fails half-way leaves the existing file as it was.
std::error_code CopyReplacing(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (!fs::is_regular_file(from, error)) {
    return error ? error : std::make_error_code(std::errc::no_such_file_or_directory);
  }
  std::random_device random;
  const fs::path folder = to.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    // Appended piece by piece: g++ 12 at -O3 warns falsely about overlapping copies when the
    // name is built with operator+.
    std::string name = ".";
    name += to.filename().string();
    name += ".copy-";
    name += std::to_string(random());
    const fs::path temporary = folder / name;
    if (fs::exists(temporary, error)) {
      continue;
    }
    FileRemover remover(temporary);
    if (!fs::copy_file(from, temporary, fs::copy_options::none, error)) {
      return error;
    }
    fs::rename(temporary, to, error);
    if (!error) {
      remover.Keep();
    }
    return error;
  }
  return std::make_error_code(std::errc::file_exists);
}

// The busy pointer for the life of a publish step.
class HourglassPointer {
 public:
  explicit HourglassPointer(Screen& screen) : screen_(screen) {
    screen_.SetPointer(MousePointer::kHourglass);
  }
  HourglassPointer(const HourglassPointer&) = delete;
  HourglassPointer& operator=(const HourglassPointer&) = delete;
  ~HourglassPointer() { screen_.SetPointer(MousePointer::kDefault); }

 private:
  Screen& screen_;
};

// Closes the FTP connection and the session on the way out, however the upload ends.
class InternetCloser {
 public:
  explicit InternetCloser(InternetHandles& handles) : handles_(handles) {}
  InternetCloser(const InternetCloser&) = delete;
  InternetCloser& operator=(const InternetCloser&) = delete;
  ~InternetCloser() { handles_.Close(); }

 private:
  InternetHandles& handles_;
};

}  // namespace

// Blocks the dialog's input for the life of a publish and gives it back afterwards.
class frmImageCopy::PublishingScope {
 public:
  explicit PublishingScope(frmImageCopy& form) : form_(form) {
    form_.publishing_ = true;
    form_.UpdateInputState();
  }
  PublishingScope(const PublishingScope&) = delete;
  PublishingScope& operator=(const PublishingScope&) = delete;
  ~PublishingScope() {
    form_.publishing_ = false;
    form_.UpdateInputState();
  }

 private:
  frmImageCopy& form_;
};

frmImageCopy::frmImageCopy(const ImageCopyServices& services, InternetHandles& internet)
    : Form(std::string(kFormName)), internet_(internet) {
  services_.emplace(services);
  BuildControls();
  Form_Load();
}

void frmImageCopy::UseServices(const ImageCopyServices& services) {
  services_.emplace(services);
}

void frmImageCopy::BuildControls() {
  const auto place = [](ControlBase& control, std::string_view name, ControlRect rect,
                        std::int32_t tab_index) {
    control.Name = name;
    control.Rect = rect;
    control.TabIndex = tab_index;
  };
  place(Label2, "Label2", Rect(360, 480, 3735, 495), -1);
  Label2.Caption =
      "A copy of the picture file must exist on the web site to display correctly on your web "
      "page.";
  place(lblFilename, "lblFilename", Rect(240, 1320, 855, 255), 0);
  lblFilename.Caption = "&File Name:";
  place(LocalFilename, "LocalFilename", Rect(1200, 1200, 2895, 375), 1);
  place(Label3, "Label3", Rect(240, 1800, 855, 255), 2);
  Label3.Caption = "Copy &As:";
  place(RemoteFilename, "RemoteFilename", Rect(1200, 1680, 2895, 375), 3);
  place(cmdOk, "cmdOk", Rect(4320, 240, 1215, 375), 4);
  cmdOk.Caption = "&Copy";
  cmdOk.Default = true;
  place(cmdCancel, "cmdCancel", Rect(4320, 720, 1215, 375), 5);
  cmdCancel.Caption = "Cancel";
  cmdCancel.Cancel = true;
  place(cmdBrowse, "cmdBrowse", Rect(4320, 1200, 1215, 375), 6);
  cmdBrowse.Caption = "B&rowse...";
  place(cmdPreview, "cmdPreview", Rect(4320, 1680, 1215, 375), 7);
  cmdPreview.Caption = "Pre&view";
  place(cmdFTPSetup, "cmdFTPSetup", Rect(4320, 2160, 1215, 375), 8);
  cmdFTPSetup.Caption = "FTP &Setup >>";
  cmdFTPSetup.Visible = false;
  place(lblStatus, "lblStatus", Rect(240, 2160, 3855, 375), -1);
  lblStatus.Bold = true;
  lblStatus.Visible = false;
  place(imgFrame, "imgFrame", Rect(5760, 240, 2295, 2295), -1);
  place(imgPreview, "imgPreview", Rect(6000, 480, 1815, 1815), -1);
  place(fraFtpSetup, "fraFtpSetup", Rect(120, 2640, 5415, 1575), -1);
  fraFtpSetup.Caption = "FTP Setup";
  fraFtpSetup.Enabled = false;
  fraFtpSetup.Visible = false;
  place(Label1, "Label1", Rect(120, 360, 1215, 255), 9);
  Label1.Caption = "Pro&xy Server:";
  place(txtProxy, "txtProxy", Rect(1320, 360, 3855, 288), 10);
  place(chkAppendFtpServer, "chkAppendFtpServer", Rect(120, 840, 5055, 255), 11);
  chkAppendFtpServer.Caption = "&User Name with FTP Host, example, user@ftp.example.com";
  place(chkPassive, "chkPassive", Rect(120, 1200, 2052, 192), 12);
  chkPassive.Caption = "&Passive Mode FTP";
  place(chkSecure, "chkSecure", Rect(2400, 1200, 2775, 192), 13);
  chkSecure.Caption = "Secure (&TLS)";

  LocalFilename.Change = [this] { LocalFilename_Change(); };
  RemoteFilename.Change = [this] { RemoteFilename_Change(); };
  cmdOk.Click = [this] { cmdOK_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdBrowse.Click = [this] { cmdBrowse_Click(); };
  cmdPreview.Click = [this] { cmdPreview_Click(); };
  cmdFTPSetup.Click = [this] { cmdFTPSetup_Click(); };
  UpdateInputState();
}

void frmImageCopy::UpdateInputState() {
  const bool idle = !publishing_;
  const bool have_local = !LocalFilename.Text.empty();
  cmdOk.Enabled = idle && have_local && !RemoteFilename.Text.empty();
  cmdPreview.Enabled = idle && have_local;
  // Also while publishing: it stops the upload.
  cmdCancel.Enabled = true;
  cmdBrowse.Enabled = idle;
  cmdFTPSetup.Enabled = idle && !ftp_server_.empty();
  LocalFilename.Locked = publishing_;
  RemoteFilename.Locked = publishing_;
  txtProxy.Locked = publishing_;
}

void frmImageCopy::ClosePanel() {
  fraFtpSetup.Enabled = false;
  fraFtpSetup.Visible = false;
  Height = kOpenHeight - fraFtpSetup.Rect.Height;
}

// --- Properties ---

void frmImageCopy::SetFTPServer(std::string_view value) {
  ftp_server_ = value;
  if (ftp_server_.empty()) {
    cmdFTPSetup.Visible = false;
    ClosePanel();
  } else {
    cmdFTPSetup.Visible = true;
  }
  UpdateInputState();
}

void frmImageCopy::SetFTPUsername(std::string_view value) {
  ftp_username_ = value.empty() ? std::string("anonymous") : std::string(value);
}

void frmImageCopy::SetFTPPassword(std::string_view value) {
  ftp_password_ = value.empty() ? ScramblePassword(ScrambleDirection::kEncode, kProductName)
                                : std::string(value);
}

void frmImageCopy::SetImagesPath(std::string_view value) {
  images_path_ = ReplaceText(value, "\\", "/");
}

std::string frmImageCopy::FullPath() const {
  return JoinUrl(images_path_, RemoteFilename.Text);
}

void frmImageCopy::SetFullPath(std::string_view value) {
  RemoteFilename.SetText(FileNameFromUrl(value));
}

std::string frmImageCopy::ProposedAltText() const {
  const std::string name = FileNameFromUrl(ReplaceText(LocalFilename.Text, "\\", "/"));
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::optional<std::string> frmImageCopy::CopyAsNameProblem(std::string_view name) {
  if (name == "." || name == "..") {
    return std::string("it names a folder, not a file");
  }
  if (name.find('/') != std::string_view::npos || name.find('\\') != std::string_view::npos) {
    return std::string("it holds a folder separator (\"/\" or \"\\\")");
  }
  if (name.size() >= 2 && IsDriveLetter(name[0]) && name[1] == ':') {
    return std::string("it names a drive");
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      return std::string("it holds a control character");
    }
  }
  return std::nullopt;
}

// --- Handlers ---

void frmImageCopy::Form_Load() {
  ClosePanel();
  const SettingsStore& settings = services_->Settings;
  txtProxy.SetText(settings.GetSetting(kSettingsApplication, kSettingsSection, kProxyKey, ""));
  chkPassive.Checked = ReadCheckSetting(
      settings.GetSetting(kSettingsApplication, kSettingsSection, kPassiveKey, "0"), false);
  chkAppendFtpServer.Checked = ReadCheckSetting(
      settings.GetSetting(kSettingsApplication, kSettingsSection, kAppendKey, "1"), true);
}

bool frmImageCopy::Form_QueryUnload(UnloadMode mode) {
  if (mode != UnloadMode::kUserClose) {
    return false;
  }
  cmdCancel.Press();
  return true;
}

void frmImageCopy::cmdBrowse_Click() {
  OpenFileRequest request;
  request.Title = "Picture";
  request.Filters = {
      {"Pictures (*.gif, *.jpg, *.jpeg, *.png, *.webp)", "*.GIF;*.JPG;*.JPEG;*.PNG;*.WEBP"},
      {"All files (*.*)", "*.*"}};
  request.FilterIndex = 1;
  request.ReadOnly = ReadOnlyBox::kHidden;
  const std::optional<std::string> chosen = services_->Files.GetOpenFileName(request);
  if (!chosen) {
    return;
  }
  LocalFilename.SetText(TrimAny(*chosen, " "));
  cmdPreview_Click();
  if (RemoteFilename.Text.empty()) {
    RemoteFilename.SetText(FileNameFromUrl(ReplaceText(LocalFilename.Text, "\\", "/")));
  }
}

void frmImageCopy::cmdPreview_Click() {
  const std::string path = LocalFilename.Text;
  if (!FileExists(path)) {
    imgPreview.Picture.clear();
    return;
  }
  imgPreview.Visible = false;
  imgPreview.Stretch = false;
  const std::optional<PictureInfo> picture = services_->Pictures.ReadPicture(fs::path(path));
  if (!picture) {
    imgPreview.Picture.clear();
    imgPreview.Visible = true;
    image_width_ = 0;
    image_height_ = 0;
    services_->Messages.Show(
        "The file is not a GIF, JPEG, PNG or WebP picture, or it is damaged." +
            std::string(kLineBreak) + std::string(kLineBreak) + "File: " + path,
        MessageBoxStyle{MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, "Preview");
    return;
  }
  imgPreview.Picture = path;

  // The picture's natural size in twips, and back to screen pixels.
  const double twips_x = std::max(1, services_->Display.TwipsPerPixelX());
  const double twips_y = std::max(1, services_->Display.TwipsPerPixelY());
  const double width = picture->Width * twips_x;
  const double height = picture->Height * twips_y;
  image_width_ = static_cast<std::int32_t>(RoundHalfEven(width / twips_x));
  image_height_ = static_cast<std::int32_t>(RoundHalfEven(height / twips_y));

  const ControlRect frame = imgFrame.Rect;
  if (frame.Width != frame.Height) {
    services_->Messages.Show("imgFrame must be square", MessageBoxStyle{}, "");
  }
  const double margin_x = kPreviewMarginPixels * twips_x;
  const double margin_y = kPreviewMarginPixels * twips_y;
  const double inner_width = frame.Width - 2 * margin_x;
  const double inner_height = frame.Height - 2 * margin_y;
  // Fitted to the longer side; small pictures are enlarged the same way.
  double new_width = inner_width;
  double new_height = inner_height;
  if (width <= height) {
    new_width = width * inner_height / height;
  } else {
    new_height = height * inner_width / width;
  }
  imgPreview.Stretch = true;
  imgPreview.Rect = ControlRect{ToTwips(frame.Left + margin_x + (inner_width - new_width) / 2),
                                ToTwips(frame.Top + margin_y + (inner_height - new_height) / 2),
                                ToTwips(new_width), ToTwips(new_height)};
  imgPreview.Visible = true;
}

void frmImageCopy::cmdFTPSetup_Click() {
  if (Height == kOpenHeight) {
    ClosePanel();
  } else {
    Height = kOpenHeight;
    fraFtpSetup.Enabled = true;
    fraFtpSetup.Visible = true;
  }
}

void frmImageCopy::cmdOK_Click() {
  // The status pauses let events through; a second click must not start a second publish.
  if (publishing_) {
    return;
  }
  if (const std::optional<std::string> problem = CopyAsNameProblem(RemoteFilename.Text)) {
    const std::string line_break(kLineBreak);
    services_->Messages.Show(
        "The picture cannot be copied as \"" + CutForMessage(RemoteFilename.Text) +
            "\": " + *problem + "." + line_break + line_break +
            "Type a plain file name; the copy always goes into the images folder.",
        MessageBoxStyle{MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, "Copy As");
    return;
  }
  SaveFtpSettings();
  const PublishResult result = Publish();
  switch (result) {
    case PublishResult::kDone:
    case PublishResult::kNothingToPublish:
      accepted_ = true;
      imgPreview.Picture.clear();
      Hide();
      break;
    case PublishResult::kDeclined:
      cmdCancel_Click();
      break;
    case PublishResult::kFailed:
    case PublishResult::kCancelled:
      break;
  }
}

void frmImageCopy::cmdCancel_Click() {
  if (publishing_) {
    monitor_.Cancel();
    lblStatus.Caption = "Cancelling...";
    return;
  }
  accepted_ = false;
  imgPreview.Picture.clear();
  Hide();
}

void frmImageCopy::LocalFilename_Change() {
  UpdateInputState();
  image_width_ = 0;
  image_height_ = 0;
}

void frmImageCopy::RemoteFilename_Change() {
  UpdateInputState();
}

// --- Publishing ---

void frmImageCopy::SaveFtpSettings() {
  SettingsStore& settings = services_->Settings;
  try {
    settings.SaveSetting(kSettingsApplication, kSettingsSection, kProxyKey, txtProxy.Text);
    settings.SaveSetting(kSettingsApplication, kSettingsSection, kPassiveKey,
                         CheckSettingText(chkPassive));
    settings.SaveSetting(kSettingsApplication, kSettingsSection, kAppendKey,
                         CheckSettingText(chkAppendFtpServer));
    // The Secure box is the control's FTPSecure property, kept in its property set.
  } catch (const SettingsError& error) {
    // The user's preferences are lost for next time, but the picture can still be published.
    services_->Messages.Show("The FTP settings could not be saved." + std::string(kLineBreak) +
                                 std::string(kLineBreak) + error.what(),
                             MessageBoxStyle{MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical},
                             "FTP Setup");
  }
}

frmImageCopy::PublishResult frmImageCopy::Publish() {
  const PublishingScope busy(*this);
  monitor_.Reset();
  // Copies, so that nothing typed during the status pauses changes what is published.
  const std::string local = LocalFilename.Text;
  const std::string remote = RemoteFilename.Text;
  return ftp_server_.empty() ? CopyLocal(local, remote) : UploadFtp(local, remote);
}

frmImageCopy::PublishResult frmImageCopy::CopyLocal(std::string_view local,
                                                    std::string_view remote) {
  if (remote.empty()) {
    return PublishResult::kNothingToPublish;
  }
  const std::string destination = JoinUrl(images_path_, remote);
  if (FileExists(destination)) {
    const MessageBoxAnswer answer = services_->Messages.Show(
        "Replace existing file?",
        MessageBoxStyle{MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "File Exists");
    if (answer != MessageBoxAnswer::kYes) {
      return PublishResult::kDeclined;
    }
  }
  const HourglassPointer hourglass(services_->Display);
  SetStatus(kCopyingStatus);
  if (monitor_.CancelRequested()) {
    SetStatus(kCancelledStatus);
    SetStatus("");
    return PublishResult::kCancelled;
  }
  const std::error_code error = CopyReplacing(fs::path(std::string(local)), fs::path(destination));
  if (!error) {
    SetStatus("");
    return PublishResult::kDone;
  }
  SetStatus("Could not copy file.");
  const std::string line_break(kLineBreak);
  services_->Messages.Show(
      "Could not copy file." + line_break + line_break + error.message() + line_break + line_break +
          "File: " + std::string(local) + line_break + "To:   " + destination,
      MessageBoxStyle{MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, "Error Copying File");
  SetStatus("");
  return PublishResult::kFailed;
}

frmImageCopy::PublishResult frmImageCopy::UploadFtp(std::string_view local,
                                                    std::string_view remote) {
  const FtpLocation location = SplitFtpPath(ftp_server_);
  if (local.empty() || remote.empty() || ftp_server_.empty() || location.Host.empty()) {
    return PublishResult::kNothingToPublish;
  }
  const std::string password = ScramblePassword(ScrambleDirection::kDecode, ftp_password_);
  const std::string proxy = txtProxy.Text;
  const FtpMode mode = chkPassive.Checked ? FtpMode::kPassive : FtpMode::kActive;
  const bool append_host = chkAppendFtpServer.Checked;
  const FtpSecurity security = chkSecure.Checked ? FtpSecurity::kTls : FtpSecurity::kPlain;
  const HourglassPointer hourglass(services_->Display);
  const InternetServices internet{
      services_->Internet, services_->Messages, internet_,
      [this](const std::function<void()>& step) { RunOffInterfaceThread(step); }, &monitor_};
  const InternetCloser closer(internet_);

  // A Cancel during a status pause stops before the next step, whatever that step would do.
  const auto go_on = [this](InternetResult<>& step) {
    if (step.ok() && monitor_.CancelRequested()) {
      step = InternetError::kCancelled;
    }
    return step.ok();
  };
  InternetResult<> step;
  SetStatus("Initializing...");
  if (go_on(step)) {
    step = OpenInternet(internet, proxy);
  }
  if (go_on(step)) {
    SetStatus("Connecting...");
    // A proxy that relays FTP learns the real server from the login name.
    const std::string user =
        !proxy.empty() && append_host ? ftp_username_ + "@" + location.Host : ftp_username_;
    step = ConnectFtp(internet, location.Host, mode, user, password, security);
  }
  // The user's existing picture must survive an upload that fails or is cancelled half-way.
  FtpPutMode put_mode = FtpPutMode::kDirect;
  if (go_on(step)) {
    SetStatus("Checking the server's folder...");
    const InternetResult<bool> found = FindFtpFile(internet, location.Directory, remote);
    step = InternetResult<>::Of(found);
    const bool exists = found.ok() && *found;
    put_mode = exists ? FtpPutMode::kReplaceWhole : FtpPutMode::kDirect;
    if (go_on(step) && exists) {
      const MessageBoxAnswer answer = services_->Messages.Show(
          "Replace existing file?",
          MessageBoxStyle{MessageBoxButtons::kYesNo, MessageBoxIcon::kQuestion}, "File Exists");
      if (answer != MessageBoxAnswer::kYes) {
        SetStatus("");
        return PublishResult::kDeclined;
      }
    }
  }
  if (go_on(step)) {
    SetStatus(kCopyingStatus);
  }
  if (go_on(step)) {
    step = PutFtpFile(internet, local, location.Directory, remote, put_mode);
  }
  if (step.ok()) {
    SetStatus("Complete.");
  } else if (step.error() == InternetError::kCancelled || monitor_.CancelRequested()) {
    SetStatus(kCancelledStatus);
    step = InternetError::kCancelled;
  }
  internet_.Close();
  SetStatus("");
  if (step.error() == InternetError::kCancelled) {
    return PublishResult::kCancelled;
  }
  return step.ok() ? PublishResult::kDone : PublishResult::kFailed;
}

void frmImageCopy::RunOffInterfaceThread(const std::function<void()>& step) {
  std::future<void> done = std::async(std::launch::async, step);
  try {
    while (done.wait_for(kWorkerPollInterval) != std::future_status::ready) {
      services_->Loop.ProcessPendingEvents();
      ShowTransferProgress();
    }
  } catch (...) {
    // The future's destructor waits for the step; the cancel makes that wait short.
    monitor_.Cancel();
    throw;
  }
  done.get();
}

void frmImageCopy::ShowTransferProgress() {
  const std::uint64_t total = monitor_.Total();
  if (total == 0 || monitor_.CancelRequested()) {
    return;
  }
  const std::uint64_t sent = std::min(monitor_.Sent(), total);
  lblStatus.Caption = std::string(kCopyingStatus) + " " + ReadableSize(sent) + " of " +
                      ReadableSize(total) + " (" + std::to_string(sent * 100 / total) + "%)";
  lblStatus.Visible = true;
}

void frmImageCopy::SetStatus(std::string_view text) {
  if (text.empty()) {
    lblStatus.Visible = false;
    return;
  }
  lblStatus.Caption = text;
  lblStatus.Visible = true;
  // Long enough to read; the view repaints while the pause lets events run.
  Pause(services_->Loop, 1.0F);
}

}  // namespace scrivlet
