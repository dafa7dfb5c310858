#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace scrivlet {

// The module's version data, as the about box and the HTML marker comment show it.
struct VersionInfo {
  std::string_view Title;
  std::string_view Company;
  std::string_view Product;
  std::int32_t Major;
  std::int32_t Minor;
  std::int32_t Revision;
};

// The version as products show it: major.minor.0.revision, for example "2.3.0.0".
inline std::string VersionNumberText(const VersionInfo& version) {
  return std::to_string(version.Major) + "." + std::to_string(version.Minor) + ".0." +
         std::to_string(version.Revision);
}

// This build's version data.
inline constexpr VersionInfo kScrivletVersion{"Scrivlet", "Korvex, Inc.", "Scrivlet", 2, 3, 0};

}  // namespace scrivlet
