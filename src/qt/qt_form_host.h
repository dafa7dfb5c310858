#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form_host.h"
#include "platform/screen.h"
#include "qt/form_view.h"

namespace scrivlet {

// Shows forms as modal QDialog views (QDialog::exec), each bound to its form's logic.
//
// The view is found by the form's name: HyperlinkView for "frmHyperlink", ImageView for
// "frmImage", ImageCopyView for "frmImageCopy" and AboutView for "frmAbout" are registered
// from the start; SetViewFactory adds or replaces one. A view is made for each show and
// dropped after it. A form shown while another is up sits on top of it.
//
// The show ends when the form hides itself (its OK or Cancel, or its agreeing to a close from
// the title bar). Should the window go some other way with the form still shown, the host asks
// the form as the title-bar close does; a form that still stays shown is hidden and FormError
// thrown. What a handler throws during the show propagates from ShowModal, the form hidden.
class QtFormHost final : public FormHost {
 public:
  // Makes the view of a form; `form` is the form being shown, `parent` the window to sit on.
  using ViewFactory =
      std::function<std::unique_ptr<FormView>(Form& form, const Screen& screen, QWidget* parent)>;
  // Runs once the view is made and refreshed, just before it is shown modally (tests and hosts
  // that want to watch or drive it).
  using ShowListener = std::function<void(FormView& view)>;

  // `screen` converts twips to pixels and must outlive the host; `owner` is the window forms
  // sit on when no other form is up.
  explicit QtFormHost(const Screen& screen, QWidget* owner = nullptr);

  // Throws FormError when the form is already shown or no view is registered for its name.
  void ShowModal(Form& form) override;

  void SetViewFactory(std::string_view form_name, ViewFactory factory);
  void SetShowListener(ShowListener listener) { listener_ = std::move(listener); }

  // The views shown now, outermost first.
  const std::vector<FormView*>& OpenViews() const { return open_; }

 private:
  const Screen& screen_;
  QPointer<QWidget> owner_;
  std::map<std::string, ViewFactory, std::less<>> factories_;
  ShowListener listener_;
  std::vector<FormView*> open_;
};

}  // namespace scrivlet
