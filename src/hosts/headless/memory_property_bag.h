#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/property_bag.h"

namespace scrivlet {

// A property bag held in a map, as a host that keeps a control's properties itself would use it.
//
// A write whose value equals its default removes the name, so a bag written with defaults only
// is empty. Reads convert between the stored and the asked type the way a container does:
// numbers and Booleans (True is -1, False 0) convert to each other, numbers and Booleans to
// text ("True", "False", decimal), and text that is a whole decimal number, "True" or "False"
// (any letter case) back; anything else, or a number outside the 16-bit range asked for, throws
// PropertyBagError. Every write is recorded.
class MemoryPropertyBag final : public PropertyBag {
 public:
  using Value = std::variant<std::string, std::int16_t, std::int32_t, bool>;

  struct WriteRecord {
    std::string Name;
    Value Written;
    Value Default;
    bool Stored = false;  // false when the value equalled the default and was left out
  };

  std::string ReadString(std::string_view name, std::string_view default_value) const override;
  std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const override;
  std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const override;
  bool ReadBoolean(std::string_view name, bool default_value) const override;
  void WriteString(std::string_view name, std::string_view value,
                   std::string_view default_value) override;
  void WriteInt16(std::string_view name, std::int16_t value, std::int16_t default_value) override;
  void WriteInt32(std::string_view name, std::int32_t value, std::int32_t default_value) override;
  void WriteBoolean(std::string_view name, bool value, bool default_value) override;

  // Puts a value in the bag directly, as a host restoring saved properties does; not recorded.
  void Set(std::string_view name, Value value);
  // The stored value, or nothing when the bag holds none under `name`.
  std::optional<Value> Find(std::string_view name) const;
  std::size_t Count() const { return values_.size(); }
  const std::vector<WriteRecord>& Writes() const { return writes_; }

 private:
  void Write(std::string_view name, Value value, Value default_value);

  std::map<std::string, Value, std::less<>> values_;
  std::vector<WriteRecord> writes_;
};

}  // namespace scrivlet
