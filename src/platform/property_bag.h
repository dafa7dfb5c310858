#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

// The container's store of a control's persisted properties. Every value is read with a
// default and written with a default; the container may leave out a value equal to its
// default, so reading a missing name gives the default back.
namespace scrivlet {

// Raised when a stored value cannot be read as the type asked for (text that is not a number, a
// number too large for 16 bits). The message names the property and the stored value.
class PropertyBagError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PropertyBag {
 public:
  virtual ~PropertyBag() = default;

  // The value stored under `name`, or `default_value` when none is. Throw PropertyBagError when
  // the stored value does not convert to the type asked for.
  virtual std::string ReadString(std::string_view name, std::string_view default_value) const = 0;
  virtual std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const = 0;
  virtual std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const = 0;
  virtual bool ReadBoolean(std::string_view name, bool default_value) const = 0;

  // Stores `value` under `name`; a value equal to `default_value` may be left out instead.
  virtual void WriteString(std::string_view name, std::string_view value,
                           std::string_view default_value) = 0;
  virtual void WriteInt16(std::string_view name, std::int16_t value,
                          std::int16_t default_value) = 0;
  virtual void WriteInt32(std::string_view name, std::int32_t value,
                          std::int32_t default_value) = 0;
  virtual void WriteBoolean(std::string_view name, bool value, bool default_value) = 0;
};

}  // namespace scrivlet
