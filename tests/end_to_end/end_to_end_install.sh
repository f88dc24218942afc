#!/usr/bin/env bash
# Installs the build into a temporary prefix, makes it read-only and runs
# counter mode twice from another folder, as an installed copy is used: the
# count lands in the user's state folder, voices come through the modules in
# the private library folder, and the menu entry is valid.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
unset VPCOUNTER_WORK_DIR XDG_STATE_HOME
export HOME="$work/home" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME" "$work/elsewhere"
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
for f in bin/vpcounter lib/*/vpcounter/libogog.so lib/*/vpcounter/libvpaudio_sdl.so share/applications/vpcounter.desktop \
         share/icons/hicolor/48x48/apps/vpcounter.png share/doc/vpcounter/README.TXT; do
  compgen -G "$prefix/$f" >/dev/null || fail "$f is not installed"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/vpcounter.desktop" || fail "the menu entry is not valid"
fi
chmod -R a-w "$prefix"

"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000001\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
for run in 1 2; do
  (cd "$work/elsewhere" && VPCOUNTER_TRACE_VOICES=1 timeout 60 "$prefix/bin/vpcounter" /C >/dev/null 2>"$work/run$run.err") ||
    fail "run $run did not end by itself"
done

state="$HOME/.local/state/vpcounter"
hist="$state/TALLYDAT"
[ -f "$hist" ] || fail "no history in the per-user folder"
[ "$(stat -c %a "$state")" = 700 ] || fail "the per-user folder is not private ($(stat -c %a "$state"))"
[ "$(od -An -t u4 -j 4 -N 4 "$hist" | tr -d ' ')" -eq 3 ] || fail "the count is not 3"
[ ! -e "$work/elsewhere/TALLYDAT" ] || fail "a history was written where the program was started"
grep -q "voice 0 start [0-9]* $state/extracting-.*\.wav" "$work/run2.err" ||
  fail "no voice was decoded: the private library folder was not used: $(cat "$work/run2.err")"
[ -z "$(find "$state" -name 'extracting-*')" ] || fail "a run's extraction folder was left behind"
grep -qF "\"tallydatfile\"=\"$hist\"" "$work/reg/HKEY_CURRENT_USER.reg" || fail "tallydatfile does not name the per-user history"
grep -qF "\"tallydatexec\"=\"$prefix/bin/VPCOUNT.EXE\"" "$work/reg/HKEY_CURRENT_USER.reg" || fail "tallydatexec is wrong"
echo "installed copy end to end: ok"
