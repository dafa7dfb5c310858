#include "conversion/font_lib.h"

#include "text/util_lib.h"

namespace scrivlet {

namespace {

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::int32_t FontTableIndex(ConversionContext& context, std::string_view face) {
  auto& table = context.FontTable;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == face) {
      return static_cast<std::int32_t>(i);
    }
  }
  table.emplace_back(face);
  return static_cast<std::int32_t>(table.size()) - 1;
}

std::string FontFaceListFor(const std::vector<std::string>& faceLists, std::string_view face) {
  std::vector<std::string> members;
  for (const std::string& list : faceLists) {
    if (list.empty()) {
      continue;
    }
    SplitText(list, ",", members);
    for (const std::string& member : members) {
      if (TrimSpaces(member) == face) {
        return list;
      }
    }
  }
  return std::string(face);
}

std::string FirstFontFace(std::string_view faceList) {
  return std::string(TrimSpaces(faceList.substr(0, faceList.find(','))));
}

}  // namespace scrivlet
