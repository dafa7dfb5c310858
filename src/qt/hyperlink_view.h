#pragma once

#include "dialogs/frm_hyperlink.h"
#include "qt/form_view.h"

namespace scrivlet {

// The window of frmHyperlink.
class HyperlinkView final : public FormView {
  Q_OBJECT

 public:
  HyperlinkView(frmHyperlink& form, const Screen& screen, QWidget* parent = nullptr);

 protected:
  ControlRect ClientArea() const override { return form_.ClientArea; }
  std::string Caption() const override { return form_.Caption; }

 private:
  frmHyperlink& form_;
};

}  // namespace scrivlet
