#include "qt/qt_screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace scrivlet {
namespace {

constexpr double kTwipsPerInch = 1440.0;

std::int32_t TwipsPerPixel(double dots_per_inch) {
  if (!(dots_per_inch > 0.0)) {
    return 15;
  }
  const auto twips = static_cast<std::int32_t>(std::lround(kTwipsPerInch / dots_per_inch));
  return twips < 1 ? 1 : twips;
}

const QScreen* ScreenOf(const QWidget* reference) {
  if (reference != nullptr && reference->screen() != nullptr) {
    return reference->screen();
  }
  return QGuiApplication::primaryScreen();
}

}  // namespace

QtScreen::QtScreen(QWidget* reference) : reference_(reference) {}

QtScreen::~QtScreen() {
  SetPointer(MousePointer::kDefault);
}

std::int32_t QtScreen::TwipsPerPixelX() const {
  const QScreen* screen = ScreenOf(reference_.data());
  return TwipsPerPixel(screen != nullptr ? screen->logicalDotsPerInchX() : 0.0);
}

std::int32_t QtScreen::TwipsPerPixelY() const {
  const QScreen* screen = ScreenOf(reference_.data());
  return TwipsPerPixel(screen != nullptr ? screen->logicalDotsPerInchY() : 0.0);
}

void QtScreen::SetPointer(MousePointer pointer) {
  if (pointer == pointer_) {
    return;
  }
  if (pointer == MousePointer::kHourglass) {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
  pointer_ = pointer;
}

}  // namespace scrivlet
