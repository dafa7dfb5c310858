#include "control/properties.h"

#include <array>

#include "control/scrivlet.h"
#include "text/text_codec.h"

namespace scrivlet {

namespace {

constexpr std::string_view kImportChoices[] = {"Auto", "Dialect", "Html5"};
constexpr std::string_view kOutputChoices[] = {"Classic", "Html5"};

template <typename T, auto Get>
PropertyValue Read(const Scrivlet& control) {
  return PropertyValue(std::in_place_type<T>, (control.*Get)());
}

template <typename T, auto Set>
void Assign(Scrivlet& control, const PropertyValue& value) {
  (control.*Set)(std::get<T>(value));
}

}  // namespace

// A friend of Scrivlet: the loads reach what a restored instance sets without the effects of an
// assignment.
std::span<const PropertyDefinition> ControlProperties() {
  using S = Scrivlet;
  using T = PropertyType;
  using P = Property;
  using Text = std::string;
  using Flag = bool;
  // A button group read from a saved set is removed by the one-shot pass, not at once.
  const auto loadGroup = [](Scrivlet& c, Property group, const PropertyValue& value) {
    c.offered_[static_cast<std::size_t>(group)] = std::get<bool>(value);
  };
  static const std::array<PropertyDefinition, static_cast<std::size_t>(P::kCount)> kTable = {
      {
          {P::kTextHTML,
           "TextHTML",
           T::kDocument,
           Text(),
           "",
           "Document (HTML)",
           {},
           &Read<Text, &S::TextHTML>,
           &Assign<Text, &S::SetTextHTML>},
          {P::kTextRTF,
           "TextRTF",
           T::kDocument,
           Text(),
           "",
           "Document (RTF)",
           {},
           &Read<Text, &S::TextRTF>,
           &Assign<Text, &S::SetTextRTF>},
          {P::kAllowCustomize,
           "AllowCustomize",
           T::kBoolean,
           true,
           "AllowCustomize",
           "Users may customise the toolbar",
           {},
           &Read<Flag, &S::AllowCustomize>,
           &Assign<Flag, &S::SetAllowCustomize>,
           [](Scrivlet& c, Property, const PropertyValue& value) {
             c.services_.Bar.SetAllowCustomize(std::get<bool>(value));
           }},
          {P::kFontSize,
           "FontSize",
           T::kHtmlSize,
           std::int16_t{3},
           "FontSize",
           "Default font size",
           {},
           &Read<std::int16_t, &S::FontSize>,
           &Assign<std::int16_t, &S::SetFontSize>},
          {P::kFontName,
           "FontName",
           T::kText,
           Text("Arial"),
           "FontName",
           "Default font face",
           {},
           &Read<Text, &S::FontName>,
           &Assign<Text, &S::SetFontName>},
          {P::kButtonsEdit,
           "ButtonsEdit",
           T::kButtonGroup,
           true,
           "ButtonsEdit",
           "Edit buttons (cut, copy, paste, undo)",
           {},
           &Read<Flag, &S::ButtonsEdit>,
           &Assign<Flag, &S::SetButtonsEdit>,
           loadGroup},
          {P::kButtonsFontSize,
           "ButtonsFontSize",
           T::kButtonGroup,
           true,
           "ButtonsFontSize",
           "Font size button",
           {},
           &Read<Flag, &S::ButtonsFontSize>,
           &Assign<Flag, &S::SetButtonsFontSize>,
           loadGroup},
          {P::kButtonsFontStyle,
           "ButtonsFontStyle",
           T::kButtonGroup,
           true,
           "ButtonsFontStyle",
           "Font style buttons (bold, italic, underline)",
           {},
           &Read<Flag, &S::ButtonsFontStyle>,
           &Assign<Flag, &S::SetButtonsFontStyle>,
           loadGroup},
          {P::kButtonsFontColor,
           "ButtonsFontColor",
           T::kButtonGroup,
           true,
           "ButtonsFontColor",
           "Font colour button",
           {},
           &Read<Flag, &S::ButtonsFontColor>,
           &Assign<Flag, &S::SetButtonsFontColor>,
           loadGroup},
          {P::kButtonsIndent,
           "ButtonsIndent",
           T::kButtonGroup,
           true,
           "ButtonsIndent",
           "Indent buttons",
           {},
           &Read<Flag, &S::ButtonsIndent>,
           &Assign<Flag, &S::SetButtonsIndent>,
           loadGroup},
          {P::kButtonsAlign,
           "ButtonsAlign",
           T::kButtonGroup,
           true,
           "ButtonsAlign",
           "Alignment buttons",
           {},
           &Read<Flag, &S::ButtonsAlign>,
           &Assign<Flag, &S::SetButtonsAlign>,
           loadGroup},
          {P::kButtonsBullets,
           "ButtonsBullets",
           T::kButtonGroup,
           true,
           "ButtonsBullets",
           "Bullets button",
           {},
           &Read<Flag, &S::ButtonsBullets>,
           &Assign<Flag, &S::SetButtonsBullets>,
           loadGroup},
          {P::kButtonsHyperlink,
           "ButtonsHyperlink",
           T::kButtonGroup,
           true,
           "ButtonsHyperlink",
           "Hyperlink button",
           {},
           &Read<Flag, &S::ButtonsHyperlink>,
           &Assign<Flag, &S::SetButtonsHyperlink>,
           loadGroup},
          {P::kButtonsPicture,
           "ButtonsPicture",
           T::kButtonGroup,
           true,
           "ButtonsPicture",
           "Picture button",
           {},
           &Read<Flag, &S::ButtonsPicture>,
           &Assign<Flag, &S::SetButtonsPicture>,
           loadGroup},
          {P::kButtonsAbout,
           "ButtonsAbout",
           T::kButtonGroup,
           true,
           "ButtonsAbout",
           "About button",
           {},
           &Read<Flag, &S::ButtonsAbout>,
           &Assign<Flag, &S::SetButtonsAbout>,
           loadGroup},
          {P::kFTPServer,
           "FTPServer",
           T::kText,
           Text(),
           "FTPServer",
           "FTP server",
           {},
           &Read<Text, &S::FTPServer>,
           &Assign<Text, &S::SetFTPServer>},
          {P::kFTPUsername,
           "FTPUsername",
           T::kText,
           Text(),
           "FTPUsername",
           "FTP user name",
           {},
           &Read<Text, &S::FTPUsername>,
           &Assign<Text, &S::SetFTPUsername>},
          {P::kFTPPassword,
           "FTPPassword",
           T::kPassword,
           Text(),
           "FTPPassword",
           "FTP password",
           {},
           &Read<Text, &S::FTPPassword>,
           &Assign<Text, &S::SetFTPPassword>},
          {P::kFTPSecure,
           "FTPSecure",
           T::kBoolean,
           false,
           "FTPSecure",
           "Secure FTP (TLS)",
           {},
           &Read<Flag, &S::FTPSecure>,
           &Assign<Flag, &S::SetFTPSecure>},
          {P::kImagesPath,
           "ImagesPath",
           T::kText,
           Text(),
           "ImagesPath",
           "Images folder",
           {},
           &Read<Text, &S::ImagesPath>,
           &Assign<Text, &S::SetImagesPath>},
          {P::kWDDX,
           "WDDX",
           T::kText,
           Text(),
           "WDDX",
           "Field settings (WDDX packet)",
           {},
           &Read<Text, &S::WDDX>,
           &Assign<Text, &S::SetWDDX>},
          {P::kForeColor,
           "ForeColor",
           T::kColor,
           std::int32_t{0},
           "ForeColor",
           "Text colour",
           {},
           &Read<std::int32_t, &S::ForeColor>,
           &Assign<std::int32_t, &S::SetForeColor>},
          // Restored without a change notification, as the surface keeps it.
          {P::kBackColor,
           "BackColor",
           T::kColor,
           Scrivlet::kSystemWindowColor,
           "BackColor",
           "Background colour",
           {},
           &Read<std::int32_t, &S::BackColor>,
           &Assign<std::int32_t, &S::SetBackColor>,
           [](Scrivlet& c, Property, const PropertyValue& value) {
             c.services_.Surface.SetBackColor(std::get<std::int32_t>(value));
           }},
          {P::kAllowRawHtml,
           "AllowRawHtml",
           T::kBoolean,
           false,
           "AllowRawHtml",
           "Let raw HTML through (trusted authors only)",
           {},
           &Read<Flag, &S::AllowRawHtml>,
           &Assign<Flag, &S::SetAllowRawHtml>},
          // A stored mode this build does not know (a later version's) reads as the default.
          {P::kHtmlImport, "HtmlImport", T::kChoice, Text(kImportChoices[0]), "HtmlImport",
           "Reading pages", kImportChoices, &Read<Text, &S::HtmlImport>,
           &Assign<Text, &S::SetHtmlImport>,
           [](Scrivlet& c, Property id, const PropertyValue& value) {
             c.htmlImport_ = static_cast<HtmlImportMode>(
                 ChoiceIndex(PropertyOf(id), std::get<std::string>(value)).value_or(0));
           }},
          {P::kHtmlOutput, "HtmlOutput", T::kChoice, Text(kOutputChoices[0]), "HtmlOutput",
           "HTML written", kOutputChoices, &Read<Text, &S::HtmlOutput>,
           &Assign<Text, &S::SetHtmlOutput>,
           [](Scrivlet& c, Property id, const PropertyValue& value) {
             c.htmlOutput_ = static_cast<HtmlOutputMode>(
                 ChoiceIndex(PropertyOf(id), std::get<std::string>(value)).value_or(0));
           }},
      }};
  return kTable;
}

const PropertyDefinition& PropertyOf(Property id) {
  return ControlProperties()[static_cast<std::size_t>(id)];
}

const PropertyDefinition* FindProperty(std::string_view name) {
  for (const PropertyDefinition& property : ControlProperties()) {
    if (property.name == name) {
      return &property;
    }
  }
  return nullptr;
}

std::size_t ValueIndexOf(PropertyType type) {
  switch (type) {
    case PropertyType::kHtmlSize:
      return 1;
    case PropertyType::kColor:
      return 2;
    case PropertyType::kBoolean:
    case PropertyType::kButtonGroup:
      return 3;
    default:
      return 0;
  }
}

std::optional<std::size_t> ChoiceIndex(const PropertyDefinition& property, std::string_view word) {
  for (std::size_t i = 0; i < property.choices.size(); ++i) {
    const std::string_view choice = property.choices[i];
    if (word.size() == choice.size() && StartsWithNoCase(word, choice)) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace scrivlet
