#include "qt/image_copy_view.h"

namespace scrivlet {

ImageCopyView::ImageCopyView(frmImageCopy& form, const Screen& screen, QWidget* parent)
    : FormView(form, screen, parent), form_(form) {
  FormBinder& binder = Binder();
  binder.Bind(form.Label2);
  binder.Bind(form.lblFilename);
  binder.Bind(form.LocalFilename);
  binder.Bind(form.Label3);
  binder.Bind(form.RemoteFilename);
  binder.Bind(form.cmdOk);
  binder.Bind(form.cmdCancel);
  binder.Bind(form.cmdBrowse);
  binder.Bind(form.cmdPreview);
  binder.Bind(form.cmdFTPSetup);
  binder.Bind(form.lblStatus);
  QLabel* frame = binder.Bind(form.imgFrame);
  frame->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  binder.Bind(form.imgPreview);
  QWidget* panel = binder.Bind(form.fraFtpSetup);
  binder.Bind(form.Label1, panel);
  binder.Bind(form.txtProxy, panel);
  binder.Bind(form.chkAppendFtpServer, panel);
  binder.Bind(form.chkPassive, panel);
  binder.Bind(form.chkSecure, panel);
  FinishBinding();
}

ControlRect ImageCopyView::ClientArea() const {
  constexpr std::int32_t kFrameHeight = frmImageCopy::kOpenHeight - frmImageCopy::kClientHeight;
  return ControlRect{0, 0, frmImageCopy::kClientWidth, form_.Height - kFrameHeight};
}

}  // namespace scrivlet
