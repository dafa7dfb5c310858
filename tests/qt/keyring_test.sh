#!/bin/sh
# Runs the widget's password test against a real keyring: a private D-Bus session with
# gnome-keyring's secret service, unlocked with a throw-away password, in a throw-away home.
# Usage: keyring_test.sh QT_TEST_PROGRAM
set -eu
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
exec dbus-run-session -- sh -c '
  # The daemon stays for the session; dbus-run-session ends it with the session.
  printf "scrivlet-test" | gnome-keyring-daemon --unlock --components=secrets >/dev/null
  SCRIVLET_EXPECT_KEYRING=1 QT_QPA_PLATFORM=offscreen "$0" \
    --gtest_filter="*TheFtpPasswordGoesToTheKeyringOrStaysScrambledInTheSet*"' "$program"
