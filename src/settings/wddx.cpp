#include "settings/wddx.h"

#include <array>
#include <cstddef>
#include <limits>

#include "conversion/html_safety.h"
#include "text/forward_find.h"
#include "text/util_lib.h"

namespace scrivlet {

namespace {

// A needle searched from start positions that never go back, with 1-based positions as
// InStrAfter counts them; remembering the last answer keeps the parse linear even when a needle
// is missing and every search would otherwise run to the end of the packet.
class PacketFinder {
 public:
  PacketFinder(std::string_view packet, std::string_view needle)
      : finder_(packet, needle), needleSize_(needle.size()) {}

  // The position of the first occurrence at or after `start`, or 0.
  std::size_t Find(std::size_t start) {
    const std::size_t p = finder_.Find(start > 0 ? start - 1 : 0);
    return p == std::string_view::npos ? 0 : p + 1;
  }

  // The position just after the first occurrence at or after `start`, or 0.
  std::size_t FindAfter(std::size_t start) {
    const std::size_t p = Find(start);
    return p == 0 ? 0 : p + needleSize_;
  }

 private:
  ForwardFinder finder_;
  std::size_t needleSize_;
};

enum class ValueKind { kString, kNumber };

// Stores a field's value in row `row` (1-based) of its list, enlarging the list as needed.
using FieldSetter = void (*)(FieldSettings& settings, std::int32_t row, std::string_view value);

struct FieldInfo {
  std::string_view name;
  ValueKind kind;
  FieldSetter set;
};

std::int32_t ToInt32(std::string_view value) {
  const std::int64_t n = RoundHalfEven(ReadLeadingNumber(value));
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(n < kMin ? kMin : (n > kMax ? kMax : n));
}

ImageEntry& ImageRow(FieldSettings& settings, std::int32_t row) {
  GrowImageEntries(settings.ImageEntries, row);
  return settings.ImageEntries[static_cast<std::size_t>(row - 1)];
}

HyperlinkEntry& HyperlinkRow(FieldSettings& settings, std::int32_t row) {
  GrowHyperlinkEntries(settings.HyperlinkEntries, row);
  return settings.HyperlinkEntries[static_cast<std::size_t>(row - 1)];
}

constexpr std::array<FieldInfo, 7> kFields = {{
    {"IMAGE_TITLE", ValueKind::kString,
     [](FieldSettings& s, std::int32_t row, std::string_view v) { ImageRow(s, row).Title = v; }},
    {"IMAGE_LOCATION", ValueKind::kString,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       // A packet is supplied by the host, not the author: a location that could run script
       // is not offered.
       ImageRow(s, row).Location = IsAllowedPictureSource(v) ? v : std::string_view();
     }},
    {"IMAGE_WIDTH", ValueKind::kNumber,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       ImageRow(s, row).Width = ToInt32(v);
     }},
    {"IMAGE_HEIGHT", ValueKind::kNumber,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       ImageRow(s, row).Height = ToInt32(v);
     }},
    {"HYPERLINK_TITLE", ValueKind::kString,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       HyperlinkRow(s, row).Title = v;
     }},
    {"HYPERLINK_LOCATION", ValueKind::kString,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       HyperlinkRow(s, row).Location = AllowedLinkUrlOr(v);
     }},
    {"FONT_FACE", ValueKind::kString,
     [](FieldSettings& s, std::int32_t row, std::string_view v) {
       GrowFontFaceLists(s.FontFaceLists, row);
       s.FontFaceLists[static_cast<std::size_t>(row - 1)] = v;
     }},
}};

const FieldInfo* FindField(std::string_view name) {
  for (const FieldInfo& field : kFields) {
    if (field.name == name) {
      return &field;
    }
  }
  return nullptr;
}

template <typename T>
void Grow(std::vector<T>& list, std::int32_t n) {
  if (n > 0 && list.size() < static_cast<std::size_t>(n)) {
    list.resize(static_cast<std::size_t>(n));
  }
}

}  // namespace

void ParseWddx(std::string_view packet, FieldSettings& settings) {
  settings.ImageEntries.clear();
  settings.HyperlinkEntries.clear();
  settings.FontFaceLists.clear();

  PacketFinder fieldOpen(packet, "<field name='");
  PacketFinder nameEnd(packet, "'>");
  PacketFinder fieldClose(packet, "</field>");
  PacketFinder stringOpen(packet, "<string>");
  PacketFinder stringClose(packet, "</string>");
  PacketFinder numberOpen(packet, "<number>");
  PacketFinder numberClose(packet, "</number>");

  std::size_t p = 1;
  for (;;) {
    const std::size_t q = fieldOpen.FindAfter(p);
    if (q == 0) {
      return;
    }
    const std::size_t r = nameEnd.Find(q);
    if (r == 0) {
      return;
    }
    const FieldInfo* field = FindField(packet.substr(q - 1, r - q));
    p = r;
    if (field == nullptr) {
      continue;
    }
    const bool isString = field->kind == ValueKind::kString;
    PacketFinder& open = isString ? stringOpen : numberOpen;
    PacketFinder& close = isString ? stringClose : numberClose;
    const std::size_t e = fieldClose.Find(p);
    if (e == 0) {
      return;
    }
    for (std::int32_t k = 1;; ++k) {
      const std::size_t s = open.FindAfter(p);
      if (s == 0 || s > e) {
        break;
      }
      const std::size_t t = close.Find(s);
      if (t == 0) {
        return;
      }
      field->set(settings, k, packet.substr(s - 1, t - s));
      p = t;
      // A list cannot count past the int32 range; a packet reaching it is treated as damaged.
      if (k == std::numeric_limits<std::int32_t>::max()) {
        return;
      }
    }
  }
}

void GrowImageEntries(std::vector<ImageEntry>& entries, std::int32_t n) {
  Grow(entries, n);
}

void GrowHyperlinkEntries(std::vector<HyperlinkEntry>& entries, std::int32_t n) {
  Grow(entries, n);
}

void GrowFontFaceLists(std::vector<std::string>& lists, std::int32_t n) {
  Grow(lists, n);
}

}  // namespace scrivlet
