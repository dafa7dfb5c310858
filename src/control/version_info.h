#pragma once

#include <cstdint>
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

// This build's version data.
inline constexpr VersionInfo kScrivletVersion{"Scrivlet", "Korvex, Inc.", "Scrivlet", 2, 3, 0};

}  // namespace scrivlet
