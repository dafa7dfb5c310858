#include "conversion/font_lib.h"

#include "text/util_lib.h"

namespace scrivlet {

std::string FontFaceListFor(const std::vector<std::string>& faceLists, std::string_view face) {
  std::vector<std::string> members;
  for (const std::string& list : faceLists) {
    if (list.empty()) {
      continue;
    }
    SplitText(list, ",", members);
    for (const std::string& member : members) {
      if (TrimAny(member, " ") == face) {
        return list;
      }
    }
  }
  return std::string(face);
}

std::string FirstFontFace(std::string_view faceList) {
  return std::string(TrimAny(faceList.substr(0, faceList.find(',')), " "));
}

}  // namespace scrivlet
