#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_context.h"

// The document font table and the configured font face lists.
namespace scrivlet {

// The first configured face list (in list order) with a member equal to `face`; members are the
// comma-separated parts of a list with surrounding spaces removed, compared exactly. Empty lists
// are skipped. Without a matching list, `face` itself.
std::string FontFaceListFor(const std::vector<std::string>& faceLists, std::string_view face);

// The first comma-separated member of a face list with surrounding spaces removed; "" for "".
std::string FirstFontFace(std::string_view faceList);

}  // namespace scrivlet
