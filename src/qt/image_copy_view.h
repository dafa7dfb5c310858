#pragma once

#include "publishing/frm_image_copy.h"
#include "qt/form_view.h"

namespace scrivlet {

// The window of frmImageCopy: the preview square, the picture previewed in it, the status line
// while a publish runs, and the FTP panel that the window's height opens and closes.
class ImageCopyView final : public FormView {
  Q_OBJECT

 public:
  ImageCopyView(frmImageCopy& form, const Screen& screen, QWidget* parent = nullptr);

 protected:
  // The form keeps the window's outer height; the client area is less by the title bar and
  // borders (the difference between the open height and the client height).
  ControlRect ClientArea() const override;
  std::string Caption() const override { return form_.Caption; }

 private:
  frmImageCopy& form_;
};

}  // namespace scrivlet
