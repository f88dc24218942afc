# Sourced by the end-to-end scripts: a fresh working, registry and runtime
# folder under $work, removed at exit, and a headless Qt.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run" "$work/reg" "$work/runtime"
chmod 700 "$work/runtime"
export VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime"
fail() { echo "FAIL: $*"; exit 1; }
