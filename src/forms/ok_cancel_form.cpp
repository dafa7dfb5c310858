#include "forms/ok_cancel_form.h"

namespace scrivlet {

OkCancelForm::OkCancelForm(std::string name, ControlRect okRect, std::int32_t okTab,
                           ControlRect cancelRect, std::int32_t cancelTab)
    : Form(std::move(name)) {
  cmdOk = MakeControl<CommandButton>("cmdOk", okRect, okTab);
  cmdOk.Caption = "OK";
  cmdOk.Default = true;
  cmdOk.Click = [this] { cmdOk_Click(); };
  cmdCancel = MakeControl<CommandButton>("cmdCancel", cancelRect, cancelTab);
  cmdCancel.Caption = "Cancel";
  cmdCancel.Cancel = true;
  cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void OkCancelForm::cmdOk_Click() {
  if (!AcceptOk()) {
    return;
  }
  ok_ = true;
  Hide();
}

void OkCancelForm::cmdCancel_Click() {
  ok_ = false;
  Hide();
}

bool OkCancelForm::QueryUnload(UnloadMode mode) {
  if (mode == UnloadMode::kUserClose) {
    cmdCancel.Press();
    return true;
  }
  return false;
}

}  // namespace scrivlet
