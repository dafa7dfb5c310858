#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Field settings: the WDDX packet that supplies the predefined pictures, the predefined
// hyperlinks and the font face lists.
namespace scrivlet {

// A predefined picture offered by the picture dialog.
struct ImageEntry {
  std::string Title;
  std::string Location;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// A predefined hyperlink offered by the hyperlink dialog.
struct HyperlinkEntry {
  std::string Title;
  std::string Location;
};

// The lists one packet fills. A list's count is its size.
struct FieldSettings {
  std::vector<ImageEntry> ImageEntries;
  std::vector<HyperlinkEntry> HyperlinkEntries;
  // Comma-separated font face lists, for example "Verdana, Arial, Helvetica".
  std::vector<std::string> FontFaceLists;
};

// Empties `settings` and fills it from `packet`: every <field name='NAME'> element with a known
// NAME (IMAGE_TITLE, IMAGE_LOCATION, IMAGE_WIDTH, IMAGE_HEIGHT, HYPERLINK_TITLE,
// HYPERLINK_LOCATION, FONT_FACE) stores its k-th <string> (or <number>) value in entry k of its
// list. Values are taken unchanged, except that a HYPERLINK_LOCATION the link rule refuses is
// stored as "#" and an IMAGE_LOCATION that is no allowed picture source as "" (see
// conversion/html_safety.h); numbers are read as a leading decimal number rounded half to even
// (none reads 0). Never fails: a malformed packet stops the scan, keeping what was stored.
void ParseWddx(std::string_view packet, FieldSettings& settings);

// Enlarge a list to `n` entries when it holds fewer, keeping its entries; new entries are empty
// strings and zeros.
void GrowImageEntries(std::vector<ImageEntry>& entries, std::int32_t n);
void GrowHyperlinkEntries(std::vector<HyperlinkEntry>& entries, std::int32_t n);
void GrowFontFaceLists(std::vector<std::string>& lists, std::int32_t n);

}  // namespace scrivlet
