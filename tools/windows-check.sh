#!/usr/bin/env bash
# Cross-builds the core without Qt (every rule below the windows) with
# mingw-w64 into build-windows/ and checks it under Wine:
# - its tests pass;
# - code page 932 maps both ways exactly as in the Linux build;
# - on the PngSuite every decode and every re-encoding is byte for byte the
#   Linux build's (the tIME chunk aside, which holds the moment of writing),
#   also for a file in a folder named in Japanese.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${VPCOUNTER_SKIP_DEPS:-0}" = 1 ] || bash tools/install-deps.sh  # VPCOUNTER_SKIP_DEPS=1 skips it
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-windows -j"$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vp-png vp-cp932-table

out=$(mktemp -d)
export WINEPREFIX="$out/wine" WINEDEBUG=-all
# A sound server of its own with a sink that plays into nothing: the MCI
# player's tests play through Wine's PulseAudio driver to it.
export XDG_RUNTIME_DIR="$out/runtime" PULSE_RUNTIME_PATH="$out/runtime/pulse"
mkdir -m 700 "$XDG_RUNTIME_DIR"
pulseaudio --daemonize=yes --exit-idle-time=-1 -n --load=module-null-sink --load=module-native-protocol-unix \
  --log-target=file:"$out/pulse.log" 2>/dev/null || echo "windows-check: no sound server; the player's tests skip"
trap 'wineserver -k 2>/dev/null || true; pulseaudio --kill 2>/dev/null || true; rm -rf "$out"' EXIT
mkdir -p "$out/linux" "$out/windows"
# A prefix of its own, with Wine's window driver that needs no display:
# the termination watch's window is made without one.
wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w

(cd build-windows && ctest --output-on-failure --timeout 600)

build/vp-cp932-table >"$out/cp932-linux.txt"
wine build-windows/vp-cp932-table.exe | tr -d '\r' >"$out/cp932-windows.txt"
cmp -s "$out/cp932-linux.txt" "$out/cp932-windows.txt" ||
  { echo "windows-check: code page 932 maps differently:"; diff "$out/cp932-linux.txt" "$out/cp932-windows.txt" | head -20; exit 1; }
echo "windows-check: code page 932 maps alike both ways ($(wc -l <"$out/cp932-linux.txt") sequences and characters)"
for f in tests/data/pngsuite/*.png; do
  name=$(basename "$f" .png)
  for side in linux windows; do
    if [ $side = linux ]; then tool=(build/vp-png); else tool=(wine build-windows/vp-png.exe); fi
    for step in convert:png rgba:rgba; do
      # A refusal is compared as one; a Windows start that failed is tried once more first.
      "${tool[@]}" "${step%%:*}" "$f" "$out/$side/$name.${step#*:}" >/dev/null 2>&1 ||
        { [ $side = windows ] && "${tool[@]}" "${step%%:*}" "$f" "$out/$side/$name.${step#*:}" >/dev/null 2>&1; } ||
        echo failed >"$out/$side/$name.${step#*:}"
    done
  done
done
# A folder and a file named in Japanese: the Windows runtime's narrow calls would lose them.
mkdir -p "$out/画像"
cp tests/data/pngsuite/basn6a08.png "$out/画像/絵.png"
wine build-windows/vp-png.exe convert "$out/画像/絵.png" "$out/画像/書き出し.png" >/dev/null 2>&1 &&
  [ -s "$out/画像/書き出し.png" ] || { echo "windows-check: a Japanese file name was not read or written"; exit 1; }
build/vp-png convert "$out/画像/絵.png" "$out/linux/japanese-name.png" >/dev/null
cp "$out/画像/書き出し.png" "$out/windows/japanese-name.png"
/usr/bin/python3 - "$out" <<'PY'
import os, struct, sys
root = sys.argv[1]
def without_time(b):
    if not b.startswith(b"\x89PNG"): return b
    out, i = [b[:8]], 8
    while i + 8 <= len(b):
        n = struct.unpack(">I", b[i:i + 4])[0]
        if b[i + 4:i + 8] != b"tIME": out.append(b[i:i + 12 + n])
        i += 12 + n
    return b"".join(out)
names = sorted(os.listdir(os.path.join(root, "linux")))
differ = [n for n in names if without_time(open(os.path.join(root, "linux", n), "rb").read())
          != without_time(open(os.path.join(root, "windows", n), "rb").read())]
print(f"windows-check: {len(names) - len(differ)} of {len(names)} outputs as on Linux")
for n in differ:
    print("  differs:", n, "(Linux %d bytes, Windows %d bytes)" % (
        os.path.getsize(os.path.join(root, "linux", n)), os.path.getsize(os.path.join(root, "windows", n))))
sys.exit(1 if differ or not names else 0)
PY
