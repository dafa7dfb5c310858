#include "hosts/headless/memory_property_bag.h"

#include <charconv>
#include <limits>
#include <system_error>
#include <type_traits>
#include <utility>

#include "conversion/conversion_error.h"

namespace scrivlet {
namespace {

constexpr std::int64_t kTrueNumber = -1;

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    if (lower(text[i]) != lower(word[i])) {
      return false;
    }
  }
  return true;
}

std::string AsText(const MemoryPropertyBag::Value& value) {
  return std::visit(
      [](const auto& held) -> std::string {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::string>) {
          return held;
        } else if constexpr (std::is_same_v<Held, bool>) {
          return held ? "True" : "False";
        } else {
          return std::to_string(held);
        }
      },
      value);
}

std::optional<std::int64_t> NumberFromText(std::string_view text) {
  if (EqualsIgnoringCase(text, "True")) {
    return kTrueNumber;
  }
  if (EqualsIgnoringCase(text, "False")) {
    return 0;
  }
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return number;
}

std::optional<std::int64_t> AsNumber(const MemoryPropertyBag::Value& value) {
  return std::visit(
      [](const auto& held) -> std::optional<std::int64_t> {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::string>) {
          return NumberFromText(held);
        } else if constexpr (std::is_same_v<Held, bool>) {
          return held ? kTrueNumber : 0;
        } else {
          return held;
        }
      },
      value);
}

[[noreturn]] void ThrowMismatch(std::string_view name, const MemoryPropertyBag::Value& value,
                                std::string_view wanted) {
  throw PropertyBagError("property \"" + std::string(name) + "\" holds \"" +
                         CutForMessage(AsText(value)) + "\", which is not " + std::string(wanted));
}

template <typename Integer>
Integer ReadInteger(std::string_view name, const MemoryPropertyBag::Value& value,
                    std::string_view wanted) {
  const std::optional<std::int64_t> number = AsNumber(value);
  if (!number || *number < std::numeric_limits<Integer>::min() ||
      *number > std::numeric_limits<Integer>::max()) {
    ThrowMismatch(name, value, wanted);
  }
  return static_cast<Integer>(*number);
}

}  // namespace

std::string MemoryPropertyBag::ReadString(std::string_view name,
                                          std::string_view default_value) const {
  const std::optional<Value> value = Find(name);
  return value ? AsText(*value) : std::string(default_value);
}

std::int16_t MemoryPropertyBag::ReadInt16(std::string_view name, std::int16_t default_value) const {
  const std::optional<Value> value = Find(name);
  return value ? ReadInteger<std::int16_t>(name, *value, "a 16-bit integer") : default_value;
}

std::int32_t MemoryPropertyBag::ReadInt32(std::string_view name, std::int32_t default_value) const {
  const std::optional<Value> value = Find(name);
  return value ? ReadInteger<std::int32_t>(name, *value, "a 32-bit integer") : default_value;
}

bool MemoryPropertyBag::ReadBoolean(std::string_view name, bool default_value) const {
  const std::optional<Value> value = Find(name);
  if (!value) {
    return default_value;
  }
  const std::optional<std::int64_t> number = AsNumber(*value);
  if (!number) {
    ThrowMismatch(name, *value, "a Boolean");
  }
  return *number != 0;
}

void MemoryPropertyBag::WriteString(std::string_view name, std::string_view value,
                                    std::string_view default_value) {
  Write(name, std::string(value), std::string(default_value));
}

void MemoryPropertyBag::WriteInt16(std::string_view name, std::int16_t value,
                                   std::int16_t default_value) {
  Write(name, value, default_value);
}

void MemoryPropertyBag::WriteInt32(std::string_view name, std::int32_t value,
                                   std::int32_t default_value) {
  Write(name, value, default_value);
}

void MemoryPropertyBag::WriteBoolean(std::string_view name, bool value, bool default_value) {
  Write(name, value, default_value);
}

void MemoryPropertyBag::Set(std::string_view name, Value value) {
  const auto it = values_.find(name);
  if (it == values_.end()) {
    values_.emplace(std::string(name), std::move(value));
  } else {
    it->second = std::move(value);
  }
}

std::optional<MemoryPropertyBag::Value> MemoryPropertyBag::Find(std::string_view name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) {
    return std::nullopt;
  }
  return it->second;
}

void MemoryPropertyBag::Write(std::string_view name, Value value, Value default_value) {
  const bool stored = value != default_value;
  if (stored) {
    Set(name, value);
  } else if (const auto it = values_.find(name); it != values_.end()) {
    values_.erase(it);  // an older, different value must not survive a write of the default
  }
  writes_.push_back(
      WriteRecord{std::string(name), std::move(value), std::move(default_value), stored});
}

}  // namespace scrivlet
