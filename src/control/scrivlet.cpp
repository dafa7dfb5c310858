#include "control/scrivlet.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "actions/actions.h"
#include "conversion/color_lib.h"
#include "conversion/conversion_context.h"
#include "conversion/html5_writer.h"
#include "conversion/html_reader.h"
#include "conversion/html_to_rtf.h"
#include "conversion/rtf_to_html.h"
#include "conversion/text_codec.h"
#include "conversion/util_lib.h"
#include "dialogs/frm_about.h"
#include "publishing/frm_image_copy.h"
#include "settings/wddx.h"

namespace scrivlet {

namespace {

struct EntryDefinition {
  std::string_view key;
  ButtonStyle style;
  std::string_view description;
  std::string_view tooltip;
  // The key that runs the command in the editor, shown in the tooltip.
  std::string_view shortcut = "";
};

constexpr EntryDefinition kSeparator{"", ButtonStyle::kSeparator, "", ""};

constexpr std::array<EntryDefinition, 26> kToolbarEntries = {{
    kSeparator,
    {"Cut", ButtonStyle::kDefault, "Cut", "Cut", "Ctrl+X"},
    {"Copy", ButtonStyle::kDefault, "Copy", "Copy", "Ctrl+C"},
    {"Paste", ButtonStyle::kDefault, "Paste", "Paste", "Ctrl+V"},
    {"Undo", ButtonStyle::kDefault, "Undo", "Undo", "Ctrl+Z"},
    kSeparator,
    {"FontFace", ButtonStyle::kDefault, "Font", "Font"},
    {"FontSize", ButtonStyle::kDefault, "Font Size", "Font Size"},
    kSeparator,
    {"Bold", ButtonStyle::kCheck, "Bold", "Bold", "Ctrl+B"},
    {"Italic", ButtonStyle::kCheck, "Italic", "Italic", "Ctrl+I"},
    {"Underline", ButtonStyle::kCheck, "Underline", "Underline", "Ctrl+U"},
    {"FontColor", ButtonStyle::kDefault, "Font Color", "Font Color"},
    kSeparator,
    {"Bullets", ButtonStyle::kCheck, "Bullets", "Bullets"},
    {"IndentLeft", ButtonStyle::kDefault, "Decrease Indentation", "Decrease Indentation"},
    {"IndentRight", ButtonStyle::kDefault, "Increase Indentation", "Increase Indentation"},
    kSeparator,
    {"Left", ButtonStyle::kButtonGroup, "Align Left", "Align Left"},
    {"Center", ButtonStyle::kButtonGroup, "Align Center", "Align Center"},
    {"Right", ButtonStyle::kButtonGroup, "Align Right", "Align Right"},
    kSeparator,
    {"Hyperlink", ButtonStyle::kDefault, "Insert Hyperlink", "Insert Hyperlink", "Ctrl+K"},
    {"Picture", ButtonStyle::kDefault, "Insert Picture", "Insert Picture"},
    kSeparator,
    {"About", ButtonStyle::kDefault, "About", "About Scrivlet"},
}};

constexpr std::array<std::string_view, 19> kImageKeys = {
    "About",    "Bold",     "Bullets",   "Copy",       "Center",      "Cut",    "FontColor",
    "FontFace", "FontSize", "Hyperlink", "IndentLeft", "IndentRight", "Italic", "Left",
    "Paste",    "Picture",  "Right",     "Undo",       "Underline"};

// A button group: the property that offers it and the keys it removes.
struct GroupDefinition {
  std::string_view property;
  std::vector<std::string_view> keys;
};

const std::array<GroupDefinition, 10>& Groups() {
  static const std::array<GroupDefinition, 10> groups = {{
      {"ButtonsEdit", {"Cut", "Copy", "Paste", "Undo"}},
      {"ButtonsFontSize", {"FontSize"}},
      {"ButtonsFontStyle", {"Bold", "Italic", "Underline"}},
      {"ButtonsFontColor", {"FontColor"}},
      {"ButtonsIndent", {"IndentLeft", "IndentRight"}},
      {"ButtonsAlign", {"Left", "Center", "Right"}},
      {"ButtonsBullets", {"Bullets"}},
      {"ButtonsHyperlink", {"Hyperlink"}},
      {"ButtonsPicture", {"Picture"}},
      {"ButtonsAbout", {"About"}},
  }};
  return groups;
}

// The order in which the one-shot pass removes the groups a restored instance does not offer.
constexpr std::array<std::size_t, 10> kPassOrder = {0, 1, 2, 3, 6, 4, 5, 7, 8, 9};

constexpr std::int32_t kIndentStep = 360;

}  // namespace

const std::vector<std::string> Scrivlet::kFontFaceMenuItems = {"Normal"};
const std::vector<std::string> Scrivlet::kFontSizeMenuItems = {
    "Normal",    "1 (8 pt)",  "2 (10 pt)", "3 (12 pt)",
    "4 (14 pt)", "5 (18 pt)", "6 (24 pt)", "7 (36 pt)"};

Scrivlet::Scrivlet(const ControlServices& services) : services_(services) {
  offered_.fill(true);
  RichTextBox& surface = services_.Surface;
  surface.SetFontName("Arial");
  surface.SetFontSize(12);
  surface.SetBackColor(kSystemWindowColor);
  for (const std::string_view key : kImageKeys) {
    images_.Add(key);
  }
  AddToolbarEntries();
  WireEvents();
}

Scrivlet::~Scrivlet() {
  services_.Surface.SetSelChangeHandler({});
  services_.Surface.SetGotFocusHandler({});
  services_.Bar.SetButtonClickHandler({});
  services_.Bar.SetChangeHandler({});
  services_.FaceMenu.SetClickHandler({});
  services_.SizeMenu.SetClickHandler({});
  services_.Bar.SetImageList(nullptr);
  ReleaseColorDialog(services_.Colors);
}

void Scrivlet::AddToolbarEntries() {
  for (const EntryDefinition& entry : kToolbarEntries) {
    std::string tooltip(entry.tooltip);
    if (!entry.shortcut.empty()) {
      tooltip += " (" + std::string(entry.shortcut) + ")";
    }
    services_.Bar.Add({std::string(entry.key),
                       entry.style,
                       std::string(entry.description),
                       std::move(tooltip),
                       {}});
  }
}

void Scrivlet::WireEvents() {
  services_.Surface.SetSelChangeHandler([this] { RichTextBox1_SelChange(); });
  services_.Surface.SetGotFocusHandler([this] { RichTextBox1_GotFocus(); });
  services_.Bar.SetButtonClickHandler(
      [this](ToolbarButton& button) { Toolbar1_ButtonClick(button); });
  services_.Bar.SetChangeHandler([this] { Toolbar1_Change(); });
  services_.FaceMenu.SetClickHandler(
      [this](std::int32_t index) { mnuFontFace_Click(static_cast<std::int16_t>(index)); });
  services_.SizeMenu.SetClickHandler(
      [this](std::int32_t index) { mnuFontSize_Click(static_cast<std::int16_t>(index)); });
}

void Scrivlet::PropertyChanged(std::string_view name) const {
  if (propertyChanged_) {
    propertyChanged_(name);
  }
}

// ----- Properties -----

std::string Scrivlet::TextRTF() const {
  return services_.Surface.TextRTF();
}

void Scrivlet::SetTextRTF(std::string_view rtf) {
  services_.Surface.SetTextRTF(rtf);
  PropertyChanged("TextRTF");
}

namespace {

struct ModeName {
  std::string_view name;
  int mode;
};
constexpr ModeName kImportModes[] = {{"Auto", static_cast<int>(HtmlImportMode::kAuto)},
                                     {"Dialect", static_cast<int>(HtmlImportMode::kDialect)},
                                     {"Html5", static_cast<int>(HtmlImportMode::kHtml5)}};
constexpr ModeName kOutputModes[] = {{"Classic", static_cast<int>(HtmlOutputMode::kClassic)},
                                     {"Html5", static_cast<int>(HtmlOutputMode::kHtml5)}};

template <std::size_t N>
std::string_view ModeNameOf(const ModeName (&table)[N], int mode) {
  for (const ModeName& entry : table) {
    if (entry.mode == mode) {
      return entry.name;
    }
  }
  return table[0].name;
}

template <std::size_t N>
std::optional<int> ModeOf(const ModeName (&table)[N], std::string_view name) {
  for (const ModeName& entry : table) {
    if (name.size() == entry.name.size() && StartsWithNoCase(name, entry.name)) {
      return entry.mode;
    }
  }
  return std::nullopt;
}

// A page the control wrote: it begins with the version comment, whatever the version.
bool IsOwnPage(std::string_view html) {
  const std::string prefix = "<!-- " + std::string(kScrivletVersion.Company) + " " +
                             std::string(kScrivletVersion.Product) + " ";
  return html.starts_with(prefix);
}

}  // namespace

std::string Scrivlet::TextHTML() const {
  if (htmlOutput_ == HtmlOutputMode::kHtml5) {
    return RtfToHtml5(services_.Surface.TextRTF(), {.defaultFace = services_.Surface.FontName(),
                                                    .defaultPoints = services_.Surface.FontSize(),
                                                    .page = Html5Page::kDocument});
  }
  // The context is shared by every control of the process: this control's choice is set on
  // each read.
  ConversionContext& context = SharedContext();
  context.RawTags = allowRawHtml_ ? RawHtml::kPassThrough : RawHtml::kAsText;
  // The surface's RTF goes as soon as it is converted, and the comment is written in front of
  // the page in its own buffer (which has room to spare): a large page is held once, not as the
  // RTF, the page and their concatenation at the same time.
  std::string html;
  {
    const std::string rtf = services_.Surface.TextRTF();
    html = RtfToHtml(rtf, context);
  }
  html.insert(0, BuildMarkerComment());
  return html;
}

void Scrivlet::SetTextHTML(std::string_view html) {
  const bool dialect = htmlImport_ == HtmlImportMode::kDialect ||
                       (htmlImport_ == HtmlImportMode::kAuto && IsOwnPage(html));
  // Converted whole before anything is loaded: a rejected page leaves the document as it was.
  // The body goes before the surface reads the document, so that a large page is not held
  // three times over (body, document, the surface's model) at once.
  std::string document;
  {
    const std::string body = dialect ? HtmlToRtf(html) : ReadHtmlToRtf(html, SharedContext());
    document = BuildHtmlDocument(services_.Surface.FontName(), body);
  }
  services_.Surface.SetTextRTF(document);
}

std::string Scrivlet::HtmlImport() const {
  return std::string(ModeNameOf(kImportModes, static_cast<int>(htmlImport_)));
}

void Scrivlet::SetHtmlImport(std::string_view mode) {
  const std::optional<int> kind = ModeOf(kImportModes, mode);
  if (!kind) {
    throw PropertyValueError("HtmlImport must be Auto, Dialect or Html5, not \"" +
                                 std::string(mode.substr(0, 40)) + "\"",
                             std::string(mode));
  }
  htmlImport_ = static_cast<HtmlImportMode>(*kind);
  PropertyChanged("HtmlImport");
}

std::string Scrivlet::HtmlOutput() const {
  return std::string(ModeNameOf(kOutputModes, static_cast<int>(htmlOutput_)));
}

void Scrivlet::SetHtmlOutput(std::string_view mode) {
  const std::optional<int> kind = ModeOf(kOutputModes, mode);
  if (!kind) {
    throw PropertyValueError(
        "HtmlOutput must be Classic or Html5, not \"" + std::string(mode.substr(0, 40)) + "\"",
        std::string(mode));
  }
  htmlOutput_ = static_cast<HtmlOutputMode>(*kind);
  PropertyChanged("HtmlOutput");
}

bool Scrivlet::AllowCustomize() const {
  return services_.Bar.AllowCustomize();
}

void Scrivlet::SetAllowCustomize(bool allow) {
  services_.Bar.SetAllowCustomize(allow);
  PropertyChanged("AllowCustomize");
}

void Scrivlet::SetFontSize(std::int16_t size) {
  fontSize_ = size;
  PropertyChanged("FontSize");
  services_.Surface.SetFontSize(HtmlSizeToPoints(size));
}

void Scrivlet::SetFontName(std::string_view face) {
  fontName_ = face;
  PropertyChanged("FontName");
  services_.Surface.SetFontName(face);
}

bool Scrivlet::Offered(ButtonGroup group) const {
  return offered_[static_cast<std::size_t>(group)];
}

void Scrivlet::SetOffered(ButtonGroup group, bool offered) {
  if (!Offered(group) || offered) {
    return;
  }
  offered_[static_cast<std::size_t>(group)] = false;
  PropertyChanged(Groups()[static_cast<std::size_t>(group)].property);
  RemoveGroupButtons(group);
  RemoveExtraSeparators();
}

// A key the user already took off the toolbar is simply not there to remove.
void Scrivlet::RemoveGroupButtons(ButtonGroup group) {
  for (const std::string_view key : Groups()[static_cast<std::size_t>(group)].keys) {
    if (services_.Bar.Contains(key)) {
      services_.Bar.Remove(key);
    }
  }
}

bool Scrivlet::ButtonsEdit() const {
  return Offered(ButtonGroup::kEdit);
}
void Scrivlet::SetButtonsEdit(bool offered) {
  SetOffered(ButtonGroup::kEdit, offered);
}
bool Scrivlet::ButtonsFontSize() const {
  return Offered(ButtonGroup::kFontSize);
}
void Scrivlet::SetButtonsFontSize(bool offered) {
  SetOffered(ButtonGroup::kFontSize, offered);
}
bool Scrivlet::ButtonsFontStyle() const {
  return Offered(ButtonGroup::kFontStyle);
}
void Scrivlet::SetButtonsFontStyle(bool offered) {
  SetOffered(ButtonGroup::kFontStyle, offered);
}
bool Scrivlet::ButtonsFontColor() const {
  return Offered(ButtonGroup::kFontColor);
}
void Scrivlet::SetButtonsFontColor(bool offered) {
  SetOffered(ButtonGroup::kFontColor, offered);
}
bool Scrivlet::ButtonsIndent() const {
  return Offered(ButtonGroup::kIndent);
}
void Scrivlet::SetButtonsIndent(bool offered) {
  SetOffered(ButtonGroup::kIndent, offered);
}
bool Scrivlet::ButtonsAlign() const {
  return Offered(ButtonGroup::kAlign);
}
void Scrivlet::SetButtonsAlign(bool offered) {
  SetOffered(ButtonGroup::kAlign, offered);
}
bool Scrivlet::ButtonsBullets() const {
  return Offered(ButtonGroup::kBullets);
}
void Scrivlet::SetButtonsBullets(bool offered) {
  SetOffered(ButtonGroup::kBullets, offered);
}
bool Scrivlet::ButtonsHyperlink() const {
  return Offered(ButtonGroup::kHyperlink);
}
void Scrivlet::SetButtonsHyperlink(bool offered) {
  SetOffered(ButtonGroup::kHyperlink, offered);
}
bool Scrivlet::ButtonsPicture() const {
  return Offered(ButtonGroup::kPicture);
}
void Scrivlet::SetButtonsPicture(bool offered) {
  SetOffered(ButtonGroup::kPicture, offered);
}
bool Scrivlet::ButtonsAbout() const {
  return Offered(ButtonGroup::kAbout);
}
void Scrivlet::SetButtonsAbout(bool offered) {
  SetOffered(ButtonGroup::kAbout, offered);
}

void Scrivlet::RemoveExtraSeparators() {
  Toolbar& bar = services_.Bar;
  bool previousWasSeparator = false;
  for (std::int32_t i = 1; i <= bar.Count();) {
    const bool thisIsSeparator = bar.Button(i).Style() == ButtonStyle::kSeparator;
    if (previousWasSeparator && thisIsSeparator) {
      bar.Remove(i);
    } else {
      ++i;
    }
    previousWasSeparator = thisIsSeparator;
  }
}

void Scrivlet::SetFTPServer(std::string_view server) {
  ftpServer_ = server;
  PropertyChanged("FTPServer");
  ImageCopy().SetFTPServer(ftpServer_);
}

void Scrivlet::SetFTPUsername(std::string_view user) {
  ftpUsername_ = user;
  PropertyChanged("FTPUsername");
  ImageCopy().SetFTPUsername(ftpUsername_);
}

void Scrivlet::SetFTPPassword(std::string_view password) {
  ftpPassword_ = password;
  PropertyChanged("FTPPassword");
  ImageCopy().SetFTPPassword(ftpPassword_);
}

void Scrivlet::SetFTPSecure(bool secure) {
  ftpSecure_ = secure;
  PropertyChanged("FTPSecure");
  ImageCopy().SetFTPSecure(ftpSecure_);
}

void Scrivlet::SetImagesPath(std::string_view path) {
  imagesPath_ = path;
  PropertyChanged("ImagesPath");
  ImageCopy().SetImagesPath(imagesPath_);
}

void Scrivlet::SetWDDX(std::string_view packet) {
  wddx_ = packet;
  PropertyChanged("WDDX");
  ParseWddx(wddx_);
  const bool faces = SharedContext().FontFaceListCount() > 0;
  if (services_.Bar.Contains("FontFace")) {
    ToolbarButton& button = services_.Bar.Button("FontFace");
    button.SetEnabled(faces);
    button.SetVisible(faces);
  }
  RebuildFaceMenu();
}

void Scrivlet::RebuildFaceMenu() {
  PopupMenu& menu = services_.FaceMenu;
  for (const std::int32_t index : menu.Indexes()) {
    if (index >= 1) {
      menu.Unload(index);
    }
  }
  const std::vector<std::string>& lists = SharedContext().FontFaceLists;
  for (std::size_t i = 0; i < lists.size(); ++i) {
    const auto index = static_cast<std::int32_t>(i + 1);
    menu.Load(index);
    menu.SetItemCaption(index, lists[i]);
  }
}

std::int32_t Scrivlet::BackColor() const {
  return services_.Surface.BackColor();
}

void Scrivlet::SetBackColor(std::int32_t color) {
  services_.Surface.SetBackColor(color);
  PropertyChanged("BackColor");
}

void Scrivlet::SetForeColor(std::int32_t color) {
  foreColor_ = color;
  services_.Surface.SetSelColor(color);
  SharedContext().DefaultColor = OleColorToRgb(color);
  PropertyChanged("ForeColor");
}

void Scrivlet::SetAllowRawHtml(bool allow) {
  allowRawHtml_ = allow;
  PropertyChanged("AllowRawHtml");
}

// ----- Lifecycle -----

void Scrivlet::UserControl_Initialize() {
  InitColorDialog(services_.Colors);
  InitActions(services_.Bar, services_.Surface);
  services_.Surface.SetBulletIndent(360);
  services_.Bar.SetImageList(&images_);
  for (std::int32_t i = 1; i <= services_.Bar.Count(); ++i) {
    ToolbarButton& button = services_.Bar.Button(i);
    if (!button.Key().empty()) {
      button.SetImage(button.Key());
    }
  }
}

void Scrivlet::UserControl_InitProperties() {
  fontSize_ = 3;
  fontName_ = "Arial";
  offered_.fill(true);
  ftpServer_.clear();
  ftpUsername_.clear();
  ftpPassword_.clear();
  ftpSecure_ = false;
  imagesPath_.clear();
  wddx_.clear();
  foreColor_ = 0;
  allowRawHtml_ = false;
  htmlImport_ = HtmlImportMode::kAuto;
  htmlOutput_ = HtmlOutputMode::kClassic;
}

void Scrivlet::UserControl_ReadProperties(const PropertyBag& PropBag) {
  services_.Bar.SetAllowCustomize(PropBag.ReadBoolean("AllowCustomize", true));
  SetFontSize(PropBag.ReadInt16("FontSize", 3));
  SetFontName(PropBag.ReadString("FontName", "Arial"));
  for (std::size_t g = 0; g < Groups().size(); ++g) {
    offered_[g] = PropBag.ReadBoolean(Groups()[g].property, true);
  }
  SetFTPServer(PropBag.ReadString("FTPServer", ""));
  SetFTPUsername(PropBag.ReadString("FTPUsername", ""));
  SetFTPPassword(PropBag.ReadString("FTPPassword", ""));
  SetFTPSecure(PropBag.ReadBoolean("FTPSecure", false));
  SetImagesPath(PropBag.ReadString("ImagesPath", ""));
  SetWDDX(PropBag.ReadString("WDDX", ""));
  SetForeColor(PropBag.ReadInt32("ForeColor", 0));
  services_.Surface.SetBackColor(PropBag.ReadInt32("BackColor", kSystemWindowColor));
  SetAllowRawHtml(PropBag.ReadBoolean("AllowRawHtml", false));
  // A stored mode this build does not know (a later version's) reads as the default.
  htmlImport_ = static_cast<HtmlImportMode>(
      ModeOf(kImportModes, PropBag.ReadString("HtmlImport", "Auto")).value_or(0));
  htmlOutput_ = static_cast<HtmlOutputMode>(
      ModeOf(kOutputModes, PropBag.ReadString("HtmlOutput", "Classic")).value_or(0));
  // The pass runs once the container has finished loading.
  timer_ = services_.Loop.Defer(std::chrono::milliseconds(1), [this] { Timer1_Timer(); });
}

void Scrivlet::UserControl_WriteProperties(PropertyBag& PropBag) const {
  PropBag.WriteBoolean("AllowCustomize", services_.Bar.AllowCustomize(), true);
  PropBag.WriteInt16("FontSize", fontSize_, 3);
  PropBag.WriteString("FontName", fontName_, "Arial");
  for (std::size_t g = 0; g < Groups().size(); ++g) {
    PropBag.WriteBoolean(Groups()[g].property, offered_[g], true);
  }
  PropBag.WriteString("FTPServer", ftpServer_, "");
  PropBag.WriteString("FTPUsername", ftpUsername_, "");
  PropBag.WriteString("FTPPassword", ftpPassword_, "");
  PropBag.WriteBoolean("FTPSecure", ftpSecure_, false);
  PropBag.WriteString("ImagesPath", imagesPath_, "");
  PropBag.WriteString("WDDX", wddx_, "");
  PropBag.WriteInt32("ForeColor", foreColor_, 0);
  PropBag.WriteInt32("BackColor", services_.Surface.BackColor(), kSystemWindowColor);
  PropBag.WriteBoolean("AllowRawHtml", allowRawHtml_, false);
  PropBag.WriteString("HtmlImport", HtmlImport(), "Auto");
  PropBag.WriteString("HtmlOutput", HtmlOutput(), "Classic");
}

void Scrivlet::UserControl_Resize(std::int32_t innerWidth, std::int32_t innerHeight) {
  const std::int32_t top = services_.Bar.Height();
  services_.Surface.Move(0, top, innerWidth, std::max(0, innerHeight - top));
}

// ----- Toolbar, menus, events -----

void Scrivlet::Toolbar1_ButtonClick(ToolbarButton& Button) {
  // Copied: a command may remove the entry the reference names.
  const std::string key = Button.Key();
  RunCommand(key, Button);
  // Every command: a formatting change raises no selection event, yet it changes what Undo
  // offers.
  UpdateToolbarState();
}

void Scrivlet::RunCommand(const std::string& key, ToolbarButton& button) {
  using Command = void (*)(Scrivlet&, ToolbarButton&);
  struct Entry {
    std::string_view key;
    Command run;
  };
  // Keys compare exactly, letter case included; the first match runs.
  static constexpr Entry kCommands[] = {
      {"About", [](Scrivlet& c, ToolbarButton&) { c.ShowAbout(); }},
      {"Cut", [](Scrivlet& c, ToolbarButton&) { DoCut(c.services_.Surface, c.services_.Clip); }},
      {"Copy", [](Scrivlet& c, ToolbarButton&) { DoCopy(c.services_.Surface, c.services_.Clip); }},
      {"Paste",
       [](Scrivlet& c, ToolbarButton&) { DoPaste(c.services_.Surface, c.services_.Clip); }},
      {"Undo", [](Scrivlet& c, ToolbarButton&) { DoUndo(c.services_.Surface); }},
      {"FontFace", [](Scrivlet& c, ToolbarButton& b) { c.ShowFaceMenu(b); }},
      {"FontSize", [](Scrivlet& c, ToolbarButton& b) { c.ShowSizeMenu(b); }},
      {"Bold", [](Scrivlet& c, ToolbarButton&) { DoBold(c.services_.Surface); }},
      {"Italic", [](Scrivlet& c, ToolbarButton&) { DoItalic(c.services_.Surface); }},
      {"Underline", [](Scrivlet& c, ToolbarButton&) { DoUnderline(c.services_.Surface); }},
      {"FontColor", [](Scrivlet& c, ToolbarButton&) { DoFontColor(c.services_.Surface); }},
      {"Bullets", [](Scrivlet& c, ToolbarButton&) { DoBullets(c.services_.Surface); }},
      {"IndentLeft",
       [](Scrivlet& c, ToolbarButton&) { DoIndent(c.services_.Surface, -kIndentStep); }},
      {"IndentRight",
       [](Scrivlet& c, ToolbarButton&) { DoIndent(c.services_.Surface, kIndentStep); }},
      {"Left", [](Scrivlet& c, ToolbarButton&) { DoAlign(c.services_.Surface, Alignment::kLeft); }},
      {"Center",
       [](Scrivlet& c, ToolbarButton&) { DoAlign(c.services_.Surface, Alignment::kCenter); }},
      {"Right",
       [](Scrivlet& c, ToolbarButton&) { DoAlign(c.services_.Surface, Alignment::kRight); }},
      {"Hyperlink",
       [](Scrivlet& c, ToolbarButton&) {
         DoHyperlink(c.services_.Surface, c.services_.Forms, c.services_.Publishing.Messages,
                     SharedFieldSettings().HyperlinkEntries);
       }},
      {"Picture",
       [](Scrivlet& c, ToolbarButton&) {
         DoPicture(c.services_.Surface, c.services_.Forms, SharedFieldSettings().ImageEntries,
                   c.ImageCopy());
       }},
  };
  for (const Entry& command : kCommands) {
    if (command.key == key) {
      const UndoStep step(services_.Surface);
      command.run(*this, button);
      return;
    }
  }
}

void Scrivlet::ShowFaceMenu(ToolbarButton& button) {
  PopupMenu& menu = services_.FaceMenu;
  const std::vector<std::int32_t> indexes = menu.Indexes();
  for (const std::int32_t index : indexes) {
    menu.SetItemChecked(index, false);
  }
  if (const std::optional<std::string> face = services_.Surface.SelFontName()) {
    for (const std::int32_t index : indexes) {
      if (menu.ItemCaption(index).find(*face) != std::string::npos) {
        menu.SetItemChecked(index, true);
        break;
      }
    }
  }
  ShowButtonMenu(button, menu);
}

void Scrivlet::ShowSizeMenu(ToolbarButton& button) {
  PopupMenu& menu = services_.SizeMenu;
  const std::vector<std::int32_t> indexes = menu.Indexes();
  for (const std::int32_t index : indexes) {
    menu.SetItemChecked(index, false);
  }
  if (const std::optional<double> points = services_.Surface.SelFontSize();
      points && !indexes.empty()) {
    const std::int64_t whole =
        std::clamp<std::int64_t>(RoundHalfEven(*points), std::numeric_limits<std::int16_t>::min(),
                                 std::numeric_limits<std::int16_t>::max());
    const std::int32_t size = PointsToHtmlSize(static_cast<std::int16_t>(whole));
    if (size >= indexes.front() && size <= indexes.back() && menu.IsLoaded(size)) {
      menu.SetItemChecked(size, true);
    }
  }
  ShowButtonMenu(button, menu);
}

void Scrivlet::ShowButtonMenu(const ToolbarButton& button, PopupMenu& menu) {
  const std::int32_t x = button.Left();
  const std::int32_t y = button.Top() + button.Height() + 2 * services_.Display.TwipsPerPixelY();
  menu.ShowPopup(x, y);
}

void Scrivlet::ShowAbout() {
  frmAbout about(services_.Shell);
  services_.Forms.ShowModal(about);
}

void Scrivlet::mnuFontFace_Click(std::int16_t Index) {
  if (Index == 0) {
    DoFontFace(services_.Surface, fontName_);
  } else {
    DoFontFace(services_.Surface, services_.FaceMenu.ItemCaption(Index));
  }
}

void Scrivlet::mnuFontSize_Click(std::int16_t Index) {
  DoFontSize(services_.Surface, Index == 0 ? fontSize_ : Index);
}

frmImageCopy& Scrivlet::ImageCopy() {
  return SharedImageCopyForm(services_.Publishing);
}

void Scrivlet::UpdateToolbarState() {
  UpdateToolbar(services_.Bar, services_.Surface, services_.Clip);
}

void Scrivlet::RichTextBox1_SelChange() {
  UpdateToolbarState();
}

void Scrivlet::RichTextBox1_GotFocus() {
  UpdateToolbarState();
}

void Scrivlet::Toolbar1_Change() {
  services_.Bar.SaveToolbar("", kToolbarLayoutSubkey, kToolbarLayoutValue);
}

void Scrivlet::Timer1_Timer() {
  timer_.Cancel();
  for (const std::size_t group : kPassOrder) {
    if (!offered_[group]) {
      RemoveGroupButtons(static_cast<ButtonGroup>(group));
    }
  }
  RemoveExtraSeparators();
  if (services_.Bar.AllowCustomize()) {
    services_.Bar.RestoreToolbar("", kToolbarLayoutSubkey, kToolbarLayoutValue);
  }
}

}  // namespace scrivlet
