#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

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

// A system colour reference (0x800000nn, nn the classic colour index) names a role of the
// desktop's palette rather than an RGB; indices without a counterpart read as the window colour.
inline QColor SystemColor(std::uint32_t index) {
  static constexpr std::pair<std::uint32_t, QPalette::ColorRole> kRoles[] = {
      {4, QPalette::Window},       {5, QPalette::Base},       {7, QPalette::WindowText},
      {8, QPalette::Text},         {13, QPalette::Highlight}, {14, QPalette::HighlightedText},
      {15, QPalette::Button},      {16, QPalette::Dark},      {17, QPalette::PlaceholderText},
      {18, QPalette::ButtonText},  {20, QPalette::Light},     {23, QPalette::ToolTipText},
      {24, QPalette::ToolTipBase},
  };
  QPalette::ColorRole role = QPalette::Base;
  for (const auto& [number, named] : kRoles) {
    if (number == index) {
      role = named;
    }
  }
  return QGuiApplication::palette().color(role);
}

// Platform order is 0x00BBGGRR; a set high bit makes it a system colour reference, and the
// other high bits are ignored.
inline QColor ColorFromPlatform(std::int32_t color) {
  const auto bits = static_cast<std::uint32_t>(color);
  if ((bits & 0x80000000U) != 0) {
    return SystemColor(bits & 0xFFU);
  }
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
