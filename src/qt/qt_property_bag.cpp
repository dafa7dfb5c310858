#include "qt/qt_property_bag.h"

#include <limits>

#include "conversion/conversion_error.h"

#include "qt/qt_settings_store.h"
#include "qt/qt_text.h"

namespace scrivlet {
namespace {

constexpr qint64 kTrueNumber = -1;

QString AsText(const QVariant& value) {
  if (value.typeId() == QMetaType::Bool) {
    return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  }
  return value.toString();
}

std::optional<qint64> AsNumber(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Bool:
      return value.toBool() ? kTrueNumber : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::LongLong:
      return value.toLongLong();
    case QMetaType::Double:
    case QMetaType::Float: {
      const double number = value.toDouble();
      if (number != static_cast<double>(static_cast<qint64>(number))) {
        return std::nullopt;
      }
      return static_cast<qint64>(number);
    }
    default:
      break;
  }
  const QString text = value.toString();
  if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
    return kTrueNumber;
  }
  if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
    return 0;
  }
  // Whole decimal numbers only, as written: no blanks, no "+", no exponent.
  bool ok = false;
  const qint64 number = text.toLongLong(&ok, 10);
  if (!ok || text.isEmpty() || text.front().isSpace() || text.back().isSpace() ||
      text.front() == QLatin1Char('+')) {
    return std::nullopt;
  }
  return number;
}

[[noreturn]] void ThrowMismatch(std::string_view name, const QVariant& value,
                                std::string_view wanted) {
  throw PropertyBagError("property \"" + std::string(name) + "\" holds \"" +
                         CutForMessage(ToStdString(AsText(value))) + "\", which is not " +
                         std::string(wanted));
}

template <typename Integer>
Integer ReadInteger(std::string_view name, const QVariant& value, std::string_view wanted) {
  const std::optional<qint64> number = AsNumber(value);
  if (!number || *number < std::numeric_limits<Integer>::min() ||
      *number > std::numeric_limits<Integer>::max()) {
    ThrowMismatch(name, value, wanted);
  }
  return static_cast<Integer>(*number);
}

}  // namespace

std::string QtPropertyBag::ReadString(std::string_view name, std::string_view default_value) const {
  const std::optional<QVariant> value = Find(ToQString(name));
  return value ? ToStdString(AsText(*value)) : std::string(default_value);
}

std::int16_t QtPropertyBag::ReadInt16(std::string_view name, std::int16_t default_value) const {
  const std::optional<QVariant> value = Find(ToQString(name));
  return value ? ReadInteger<std::int16_t>(name, *value, "a 16-bit integer") : default_value;
}

std::int32_t QtPropertyBag::ReadInt32(std::string_view name, std::int32_t default_value) const {
  const std::optional<QVariant> value = Find(ToQString(name));
  return value ? ReadInteger<std::int32_t>(name, *value, "a 32-bit integer") : default_value;
}

bool QtPropertyBag::ReadBoolean(std::string_view name, bool default_value) const {
  const std::optional<QVariant> value = Find(ToQString(name));
  if (!value) {
    return default_value;
  }
  const std::optional<qint64> number = AsNumber(*value);
  if (!number) {
    ThrowMismatch(name, *value, "a Boolean");
  }
  return *number != 0;
}

void QtPropertyBag::WriteString(std::string_view name, std::string_view value,
                                std::string_view default_value) {
  Write(name, QVariant(ToQString(value)), value == default_value);
}

void QtPropertyBag::WriteInt16(std::string_view name, std::int16_t value,
                               std::int16_t default_value) {
  Write(name, QVariant(static_cast<int>(value)), value == default_value);
}

void QtPropertyBag::WriteInt32(std::string_view name, std::int32_t value,
                               std::int32_t default_value) {
  Write(name, QVariant(static_cast<int>(value)), value == default_value);
}

void QtPropertyBag::WriteBoolean(std::string_view name, bool value, bool default_value) {
  Write(name, QVariant(value), value == default_value);
}

void QtPropertyBag::Write(std::string_view name, const QVariant& value, bool is_default) {
  if (is_default) {
    // An older, different value must not survive a write of the default.
    Erase(ToQString(name));
  } else {
    Store(ToQString(name), value);
  }
}

std::optional<QVariant> QVariantMapPropertyBag::Find(const QString& name) const {
  const auto it = map_.constFind(name);
  if (it == map_.constEnd()) {
    return std::nullopt;
  }
  return *it;
}

void QVariantMapPropertyBag::Store(const QString& name, const QVariant& value) {
  map_.insert(name, value);
}

void QVariantMapPropertyBag::Erase(const QString& name) {
  map_.remove(name);
}

QSettingsPropertyBag::QSettingsPropertyBag(QSettings& settings, QString group)
    : settings_(settings), group_(std::move(group)) {}

QString QSettingsPropertyBag::Key(const QString& name) const {
  const QString escaped = QtSettingsStore::EscapeName(ToStdString(name));
  return group_.isEmpty() ? escaped : group_ + QLatin1Char('/') + escaped;
}

std::optional<QVariant> QSettingsPropertyBag::Find(const QString& name) const {
  const QVariant value = settings_.value(Key(name));
  if (!value.isValid()) {
    return std::nullopt;
  }
  return value;
}

void QSettingsPropertyBag::Store(const QString& name, const QVariant& value) {
  settings_.setValue(Key(name), value);
}

void QSettingsPropertyBag::Erase(const QString& name) {
  settings_.remove(Key(name));
}

}  // namespace scrivlet
