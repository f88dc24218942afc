#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config tzdata
  libgtest-dev libgmock-dev
  zlib1g-dev
  qt6-base-dev
  libsdl2-dev
  libvorbis-dev
  fonts-ipafont-gothic
  qt6-translations-l10n
  libpng-dev
  clang
  desktop-file-utils
  qt6-wayland
  # The greeting's layer-shell surface talks to the compositor itself.
  libwayland-dev
  # Qt's font configuration, read ahead while Qt connects to the display.
  libfontconfig-dev
  # The real consumers and checkers the end-to-end tests run against.
  systemd dex weston xvfb xdotool x11-utils openbox dbus
  at-spi2-core python3-pyatspi
  lintian appstream man-db
  dosfstools fusefat
  # The window managers of GNOME and Plasma, headless with XWayland.
  mutter kwin-wayland kwin-style-breeze xwayland
  # A wlroots compositor, its screenshots, and reading them.
  sway grim python3-gi gir1.2-gdkpixbuf-2.0
)
# The Windows check: mingw-w64, GoogleTest's sources to build for it, Wine
# and a sound server for its player (Wine's drivers come as its recommends).
windows_packages=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest wine wine64 pulseaudio)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
missing_windows=()
for p in "${windows_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing_windows+=("$p")
done

if [ ${#missing[@]} -eq 0 ] && [ ${#missing_windows[@]} -eq 0 ]; then
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ ${#missing_windows[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get install -y -qq "${missing_windows[@]}"
fi
