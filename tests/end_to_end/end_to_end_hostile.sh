#!/usr/bin/env bash
# Counter mode where its folders are not usable and where the session ends
# under it: it never works in a folder that is not ours (the user's files
# there stay), and SIGTERM or SIGHUP during a voice ends the run at once
# with the count kept and this run's files removed.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000009\n"wave"=dword:00000001\n"usewave"="111111"\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
user_files() {
  mkdir -p "$1" && touch "$1/2024.png" "$1/CAFE.png" "$1/0001.wav" "$1/BEEF.ogg" "$1/TALLYDAT"
  sleep 0.05
  touch "$work/before"
}
check_user_files() {
  for f in 2024.png CAFE.png 0001.wav BEEF.ogg TALLYDAT; do
    [ -e "$1/$f" ] || fail "$2: the user's $f was deleted"
  done
  [ ! -s "$1/TALLYDAT" ] || fail "$2: a history was written into the user's folder"
  [ "$(find "$1" -newer "$work/before" | wc -l)" = 0 ] || fail "$2: files were made in the user's folder"
}

# A working folder that cannot be made: the run starts in the user's music folder.
user_files "$work/music"
(cd "$work/music" && VPCOUNTER_WORK_DIR=/proc/vpcounter-none/work timeout 60 "$build/vpcounter" /C 2>"$work/nowork.err") ||
  fail "counter mode without a working folder did not end by itself"
check_user_files "$work/music" "no working folder"
grep -q "作業フォルダ" "$work/nowork.err" || fail "nothing said about the working folder: $(cat "$work/nowork.err")"
[ -z "$(find "$work/runtime" /tmp -maxdepth 1 -name 'vpcounter-??????' -newer "$work/before" 2>/dev/null)" ] ||
  fail "the scratch folder was left behind"

# An installed copy whose per-user folder was planted as a link to the user's music.
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
user_files "$work/music2"
mkdir -p "$work/state" "$work/elsewhere"
ln -s "$work/music2" "$work/state/vpcounter"
(cd "$work/elsewhere" && env -u VPCOUNTER_WORK_DIR XDG_STATE_HOME="$work/state" HOME="$work/home" \
   timeout 60 "$prefix/bin/vpcounter" /C 2>"$work/planted.err") || fail "the installed copy did not end by itself"
check_user_files "$work/music2" "planted link"
grep -q "作業フォルダ" "$work/planted.err" || fail "nothing said about the planted folder: $(cat "$work/planted.err")"

# Logout signals during a voice.
for signal in TERM HUP INT; do
  rm -rf "$work/run" && mkdir -p "$work/run"
  (cd "$work/run" && VPCOUNTER_TRACE_VOICES=1 exec "$build/vpcounter" /C 2>"$work/signal.err") &
  pid=$!
  for _ in $(seq 300); do grep -q "voice 0 start" "$work/signal.err" 2>/dev/null && break; sleep 0.05; done
  grep -q "voice 0 start" "$work/signal.err" || { kill -9 "$pid"; fail "SIG$signal: no voice started: $(cat "$work/signal.err")"; }
  sent=$(date +%s%N)
  kill -"$signal" "$pid"
  status=0
  wait "$pid" || status=$?
  took=$(( ($(date +%s%N) - sent) / 1000000 ))
  [ "$took" -lt 1000 ] || fail "SIG$signal: the run took $took ms to end"
  [ -z "$(find "$work/run" -iname '*.png' -o -iname '*.wav' -o -iname '*.ogg' -o -name 'extracting-*')" ] ||
    fail "SIG$signal: this run's files were left: $(ls "$work/run")"
  [ "$(od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" | tr -d ' ')" = 2 ] || fail "SIG$signal: the count was not kept"
  echo "SIG$signal: ended in $took ms (status $status)"
done
echo "hostile surroundings end to end: ok"
