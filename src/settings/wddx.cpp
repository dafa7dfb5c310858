#include "settings/wddx.h"

#include <array>
#include <cstddef>
#include <limits>

#include "conversion/conversion_context.h"
#include "conversion/util_lib.h"

namespace scrivlet {

namespace {

// Finds one needle from start positions that never go back. A match still at or after the new
// start is the answer again, and a search that found nothing stays valid for every later start,
// so each needle's scans cover the packet about once and the parse stays linear even when a
// needle is missing and every naive search would run to the end of the packet.
struct CachedFinder {
  std::string_view text;
  std::string_view needle;
  std::size_t searchedFrom = 0;  // 1-based start of the last search; 0 before the first
  std::size_t match = 0;         // 1-based position of its match; 0 when there was none

  // The 1-based position of the first occurrence at or after `start`, or 0.
  std::size_t Find(std::size_t start) {
    if (start == 0) {
      start = 1;
    }
    if (searchedFrom != 0 && start >= searchedFrom && (match == 0 || match >= start)) {
      return match;
    }
    searchedFrom = start;
    const std::size_t after = InStrAfter(start, text, needle);
    match = after == 0 ? 0 : after - needle.size();
    return match;
  }

  // Like InStrAfter: the position just after the first occurrence at or after `start`, or 0.
  std::size_t FindAfter(std::size_t start) {
    const std::size_t p = Find(start);
    return p == 0 ? 0 : p + needle.size();
  }
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
     [](FieldSettings& s, std::int32_t row, std::string_view v) { ImageRow(s, row).Location = v; }},
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
       HyperlinkRow(s, row).Location = v;
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

  CachedFinder fieldOpen{packet, "<field name='"};
  CachedFinder nameEnd{packet, "'>"};
  CachedFinder fieldClose{packet, "</field>"};
  CachedFinder stringOpen{packet, "<string>"};
  CachedFinder stringClose{packet, "</string>"};
  CachedFinder numberOpen{packet, "<number>"};
  CachedFinder numberClose{packet, "</number>"};

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
    CachedFinder& open = isString ? stringOpen : numberOpen;
    CachedFinder& close = isString ? stringClose : numberClose;
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

void ParseWddx(std::string_view packet) {
  FieldSettings& settings = SharedFieldSettings();
  ParseWddx(packet, settings);
  SharedContext().FontFaceLists = settings.FontFaceLists;
}

FieldSettings& SharedFieldSettings() {
  static FieldSettings settings;
  return settings;
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
