#!/usr/bin/env bash
# Shows every window of the program on a private X server with the
# accessibility bus on, and walks them as a screen reader would
# (tools/atspi_walk.py). Usage: tools/atspi-walk.sh [BUILD_DIR]
# Needs xvfb, dbus, at-spi2-core and python3-pyatspi (tools/install-deps.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(readlink -f "${1:-$here/../build}")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/reg" "$work/run" "$work/shots"
"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000009\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
export SDL_AUDIODRIVER=dummy VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run"
export WORK="$work" BUILD="$build" HERE="$here" XDG_RUNTIME_DIR="$work"
dbus-run-session -- bash -c '
  set -euo pipefail
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  sleep 1
  (cd "$WORK/run" && "$BUILD/vpcounter" >/dev/null 2>&1) &
  "$BUILD/vp-dialog-snapshots" --stay "$WORK/shots" >/dev/null 2>&1 &
  # The settings window (a first run opens 詳細設定 too) and five dialogs,
  # then the counter as at a logon, shown 9 s so it is walked on screen.
  sleep 2
  (cd "$WORK/run" && "$BUILD/vpcounter" /C >/dev/null 2>&1) &
  /usr/bin/python3 "$HERE/atspi_walk.py" --windows 8 --timeout 40 --announce "起動"
'
