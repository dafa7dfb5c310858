// The Qt tests' entry point: an application object on the offscreen platform, so that no
// display is needed anywhere (test discovery at build time included). The tests never reach the
// user's own keyring: only keyring_test.sh, which starts a keyring of its own and says so with
// SCRIVLET_EXPECT_KEYRING, keeps the D-Bus session.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  if (!qEnvironmentVariableIsSet("SCRIVLET_EXPECT_KEYRING")) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
  }
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
