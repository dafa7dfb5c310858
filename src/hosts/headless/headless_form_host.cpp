#include "hosts/headless/headless_form_host.h"

#include <utility>

namespace scrivlet {

void HeadlessFormHost::ShowModal(Form& form) {
  BeginShow(form, nullptr);
  const std::size_t record = shows_.size();
  shows_.push_back(ShowRecord{form.Name(), ShowEnd::kHiddenByForm});

  const auto found = users_.find(form.Name());
  // A copy: the user code may register other code for this very form.
  const User user = found == users_.end() ? User() : found->second;
  try {
    if (user) {
      user(form);
    }
  } catch (...) {
    form.Hide();
    throw;
  }
  if (!form.Visible()) {
    return;
  }
  shows_[record].End = ShowEnd::kClosedFromTitleBar;
  form.RequestClose(UnloadMode::kUserClose);
  if (form.Visible()) {
    form.Hide();
    throw FormError("form \"" + form.Name() +
                    "\" refused the title-bar close and stayed shown; a modal show would not end");
  }
}

void HeadlessFormHost::SetUser(std::string_view form_name, User user) {
  if (user) {
    users_.insert_or_assign(std::string(form_name), std::move(user));
  } else if (const auto it = users_.find(form_name); it != users_.end()) {
    users_.erase(it);
  }
}

}  // namespace scrivlet
