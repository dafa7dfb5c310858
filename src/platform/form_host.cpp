#include "platform/form_host.h"

#include <utility>

namespace scrivlet {

void Form::Hide() {
  if (!visible_) {
    return;
  }
  visible_ = false;
  // Taken out first: ending a view's modal loop may show this form again.
  const std::function<void()> on_hidden = std::exchange(on_hidden_, nullptr);
  if (on_hidden) {
    on_hidden();
  }
}

bool Form::RequestClose(UnloadMode mode) {
  if (QueryUnload(mode)) {
    return false;
  }
  Hide();
  return true;
}

bool Form::QueryUnload(UnloadMode /*mode*/) {
  return false;
}

void FormHost::BeginShow(Form& form, std::function<void()> on_hidden) {
  if (form.visible_) {
    throw FormError("form \"" + form.name_ + "\" is already shown");
  }
  form.visible_ = true;
  form.on_hidden_ = std::move(on_hidden);
}

}  // namespace scrivlet
