#!/usr/bin/env bash
# A working folder and settings on a FAT disk (no modes, no anonymous files),
# mounted with fusefat: every logon is counted and logged, voices and the
# exit sound are extracted, and nothing is told. Needs /dev/fuse, mkfs.vfat
# and fusefat; skipped without them.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
if ! command -v fusefat >/dev/null || ! command -v mkfs.vfat >/dev/null || [ ! -w /dev/fuse ]; then
  echo "no fusefat: the FAT working folder is not tried"
  exit 0
fi
export SDL_AUDIODRIVER=dummy VPCOUNTER_TRACE_NOTICES=1 VPCOUNTER_TRACE_VOICES=1
export DBUS_SESSION_BUS_ADDRESS="unix:path=/dev/null/none"
fat="$work/fat"
mkdir -p "$fat"
truncate -s 32M "$work/fat.img"
mkfs.vfat "$work/fat.img" >/dev/null
fusefat -o rw+ "$work/fat.img" "$fat" >/dev/null 2>&1 || { echo "fusefat cannot mount here: skipped"; exit 0; }
trap 'fusermount -u "$fat" 2>/dev/null || umount "$fat" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$fat/run" "$fat/reg"
export VPCOUNTER_WORK_DIR="$fat/run" VPCOUNTER_REGISTRY_DIR="$fat/reg"

"$build/vp-demo-game" "$work/game" --registry "$fat/reg" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000001\n"repl"=dword:00000001\n\n[HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\.Default\\SystemExit\\.Current]\n@="old.wav"\n' \
  > "$fat/reg/HKEY_CURRENT_USER.reg"
count() { { od -An -t u4 -j 4 -N 4 "$fat/run/TALLYDAT" 2>/dev/null || echo 0; } | tr -d ' '; }
for run in 1 2 3; do
  before=$(count)
  (cd "$work" && timeout 60 "$build/vpcounter" /C 2>"$work/run$run.err") || fail "run $run ended with $?: $(cat "$work/run$run.err")"
  [ "$run" = 1 ] && [ "$(count)" -gt 0 ] && first=$(count)
  [ "$run" = 1 ] || [ "$(count)" = $((before + 1)) ] || fail "run $run: counted $before -> $(count)"
  ! grep -q "notice" "$work/run$run.err" || fail "run $run told something: $(cat "$work/run$run.err")"
  grep -q "voice 0 start" "$work/run$run.err" || fail "run $run spoke no voice: $(cat "$work/run$run.err")"
done
[ "$(cat "$fat"/run/startups-*.log | wc -l)" = 3 ] || fail "the log holds $(cat "$fat"/run/startups-*.log | wc -l) lines"
grep -q "\"tallydatfile\"=\"$fat/run/TALLYDAT\"" "$fat/reg/HKEY_CURRENT_USER.reg" || fail "the settings were not saved"
exit_sound=$(grep -A1 'SystemExit' "$fat/reg/HKEY_CURRENT_USER.reg" | tail -1)
echo "$exit_sound" | grep -q "$fat/run/.*\\.wav\"" || fail "exit sound not replaced: $exit_sound"
[ -z "$(find "$fat/run" -iname '*.png' -o -name 'extracting-*' -o -name '.vptmp-*')" ] || fail "files were left: $(ls -a "$fat/run")"
[ "$(count)" = $((first + 2)) ] || fail "three logons made the count $(count)"
echo "FAT working folder end to end: ok (count $(count))"
