#include "qt/qt_shell_open.h"

#include <QDesktopServices>
#include <QUrl>

#include "qt/qt_text.h"

namespace scrivlet {

bool QtShellOpen::Open(std::string_view address) {
  const QUrl url = QUrl::fromUserInput(ToQString(address));
  if (!url.isValid()) {
    return false;
  }
  return QDesktopServices::openUrl(url);
}

}  // namespace scrivlet
