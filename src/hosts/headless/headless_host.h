#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "control/scrivlet.h"
#include "hosts/curl/curl_internet_library.h"
#include "hosts/headless/header_picture_reader.h"
#include "hosts/headless/headless_form_host.h"
#include "hosts/headless/headless_popup_menu.h"
#include "hosts/headless/headless_screen.h"
#include "hosts/headless/headless_toolbar.h"
#include "hosts/headless/manual_event_loop.h"
#include "hosts/headless/memory_clipboard.h"
#include "hosts/headless/memory_rich_text_box.h"
#include "hosts/headless/memory_settings_store.h"
#include "hosts/headless/recording_shell_open.h"
#include "hosts/headless/scripted_color_dialog.h"
#include "hosts/headless/scripted_file_dialog.h"
#include "hosts/headless/scripted_message_box.h"

namespace scrivlet {

// A container without a screen: one Scrivlet control with headless child parts and services,
// all owned here and reachable for the code that plays the user. Tests, the command-line tool
// and scripted sessions run the control through it.
class HeadlessHost {
 public:
  // The size a new control gets, in twips.
  static constexpr std::int32_t kDefaultWidth = 9600;
  static constexpr std::int32_t kDefaultHeight = 7200;

  HeadlessHost();
  HeadlessHost(const HeadlessHost&) = delete;
  HeadlessHost& operator=(const HeadlessHost&) = delete;

  // A new instance: UserControl_Initialize, UserControl_InitProperties, then the given size.
  void StartNew(std::int32_t width = kDefaultWidth, std::int32_t height = kDefaultHeight);
  // A restored instance: UserControl_Initialize, UserControl_ReadProperties, then the size.
  // The one-shot pass runs at the next RunPendingWork.
  void Restore(const PropertyBag& bag, std::int32_t width = kDefaultWidth,
               std::int32_t height = kDefaultHeight);
  // Resizes the control's inner area (twips).
  void Resize(std::int32_t width, std::int32_t height);
  // Runs the deferred work that is due, as the event loop would between two user actions.
  void RunPendingWork();

  MemoryRichTextBox Surface;
  MemorySettingsStore Settings;
  HeadlessToolbar Bar{Settings};
  HeadlessPopupMenu FaceMenu{"Font", Scrivlet::kFontFaceMenuItems};
  HeadlessPopupMenu SizeMenu{"Font Size", Scrivlet::kFontSizeMenuItems};
  MemoryClipboard Clip;
  HeadlessFormHost Forms;
  ScriptedColorDialog Colors;
  RecordingShellOpen Shell;
  HeadlessScreen Display;
  ManualEventLoop Loop;
  ScriptedMessageBox Messages;
  ScriptedFileDialog Files;
  HeaderPictureReader Pictures;
  CurlInternetLibrary Internet;
  // The names the control reported through PropertyChanged, in order.
  std::vector<std::string> PropertyChanges;

  Scrivlet Control;

 private:
  ControlServices Services();
};

}  // namespace scrivlet
