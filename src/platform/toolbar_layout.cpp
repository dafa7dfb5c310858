#include "platform/toolbar_layout.h"

#include <charconv>
#include <string>
#include <system_error>

namespace scrivlet {
namespace {

constexpr std::string_view kVersionMark = "1";
constexpr char kItemSeparator = '|';
constexpr char kHiddenMark = '!';
constexpr char kSerialMark = '#';
constexpr char kEscape = '\\';

bool NeedsEscape(char c) {
  return c == kItemSeparator || c == kHiddenMark || c == kSerialMark || c == kEscape;
}

void AppendEscaped(std::string& out, std::string_view key) {
  for (const char c : key) {
    if (NeedsEscape(c)) {
      out += kEscape;
    }
    out += c;
  }
}

// Splits at separators that are not escaped; the pieces keep their escapes.
std::vector<std::string_view> SplitItems(std::string_view value) {
  std::vector<std::string_view> pieces;
  std::size_t begin = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == kEscape) {
      ++i;
    } else if (value[i] == kItemSeparator) {
      pieces.push_back(value.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  pieces.push_back(value.substr(begin));
  return pieces;
}

std::string Unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kEscape && i + 1 < text.size()) {
      ++i;
    }
    out += text[i];
  }
  return out;
}

bool ReadItem(std::string_view piece, LayoutItem& item) {
  item = LayoutItem{};
  if (!piece.empty() && piece.front() == kHiddenMark) {
    item.Hidden = true;
    piece.remove_prefix(1);
  }
  if (piece.empty()) {
    return false;
  }
  if (piece.front() != kSerialMark) {
    item.Key = Unescape(piece);
    return true;
  }
  const std::string_view digits = piece.substr(1);
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), item.Serial);
  return error == std::errc{} && end == digits.data() + digits.size() && item.Serial > 0;
}

}  // namespace

std::string EncodeToolbarLayout(const std::vector<LayoutItem>& items) {
  std::string out(kVersionMark);
  for (const LayoutItem& item : items) {
    out += kItemSeparator;
    if (item.Hidden) {
      out += kHiddenMark;
    }
    if (item.Key.empty()) {
      out += kSerialMark;
      out += std::to_string(item.Serial);
    } else {
      AppendEscaped(out, item.Key);
    }
  }
  return out;
}

std::vector<LayoutItem> DecodeToolbarLayout(std::string_view value) {
  std::vector<LayoutItem> items;
  const std::vector<std::string_view> pieces = SplitItems(value);
  if (pieces.front() != kVersionMark) {
    return items;
  }
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    LayoutItem item;
    if (ReadItem(pieces[i], item)) {
      items.push_back(std::move(item));
    }
  }
  return items;
}

LayoutLocation ToolbarLayoutLocation(std::string_view key, std::string_view subkey,
                                     std::string_view value_name) {
  return LayoutLocation{std::string(subkey),
                        std::string(key.empty() ? kDefaultToolbarLayoutSection : key),
                        std::string(value_name)};
}

}  // namespace scrivlet
