#!/usr/bin/env bash
# A logon on a desktop whose services do not answer still counts once, ends
# on time and leaves none of its extracted files: a socket that accepts and
# never speaks, a stopped bus daemon (both with the accessibility bridge
# forced on), and an X server that hangs before the run, ended by SIGTERM.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
command -v dbus-daemon >/dev/null || fail "dbus-daemon is missing (bash tools/install-deps.sh installs it)"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
export SDL_AUDIODRIVER=dummy QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
pids=()
trap 'for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null; kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
# Voices off: the greeting, and so the length of its voices, changes with the
# second a run starts, and the runs are timed against each other.
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000000\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
count() { { od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" 2>/dev/null || echo 0; } | tr -d ' '; }
# A run's pictures and voices go with its own folder when it ends.
pictures_left() { find "$work/run" \( -name '*.png' -o -name 'extracting-*' \) | wc -l; }
files_left() { find "$work/run" \( -name '*.png' -o -name '*.wav' -o -name 'extracting-*' \) | wc -l; }

start_xvfb
pids+=($xvfb)

# One logon: ends by itself within the time a logon on a sound desktop
# takes (its display time) and 2 s more.
baseline=
logon() {
  local name=$1 before start took
  before=$(count)
  start=$(date +%s%N)
  (cd "$work/run" && timeout 40 "$build/vpcounter" /C 2>"$work/$name.err") || fail "$name: ended with $?: $(cat "$work/$name.err")"
  took=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "$name: ended after $took ms, count $before -> $(count)"

  [ "$(count)" = $((before + 1)) ] || fail "$name: counted $before -> $(count)"
  [ -z "$baseline" ] && baseline=$took
  [ "$took" -le $((baseline + 2000)) ] || fail "$name: took $took ms, a sound logon $baseline ms"
  [ "$(pictures_left)" = 0 ] || fail "$name: left $(ls "$work/run")"
}

# A first logon without any bus, so the history is there.
(cd "$work/run" && DBUS_SESSION_BUS_ADDRESS= timeout 40 "$build/vpcounter" /C 2>/dev/null)

# A real bus daemon: answering first (the time a sound logon takes), then stopped.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" >/dev/null 2>&1 &
daemon=$!
pids+=($daemon)
for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" logon live-daemon
! grep -q "セッションバス" "$work/live-daemon.err" || fail "a live bus was left out"
kill -STOP "$daemon"
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" logon stopped-daemon
kill -CONT "$daemon"

# A socket that takes connections and never says a word.
/usr/bin/python3 -c '
import socket, sys, time
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(16)
held = []
while True:
    c, _ = s.accept(); held.append(c)
' "$work/mute.socket" &
pids+=($!)
for _ in $(seq 100); do [ -S "$work/mute.socket" ] && break; sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/mute.socket" logon mute-socket
grep -q "セッションバスが応答しない" "$work/mute-socket.err" || fail "mute socket: nothing said: $(cat "$work/mute-socket.err")"

# An X server that hangs before the run: counted at once, ended by a logout.
kill -STOP "$xvfb"
before=$(count)
(cd "$work/run" && exec timeout 40 "$build/vpcounter" /C 2>"$work/hung-x.err") &
run=$!
for _ in $(seq 40); do [ "$(count)" != "$before" ] && break; sleep 0.05; done
[ "$(count)" = $((before + 1)) ] || fail "hung X: not counted within 2 s"
sleep 1
start=$(date +%s%N)
pkill -TERM -P "$run" vpcounter || kill -TERM "$run"
status=0
wait "$run" || status=$?
took=$(( ($(date +%s%N) - start) / 1000000 ))
kill -CONT "$xvfb"
echo "hung X: ended $took ms after SIGTERM with status $status"
[ "$status" = 0 ] || fail "hung X: status $status: $(cat "$work/hung-x.err")"
[ "$took" -lt 4000 ] || fail "hung X: took $took ms after SIGTERM"
[ "$(files_left)" = 0 ] || fail "hung X: left $(ls "$work/run")"
echo "silent desktop services end to end: ok"
