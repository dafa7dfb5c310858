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
#include "dialogs/frm_about.h"
#include "publishing/frm_image_copy.h"
#include "settings/wddx.h"
#include "text/text_codec.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

// The refresh rules of the toolbar's entries, in toolbar order.
std::span<const ButtonStateRule> StateRules() {
  static const std::vector<ButtonStateRule> rules = [] {
    std::vector<ButtonStateRule> stated;
    for (const CommandDefinition& command : ToolbarCommands()) {
      if (command.state != ShownState::kNone) {
        stated.push_back({command.key, command.state});
      }
    }
    return stated;
  }();
  return rules;
}

}  // namespace

const std::vector<std::string> Scrivlet::kFontFaceMenuItems = {"Normal"};
const std::vector<std::string> Scrivlet::kFontSizeMenuItems = {
    "Normal",    "1 (8 pt)",  "2 (10 pt)", "3 (12 pt)",
    "4 (14 pt)", "5 (18 pt)", "6 (24 pt)", "7 (36 pt)"};

Scrivlet::Scrivlet(const ControlServices& services)
    : services_(services), context_(services_.Colors) {
  offered_.fill(true);
  RichTextBox& surface = services_.Surface;
  surface.SetFontName("Arial");
  surface.SetFontSize(12);
  surface.SetBackColor(kSystemWindowColor);
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (!command.key.empty()) {
      images_.Add(command.key);
    }
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
}

void Scrivlet::AddToolbarEntries() {
  for (const CommandDefinition& command : ToolbarCommands()) {
    std::string tooltip(command.tooltip);
    if (!command.shortcut.empty()) {
      tooltip += " (" + std::string(command.shortcut) + ")";
    }
    services_.Bar.Add({std::string(command.key),
                       command.style,
                       std::string(command.caption),
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

void Scrivlet::PropertyChanged(Property property) const {
  if (propertyChanged_) {
    propertyChanged_(PropertyOf(property).name);
  }
}

// ----- Properties -----

std::string Scrivlet::TextRTF() const {
  return services_.Surface.TextRTF();
}

void Scrivlet::SetTextRTF(std::string_view rtf) {
  services_.Surface.SetTextRTF(rtf);
  PropertyChanged(Property::kTextRTF);
}

namespace {

// The word of a kChoice property for a mode numbered as its choices are.
std::string ChoiceName(Property property, std::size_t mode) {
  const std::span<const std::string_view> choices = PropertyOf(property).choices;
  return std::string(choices[mode < choices.size() ? mode : 0]);
}

// The mode numbered as the property's choices; throws PropertyValueError for any other word.
std::size_t ChoiceOf(Property property, std::string_view word) {
  const PropertyDefinition& definition = PropertyOf(property);
  if (const std::optional<std::size_t> index = ChoiceIndex(definition, word)) {
    return *index;
  }
  std::string words;
  for (std::size_t i = 0; i < definition.choices.size(); ++i) {
    words += (i == 0 ? "" : i + 1 == definition.choices.size() ? " or " : ", ");
    words += definition.choices[i];
  }
  throw PropertyValueError(std::string(definition.name) + " must be " + words + ", not \"" +
                               std::string(word.substr(0, 40)) + "\"",
                           std::string(word));
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
  // Tables of this read's own: a read changes nothing another read, or another control, sees.
  ConversionContext context = ConversionSettings();
  // The surface's RTF is written and converted a piece at a time, and the comment is written in
  // front of the page in its own buffer (which has room to spare): a large page is held once,
  // never beside its whole RTF or the page and comment joined.
  std::string html;
  {
    const std::unique_ptr<PieceSource> rtf = services_.Surface.TextRTFPieces();
    html = RtfToHtml(*rtf, context);
  }
  html.insert(0, BuildMarkerComment());
  return html;
}

ConversionContext Scrivlet::ConversionSettings() const {
  ConversionContext context;
  context.DefaultColor = OleColorToRgb(foreColor_);
  context.FontFaceLists = context_.Fields.FontFaceLists;
  context.RawTags = allowRawHtml_ ? RawHtml::kPassThrough : RawHtml::kAsText;
  return context;
}

void Scrivlet::SetTextHTML(std::string_view html) {
  const bool dialect = htmlImport_ == HtmlImportMode::kDialect ||
                       (htmlImport_ == HtmlImportMode::kAuto && IsOwnPage(html));
  // Converted whole before anything is loaded: a rejected page leaves the document as it was.
  // The document is made in the body's own buffer, so that a large page's RTF is held once, not
  // as the body and the document at once, while the surface reads it.
  std::string document;
  {
    ConversionContext context = ConversionSettings();
    std::string body = dialect ? HtmlToRtf(html, context) : ReadHtmlToRtf(html, context);
    document = BuildHtmlDocument(services_.Surface.FontName(), std::move(body));
  }
  services_.Surface.SetTextRTF(document);
}

std::string Scrivlet::HtmlImport() const {
  return ChoiceName(Property::kHtmlImport, static_cast<std::size_t>(htmlImport_));
}

void Scrivlet::SetHtmlImport(std::string_view mode) {
  htmlImport_ = static_cast<HtmlImportMode>(ChoiceOf(Property::kHtmlImport, mode));
  PropertyChanged(Property::kHtmlImport);
}

std::string Scrivlet::HtmlOutput() const {
  return ChoiceName(Property::kHtmlOutput, static_cast<std::size_t>(htmlOutput_));
}

void Scrivlet::SetHtmlOutput(std::string_view mode) {
  htmlOutput_ = static_cast<HtmlOutputMode>(ChoiceOf(Property::kHtmlOutput, mode));
  PropertyChanged(Property::kHtmlOutput);
}

bool Scrivlet::AllowCustomize() const {
  return services_.Bar.AllowCustomize();
}

void Scrivlet::SetAllowCustomize(bool allow) {
  services_.Bar.SetAllowCustomize(allow);
  PropertyChanged(Property::kAllowCustomize);
}

void Scrivlet::SetFontSize(std::int16_t size) {
  fontSize_ = size;
  PropertyChanged(Property::kFontSize);
  services_.Surface.SetFontSize(HtmlSizeToPoints(size));
}

void Scrivlet::SetFontName(std::string_view face) {
  fontName_ = face;
  PropertyChanged(Property::kFontName);
  services_.Surface.SetFontName(face);
}

bool Scrivlet::Offered(Property group) const {
  return offered_[static_cast<std::size_t>(group)];
}

void Scrivlet::SetOffered(Property group, bool offered) {
  if (!Offered(group) || offered) {
    return;
  }
  offered_[static_cast<std::size_t>(group)] = false;
  PropertyChanged(group);
  RemoveGroupButtons(group);
  RemoveExtraSeparators();
}

// A key the user already took off the toolbar is simply not there to remove.
void Scrivlet::RemoveGroupButtons(Property group) {
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (command.group == group && services_.Bar.Contains(command.key)) {
      services_.Bar.Remove(command.key);
    }
  }
}

bool Scrivlet::ButtonsEdit() const {
  return Offered(Property::kButtonsEdit);
}
void Scrivlet::SetButtonsEdit(bool offered) {
  SetOffered(Property::kButtonsEdit, offered);
}
bool Scrivlet::ButtonsFontSize() const {
  return Offered(Property::kButtonsFontSize);
}
void Scrivlet::SetButtonsFontSize(bool offered) {
  SetOffered(Property::kButtonsFontSize, offered);
}
bool Scrivlet::ButtonsFontStyle() const {
  return Offered(Property::kButtonsFontStyle);
}
void Scrivlet::SetButtonsFontStyle(bool offered) {
  SetOffered(Property::kButtonsFontStyle, offered);
}
bool Scrivlet::ButtonsFontColor() const {
  return Offered(Property::kButtonsFontColor);
}
void Scrivlet::SetButtonsFontColor(bool offered) {
  SetOffered(Property::kButtonsFontColor, offered);
}
bool Scrivlet::ButtonsIndent() const {
  return Offered(Property::kButtonsIndent);
}
void Scrivlet::SetButtonsIndent(bool offered) {
  SetOffered(Property::kButtonsIndent, offered);
}
bool Scrivlet::ButtonsAlign() const {
  return Offered(Property::kButtonsAlign);
}
void Scrivlet::SetButtonsAlign(bool offered) {
  SetOffered(Property::kButtonsAlign, offered);
}
bool Scrivlet::ButtonsBullets() const {
  return Offered(Property::kButtonsBullets);
}
void Scrivlet::SetButtonsBullets(bool offered) {
  SetOffered(Property::kButtonsBullets, offered);
}
bool Scrivlet::ButtonsHyperlink() const {
  return Offered(Property::kButtonsHyperlink);
}
void Scrivlet::SetButtonsHyperlink(bool offered) {
  SetOffered(Property::kButtonsHyperlink, offered);
}
bool Scrivlet::ButtonsPicture() const {
  return Offered(Property::kButtonsPicture);
}
void Scrivlet::SetButtonsPicture(bool offered) {
  SetOffered(Property::kButtonsPicture, offered);
}
bool Scrivlet::ButtonsAbout() const {
  return Offered(Property::kButtonsAbout);
}
void Scrivlet::SetButtonsAbout(bool offered) {
  SetOffered(Property::kButtonsAbout, offered);
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
  PropertyChanged(Property::kFTPServer);
  ImageCopy().SetFTPServer(ftpServer_);
}

void Scrivlet::SetFTPUsername(std::string_view user) {
  ftpUsername_ = user;
  PropertyChanged(Property::kFTPUsername);
  ImageCopy().SetFTPUsername(ftpUsername_);
}

void Scrivlet::SetFTPPassword(std::string_view password) {
  ftpPassword_ = password;
  PropertyChanged(Property::kFTPPassword);
  ImageCopy().SetFTPPassword(ftpPassword_);
}

void Scrivlet::SetFTPSecure(bool secure) {
  ftpSecure_ = secure;
  PropertyChanged(Property::kFTPSecure);
  ImageCopy().SetFTPSecure(ftpSecure_);
}

void Scrivlet::SetImagesPath(std::string_view path) {
  imagesPath_ = path;
  PropertyChanged(Property::kImagesPath);
  ImageCopy().SetImagesPath(imagesPath_);
}

void Scrivlet::SetWDDX(std::string_view packet) {
  wddx_ = packet;
  PropertyChanged(Property::kWDDX);
  ParseWddx(wddx_, context_.Fields);
  const bool faces = !context_.Fields.FontFaceLists.empty();
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (command.group == Property::kWDDX && services_.Bar.Contains(command.key)) {
      ToolbarButton& button = services_.Bar.Button(command.key);
      button.SetEnabled(faces);
      button.SetVisible(faces);
    }
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
  const std::vector<std::string>& lists = context_.Fields.FontFaceLists;
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
  PropertyChanged(Property::kBackColor);
}

void Scrivlet::SetForeColor(std::int32_t color) {
  foreColor_ = color;
  services_.Surface.SetSelColor(color);
  PropertyChanged(Property::kForeColor);
}

void Scrivlet::SetAllowRawHtml(bool allow) {
  allowRawHtml_ = allow;
  PropertyChanged(Property::kAllowRawHtml);
}

// ----- Lifecycle -----

void Scrivlet::UserControl_Initialize() {
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
  const auto text = [](Property property) {
    return std::get<std::string>(PropertyOf(property).defaultValue);
  };
  const auto flag = [](Property property) {
    return std::get<bool>(PropertyOf(property).defaultValue);
  };
  fontSize_ = std::get<std::int16_t>(PropertyOf(Property::kFontSize).defaultValue);
  fontName_ = text(Property::kFontName);
  for (const PropertyDefinition& property : ControlProperties()) {
    if (property.type == PropertyType::kButtonGroup) {
      offered_[static_cast<std::size_t>(property.id)] = flag(property.id);
    }
  }
  ftpServer_ = text(Property::kFTPServer);
  ftpUsername_ = text(Property::kFTPUsername);
  ftpPassword_ = text(Property::kFTPPassword);
  ftpSecure_ = flag(Property::kFTPSecure);
  imagesPath_ = text(Property::kImagesPath);
  wddx_ = text(Property::kWDDX);
  foreColor_ = std::get<std::int32_t>(PropertyOf(Property::kForeColor).defaultValue);
  allowRawHtml_ = flag(Property::kAllowRawHtml);
  htmlImport_ =
      static_cast<HtmlImportMode>(ChoiceOf(Property::kHtmlImport, text(Property::kHtmlImport)));
  htmlOutput_ =
      static_cast<HtmlOutputMode>(ChoiceOf(Property::kHtmlOutput, text(Property::kHtmlOutput)));
}

void Scrivlet::UserControl_ReadProperties(const PropertyBag& PropBag) {
  for (const PropertyDefinition& property : ControlProperties()) {
    if (property.persisted.empty()) {
      continue;
    }
    const PropertyValue& fallback = property.defaultValue;
    PropertyValue value;
    switch (ValueIndexOf(property.type)) {
      case 1:
        value = PropBag.ReadInt16(property.persisted, std::get<std::int16_t>(fallback));
        break;
      case 2:
        value = PropBag.ReadInt32(property.persisted, std::get<std::int32_t>(fallback));
        break;
      case 3:
        value = PropBag.ReadBoolean(property.persisted, std::get<bool>(fallback));
        break;
      default:
        value = PropBag.ReadString(property.persisted, std::get<std::string>(fallback));
        break;
    }
    if (property.load != nullptr) {
      property.load(*this, property.id, value);
    } else {
      property.set(*this, value);
    }
  }
  // The pass runs once the container has finished loading.
  timer_ = services_.Loop.Defer(std::chrono::milliseconds(1), [this] { Timer1_Timer(); });
}

void Scrivlet::UserControl_WriteProperties(PropertyBag& PropBag) const {
  for (const PropertyDefinition& property : ControlProperties()) {
    if (property.persisted.empty()) {
      continue;
    }
    const PropertyValue value = property.get(*this);
    const PropertyValue& fallback = property.defaultValue;
    switch (ValueIndexOf(property.type)) {
      case 1:
        PropBag.WriteInt16(property.persisted, std::get<std::int16_t>(value),
                           std::get<std::int16_t>(fallback));
        break;
      case 2:
        PropBag.WriteInt32(property.persisted, std::get<std::int32_t>(value),
                           std::get<std::int32_t>(fallback));
        break;
      case 3:
        PropBag.WriteBoolean(property.persisted, std::get<bool>(value), std::get<bool>(fallback));
        break;
      default:
        PropBag.WriteString(property.persisted, std::get<std::string>(value),
                            std::get<std::string>(fallback));
        break;
    }
  }
}

void Scrivlet::UserControl_Resize(std::int32_t innerWidth, std::int32_t innerHeight) {
  const std::int32_t top = services_.Bar.Height();
  services_.Surface.Move(0, top, innerWidth, std::max(0, innerHeight - top));
}

// ----- Toolbar, menus, events -----

void Scrivlet::Toolbar1_ButtonClick(ToolbarButton& Button) {
  // Copied: a command may remove the entry the reference names.
  const std::string key = Button.Key();
  if (const CommandDefinition* command = FindCommand(key)) {
    const UndoStep step(services_.Surface);
    command->run(*this, Button);
  }
  // Every command: a formatting change raises no selection event, yet it changes what Undo
  // offers.
  UpdateToolbarState();
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
  if (!imageCopy_) {
    imageCopy_ = std::make_unique<frmImageCopy>(services_.Publishing, internet_);
  }
  return *imageCopy_;
}

void Scrivlet::UpdateToolbarState() {
  UpdateToolbar(services_.Bar, services_.Surface, services_.Clip, context_.Actions, StateRules());
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
  for (const CommandDefinition& command : ToolbarCommands()) {
    if (command.group && PropertyOf(*command.group).type == PropertyType::kButtonGroup &&
        !Offered(*command.group) && services_.Bar.Contains(command.key)) {
      services_.Bar.Remove(command.key);
    }
  }
  RemoveExtraSeparators();
  if (services_.Bar.AllowCustomize()) {
    services_.Bar.RestoreToolbar("", kToolbarLayoutSubkey, kToolbarLayoutValue);
  }
}

}  // namespace scrivlet
