#!/bin/sh
# Installs the Debian packages the build and the tests need, when any is missing.
# Usage: scripts/install-deps.sh [PACKAGE...]   (extra packages on top of the base set)
set -eu

packages="cmake ninja-build g++ libgtest-dev libgmock-dev python3 libcurl4-openssl-dev python3-pyftpdlib python3-openssl openssl qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev qt6-svg-dev qt6-image-formats-plugins qtkeychain-qt6-dev gnome-keyring dbus-daemon libgl-dev clang libclang-rt-14-dev chromium $*"
missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
