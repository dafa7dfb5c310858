#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "actions/actions.h"
#include "control/commands.h"
#include "control/properties.h"
#include "conversion/conversion_context.h"
#include "platform/clipboard.h"
#include "platform/color_dialog.h"
#include "platform/event_loop.h"
#include "platform/form_host.h"
#include "platform/message_box.h"
#include "platform/popup_menu.h"
#include "platform/property_bag.h"
#include "platform/rich_text_box.h"
#include "platform/screen.h"
#include "platform/shell_open.h"
#include "platform/toolbar.h"
#include "publishing/frm_image_copy.h"
#include "settings/wddx.h"

namespace scrivlet {

// How a TextHTML assignment reads a page. kAuto: the control's own pages (those that begin with
// its version comment) by the dialect converter, any other page by the HTML reader.
enum class HtmlImportMode { kAuto, kDialect, kHtml5 };
// What TextHTML returns: the control's dialect, or well-formed HTML5.
enum class HtmlOutputMode { kClassic, kHtml5 };

// A property assigned a value outside its set; carries the value.
class PropertyValueError : public std::invalid_argument {
 public:
  PropertyValueError(const std::string& what, std::string value)
      : std::invalid_argument(what), value_(std::move(value)) {}
  const std::string& value() const noexcept { return value_; }

 private:
  std::string value_;
};

// What the container gives a control: its child parts, made by the platform, and the services
// the commands and dialogs call on. Everything here must outlive the control.
struct ControlServices {
  RichTextBox& Surface;  // RichTextBox1
  Toolbar& Bar;          // Toolbar1, empty: the control adds its entries
  PopupMenu& FaceMenu;   // mnuPopupFontFace, made with Scrivlet::kFontFaceMenuItems
  PopupMenu& SizeMenu;   // mnuPopupFontSize, made with Scrivlet::kFontSizeMenuItems
  Clipboard& Clip;
  FormHost& Forms;
  ColorDialog& Colors;
  ShellOpen& Shell;
  Screen& Display;
  EventLoop& Loop;
  // What this control's picture-copy dialog works through.
  ImageCopyServices Publishing;
};

// The editor control: the editing surface under the toolbar of ToolbarCommands(), two popup menus,
// the public properties a host reads and assigns, and the persisted property set.
//
// Lifecycle, as a container drives it: construct, UserControl_Initialize, then
// UserControl_InitProperties (a new instance) or UserControl_ReadProperties (a restored one),
// UserControl_Resize whenever the container sizes it, UserControl_WriteProperties to save.
//
// Each control keeps its own state (Context below), its picture-copy dialog and Internet session,
// and builds the conversion tables afresh for each conversion, so controls in one process never
// see each other's packet, colours, flags, dialogs or connections.
class Scrivlet {
 public:
  // The fixed items of the popup menus, for the platform that makes them.
  static const std::vector<std::string> kFontFaceMenuItems;
  static const std::vector<std::string> kFontSizeMenuItems;
  // Where the toolbar layout the user chose is kept: subkey and value name.
  static constexpr std::string_view kToolbarLayoutSubkey = "Software\\Korvex\\Scrivlet";
  static constexpr std::string_view kToolbarLayoutValue = "Toolbar";
  // The background a new surface has: the system's window colour.
  static constexpr std::int32_t kSystemWindowColor = static_cast<std::int32_t>(0x80000005u);

  // Creates the child parts' design-time state: the toolbar entries, the image list, the
  // surface's font (Arial 12 pt) and background, and the event wiring.
  explicit Scrivlet(const ControlServices& services);
  ~Scrivlet();
  Scrivlet(const Scrivlet&) = delete;
  Scrivlet& operator=(const Scrivlet&) = delete;

  // The container's notification that a property changed, with the property's name.
  void SetPropertyChangedHandler(std::function<void(std::string_view)> handler) {
    propertyChanged_ = std::move(handler);
  }

  // ----- Public members, in slot order -----

  // The surface's whole document as RTF; assigning replaces it.
  std::string TextRTF() const;
  void SetTextRTF(std::string_view rtf);
  // The document as HTML: in the Classic output, the dialect behind the marker comment; in the
  // Html5 output, a whole HTML5 page. Assigning reads the page as HtmlImport says and loads it.
  // Throws ConversionError for a page of the control's own the converter rejects; the document
  // is then unchanged. The HTML reader never fails.
  std::string TextHTML() const;
  void SetTextHTML(std::string_view html);
  // "Auto" (the default), "Dialect" or "Html5", letter case ignored on assignment; any other
  // value throws PropertyValueError and changes nothing.
  std::string HtmlImport() const;
  void SetHtmlImport(std::string_view mode);
  HtmlImportMode HtmlImportKind() const { return htmlImport_; }
  // "Classic" (the default) or "Html5", as HtmlImport.
  std::string HtmlOutput() const;
  void SetHtmlOutput(std::string_view mode);
  HtmlOutputMode HtmlOutputKind() const { return htmlOutput_; }
  bool AllowCustomize() const;
  void SetAllowCustomize(bool allow);
  // The default HTML font size (1 to 7 expected, not checked) and face.
  std::int16_t FontSize() const { return fontSize_; }
  void SetFontSize(std::int16_t size);
  const std::string& FontName() const { return fontName_; }
  void SetFontName(std::string_view face);
  // The button groups offered. Assigning false removes the group for good; true changes
  // nothing.
  bool ButtonsEdit() const;
  void SetButtonsEdit(bool offered);
  bool ButtonsFontSize() const;
  void SetButtonsFontSize(bool offered);
  bool ButtonsFontStyle() const;
  void SetButtonsFontStyle(bool offered);
  bool ButtonsFontColor() const;
  void SetButtonsFontColor(bool offered);
  bool ButtonsIndent() const;
  void SetButtonsIndent(bool offered);
  bool ButtonsAlign() const;
  void SetButtonsAlign(bool offered);
  bool ButtonsBullets() const;
  void SetButtonsBullets(bool offered);
  bool ButtonsHyperlink() const;
  void SetButtonsHyperlink(bool offered);
  bool ButtonsPicture() const;
  void SetButtonsPicture(bool offered);
  bool ButtonsAbout() const;
  void SetButtonsAbout(bool offered);
  // Removes every toolbar separator that directly follows another one.
  void RemoveExtraSeparators();
  // Picture publishing, handed to the picture-copy dialog. The password is kept as assigned
  // (the scrambled form).
  const std::string& FTPServer() const { return ftpServer_; }
  void SetFTPServer(std::string_view server);
  const std::string& FTPUsername() const { return ftpUsername_; }
  void SetFTPUsername(std::string_view user);
  const std::string& FTPPassword() const { return ftpPassword_; }
  void SetFTPPassword(std::string_view password);
  // Whether uploads require an encrypted (TLS) connection; default false.
  bool FTPSecure() const { return ftpSecure_; }
  void SetFTPSecure(bool secure);
  const std::string& ImagesPath() const { return imagesPath_; }
  void SetImagesPath(std::string_view path);
  // The field-settings packet: predefined pictures, hyperlinks and font face lists.
  const std::string& WDDX() const { return wddx_; }
  void SetWDDX(std::string_view packet);
  // The surface's background, platform order (or a system colour reference).
  std::int32_t BackColor() const;
  void SetBackColor(std::int32_t color);
  // The default text colour, platform order 0x00BBGGRR.
  std::int32_t ForeColor() const { return foreColor_; }
  void SetForeColor(std::int32_t color);
  // False (the default): TextHTML holds no script-capable element, attribute or URL; a raw-tag
  // run that is not an allowed picture tag reads as visible text. True passes such runs through
  // unchanged, for a host that trusts its authors. Links pass the link rule either way.
  bool AllowRawHtml() const { return allowRawHtml_; }
  void SetAllowRawHtml(bool allow);

  // ----- Lifecycle -----

  void UserControl_Initialize();
  void UserControl_InitProperties();
  // Reads the persisted properties with their effects, then arms the one-shot pass. Throws
  // PropertyBagError for a value of the wrong type.
  void UserControl_ReadProperties(const PropertyBag& PropBag);
  void UserControl_WriteProperties(PropertyBag& PropBag) const;
  // Lays the surface out below the toolbar in the control's inner area (twips).
  void UserControl_Resize(std::int32_t innerWidth, std::int32_t innerHeight);

  // ----- Event handlers -----

  void Toolbar1_ButtonClick(ToolbarButton& Button);
  void mnuFontFace_Click(std::int16_t Index);
  void mnuFontSize_Click(std::int16_t Index);
  void RichTextBox1_SelChange();
  void RichTextBox1_GotFocus();
  void Toolbar1_Change();
  void Timer1_Timer();

  // The child parts, for hosts and views.
  RichTextBox& RichTextBox1() { return services_.Surface; }
  Toolbar& Toolbar1() { return services_.Bar; }
  const ImageList& ImageList1() const { return images_; }
  PopupMenu& mnuPopupFontFace() { return services_.FaceMenu; }
  PopupMenu& mnuPopupFontSize() { return services_.SizeMenu; }
  // True while the one-shot pass waits to run.
  bool Timer1Enabled() const { return timer_.Pending(); }

  // A conversion context with this control's settings (ForeColor as the default colour, the WDDX
  // packet's font face lists, AllowRawHtml) and empty tables: what each read and assignment of
  // TextHTML converts with. For a host that converts a copy of the document elsewhere, on a
  // worker thread for example.
  ConversionContext ConversionSettings() const;

 private:
  friend std::span<const CommandDefinition> ToolbarCommands();
  friend std::span<const PropertyDefinition> ControlProperties();

  // What this control keeps between calls besides its properties, handed to the commands that
  // need each part.
  struct Context {
    explicit Context(ColorDialog& dialog) : Colors(dialog) {}
    // The lists the WDDX packet supplies: predefined pictures, hyperlinks, font face lists.
    FieldSettings Fields;
    // Whether selection changes refresh the toolbar (paused while a command searches).
    ActionFlags Actions;
    // The container's colour dialog and the custom colours the user keeps in it.
    ColorChooser Colors;
  };

  // A button group, named by the property that offers it.
  bool Offered(Property group) const;
  void SetOffered(Property group, bool offered);
  void RemoveGroupButtons(Property group);
  void AddToolbarEntries();
  void WireEvents();
  void PropertyChanged(Property property) const;
  void ShowFaceMenu(ToolbarButton& button);
  void ShowSizeMenu(ToolbarButton& button);
  void ShowButtonMenu(const ToolbarButton& button, PopupMenu& menu);
  void ShowAbout();
  void RebuildFaceMenu();
  void UpdateToolbarState();
  // This control's picture-copy dialog, made (and loaded) on first use.
  frmImageCopy& ImageCopy();

  ControlServices services_;
  Context context_;
  ImageList images_;
  ScheduledCall timer_;
  std::function<void(std::string_view)> propertyChanged_;

  std::int32_t foreColor_ = 0;
  bool allowRawHtml_ = false;
  std::string wddx_;
  std::string ftpServer_;
  std::string ftpUsername_;
  std::string ftpPassword_;
  bool ftpSecure_ = false;
  std::string imagesPath_;
  HtmlImportMode htmlImport_ = HtmlImportMode::kAuto;
  HtmlOutputMode htmlOutput_ = HtmlOutputMode::kClassic;
  std::int16_t fontSize_ = 3;
  std::string fontName_ = "Arial";
  // By property; only the button groups' entries are read.
  std::array<bool, static_cast<std::size_t>(Property::kCount)> offered_{};

  // Picture publishing: the session the dialog uploads through outlives the dialog.
  InternetHandles internet_;
  std::unique_ptr<frmImageCopy> imageCopy_;
};

}  // namespace scrivlet
