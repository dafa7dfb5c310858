#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "forms/form_controls.h"
#include "platform/event_loop.h"
#include "platform/file_dialog.h"
#include "platform/form_host.h"
#include "platform/internet_library.h"
#include "platform/message_box.h"
#include "platform/picture_reader.h"
#include "platform/screen.h"
#include "platform/settings_store.h"
#include "publishing/win_inet.h"

// The picture-copy dialog ("Select Picture File"): the user picks a local picture, sees it
// previewed and measured, and publishes it under a chosen name, by a file copy into the images
// folder when no FTP server is set, else by an FTP upload. The owner then reads the picture's
// web location (FullPath) and size.
//
// Each control owns one, with the Internet session it uploads through: what one control's user
// sets or opens here never reaches another control.
//
// How an owner uses it: set FTPServer, FTPUsername, FTPPassword, FTPSecure and ImagesPath; empty
// LocalFilename; assign FullPath the picture's current address; show the form modally through a
// FormHost; then read Cancelled and, when false, FullPath, ImageWidth, ImageHeight and
// ProposedAltText.
//
// Publishing never replaces a file, local or remote, without the user's Yes, and never writes
// outside the images folder: a "Copy As" name that is not a plain file name is refused with a
// message. An upload's network steps run on a worker thread while the dialog stays live, shows
// the bytes sent and keeps Cancel enabled; Cancel (or the close box) stops the transfer and
// leaves the dialog open. A server that stalls is also given up after the library's timeouts.
namespace scrivlet {

// The platform services the dialog works through. The dialog keeps references: they must
// outlive its use.
struct ImageCopyServices {
  MessageBox& Messages;
  FileDialog& Files;
  PictureReader& Pictures;
  SettingsStore& Settings;
  EventLoop& Loop;  // status pauses wait on its clock
  Screen& Display;  // twips per pixel; the busy pointer
  InternetLibrary& Internet;
};

class frmImageCopy final : public Form {
 public:
  static constexpr std::string_view kFormName = "frmImageCopy";
  // Per-user settings of the FTP panel.
  static constexpr std::string_view kSettingsApplication = "Scrivlet";
  static constexpr std::string_view kSettingsSection = "FTPSetup";
  static constexpr std::int32_t kClientWidth = 8250;
  static constexpr std::int32_t kClientHeight = 4320;
  // The window's outer height with the FTP panel open; closed, it is less by the panel's height.
  static constexpr std::int32_t kOpenHeight = 4695;

  // Builds the controls and loads the form (Form_Load), which reads the FTP panel's settings.
  // Uploads open and close their session and connection in `internet`, which must outlive the
  // dialog; the dialog leaves them closed after each publish.
  frmImageCopy(const ImageCopyServices& services, InternetHandles& internet);

  // Replaces the services for the uses that follow; the dialog keeps its state. Not while shown.
  void UseServices(const ImageCopyServices& services);

  // --- Window state a view shows. ---
  std::string Caption = "Select Picture File";
  // Outer height in twips: kOpenHeight with the FTP panel open, kOpenHeight minus the panel's
  // height when it is closed.
  std::int32_t Height = kOpenHeight;

  // --- Controls; positions in twips within the window's inner area. ---
  Label Label2;
  Label lblFilename;
  TextBox LocalFilename;
  Label Label3;
  TextBox RemoteFilename;
  CommandButton cmdOk;
  CommandButton cmdCancel;
  CommandButton cmdBrowse;
  CommandButton cmdPreview;
  CommandButton cmdFTPSetup;
  Label lblStatus;
  PictureBox imgFrame;    // marks the square the preview is fitted into
  PictureBox imgPreview;  // Picture is the path of the file shown, "" for none
  Frame fraFtpSetup;
  // Inside fraFtpSetup, positioned relative to it; disabling or hiding the frame does the same
  // to them.
  Label Label1;
  TextBox txtProxy;
  CheckBox chkAppendFtpServer;
  CheckBox chkPassive;
  CheckBox chkSecure;

  // --- Properties. ---
  // True unless the last use ended with a publish (or with nothing to publish).
  bool Cancelled() const { return !accepted_; }
  // The FTP server, "host" or "host/directory" (a port may follow the host: "host:2121");
  // empty means a local copy. Assigning empty closes the FTP panel and hides its button.
  const std::string& FTPServer() const { return ftp_server_; }
  void SetFTPServer(std::string_view value);
  // An empty user name is stored as "anonymous".
  void SetFTPUsername(std::string_view value);
  // The password in its scrambled form (ScramblePassword). An empty one stores the product's
  // name, scrambled.
  void SetFTPPassword(std::string_view value);
  // Whether uploads require TLS (FTPS); shown by the panel's "Secure (TLS)" box, whose tick the
  // user may change for the uses that follow.
  bool FTPSecure() const { return chkSecure.Checked; }
  void SetFTPSecure(bool secure) { chkSecure.Checked = secure; }
  // The images folder or web location; backslashes are stored as "/".
  const std::string& ImagesPath() const { return images_path_; }
  void SetImagesPath(std::string_view value);
  // ImagesPath joined with the remote file name. Assigning sets the remote file name to the
  // part after the value's last "/".
  std::string FullPath() const;
  void SetFullPath(std::string_view value);
  // The previewed picture's size in screen pixels; 0 until a preview measured one, and again
  // after every change of the local file name.
  std::int32_t ImageWidth() const { return image_width_; }
  std::int32_t ImageHeight() const { return image_height_; }
  // A text for the picture's ALT attribute: the local file's name without its folder and
  // extension ("sunset" for "/photos/sunset.png"); "" while no local file is named.
  std::string ProposedAltText() const;
  // True while a copy or upload runs. The dialog's buttons but Cancel are disabled and its file
  // name and proxy boxes locked meanwhile, since the status pauses let the user's events
  // through; Cancel stops the upload.
  bool Publishing() const { return publishing_; }

  // Why `name` cannot be the "Copy As" name, or nothing when it can: it must be a plain file
  // name (no "/", "", drive, "." or "..", no control characters) so that the copy lands in
  // the images folder.
  static std::optional<std::string> CopyAsNameProblem(std::string_view name);

  // --- Event handlers. ---
  // Closes the FTP panel and shows the saved panel settings; a "Passive" or "AppendFtpServer"
  // text that is not a number reads as its default (unchecked, checked).
  void Form_Load();
  // A user's close from the title bar is refused and presses Cancel instead (which does nothing
  // while a publish runs); returns true to refuse. Closing by code is agreed to.
  bool Form_QueryUnload(UnloadMode mode);
  // Lets the user pick a GIF, JPEG, PNG or WebP file, previews it and proposes its name as the
  // remote name when none is typed.
  void cmdBrowse_Click();
  // Measures the local file and fits it into the preview square. A missing file clears the
  // preview; a file that is not a readable picture also says so in a message box and leaves
  // the size at 0.
  void cmdPreview_Click();
  // Opens or closes the FTP panel.
  void cmdFTPSetup_Click();
  // Refuses a "Copy As" name that would leave the images folder (with a message); saves the
  // panel's settings (a store that cannot keep them is reported and the publish goes on), then
  // publishes. Done, or nothing to publish: accepted and hidden. Overwrite declined: as Cancel.
  // Failed or cancelled: the dialog stays open for another try.
  void cmdOK_Click();
  // While a publish runs: asks it to stop. Otherwise: not accepted; clears the preview and hides
  // the dialog.
  void cmdCancel_Click();
  void LocalFilename_Change();
  void RemoteFilename_Change();

 protected:
  bool QueryUnload(UnloadMode mode) override { return Form_QueryUnload(mode); }

 private:
  // The outcome of a publish attempt.
  enum class PublishResult {
    kDeclined = 2,
    kNothingToPublish = 5,
    kDone = 6,
    kFailed = 7,
    kCancelled = 8
  };

  class PublishingScope;

  void BuildControls();
  void SaveFtpSettings();
  PublishResult Publish();
  PublishResult CopyLocal(std::string_view local, std::string_view remote);
  PublishResult UploadFtp(std::string_view local, std::string_view remote);
  // Shows a status line for a second (on the loop's clock), or hides it for "".
  void SetStatus(std::string_view text);
  // Runs one network step on a worker thread, letting the loop's events run and showing the
  // bytes sent until it ends.
  void RunOffInterfaceThread(const std::function<void()>& step);
  void ShowTransferProgress();
  void ClosePanel();
  // Button enabled states follow from the names, the server and whether a publish runs.
  void UpdateInputState();

  std::optional<ImageCopyServices> services_;
  InternetHandles& internet_;
  bool accepted_ = false;
  std::string ftp_server_;
  std::string ftp_username_;
  std::string ftp_password_;
  std::string images_path_;
  std::int32_t image_width_ = 0;
  std::int32_t image_height_ = 0;
  bool publishing_ = false;
  TransferMonitor monitor_;
};

}  // namespace scrivlet
