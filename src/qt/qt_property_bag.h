#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

#include "platform/property_bag.h"

namespace scrivlet {

// A control's persisted properties kept by a Qt host. A write whose value equals its default
// removes the name. Reads convert between what is stored and what is asked for the way a
// container does: numbers and Booleans (True is -1, False 0) to each other and to text
// ("True", "False", decimal), and text that is a whole decimal number, "True" or "False" (any
// letter case, so QSettings' own "true" reads too) back; anything else, or a number outside the
// range asked for, throws PropertyBagError naming the property and the value.
class QtPropertyBag : public PropertyBag {
 public:
  std::string ReadString(std::string_view name, std::string_view default_value) const override;
  std::int16_t ReadInt16(std::string_view name, std::int16_t default_value) const override;
  std::int32_t ReadInt32(std::string_view name, std::int32_t default_value) const override;
  bool ReadBoolean(std::string_view name, bool default_value) const override;
  void WriteString(std::string_view name, std::string_view value,
                   std::string_view default_value) override;
  void WriteInt16(std::string_view name, std::int16_t value, std::int16_t default_value) override;
  void WriteInt32(std::string_view name, std::int32_t value, std::int32_t default_value) override;
  void WriteBoolean(std::string_view name, bool value, bool default_value) override;

 protected:
  virtual std::optional<QVariant> Find(const QString& name) const = 0;
  virtual void Store(const QString& name, const QVariant& value) = 0;
  virtual void Erase(const QString& name) = 0;

 private:
  void Write(std::string_view name, const QVariant& value, bool is_default);
};

// The properties as the values of a host's map, under their own names, typed (QString, int,
// bool). The map must outlive the bag.
class QVariantMapPropertyBag final : public QtPropertyBag {
 public:
  explicit QVariantMapPropertyBag(QVariantMap& map) : map_(map) {}

 protected:
  std::optional<QVariant> Find(const QString& name) const override;
  void Store(const QString& name, const QVariant& value) override;
  void Erase(const QString& name) override;

 private:
  QVariantMap& map_;
};

// The properties as the keys of one QSettings group (names escaped as QtSettingsStore does).
// The settings must outlive the bag; writes reach the file when QSettings syncs.
class QSettingsPropertyBag final : public QtPropertyBag {
 public:
  QSettingsPropertyBag(QSettings& settings, QString group);

 protected:
  std::optional<QVariant> Find(const QString& name) const override;
  void Store(const QString& name, const QVariant& value) override;
  void Erase(const QString& name) override;

 private:
  QString Key(const QString& name) const;

  QSettings& settings_;
  QString group_;
};

}  // namespace scrivlet
