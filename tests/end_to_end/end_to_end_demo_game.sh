#!/usr/bin/env bash
# Counter mode against the demo game, voices on, headless: the window shows the
# pictures (snapshot), speaks, closes by itself and cleans up what it extracted.
set -euo pipefail
build=$1
source "$(dirname "$0")/end_to_end_setup.sh"
export SDL_AUDIODRIVER=dummy VPCOUNTER_SNAPSHOT="$work/counter.png"

"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000001\n"repl"=dword:00000001\n\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemExit\\.Current]\n@="old.wav"\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
# A previous run's voice, in the list of what it extracted; the player's own
# files, some under names like ours, not in it.
touch "$work/run/0FFE.WAV" "$work/run/Song.WAV" "$work/run/CAFE.ogg" "$work/run/2024.png"
printf '0FFE.WAV\n' > "$work/run/extracted-files.txt"

start=$(date +%s)
(cd "$work/run" && timeout 60 "$build/vpcounter" /C) || fail "counter mode did not end by itself"
took=$(( $(date +%s) - start ))

[ -f "$work/counter.png" ] || fail "no snapshot"
info=$("$build/vp-png" info "$work/counter.png")
grep -q "600 x 135" <<<"$info" || fail "snapshot is not the 600 x 135 window"
[ -z "$(find "$work/run" -iname '*.png' ! -name 2024.png)" ] || fail "extracted pictures were left behind"
[ -z "$(find "$work/run" -iname '*.ogg' ! -name CAFE.ogg)" ] || fail "compressed voices were left behind"
[ -e "$work/run/CAFE.ogg" ] && [ -e "$work/run/2024.png" ] || fail "the player's own files were deleted"
[ ! -e "$work/run/0FFE.WAV" ] || fail "the previous run's voices were not deleted"
[ -e "$work/run/Song.WAV" ] || fail "a file of the user was deleted"
[ -z "$(find "$work/run" -name 'extracting-*')" ] || fail "the run's own extraction folder was left behind"
wavs=$(find "$work/run" -name '*.wav' | wc -l)
[ "$wavs" -eq 1 ] || fail "expected only the exit voice to stay, found $wavs wav files"
exit_sound=$(grep -A1 'SystemExit' "$work/reg/HKEY_CURRENT_USER.reg" | tail -1)
echo "$exit_sound" | grep -q '\.wav"' || fail "exit sound not replaced: $exit_sound"
count=$(od -An -t u4 -j 4 -N 4 "$work/run/TALLYDAT" | tr -d ' ')
[ "$count" -eq 2 ] || fail "count is $count, expected 2"
echo "counter mode with the demo game: ok (${took}s, $wavs voices)"
