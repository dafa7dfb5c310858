#include "dialogs/frm_about.h"

namespace scrivlet {

frmAbout::frmAbout(ShellOpen& shell, const VersionInfo& version)
    : Form("frmAbout"), shell_(shell), version_(version) {
  picIcon.Name = "picIcon";
  picIcon.Rect = {240, 240, 480, 480};
  picIcon.Picture = "scrivlet-icon";

  lblTitle.Name = "lblTitle";
  lblTitle.Rect = {960, 240, 4560, 480};
  lblTitle.Caption = "Scrivlet v. X.Y.0.R";
  lblTitle.Bold = true;
  lblTitle.FontSize = 18;

  lblDescription.Name = "lblDescription";
  lblDescription.Rect = {960, 900, 4560, 360};
  lblDescription.Caption = "On-line WYSIWYG Editor";
  lblDescription.FontSize = 12;

  lblURL.Name = "lblURL";
  lblURL.Rect = {960, 1500, 4560, 300};
  lblURL.Caption = kMakerAddress;
  lblURL.ForeColor = 0xFF0000;  // blue, platform order
  lblURL.LinkCursor = true;
  lblURL.Click = [this] { lblURL_Click(); };

  cmdOK.Name = "cmdOK";
  cmdOK.Rect = {4200, 2880, 1260, 375};
  cmdOK.Caption = "OK";
  cmdOK.Default = true;
  cmdOK.Cancel = true;
  cmdOK.TabIndex = 0;
  cmdOK.Click = [this] { cmdOK_Click(); };

  Form_Load();
}

void frmAbout::Form_Load() {
  Caption = "About " + std::string(version_.Title);
  lblTitle.Caption = std::string(version_.Title) + " v" + VersionNumberText(version_);
}

void frmAbout::cmdOK_Click() {
  Hide();
}

// Whether the browser opened is not reported: the box stays as it is either way.
void frmAbout::lblURL_Click() {
  shell_.Open(lblURL.Caption);
}

}  // namespace scrivlet
