#include "qt/qt_form_host.h"

#include <QPointer>
#include <utility>

#include "qt/about_view.h"
#include "qt/hyperlink_view.h"
#include "qt/image_copy_view.h"
#include "qt/image_view.h"
#include "qt/qt_message_box.h"

namespace scrivlet {
namespace {

template <typename FormClass, typename ViewClass>
QtFormHost::ViewFactory FactoryOf() {
  return [](Form& form, const Screen& screen, QWidget* parent) -> std::unique_ptr<FormView> {
    auto* typed = dynamic_cast<FormClass*>(&form);
    if (typed == nullptr) {
      throw FormError("form \"" + form.Name() + "\" is not of the class its view shows");
    }
    return std::make_unique<ViewClass>(*typed, screen, parent);
  };
}

// Takes the view off the list of open views however the show ends.
class OpenViewScope {
 public:
  OpenViewScope(std::vector<FormView*>& open, FormView* view) : open_(open) {
    open_.push_back(view);
  }
  OpenViewScope(const OpenViewScope&) = delete;
  OpenViewScope& operator=(const OpenViewScope&) = delete;
  ~OpenViewScope() { open_.pop_back(); }

 private:
  std::vector<FormView*>& open_;
};

}  // namespace

QtFormHost::QtFormHost(const Screen& screen, QWidget* owner) : screen_(screen), owner_(owner) {
  factories_.emplace("frmHyperlink", FactoryOf<frmHyperlink, HyperlinkView>());
  factories_.emplace("frmImage", FactoryOf<frmImage, ImageView>());
  factories_.emplace(std::string(frmImageCopy::kFormName),
                     FactoryOf<frmImageCopy, ImageCopyView>());
  factories_.emplace("frmAbout", FactoryOf<frmAbout, AboutView>());
}

void QtFormHost::SetViewFactory(std::string_view form_name, ViewFactory factory) {
  if (factory) {
    factories_.insert_or_assign(std::string(form_name), std::move(factory));
  } else if (const auto it = factories_.find(form_name); it != factories_.end()) {
    factories_.erase(it);
  }
}

void QtFormHost::ShowModal(Form& form) {
  if (form.Visible()) {
    throw FormError("form \"" + form.Name() + "\" is already shown");
  }
  const auto found = factories_.find(form.Name());
  if (found == factories_.end()) {
    throw FormError("no view is registered for form \"" + form.Name() + "\"");
  }
  QWidget* parent = open_.empty() ? ModalParent(owner_.data()) : open_.back();
  // A copy: the factory may be replaced while the form is shown.
  const ViewFactory factory = found->second;
  const std::unique_ptr<FormView> view = factory(form, screen_, parent);
  QPointer<FormView> guard(view.get());
  BeginShow(form, [guard] {
    if (guard) {
      guard->done(QDialog::Accepted);
    }
  });
  const OpenViewScope scope(open_, view.get());
  view->Refresh();
  if (listener_) {
    const ShowListener listener = listener_;
    listener(*view);
  }
  if (form.Visible()) {
    view->exec();
  }
  if (std::exception_ptr error = view->TakeError()) {
    form.Hide();
    std::rethrow_exception(error);
  }
  if (!form.Visible()) {
    return;
  }
  form.RequestClose(UnloadMode::kUserClose);
  if (form.Visible()) {
    form.Hide();
    throw FormError("form \"" + form.Name() +
                    "\" refused the title-bar close and stayed shown; a modal show would not end");
  }
}

}  // namespace scrivlet
