#!/usr/bin/env bash
# The start-up entry against the real consumers that start it at logon: for
# program folders with every kind of name a user can make, the entry is
# valid, systemd's autostart generator makes a unit that systemd-analyze
# accepts and that starts this program in this folder, and dex runs it so
# that the logon is counted. An entry whose program is gone is skipped quietly.
set -euo pipefail
build=$(readlink -f "$1")
source "$(dirname "$0")/end_to_end_setup.sh"
unset VPCOUNTER_WORK_DIR XDG_STATE_HOME XDG_DATA_HOME
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CONFIG_DIRS="$work/nonexistent" SDL_AUDIODRIVER=dummy
generator=/usr/lib/systemd/user-generators/systemd-xdg-autostart-generator
[ -x "$generator" ] || generator=/lib/systemd/user-generators/systemd-xdg-autostart-generator
for tool in desktop-file-validate dex systemd-analyze "$generator"; do
  command -v "$tool" >/dev/null || fail "$tool is missing (bash tools/install-deps.sh installs it)"
done
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Nivre\\VP-COUNTER]\n"timer"=dword:00000001\n"wave"=dword:00000000\n' \
  > "$work/reg/HKEY_CURRENT_USER.reg"
autostart="$XDG_CONFIG_HOME/autostart"
entry="$autostart/ヴェルベル起動カウンター＋(プラス).desktop"
launchers="$HOME/.local/share/vpcounter/autostart"
mkdir -p "$autostart"

names=(
  "plain"
  "with space"
  "日本語のフォルダ"
  "it's"
  "100% sure"
  'say "hi"'
  'back\slash'
  'cost $HOME'
  'back`tick`'
  "tom & jerry"
  "semi;colon #hash =eq ~tilde *star ?q (paren) |pipe <lt>"
  $'all \'of% "them\\ $x `y` & 日本 ;'
)
count_of() { { od -An -t u4 -j 4 -N 4 "$1/TALLYDAT" 2>/dev/null || true; } | tr -d ' '; }

i=0
for name in "${names[@]}"; do
  i=$((i + 1))
  dir="$work/progs/$i/$name"
  mkdir -p "$dir"
  cp "$build/vpcounter" "$build/libogog.so" "$build/libvpaudio_sdl.so" "$dir/"
  rm -f "$entry"
  "$build/write_autostart_entry" "$entry" "$dir/vpcounter" "$dir" "$launchers" || fail "[$name] no entry written"
  desktop-file-validate "$entry" || fail "[$name] desktop-file-validate refuses the entry"

  units="$work/units/$i"
  mkdir -p "$units"
  SYSTEMD_LOG_LEVEL=warning "$generator" "$units" "$units" "$units" 2>"$units.log" || fail "[$name] generator failed"
  [ ! -s "$units.log" ] || fail "[$name] the generator complained: $(cat "$units.log")"
  unit=$(find "$units" -maxdepth 1 -name 'app-*@autostart.service' | head -n 1)
  [ -n "$unit" ] || fail "[$name] the generator made no unit"
  systemd-analyze --user verify --man=no "$unit" >"$units.verify" 2>&1 ||
    fail "[$name] systemd-analyze verify refuses the unit: $(cat "$units.verify")"
  exec_start=$(sed -n 's/^ExecStart=:\{0,1\}//p' "$unit")
  program=${exec_start% /C}
  program=${program#\"}
  program=${program%\"}
  [ "$(readlink -f "$program")" = "$(readlink -f "$dir/vpcounter")" ] || fail "[$name] the unit starts $exec_start"
  working=$(sed -n 's/^WorkingDirectory=-\{0,1\}//p' "$unit")
  [ "$(readlink -f "$working")" = "$(readlink -f "$dir")" ] || fail "[$name] the unit works in $working"

  before=$(count_of "$dir")
  timeout 60 dex -a -s "$autostart" >"$units.dex" 2>&1 || fail "[$name] dex failed: $(cat "$units.dex")"
  # dex does not wait for what it starts at autostart: wait for the count.
  for _ in $(seq 300); do
    after=$(count_of "$dir")
    [ -n "$after" ] && [ "$after" != "$before" ] && break
    sleep 0.1
  done
  [ -n "$after" ] && [ "$after" != "$before" ] || fail "[$name] dex did not run the counter in its folder: $(cat "$units.dex"; ls -la "$dir")"
done

# A program that is gone: its entry is skipped without a word from either consumer.
rm -rf "$work/progs/1/plain"
"$build/write_autostart_entry" "$entry" "$work/progs/gone/vpcounter" "$work/progs/gone" "$launchers" || fail "no entry for a missing program"
rm -rf "$work/units/gone" && mkdir -p "$work/units/gone"
SYSTEMD_LOG_LEVEL=info "$generator" "$work/units/gone" "$work/units/gone" "$work/units/gone" >"$work/gone.log" 2>&1
[ -z "$(find "$work/units/gone" -name 'app-*.service')" ] || fail "a unit for a missing program"
grep -v -i 'trying\|^$' "$work/gone.log" | grep -q . && fail "the generator complained about a missing program: $(cat "$work/gone.log")"
out=$(timeout 30 dex -a -s "$autostart" 2>&1) || fail "dex failed on a missing program: $out"
[ -z "$out" ] || fail "dex complained about a missing program: $out"
echo "autostart entry with the real consumers: ok (${#names[@]} folder names)"
