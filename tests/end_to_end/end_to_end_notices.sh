#!/usr/bin/env bash
# Counter-mode notices on a desktop with a notification service: a moved game
# is told there, in the player's words and without a path, at the first logon
# only; once the game is back and gone again, it is told again.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
command -v dbus-run-session >/dev/null || fail "dbus-run-session is missing (bash tools/install-deps.sh installs it)"
export SDL_AUDIODRIVER=dummy BUILD="$build" WORK="$work"
"$build/vp-demo-game" "$work/game" >/dev/null
settings() {
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000001\n"dirwave"="%s"\n' "$1" \
    > "$WORK/reg/HKEY_CURRENT_USER.reg"
}
export -f settings
dbus-run-session -- bash -c 2>"$work/dbus.err" '
  set -euo pipefail
  "$BUILD/fake_notifications" > "$WORK/notices.log" &
  fake=$!
  for _ in $(seq 100); do grep -q ready "$WORK/notices.log" && break; sleep 0.05; done
  logon() { (cd "$WORK/run" && timeout 30 "$BUILD/vpcounter" /C 2>/dev/null); }
  count() { grep -c "^notify" "$WORK/notices.log" || true; }
  settings "$WORK/moved-game"
  logon; first=$(count)
  logon; second=$(count)
  settings "$WORK/game"
  logon; back=$(count)
  settings "$WORK/moved-game"
  logon; again=$(count)
  kill $fake
  echo "$first $second $back $again" > "$WORK/counts"
'
read -r first second back again < "$work/counts"
[ "$first" = 1 ] || fail "the first logon sent $first notices: $(cat "$work/notices.log")"
grep -q "詳細設定" "$work/notices.log" || fail "the notice does not say what to do: $(cat "$work/notices.log")"
! grep -q "moved-game\|/CD/" "$work/notices.log" || fail "the notice shows a path: $(cat "$work/notices.log")"
[ "$second" = 1 ] || fail "the same cause was told again at the next logon"
[ "$back" = 1 ] || fail "a notice was sent while the game was there"
[ "$again" = 2 ] || fail "the cause that came back was not told again"
grep -q "^notify ゲームの絵や声が見つかりませんでした。|" "$work/notices.log" ||
  fail "the banner's summary is not the cause: $(cat "$work/notices.log")"

# Broken services: one that never answers, one that refuses. The notice then
# comes in a box, within the answer's bound, and counts as told; a service
# that reads markup gets it.
for mode in --silent --error --markup; do
  rm -f "$work/run/told-notices.txt"
  settings "$work/moved-game"
  MODE=$mode dbus-run-session -- bash -c 2>>"$work/dbus.err" '
    set -euo pipefail
    "$BUILD/fake_notifications" $MODE > "$WORK/notices$MODE.log" &
    fake=$!
    for _ in $(seq 100); do grep -q ready "$WORK/notices$MODE.log" && break; sleep 0.05; done
    start=$(date +%s%N)
    (cd "$WORK/run" && VPCOUNTER_TRACE_NOTICES=1 timeout 60 "$BUILD/vpcounter" /C 2>"$WORK/run$MODE.err")
    echo $(( ($(date +%s%N) - start) / 1000000 )) > "$WORK/took$MODE"
    (cd "$WORK/run" && VPCOUNTER_TRACE_NOTICES=1 timeout 60 "$BUILD/vpcounter" /C 2>"$WORK/again$MODE.err")
    kill $fake
  '
  took=$(cat "$work/took$mode")
  echo "$mode: the first logon ended after $took ms"
  if [ "$mode" = --markup ]; then
    grep -q "notice delivered" "$work/run$mode.err" || fail "$mode: not delivered: $(cat "$work/run$mode.err")"
  else
    grep -q "notice in a box" "$work/run$mode.err" || fail "$mode: no box: $(cat "$work/run$mode.err")"
    [ "$took" -lt 25000 ] || fail "$mode: the run took $took ms"
  fi
  ! grep -q "notice" "$work/again$mode.err" || fail "$mode: told again at the next logon"
done
echo "counter notices end to end: ok"
