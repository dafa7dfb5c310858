#include "dialogs/frm_hyperlink.h"

#include "conversion/conversion_error.h"
#include "conversion/html_safety.h"
#include "text/text_codec.h"

namespace scrivlet {

frmHyperlink::frmHyperlink(const std::vector<HyperlinkEntry>& entries, MessageBox& messages)
    : OkCancelForm("frmHyperlink", {4800, 240, 1215, 375}, 9, {4800, 720, 1215, 375}, 10),
      entries_(entries),
      messages_(messages) {
  Label2 = MakeControl<Label>("Label2", {240, 360, 1335, 255}, 0);
  Label2.Caption = "&Hyperlink:";
  txtText = MakeControl<ComboBox>("txtText", {1680, 240, 2775, 315}, 1);
  Frame1 = MakeControl<Frame>("Frame1", {240, 720, 4215, 1215}, 2);
  Frame1.Caption = "Protocol";
  optProtocol[0] = MakeControl<OptionButton>("optProtocol(0)", {240, 360, 2055, 255}, 3);
  optProtocol[0].Caption = "&WWW (http:)";
  optProtocol[0].Tag = "http://";
  optProtocol[1] = MakeControl<OptionButton>("optProtocol(1)", {240, 720, 2055, 255}, 4);
  optProtocol[1].Caption = "&Email (mailto:)";
  optProtocol[1].Tag = "mailto:";
  Label1 = MakeControl<Label>("Label1", {240, 2280, 1335, 255}, 5);
  Label1.Caption = "&Location:";
  txtURL = MakeControl<TextBox>("txtURL", {1680, 2160, 2775, 405}, 6);
  txtURL.Text = "http://";
  Label3 = MakeControl<Label>("Label3", {240, 2760, 1335, 255}, 7);
  Label3.Caption = "&Target Frame:";
  cboTarget = MakeControl<ComboBox>("cboTarget", {1680, 2760, 2775, 315}, 8);
  for (const char* target : {"_blank", "_parent", "_self", "_top"}) {
    cboTarget.AddItem(target);
  }

  for (std::size_t i = 0; i < optProtocol.size(); ++i) {
    optProtocol[i].Click = [this, i] { optProtocol_Click(i); };
  }
  txtText.Click = [this] { txtText_Click(); };
}

void frmHyperlink::Init() {
  SyncProtocol();
  const std::string text = txtText.Text;
  txtText.Clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    txtText.AddItem(entries_[i].Title, static_cast<std::int32_t>(i + 1));
  }
  txtText.Text = text;
  txtText.SelStart = 0;
  txtText.SelLength = static_cast<std::int32_t>(text.size());
}

const OptionButton* frmHyperlink::MatchingProtocol() const {
  for (const OptionButton& option : optProtocol) {
    if (StartsWithNoCase(txtURL.Text, option.Tag)) {
      return &option;
    }
  }
  return nullptr;
}

void frmHyperlink::SyncProtocol() {
  if (txtURL.Text.empty()) {
    SelectProtocol(0);
    return;
  }
  for (std::size_t i = 0; i < optProtocol.size(); ++i) {
    if (StartsWithNoCase(txtURL.Text, optProtocol[i].Tag)) {
      SelectProtocol(i);
      return;
    }
  }
}

void frmHyperlink::SelectProtocol(std::size_t index) {
  optProtocol[index].Choose();
}

// The chosen option's prefix replaces the one the location has, keeping the rest.
void frmHyperlink::optProtocol_Click(std::size_t index) {
  for (std::size_t i = 0; i < optProtocol.size(); ++i) {
    optProtocol[i].Value = i == index;
  }
  std::string location = txtURL.Text;
  if (const OptionButton* current = MatchingProtocol()) {
    location.erase(0, current->Tag.size());
  }
  txtURL.SetText(optProtocol[index].Tag + location);
}

bool frmHyperlink::AcceptOk() {
  if (IsAllowedLinkUrl(txtURL.Text)) {
    return true;
  }
  messages_.Show("The location \"" + CutForMessage(txtURL.Text) +
                     "\" cannot be used for a link. Use an http, https, mailto, ftp or tel "
                     "address, or a relative one.",
                 {MessageBoxButtons::kOkOnly, MessageBoxIcon::kCritical}, Caption);
  return false;
}

void frmHyperlink::txtText_Click() {
  const auto entry = static_cast<std::size_t>(txtText.ChosenItemData());
  if (entry >= 1 && entry <= entries_.size()) {
    txtURL.SetText(entries_[entry - 1].Location);
  }
  SyncProtocol();
}

}  // namespace scrivlet
