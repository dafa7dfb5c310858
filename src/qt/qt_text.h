#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions at the border between the control's types and Qt's: UTF-8 text, 0x00BBGGRR
// colours and twips.
namespace scrivlet {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToStdString(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// Platform order is 0x00BBGGRR; the high byte is ignored.
inline QColor ColorFromPlatform(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  return QColor(static_cast<int>(bits & 0xFFU), static_cast<int>((bits >> 8U) & 0xFFU),
                static_cast<int>((bits >> 16U) & 0xFFU));
}

inline std::int32_t ColorToPlatform(const QColor& color) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(color.red()) |
                                   static_cast<std::uint32_t>(color.green()) << 8U |
                                   static_cast<std::uint32_t>(color.blue()) << 16U);
}

// Twips to whole pixels, rounded to the nearest; a twips-per-pixel below 1 counts as 1.
inline int TwipsToPixels(std::int32_t twips, std::int32_t twips_per_pixel) {
  const std::int64_t per = twips_per_pixel < 1 ? 1 : twips_per_pixel;
  const std::int64_t value = twips;
  const std::int64_t half = per / 2;
  return static_cast<int>(value >= 0 ? (value + half) / per : -((-value + half) / per));
}

inline std::int32_t PixelsToTwips(int pixels, std::int32_t twips_per_pixel) {
  return static_cast<std::int32_t>(pixels) * (twips_per_pixel < 1 ? 1 : twips_per_pixel);
}

}  // namespace scrivlet
