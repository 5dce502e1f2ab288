#!/usr/bin/env bash
# Installs the Debian packages Tidewell builds with, when any is missing.
set -euo pipefail
# The tests measure text in DejaVu only (tests/fonts.conf), whatever other
# fonts the machine has; fontconfig finds it, qt6-qpa-plugins draws offscreen
# and on X; xvfb is the X server of the tests that need one.
packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev qt6-image-formats-plugins qt6-qpa-plugins
          libplist-dev libsqlite3-dev zlib1g-dev libcurl4-openssl-dev ca-certificates libgtest-dev libgmock-dev
          libbenchmark-dev xvfb libxcb1-dev libxcb-damage0-dev libfontconfig-dev fontconfig fonts-dejavu-core locales)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
# A locale with a decimal comma, for the tests that the process locale must not sway.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  $sudo locale-gen >/dev/null
fi
