#include "conversion/link_rule.h"

#include <array>

#include "conversion/text_codec.h"

namespace scrivlet {

namespace {

// The URL as a browser reads its scheme: leading spaces and control characters dropped, tabs and
// line breaks anywhere removed, folded to lower case. Only the first bytes matter to the rule.
std::string NormaliseForScheme(std::string_view url) {
  std::string out;
  std::size_t i = 0;
  while (i < url.size() && static_cast<unsigned char>(url[i]) <= 0x20) {
    ++i;
  }
  for (; i < url.size() && out.size() < 64; ++i) {
    const char c = url[i];
    if (c == '\t' || c == '\n' || c == '\r') {
      continue;
    }
    out += FoldAscii(c);
  }
  return out;
}

// The scheme before the first ":" (lower case), "" when the URL has none. A ":" after "/", "?"
// or "#" belongs to the path; a ":" after anything that cannot be a scheme makes the whole
// prefix the "scheme", so that it fails every comparison.
std::string_view SchemeOf(std::string_view normalised) {
  const std::size_t colon = normalised.find(':');
  if (colon == std::string_view::npos) {
    return {};
  }
  const std::size_t path = normalised.find_first_of("/?#");
  if (path != std::string_view::npos && path < colon) {
    return {};
  }
  return normalised.substr(0, colon + 1);
}

}  // namespace

bool IsSafeLinkUrl(std::string_view url) {
  const std::string normalised = NormaliseForScheme(url);
  const std::string_view scheme = SchemeOf(normalised);
  constexpr std::array<std::string_view, 5> kAllowed = {
      "http:", "https:", "mailto:", "ftp:", "tel:"};
  if (scheme.empty()) {
    return true;
  }
  for (const std::string_view allowed : kAllowed) {
    if (scheme == allowed) {
      return true;
    }
  }
  return false;
}

std::string SafeLinkUrl(std::string_view url) {
  return IsSafeLinkUrl(url) ? std::string(url) : std::string("#");
}

bool IsSafeImageSource(std::string_view src) {
  const std::string normalised = NormaliseForScheme(src);
  const std::string_view scheme = SchemeOf(normalised);
  if (scheme.empty() || scheme == "http:" || scheme == "https:") {
    return true;
  }
  constexpr std::array<std::string_view, 4> kImageData = {"data:image/png", "data:image/gif",
                                                          "data:image/jpeg", "data:image/webp"};
  for (const std::string_view prefix : kImageData) {
    if (normalised.starts_with(prefix) && normalised.size() > prefix.size() &&
        (normalised[prefix.size()] == ';' || normalised[prefix.size()] == ',')) {
      return true;
    }
  }
  return false;
}

}  // namespace scrivlet
