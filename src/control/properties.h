#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

// The control's properties, one row each: everything that lists them (persistence, the Qt
// widget's property editor and its test, the script session, the fuzz target, a host's property
// form) reads this table. A property is added here, with its typed accessors on Scrivlet; the Qt
// widget also needs its Q_PROPERTY line, which a test holds to this table.
namespace scrivlet {

class Scrivlet;

// The properties in table order: the order a property set is saved and read in.
enum class Property : std::uint8_t {
  kTextHTML,
  kTextRTF,
  kAllowCustomize,
  kFontSize,
  kFontName,
  kButtonsEdit,
  kButtonsFontSize,
  kButtonsFontStyle,
  kButtonsFontColor,
  kButtonsIndent,
  kButtonsAlign,
  kButtonsBullets,
  kButtonsHyperlink,
  kButtonsPicture,
  kButtonsAbout,
  kFTPServer,
  kFTPUsername,
  kFTPPassword,
  kFTPSecure,
  kImagesPath,
  kWDDX,
  kForeColor,
  kBackColor,
  kAllowRawHtml,
  kHtmlImport,
  kHtmlOutput,
  kCount
};

// What a property holds, which decides how it is stored, edited and shown.
enum class PropertyType : std::uint8_t {
  kDocument,     // the document itself as HTML or RTF text; never saved with the settings
  kText,         // free text
  kPassword,     // text holding a scrambled password
  kChoice,       // one of the words in `choices`, letter case ignored on assignment
  kBoolean,      // a flag
  kButtonGroup,  // a flag offering a toolbar button group; false removes the group for good
  kHtmlSize,     // an HTML font size, 1 to 7 expected (16-bit)
  kColor,        // platform order 0x00BBGGRR, or a system colour reference (high bit set)
};

// A property's value as the accessors and the property bag take it: text types hold a string,
// kHtmlSize an int16, kColor an int32, the flags a bool.
using PropertyValue = std::variant<std::string, std::int16_t, std::int32_t, bool>;

struct PropertyDefinition {
  Property id;
  std::string_view name;
  PropertyType type;
  // A new instance's value, and the one a saved set leaves out.
  PropertyValue defaultValue;
  // The name the value is saved under; empty for one never saved. Stored sets rely on it.
  std::string_view persisted;
  // How a form shows it to a person.
  std::string_view label;
  // kChoice: the words, in the order of the mode they name.
  std::span<const std::string_view> choices;
  PropertyValue (*get)(const Scrivlet&);
  // Assigns as a host does: effects and the change notification. Throws PropertyValueError
  // for a kChoice word outside `choices`.
  void (*set)(Scrivlet&, const PropertyValue&);
  // Applies a value read from a saved set, where that differs from `set` (a group removed only
  // at the one-shot pass, a stored mode this build does not know); null: as `set`.
  void (*load)(Scrivlet&, Property, const PropertyValue&) = nullptr;
};

// Every property in the order of Property.
std::span<const PropertyDefinition> ControlProperties();
const PropertyDefinition& PropertyOf(Property id);
// The property called `name` (exactly), or null.
const PropertyDefinition* FindProperty(std::string_view name);

// The position in `choices` of `word`, letter case ignored; nothing when it is none of them.
std::optional<std::size_t> ChoiceIndex(const PropertyDefinition& property, std::string_view word);

// The alternative of PropertyValue a type uses: 0 string, 1 int16, 2 int32, 3 bool.
std::size_t ValueIndexOf(PropertyType type);

}  // namespace scrivlet
