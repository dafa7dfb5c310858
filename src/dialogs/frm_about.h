#pragma once

#include <string>
#include <string_view>

#include "forms/form_controls.h"
#include "platform/form_host.h"
#include "platform/shell_open.h"
#include "version/version_info.h"

namespace scrivlet {

// The maker's web page, which the about box offers as a clickable address.
inline constexpr std::string_view kMakerAddress = "https://www.korvex.example/scrivlet/";

// The about box: the product's name and version, a description and the maker's address, which
// a click opens in the user's web browser.
//
// Use: construct (Form_Load runs then), show through a FormHost; OK or the title-bar close ends
// it.
class frmAbout final : public Form {
 public:
  // `shell` opens the address; it must outlive the form.
  explicit frmAbout(ShellOpen& shell, const VersionInfo& version = kScrivletVersion);

  void Form_Load();
  void cmdOK_Click();
  void lblURL_Click();

  std::string Caption = "About Scrivlet";
  ControlRect ClientArea{0, 0, 5730, 3555};

  PictureBox picIcon;
  Label lblTitle;
  Label lblDescription;
  Label lblURL;
  // The etched rule between the title block and the rest: a grey line over a white one.
  ControlRect Line1Grey{120, 2160, 5490, 0};
  ControlRect Line1White{120, 2175, 5490, 0};
  CommandButton cmdOK;

 private:
  ShellOpen& shell_;
  VersionInfo version_;
};

}  // namespace scrivlet
