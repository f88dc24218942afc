#!/usr/bin/env bash
# On a real X server with a window manager (openbox) and no notification
# service, a notice comes as a box of its own: framed beside the counter,
# never over it, wholly on the screen; and the counter's frame is centred.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
command -v openbox >/dev/null || fail "openbox is missing (bash tools/install-deps.sh installs it)"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
"$build/vp-demo-game" "$work/game" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000003\n"wave"=dword:00000001\n"dirwave"="%s"\n' \
  "$work/moved-game" > "$work/reg/HKEY_CURRENT_USER.reg"
start_xvfb
pids+=($xvfb)
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# Up once it announces the frame extents it sets (a program started earlier
# would not know its frame).
for _ in $(seq 100); do xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_FRAME_EXTENTS && break; sleep 0.1; done
sleep 0.3

# A window's frame, left top right bottom, from its inner area as the X
# server has it and the extents the window manager put around it.
frame() {
  local info x y w h l r t b extents
  info=$(xwininfo -id "$1")
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
  IFS=, read -r l r t b <<<"${extents:-0,0,0,0}"
  echo "$((x - l)) $((y - t)) $((x + w + r)) $((y + h + b))"
}

(cd "$work/run" && exec timeout 60 "$build/vpcounter" /C 2>"$work/run.err") &
run=$!
# Both windows carry the program's name; the counter is the 600 px wide one.
counter= box=
for _ in $(seq 150); do
  counter= box=
  for w in $(xdotool search --onlyvisible --name "ヴェルベル起動カウンター" 2>/dev/null); do
    info=$(xwininfo -id "$w" 2>/dev/null) || continue
    if grep -q "Width: 600$" <<<"$info"; then counter=$w; else box=$w; fi
  done
  [ -n "$counter" ] && [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$counter" ] || fail "the counter window did not open: $(cat "$work/run.err")"
[ -n "$box" ] || fail "no notice box came: $(cat "$work/run.err")"
sleep 0.5  # let the window manager frame and place both
read -r cl ct cr cb <<<"$(frame "$counter")"
read -r bl bt br bb <<<"$(frame "$box")"
echo "counter frame $cl,$ct-$cr,$cb; box frame $bl,$bt-$br,$bb"
[ "$bl" -ge 0 ] && [ "$bt" -ge 0 ] && [ "$br" -le 1280 ] && [ "$bb" -le 1024 ] || fail "the box is not wholly on the screen"
if [ "$bl" -lt "$cr" ] && [ "$cl" -lt "$br" ] && [ "$bt" -lt "$cb" ] && [ "$ct" -lt "$bb" ]; then
  fail "the box covers the counter"
fi
dx=$(( (cl + cr) - 1280 )) dy=$(( (ct + cb) - 1024 ))
[ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ] || fail "the counter's frame is not centred (off by $dx/2, $dy/2)"
# VP_SNAPSHOT=FILE keeps a picture of the screen around both, for the docs.
[ -z "${VP_SNAPSHOT:-}" ] || "$build/vp-screen-snapshot" "$VP_SNAPSHOT" $((cl - 20)) $((ct - 20)) $((cr - cl + 40)) $((bb - ct + 40))
wait "$run" || fail "counter mode ended with $?: $(cat "$work/run.err")"
echo "notice box end to end: ok"
