#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form_host.h"

namespace scrivlet {

// Shows forms without windows: code registered under a form's name plays the user while the form
// is shown (it receives the form, sets fields and calls handlers, typically ending with OK or
// Cancel). When that code returns with the form still shown, or when no code is registered for
// the form, the host closes the form from its title bar, as a user who dismisses the window
// would. Every show is recorded.
class HeadlessFormHost final : public FormHost {
 public:
  using User = std::function<void(Form& form)>;

  // How a recorded show ended.
  enum class ShowEnd {
    kHiddenByForm,        // the form hid itself while its user played
    kClosedFromTitleBar,  // the host closed it from the title bar
  };

  struct ShowRecord {
    std::string FormName;
    ShowEnd End = ShowEnd::kHiddenByForm;
  };

  // Throws FormError when the form is already shown, or when it is still shown after the
  // title-bar close (the show then ends with the form hidden). What the user code throws
  // propagates, and the form is hidden.
  void ShowModal(Form& form) override;

  // Registers the code that plays the user of the form named `form_name`, replacing any earlier
  // one; an empty function removes it.
  void SetUser(std::string_view form_name, User user);

  // Every show so far in the order they began (an outer show before those nested in it).
  const std::vector<ShowRecord>& Shows() const { return shows_; }

 private:
  std::map<std::string, User, std::less<>> users_;
  std::vector<ShowRecord> shows_;
};

}  // namespace scrivlet
