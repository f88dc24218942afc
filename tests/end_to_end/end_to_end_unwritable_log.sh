#!/usr/bin/env bash
# A start-up log the player cannot append to (left root-owned by a run under
# sudo, or a folder under its name): the logon is still counted, the player
# is told once, and the next logon is quiet about it. Needs root for the
# second user; skipped otherwise.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
if [ "$(id -u)" != 0 ] || ! command -v runuser >/dev/null; then
  echo "not root: the root-owned log is not tried"
  exit 0
fi
export SDL_AUDIODRIVER=dummy VPCOUNTER_TRACE_NOTICES=1 DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null/none"
chmod 755 "$work"
chown -R nobody "$work/run" "$work/reg" "$work/runtime"
# The second user may not reach a build inside a private folder (a clone
# under mktemp -d): it runs a copy, with the modules beside it.
program="$build/vpcounter"
if ! runuser -u nobody -- test -x "$program"; then
  mkdir -p "$work/bin"
  cp "$build/vpcounter" "$build"/lib*.so "$work/bin/"
  chmod -R a+rX "$work/bin"
  program="$work/bin/vpcounter"
fi
year=$(date +%Y)
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n' > "$work/reg/HKEY_CURRENT_USER.reg"
chown nobody "$work/reg/HKEY_CURRENT_USER.reg"
count() { { od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" 2>/dev/null || echo 0; } | tr -d ' '; }
logon() {
  (cd "$work/run" && runuser -u nobody -- env VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run" \
     XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen timeout 60 "$program" /C 2>"$work/$1.err") ||
    fail "$1: ended with $?: $(cat "$work/$1.err")"
}
logon first
# Root's log, as a run under sudo leaves it.
printf '%s-01-01T08:00:00+09:00\n' "$year" > "$work/run/startups-$year.log"
chown root "$work/run/startups-$year.log"
chmod 644 "$work/run/startups-$year.log"
before=$(count)
logon rootlog
[ "$(count)" = $((before + 1)) ] || fail "root-owned log: counted $before -> $(count)"
grep -q "notice in a box" "$work/rootlog.err" || fail "root-owned log: nothing told: $(cat "$work/rootlog.err")"
[ "$(wc -l < "$work/run/startups-$year.log")" = 1 ] || fail "root's log was written"
logon again
[ "$(count)" = $((before + 2)) ] || fail "the next logon was not counted"
! grep -q "notice" "$work/again.err" || fail "told again at the next logon: $(cat "$work/again.err")"
# A folder under the log's name.
rm -f "$work/run/startups-$year.log"  # the notices told stay remembered
mkdir "$work/run/startups-$year.log"
logon folder
grep -q "notice in a box" "$work/folder.err" || fail "a folder under the log's name was not told"
echo "unwritable start-up log end to end: ok"
