#!/usr/bin/env bash
# Whether the point grabbed stays under the pointer: Tidewell's main window
# under a virtual X server with openbox and trayer, dragged with xdotool by
# its sidebar's background and by each edge and corner (out by 100 or 60 points
# and back, the pointer in 5 and in 20 point steps), its frame read with
# xwininfo before and after; then the pointer's place against the window's
# after each step of one move, and clicks that must move nothing. Prints one
# line per drag with "ok" or "SLIP".
#
#     bench/window_drag.sh [build folder]
#
# Needs xvfb-run, openbox, trayer, xdotool, xwininfo and the build's tidewell
# and tidewell-sample-tree. TIDEWELL_DRAG_NO_WM=1 leaves openbox out.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"

if [ -z "${TIDEWELL_DRAG_INNER:-}" ]; then
  export TIDEWELL_DRAG_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$build"
fi

# shellcheck source=bench/x_session.sh
. "$here/bench/x_session.sh"

mkdir -p "$work/config"
"$build/tidewell-sample-tree" "$work/mac" "$(id -un)" >/dev/null
if [ "${TIDEWELL_DRAG_NO_WM:-0}" != 1 ]; then
  openbox >/dev/null 2>&1 & pids+=($!)
  sleep 1
fi
trayer --edge top >/dev/null 2>&1 & pids+=($!)
TIDEWELL_ROOT="$work/mac" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
  "$build/tidewell" >/dev/null 2>&1 & pids+=($!)
win="$(xdotool search --sync --onlyvisible --pid "${pids[-1]}" | head -1)"
sleep 2
# Away from the screen's edges (with no window manager it opens at 0,0).
xdotool windowmove --sync "$win" 250 173
sleep 0.5

# The window's frame: x y width height.
frame() { xwininfo -id "$win" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
  /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'; }

# drag WHAT X Y DX DY STEP LEFT TOP RIGHT BOTTOM: presses at X,Y in the window
# (negative: from its far side), moves by DX,DY in steps of STEP and releases;
# the frame's sides flagged 1 must follow the pointer all the way.
drag() {
  local what=$1 x=$2 y=$3 dx=$4 dy=$5 step=$6 fl=$7 ft=$8 fr=$9 fb=${10}
  read -r x0 y0 w0 h0 <<<"$(frame)"
  ((x < 0)) && x=$((w0 + x)); ((y < 0)) && y=$((h0 + y))
  local sx=$((x0 + x)) sy=$((y0 + y)) n i
  n=$(((${dx#-} > ${dy#-} ? ${dx#-} : ${dy#-}) / step))
  xdotool mousemove "$sx" "$sy"; sleep 0.3; xdotool mousedown 1; sleep 0.1
  for i in $(seq 1 "$n"); do xdotool mousemove $((sx + dx * i / n)) $((sy + dy * i / n)); sleep 0.03; done
  sleep 0.3; xdotool mouseup 1; sleep 0.6
  read -r x1 y1 w1 h1 <<<"$(frame)"
  local want="$((x0 + fl * dx)) $((y0 + ft * dy)) $((w0 + (fr - fl) * dx)) $((h0 + (fb - ft) * dy))"
  local verdict=ok; [ "$x1 $y1 $w1 $h1" = "$want" ] || verdict=SLIP
  printf '%-12s step %2s by %4s,%4s: %s -> %s  %s\n' "$what" "$step" "$dx" "$dy" \
    "$x0,$y0 ${w0}x$h0" "$x1,$y1 ${w1}x$h1" "$verdict"
}

for step in 5 20; do
  for sign in 1 -1; do drag move 93 426 $((sign * 100)) $((sign * 60)) "$step" 1 1 1 1; done
  for sign in 1 -1; do drag left 2 340 $((sign * -100)) 0 "$step" 1 0 0 0; done
  for sign in 1 -1; do drag right -3 340 $((sign * 100)) 0 "$step" 0 0 1 0; done
  for sign in 1 -1; do drag top 600 2 0 $((sign * -60)) "$step" 0 1 0 0; done
  for sign in 1 -1; do drag bottom 600 -3 0 $((sign * 60)) "$step" 0 0 0 1; done
  for sign in 1 -1; do drag top-left 10 10 $((sign * -100)) $((sign * -60)) "$step" 1 1 0 0; done
  for sign in 1 -1; do drag top-right -10 10 $((sign * 100)) $((sign * -60)) "$step" 0 1 1 0; done
  for sign in 1 -1; do drag bottom-left 10 -10 $((sign * -100)) $((sign * 60)) "$step" 1 0 0 1; done
  for sign in 1 -1; do drag bottom-right -10 -10 $((sign * 100)) $((sign * 60)) "$step" 0 0 1 1; done
done

# The pointer's travel against the window's after each 5-point step of a move.
read -r x0 y0 _ <<<"$(frame)"
xdotool mousemove $((x0 + 93)) $((y0 + 426)); sleep 0.3; xdotool mousedown 1; sleep 0.1
line="pointer -> window:"
for i in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((x0 + 93 + 5 * i)) $((y0 + 426 + 3 * i)); sleep 0.2
  read -r x1 y1 _ <<<"$(frame)"
  line+=" $((5 * i)),$((3 * i))->$((x1 - x0)),$((y1 - y0))"
done
xdotool mouseup 1; sleep 0.5
echo "$line"

# Clicks (4 points of jitter) on the background, an edge and a corner, then the
# pointer wanders with no button: the window must stay.
for at in "93 426" "2 340" "600 2" "10 10"; do
  read -r px py <<<"$at"
  before="$(frame)"; read -r x0 y0 _ <<<"$before"
  xdotool mousemove $((x0 + px)) $((y0 + py)); sleep 0.3
  xdotool mousedown 1; sleep 0.05; xdotool mousemove_relative 4 0; sleep 0.05; xdotool mouseup 1; sleep 0.3
  xdotool mousemove_relative 150 90; sleep 0.2; xdotool mousemove_relative -- -60 40; sleep 0.5
  after="$(frame)"
  verdict=ok; [ "$after" = "$before" ] || verdict=MOVED
  echo "click at $px,$py: $before -> $after  $verdict"
done
