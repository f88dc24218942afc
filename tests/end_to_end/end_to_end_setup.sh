# Sourced by the end-to-end scripts: a fresh working, registry and runtime
# folder under $work, removed at exit, and a headless Qt.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/reg" "$work/runtime"
chmod 700 "$work/runtime"
export VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime"
fail() { echo "FAIL: $*"; exit 1; }
# A private X server on a free display, once it answers: sets DISPLAY, and
# xvfb to its process.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  for _ in $(seq 100); do xprop -root >/dev/null 2>&1 && break; sleep 0.1; done
  xprop -root >/dev/null 2>&1 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
}
