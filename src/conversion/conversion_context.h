#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scrivlet {

// What RtfToHtml writes for a raw-tag run that is not an allowed picture tag.
enum class RawHtml {
  kAsText,       // visible, encoded text: nothing on the page can run script
  kPassThrough,  // the run itself, unchanged, for a host that trusts its authors
};

// The tables both converters share, and the settings they read.
//
// The control uses one module-wide instance, `SharedContext()`, shared by every control in the
// process exactly as the document tables always were: a conversion resets and refills the
// tables, and they keep the last document's values afterwards. Code that converts on another
// thread owns a context of its own and passes it to the converters; nothing else is shared.
//
// Tables are 1-based in the documentation's sense: RTF colour number n is `ColorTable[n]`
// (vector index n), and `ColorCount()` is the table's size; the same holds for fonts.
struct ConversionContext {
  // The document colour table, HTML order 0xRRGGBB.
  std::vector<std::int32_t> ColorTable;
  // The document font table: face strings (or configured face lists) in table order.
  std::vector<std::string> FontTable;
  // The control's text colour in HTML order, set from its ForeColor property.
  std::int32_t DefaultColor = 0;
  // Configured font faces, each a comma-separated list of alternative face names.
  std::vector<std::string> FontFaceLists;
  // The control's AllowRawHtml property, set from it before each read of TextHTML.
  RawHtml RawTags = RawHtml::kAsText;

  std::int32_t ColorCount() const { return static_cast<std::int32_t>(ColorTable.size()); }
  std::int32_t FontCount() const { return static_cast<std::int32_t>(FontTable.size()); }
  std::int32_t FontFaceListCount() const { return static_cast<std::int32_t>(FontFaceLists.size()); }
};

// The module-wide context of this process. Owned by the module; lives as long as the process.
// Not synchronised: it belongs to the user-interface thread, as the control does.
ConversionContext& SharedContext();

}  // namespace scrivlet
