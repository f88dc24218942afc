#!/usr/bin/env bash
# Runs counter mode as at a logon inside real window managers, headless, beside
# a player's window that has the focus, and reads back from the X server what
# the player sees: whether the greeting is visible only once its frame is
# centred (within 2 px), stays above the player's window, leaves the focus
# where it was and offers no maximising.
#   tools/desktop-check.sh BUILD_DIR [openbox] [mutter] [kwin] [kwin-wayland] [sway]
# With no desktop named, every one that is installed is tried. mutter and KWin
# run as Wayland compositors with XWayland, as GNOME and Plasma sessions do;
# kwin-wayland is a Plasma session without XWayland, read back through KWin's
# scripting interface, where the greeting is a layer-shell surface; sway is
# a wlroots compositor without XWayland, read back from its screenshots.
set -euo pipefail

caption="ヴェルベル起動カウンター＋(プラス)"

# One check, inside the desktop's session: DISPLAY is the desktop's X server.
inner() {
  local desktop=$1 composited=$2 out=$3
  xmessage -geometry 400x200+100+100 "player's window" >/dev/null 2>&1 &
  local player=$! playerWindow=
  for _ in $(seq 100); do
    playerWindow=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n 1) && [ -n "$playerWindow" ] && break
    sleep 0.05
  done
  timeout 5 xdotool windowactivate "$playerWindow" >/dev/null 2>&1 || true
  sleep 0.5
  local started
  started=$(date +%s%N)
  "$program" /C 2>"$out.err" &
  local run=$!
  local ours= firstVisible= worst=0 samples=0 focusTaken=0 below=0 maximise=0 last= framed=0
  while kill -0 "$run" 2>/dev/null; do
    if [ -z "$ours" ]; then
      for w in $(xdotool search --onlyvisible --name "^${caption%%(*}" 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Width: 600' && ours=$w && break
      done
      [ -n "$ours" ] || { sleep 0.02; continue; }
    fi
    local info extents opacity
    info=$(xwininfo -id "$ours" 2>/dev/null) || break
    extents=$(xprop -id "$ours" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
    opacity=$(xprop -id "$ours" _NET_WM_WINDOW_OPACITY 2>/dev/null | sed -n 's/.*= //p')
    # A compositing manager does not draw a window of opacity 0.
    if [ "$composited" = 1 ] && [ "$opacity" = 0 ]; then sleep 0.02; continue; fi
    # A frame that has gone again is the window closing, unframed for an instant.
    [ -n "$extents" ] && framed=1
    if [ -z "$extents" ] && [ "${framed:-0}" = 1 ]; then sleep 0.02; continue; fi
    local x y left right top bottom
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    local area sw sh ax ay
    area=$(xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ' | cut -d, -f1-4)
    [ -n "$area" ] || area=0,0,$(xwininfo -root | sed -n 's/.*Width: *//p'),$(xwininfo -root | sed -n 's/.*Height: *//p')
    IFS=, read -r ax ay sw sh <<<"$area"
    local fw=$((600 + left + right)) fh=$((135 + top + bottom))
    local dx=$(((x - left) - (ax + (sw - fw) / 2))) dy=$(((y - top) - (ay + (sh - fh) / 2)))
    dx=${dx#-} dy=${dy#-}
    [ "$dx" -gt "$worst" ] && worst=$dx
    [ "$dy" -gt "$worst" ] && worst=$dy
    [ -n "$firstVisible" ] || firstVisible=$((($(date +%s%N) - started) / 1000000))
    local active stacking
    active=$(xprop -root _NET_ACTIVE_WINDOW 2>/dev/null | sed -n 's/.*# //p')
    [ -n "$active" ] && [ $((active)) = "$ours" ] && focusTaken=1
    stacking=$(xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed -n 's/.*# //p' | tr -d ' ' | tr , '\n')
    local pi oi
    pi=$(grep -n -x -i "$(printf '0x%x' "$playerWindow")" <<<"$stacking" | cut -d: -f1 || true)
    oi=$(grep -n -x -i "$(printf '0x%x' "$ours")" <<<"$stacking" | cut -d: -f1 || true)
    [ -n "$pi" ] && [ -n "$oi" ] && [ "$oi" -lt "$pi" ] && below=1
    xprop -id "$ours" _NET_WM_ALLOWED_ACTIONS 2>/dev/null | grep -q MAXIMIZE && maximise=1
    last="frame $((x - left)),$((y - top)) ${fw}x${fh} in ${sw}x${sh}"
    samples=$((samples + 1))
    echo "$(($(date +%s%N) / 1000000)) client $x,$y extents ${extents:-none} opacity ${opacity:-none} active $active" >>"$out.trace"
    sleep 0.02
  done
  wait "$run" || echo "counter mode ended with $?" >>"$out.err"
  kill "$player" 2>/dev/null || true
  {
    echo "desktop=$desktop"
    echo "visible_after_ms=${firstVisible:-never}"
    echo "samples=$samples"
    echo "worst_off_centre_px=$worst"
    echo "last='$last'"
    echo "focus_taken=$focusTaken"
    echo "below_player=$below"
    echo "maximisable=$maximise"
  } >"$out"
}

# The same check inside a Wayland-only KWin session, whose window list
# (with layer-shell surfaces) only its scripting interface tells.
inner_wayland() {
  local desktop=$1 out=$2 log=$3
  weston-simple-shm >/dev/null 2>&1 &
  local player=$!
  sleep 1
  local started
  started=$(date +%s%N)
  "$program" /C 2>"$out.err" &
  local run=$! look=0
  cat >"$out.js" <<'JS'
var l = workspace.clientList();
for (var i = 0; i < l.length; i++) {
  var c = l[i], g = c.frameGeometry;
  print("vplook " + c.resourceClass + " " + g.x + " " + g.y + " " + g.width + " " + g.height + " " + c.active + " " +
        c.layer + " " + c.maximizable + " " + workspace.clientArea(KWin.PlacementArea, c).width + " " +
        workspace.clientArea(KWin.PlacementArea, c).height + " " + (Date.now()));
}
JS
  while kill -0 "$run" 2>/dev/null; do
    look=$((look + 1))
    local id
    id=$(dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript \
      "string:$out.js" "string:vplook$look" 2>/dev/null | sed -n 's/.*int32 //p')
    [ -n "$id" ] && dbus-send --session --type=method_call --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.start 2>/dev/null
    sleep 0.2
  done
  wait "$run" || echo "counter mode ended with $?" >>"$out.err"
  kill "$player" 2>/dev/null || true
  sleep 0.2
  # Each look lists the player's window and, while it is up, the greeting.
  awk -v started="$((started / 1000000))" -v desktop="$desktop" '
    $1 == "js:" && $2 == "vplook" {
      cls = $3; t = $13
      if (cls ~ /simple-shm/) { playerLayer = $9; playerActive[t] = $8 }
      if (cls == "vpcounter") {
        samples++
        if (first == "") first = t - started
        dx = $4 - int(($11 - $6) / 2); dy = $5 - int(($12 - $7) / 2)
        if (dx < 0) dx = -dx; if (dy < 0) dy = -dy
        if (dx > worst) worst = dx; if (dy > worst) worst = dy
        if ($8 == "true") focus = 1
        if ($10 == "true") maximise = 1
        ourLayer = $9
        last = "frame " $4 "," $5 " " $6 "x" $7 " in " $11 "x" $12
      }
    }
    END {
      print "desktop=" desktop
      print "visible_after_ms=" (first == "" ? "never" : first)
      print "samples=" samples + 0
      print "worst_off_centre_px=" worst + 0
      print "last='\''" last "'\''"
      print "focus_taken=" focus + 0
      print "below_player=" ((ourLayer != "" && playerLayer != "" && ourLayer + 0 < playerLayer + 0) ? 1 : 0)
      print "maximisable=" maximise + 0
    }' "$log" >"$out"
}

# Inside sway (wlroots), Wayland only: screenshots with grim, and which
# window has the focus from sway's own tree. The pictures are matched later.
inner_sway() {
  local out=$1
  # The player's window, tiled over the whole screen.
  weston-terminal >/dev/null 2>&1 &
  local player=$!
  for _ in $(seq 50); do
    swaymsg -t get_tree 2>/dev/null | grep -q wayland-terminal && break
    sleep 0.1
  done
  sleep 0.5
  local started shot=0
  started=$(date +%s%N)
  VPCOUNTER_SNAPSHOT="$out.snapshot.png" "$program" /C 2>"$out.err" &
  local run=$!
  while kill -0 "$run" 2>/dev/null; do
    local at=$((($(date +%s%N) - started) / 1000000))
    grim "$out.shot.$shot.png" 2>/dev/null && echo "$shot $at" >>"$out.shots" && shot=$((shot + 1))
    # The focused window's app_id; a layer surface is never in the tree.
    swaymsg -t get_tree 2>/dev/null | python3 -c '
import json, sys
def walk(n):
    if n.get("focused"): print(n.get("app_id") or n.get("type"))
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))' >>"$out.focus" 2>/dev/null
    sleep 0.2
  done
  wait "$run" || echo "counter mode ended with $?" >>"$out.err"
  kill "$player" 2>/dev/null || true
  swaymsg exit >/dev/null 2>&1 || true
}

if [ "${1:-}" = --inner ]; then
  set +e  # a failed look is a missing sample, not a failed check
  program=$2
  case $3 in
    kwin-wayland) inner_wayland "$3" "$5" "$6" ;;
    sway) inner_sway "$5" ;;
    *) inner "$3" "$4" "$5" ;;
  esac
  exit 0
fi

build=$(readlink -f "${1:?usage: desktop-check.sh BUILD_DIR [openbox] [mutter] [kwin] [kwin-wayland] [sway]}")
shift
program="$build/vpcounter"
desktops=("$@")
if [ ${#desktops[@]} -eq 0 ]; then
  command -v openbox >/dev/null && command -v Xvfb >/dev/null && desktops+=(openbox)
  command -v mutter >/dev/null && command -v Xwayland >/dev/null && desktops+=(mutter)
  command -v kwin_wayland >/dev/null && command -v Xwayland >/dev/null && desktops+=(kwin)
  command -v kwin_wayland >/dev/null && command -v weston-simple-shm >/dev/null && desktops+=(kwin-wayland)
  command -v sway >/dev/null && command -v grim >/dev/null && command -v weston-terminal >/dev/null &&
    { [ "$(id -u)" != 0 ] || command -v runuser >/dev/null; } && desktops+=(sway)
fi
[ ${#desktops[@]} -gt 0 ] || { echo "no desktop to try: install openbox, mutter or kwin-wayland"; exit 0; }

work=$(mktemp -d)
[ -z "${VP_CHECK_KEEP:-}" ] || echo "keeping $work"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; [ -n "${VP_CHECK_KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
mkdir -p "$work/reg" "$work/run"
"$build/vp-demo-game" "$work/game" --registry "$work/reg" >/dev/null
export VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run" SDL_AUDIODRIVER=dummy
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY XAUTHORITY
self=$(readlink -f "$0")
failed=0

for desktop in "${desktops[@]}"; do
  runtime="$work/runtime-$desktop"
  mkdir -p "$runtime" && chmod 700 "$runtime"
  out="$work/$desktop.result"
  case $desktop in
    openbox)
      Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/openbox.display" >"$work/openbox.log" 2>&1 &
      pids+=($!)
      for _ in $(seq 100); do [ -s "$work/openbox.display" ] && break; sleep 0.1; done
      display=":$(cat "$work/openbox.display")"
      DISPLAY=$display XDG_RUNTIME_DIR=$runtime timeout 120 dbus-run-session -- bash -c \
        "openbox >>'$work/openbox.log' 2>&1 & sleep 1; XDG_CURRENT_DESKTOP=openbox '$self' --inner '$program' openbox 0 '$out'" || true
      ;;
    mutter)
      XDG_RUNTIME_DIR=$runtime timeout 120 dbus-run-session -- bash -c "
        mutter --headless --virtual-monitor 1280x800 --wayland --wayland-display=wl-check >'$work/mutter.log' 2>&1 &
        compositor=\$!
        for _ in \$(seq 100); do d=\$(grep -o 'Using public X11 display :[0-9]*' '$work/mutter.log' | grep -o ':[0-9]*'); [ -n \"\$d\" ] && break; sleep 0.1; done
        export DISPLAY=\$d WAYLAND_DISPLAY=wl-check XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
        export XAUTHORITY=\$(ls -t '$runtime'/.mutter-Xwaylandauth* | head -n 1)
        '$self' --inner '$program' mutter 1 '$out'
        kill \$compositor" || true
      ;;
    kwin)
      # kwin_wayland carries a file capability, which a container may refuse
      # to execute: a plain copy runs the same.
      kwin=$(command -v kwin_wayland)
      "$kwin" --version >/dev/null 2>&1 || { cp "$kwin" "$work/kwin_wayland"; kwin="$work/kwin_wayland"; }
      XDG_RUNTIME_DIR=$runtime XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE timeout 120 dbus-run-session -- \
        "$kwin" --virtual --xwayland --socket wl-check --width 1280 --height 800 \
        --exit-with-session="${VP_CHECK_SHELL:-} $self --inner $program kwin 1 $out" >"$work/kwin.log" 2>&1 || true
      ;;
    kwin-wayland)
      kwin=$(command -v kwin_wayland)
      "$kwin" --version >/dev/null 2>&1 || { cp "$kwin" "$work/kwin_wayland"; kwin="$work/kwin_wayland"; }
      # The scripts' print() reaches KWin's log only with this category on.
      QT_LOGGING_RULES="kwin_scripting=true" XDG_RUNTIME_DIR=$runtime XDG_SESSION_TYPE=wayland \
        XDG_CURRENT_DESKTOP=KDE timeout 120 dbus-run-session -- \
        "$kwin" --virtual --socket wl-check --width 1280 --height 800 \
        --exit-with-session="$self --inner $program kwin-wayland 1 $out $work/kwin-wayland.log" \
        >"$work/kwin-wayland.log" 2>&1 || true
      ;;
    sway)
      # sway refuses to run as root: root runs it as nobody, with a copy of
      # the program (a build in a private folder is out of its reach).
      asUser=()
      swayProgram=$program swaySelf=$self
      if [ "$(id -u)" = 0 ]; then
        chmod 755 "$work"
        mkdir -p "$work/sway-bin"
        cp "$program" "$build"/lib*.so "$self" "$work/sway-bin/"
        chmod -R a+rX "$work/sway-bin" "$work/game"
        swayProgram="$work/sway-bin/vpcounter" swaySelf="$work/sway-bin/$(basename "$self")"
        mkdir -p "$work/sway-out"
        chown -R nobody "$runtime" "$work/reg" "$work/run" "$work/sway-out"
        asUser=(runuser -u nobody --)
      else
        mkdir -p "$work/sway-out"
      fi
      printf 'xwayland disable\noutput HEADLESS-1 resolution 1280x800\nexec %s --inner %s sway 1 %s\n' \
        "$swaySelf" "$swayProgram" "$work/sway-out/result" >"$work/sway.config"
      chmod a+r "$work/sway.config"
      timeout 120 "${asUser[@]}" env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$runtime" HOME="$work/run" \
        WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman XDG_SESSION_TYPE=wayland \
        VPCOUNTER_REGISTRY_DIR="$work/reg" VPCOUNTER_WORK_DIR="$work/run" SDL_AUDIODRIVER=dummy \
        dbus-run-session -- sway -c "$work/sway.config" >"$work/sway.log" 2>&1 || true
      # Where the greeting is in each screenshot, and whether the focus moved.
      o="$work/sway-out/result"
      worst=0 samples=0 firstVisible=never last=
      if [ -s "$o.snapshot.png" ] && [ -s "$o.shots" ]; then
        while read -r shot at; do
          found=$(/usr/bin/python3 "$(dirname "$self")/find_in_screenshot.py" "$o.shot.$shot.png" "$o.snapshot.png" 2>/dev/null || echo none)
          [ "$found" = none ] && continue
          read -r fx fy _ <<<"$found"
          samples=$((samples + 1))
          [ "$firstVisible" = never ] && firstVisible=$at
          dx=$((fx - (1280 - 600) / 2)) dy=$((fy - (800 - 135) / 2))
          dx=${dx#-} dy=${dy#-}
          [ "$dx" -gt "$worst" ] && worst=$dx
          [ "$dy" -gt "$worst" ] && worst=$dy
          last="frame $fx,$fy 600x135 in 1280x800"
        done <"$o.shots"
      fi
      # The terminal keeps the focus in every look, or it was taken.
      focus=0
      grep -q -v -x org.freedesktop.weston.wayland-terminal "$o.focus" 2>/dev/null && focus=1
      cp "$o.err" "$out.err" 2>/dev/null || : >"$out.err"
      # Seen in no screenshot: hidden behind the player's window, or never shown.
      {
        echo "desktop=sway"
        echo "visible_after_ms=$firstVisible"
        echo "samples=$samples"
        echo "worst_off_centre_px=$worst"
        echo "last='$last'"
        echo "focus_taken=$focus"
        echo "below_player=0"
        echo "maximisable=0"
      } >"$out"
      ;;
    *) echo "unknown desktop $desktop"; failed=1; continue ;;
  esac
  [ -z "${VP_CHECK_TRACE:-}" ] || cat "$out.trace" "$out.err" 2>/dev/null || true
  if [ ! -s "$out" ]; then
    echo "$desktop: no result; the desktop's log ends:"; tail -n 5 "$work/$desktop.log" 2>/dev/null || true
    failed=1
    continue
  fi
  # shellcheck disable=SC1090
  source "$out"
  verdict=ok
  problems=()
  [ "$visible_after_ms" = never ] && problems+=("never visible")
  [ "$visible_after_ms" != never ] && [ "$worst_off_centre_px" -gt 2 ] && problems+=("seen ${worst_off_centre_px} px off centre")
  [ "$focus_taken" = 1 ] && problems+=("took the focus")
  [ "$below_player" = 1 ] && problems+=("went below the player's window")
  [ "$maximisable" = 1 ] && problems+=("can be maximised")
  grep -v -e '^vpcounter:' -e 'fd limit' "$out.err" | grep -q . && problems+=("said: $(head -c 300 "$out.err")")
  [ ${#problems[@]} -eq 0 ] || { verdict="FAIL: ${problems[*]}"; failed=1; }
  printf '%-8s visible after %s ms, %s, worst %s px off centre over %s looks: %s\n' \
    "$desktop" "$visible_after_ms" "$last" "$worst_off_centre_px" "$samples" "$verdict"
done
exit "$failed"
