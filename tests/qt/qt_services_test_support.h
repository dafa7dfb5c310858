#pragma once

// Helpers for tests that answer modal windows and popup menus by code: the answer is scheduled
// before the call that blocks, and runs from the window's own event loop once it is up.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <memory>

namespace scrivlet::testing {

// Polls about every 10 ms for the widget `find` returns and runs `act` on it once. When none
// turns up within kMaxPolls, the test fails and every modal window is rejected so that the
// blocking call returns instead of hanging the suite.
inline void WhenFound(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
  constexpr int kMaxPolls = 1000;
  auto* timer = new QTimer;
  auto polls = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout,
                   [timer, polls, find = std::move(find), act = std::move(act)] {
                     if (QWidget* widget = find()) {
                       timer->stop();
                       timer->deleteLater();
                       act(widget);
                       return;
                     }
                     if (++*polls >= kMaxPolls) {
                       timer->stop();
                       timer->deleteLater();
                       ADD_FAILURE() << "the expected window never showed";
                       for (int i = 0; i < 20; ++i) {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (modal == nullptr) {
                           break;
                         }
                         if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                           dialog->done(QDialog::Rejected);
                         } else {
                           modal->close();
                         }
                         QApplication::processEvents();
                       }
                       if (QWidget* popup = QApplication::activePopupWidget()) {
                         popup->close();
                       }
                     }
                   });
  timer->start();
}

// The modal window on top, once it is of type T, shown and active (so that focus and keys
// work as for a user).
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  WhenFound(
      [] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        return widget != nullptr && widget->isVisible() && widget->isActiveWindow() ? widget
                                                                                    : nullptr;
      },
      [act = std::move(act)](QWidget* widget) { act(static_cast<T*>(widget)); });
}

// A modal window other than `below`, of type T: the next one up.
template <typename T>
void WhenModalAbove(const QWidget* below, std::function<void(T*)> act) {
  WhenFound(
      [below] {
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        return widget != nullptr && widget != below && widget->isVisible() &&
                       widget->isActiveWindow()
                   ? widget
                   : nullptr;
      },
      [act = std::move(act)](QWidget* widget) { act(static_cast<T*>(widget)); });
}

// The popup menu that is open, once it is visible.
inline void WhenPopup(std::function<void(QMenu*)> act) {
  WhenFound(
      [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr && menu->isVisible() ? menu : nullptr;
      },
      [act = std::move(act)](QWidget* widget) { act(static_cast<QMenu*>(widget)); });
}

}  // namespace scrivlet::testing
