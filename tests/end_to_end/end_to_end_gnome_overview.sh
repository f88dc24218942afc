#!/usr/bin/env bash
# A GNOME logon starts in the Activities overview, where the greeting would
# go unseen: the run counts at once, holds the greeting while the shell says
# its overview is open, shows it (and speaks) once it closes, and never holds
# beyond its bound. Other desktops and a GNOME without an answer are not held.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
command -v dbus-daemon >/dev/null || fail "dbus-daemon is missing (bash tools/install-deps.sh installs it)"
export SDL_AUDIODRIVER=dummy VPCOUNTER_TRACE_SHOWN=1 VPCOUNTER_TRACE_VOICES=1
"$build/vp-demo-game" "$work/game" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000001\n"dirwave"="%s"\n' \
  "$work/game" > "$work/reg/HKEY_CURRENT_USER.reg"
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" >/dev/null 2>&1 &
daemon=$!
shell=
trap 'kill $daemon $shell 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -S "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
count() { { od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" 2>/dev/null || echo 0; } | tr -d ' '; }
held() { sed -n 's/^vpcounter: overview held \([0-9]*\) ms$/\1/p' "$work/$1.err"; }
shown() { sed -n 's/^vpcounter: shown \([0-9]*\)$/\1/p' "$work/$1.err"; }
spoken() { sed -n 's/^vpcounter: voice 0 start \([0-9]*\) .*/\1/p' "$work/$1.err"; }
fake_shell() {
  [ -z "$shell" ] || { kill "$shell"; wait "$shell" 2>/dev/null || true; }
  "$build/fake_gnome_shell" "$1" > "$work/shell.log" &
  shell=$!
  for _ in $(seq 100); do grep -q ready "$work/shell.log" 2>/dev/null && break; sleep 0.05; done
}
logon() {
  local name=$1 desktop=$2 before start
  before=$(count)
  start=$(date +%s%N)
  (cd "$work/run" && XDG_CURRENT_DESKTOP=$desktop timeout 60 "$build/vpcounter" /C 2>"$work/$name.err") &
  local pid=$!
  for _ in $(seq 20); do [ "$(count)" -gt "$before" ] && break; sleep 0.1; done
  [ "$(count)" -gt "$before" ] || fail "$name: not counted within 2 s"
  wait $pid || fail "$name: ended with $?: $(cat "$work/$name.err")"
  took=$(( ($(date +%s%N) - start) / 1000000 ))
  echo "$name: held $(held "$name") ms, shown at $(shown "$name") ms, first voice at $(spoken "$name") ms, ended after $took ms"
}

# The overview is open for the first 3 s of the logon.
fake_shell 3000
logon overview ubuntu:GNOME
[ "$(held overview)" -ge 2500 ] || fail "overview: the greeting was not held ($(held overview) ms)"
[ "$(shown overview)" -ge 2500 ] || fail "overview: shown at $(shown overview) ms, in the overview"
[ "$(spoken overview)" -ge "$(shown overview)" ] || fail "overview: spoken before it was seen"

# Another desktop is never held, whatever the shell says.
fake_shell 60000
logon other-desktop XFCE
[ -z "$(held other-desktop)" ] || fail "XFCE: held for a shell that is not its own"
[ "$(shown other-desktop)" -lt 2000 ] || fail "XFCE: shown late ($(shown other-desktop) ms)"

# An overview that never closes holds the greeting for 20 s at most.
logon stuck GNOME
[ "$(held stuck)" -ge 19000 ] && [ "$(held stuck)" -le 22000 ] || fail "stuck overview: held $(held stuck) ms"

# GNOME with no shell on the bus: shown at once.
kill "$shell"; wait "$shell" 2>/dev/null || true; shell=
logon no-shell GNOME
[ "$(held no-shell)" -lt 1000 ] || fail "no shell: held $(held no-shell) ms"
echo "GNOME overview end to end: ok"
