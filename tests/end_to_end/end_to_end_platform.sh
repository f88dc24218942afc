#!/usr/bin/env bash
# Counter mode counts the logon in every kind of session: with no display at
# all it counts without a window, says why and ends with status 0; under
# Wayland alone it opens natively; with XWayland beside Wayland it opens on X.
# Settings mode without a display says why it cannot open.
set -euo pipefail
program=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE
export SDL_AUDIODRIVER=dummy
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"char0"=dword:00000000\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
count() { { od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" 2>/dev/null || true; } | tr -d ' '; }
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

# No display: X named but not there, no Wayland socket.
before=$(count)
DISPLAY=:97 timeout 60 "$program" /C 2>"$work/none.err" || fail "counter mode without a display ended with $?: $(cat "$work/none.err")"
[ "$(count)" != "$before" ] && [ -n "$(count)" ] || fail "the logon was not counted without a display"
grep -q "ウィンドウを出さずに起動を数えました" "$work/none.err" || fail "no word on standard error: $(cat "$work/none.err")"
status=0
DISPLAY=:97 timeout 60 "$program" 2>"$work/settings.err" || status=$?
[ "$status" = 1 ] || fail "settings mode without a display ended with $status"
grep -q "設定画面を開けません" "$work/settings.err" || fail "settings mode did not say why: $(cat "$work/settings.err")"

# Wayland alone (weston, headless): the native plugin, no fallback.
if command -v weston >/dev/null; then
  weston --backend=headless-backend.so --socket=wayland-vp --idle-time=0 >"$work/weston.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/wayland-vp" ] && break; sleep 0.1; done
  [ -S "$XDG_RUNTIME_DIR/wayland-vp" ] || fail "weston did not start: $(cat "$work/weston.log")"
  before=$(count)
  WAYLAND_DISPLAY=wayland-vp XDG_SESSION_TYPE=wayland timeout 60 "$program" /C 2>"$work/wayland.err" ||
    fail "counter mode under Wayland ended with $?: $(cat "$work/wayland.err")"
  [ "$(count)" != "$before" ] || fail "the logon was not counted under Wayland"
  ! grep -q "画面に接続できない" "$work/wayland.err" || fail "Wayland alone fell back: $(cat "$work/wayland.err")"
else
  echo "weston is missing: the Wayland-only case is not tried"
fi

# XWayland beside Wayland: the window opens on X, where it can be centred and kept on top.
if command -v Xvfb >/dev/null && command -v xdotool >/dev/null; then
  Xvfb :96 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X96 ] && break; sleep 0.1; done
  wayland=${pids[0]:+wayland-vp}
  DISPLAY=:96 WAYLAND_DISPLAY=${wayland:-wayland-none} XDG_SESSION_TYPE=wayland timeout 60 "$program" /C 2>"$work/x.err" &
  run=$!
  found=
  for _ in $(seq 100); do
    found=$(DISPLAY=:96 xdotool search --name "ヴェルベル起動カウンター" 2>/dev/null | head -n 1) && [ -n "$found" ] && break
    sleep 0.1
  done
  wait "$run" || fail "counter mode under XWayland ended with $?: $(cat "$work/x.err")"
  [ -n "$found" ] || fail "the counter window did not open on X: $(cat "$work/x.err")"
else
  echo "Xvfb or xdotool is missing: the XWayland case is not tried"
fi
echo "platform choice end to end: ok"
