#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scrivlet {

class OutputSink;

// What RtfToHtml writes for a raw-tag run that is not an allowed picture tag.
enum class RawHtml {
  kAsText,       // visible, encoded text: nothing on the page can run script
  kPassThrough,  // the run itself, unchanged, for a host that trusts its authors
};

// The tables both converters share, and the settings they read.
//
// Owned by the caller and passed to each conversion: a conversion resets and refills the tables,
// and they keep that document's values afterwards. A control builds one from its own properties
// for each conversion (Scrivlet::ConversionSettings), so two controls never see each other's
// tables or settings; code that converts on another thread does the same with a copy.
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
  // When set, RtfToHtml hands the finished front of its output here as it converts
  // (text/output_buffer.h), for a caller that writes it out meanwhile; the string returned still
  // holds the whole output. Not owned; used only for a text given whole (not a PieceSource);
  // HtmlToRtf does not use it.
  OutputSink* Sink = nullptr;

  std::int32_t ColorCount() const { return static_cast<std::int32_t>(ColorTable.size()); }
  std::int32_t FontCount() const { return static_cast<std::int32_t>(FontTable.size()); }
  std::int32_t FontFaceListCount() const { return static_cast<std::int32_t>(FontFaceLists.size()); }
};

}  // namespace scrivlet
