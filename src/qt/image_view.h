#pragma once

#include "dialogs/frm_image.h"
#include "qt/form_view.h"

namespace scrivlet {

// The window of frmImage. "From File..." shows the picture-copy dialog through the form's own
// host, on top of this window.
class ImageView final : public FormView {
  Q_OBJECT

 public:
  ImageView(frmImage& form, const Screen& screen, QWidget* parent = nullptr);

 protected:
  ControlRect ClientArea() const override { return form_.ClientArea; }
  std::string Caption() const override { return form_.Caption; }

 private:
  frmImage& form_;
};

}  // namespace scrivlet
