#pragma once

#include <QWidget>

#include "control/scrivlet.h"
#include "hosts/curl/curl_internet_library.h"
#include "qt/qt_clipboard.h"
#include "qt/qt_color_dialog.h"
#include "qt/qt_event_loop.h"
#include "qt/qt_file_dialog.h"
#include "qt/qt_form_host.h"
#include "qt/qt_message_box.h"
#include "qt/qt_picture_reader.h"
#include "qt/qt_popup_menu.h"
#include "qt/qt_rich_text_box.h"
#include "qt/qt_screen.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_shell_open.h"
#include "qt/qt_toolbar.h"

namespace scrivlet {

// Everything a Scrivlet control needs from the desktop, made for one editor widget: the
// editing surface and the toolbar as children of `owner`, the popup menus, dialogs and message
// boxes over it, and the services. ScrivletWidget owns one; the parts are public for hosts and
// tests that drive them.
class QtPlatform {
 public:
  explicit QtPlatform(QWidget& owner);
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  // The parts as the control takes them. Every part must outlive the control.
  ControlServices Services();

  QtScreen Display;
  // The user's own settings (the toolbar layout, the FTP panel), "Korvex/Scrivlet".
  QtSettingsStore Settings;
  QtRichTextBox Surface;
  QtToolbar Bar;
  QtPopupMenu FaceMenu;
  QtPopupMenu SizeMenu;
  QtClipboard Clip;
  QtFormHost Forms;
  QtColorDialog Colors;
  QtShellOpen Shell;
  QtEventLoop Loop;
  QtMessageBox Messages;
  QtFileDialog Files;
  QtPictureReader Pictures;
  CurlInternetLibrary Internet;
};

}  // namespace scrivlet
