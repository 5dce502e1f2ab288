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
# With TIDEWELL_DRAG_CPU set to a number of rounds it measures instead what
# moving the window costs the program and how far it trails the pointer:
# each build given, in turn in every round, is dragged by its sidebar's
# background 600 points out and back 5 times (5-point steps, the pointer
# moved every 16 ms, 62.5 times a second, then every 8 ms, by
# bench/drag_pointer.c on a fixed schedule), and its threads' CPU time and
# wake-ups (context switches) are read from /proc over the drags, less what
# 10 s at rest cost for as long; drag_pointer times each move until the
# window's frame is where it asks (ConfigureNotify). Prints one line per
# build and round and the medians, and the first build's CPU over each
# other's. Needs a C compiler and Xlib's headers too.
#
#     TIDEWELL_DRAG_CPU=5 bench/window_drag.sh build-rel ../base/build-rel
#
# Needs xvfb-run, openbox, trayer, xdotool, xwininfo and the builds' tidewell
# and tidewell-sample-tree. TIDEWELL_DRAG_NO_WM=1 leaves openbox out.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
builds=()
for b in "${@:-$here/build}"; do builds+=("$(cd "$b" && pwd)"); done
build="${builds[0]}"

if [ -z "${TIDEWELL_DRAG_INNER:-}" ]; then
  export TIDEWELL_DRAG_INNER=1
  exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "${builds[@]}"
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

# launch BUILD: starts its tidewell (pid in $tw, window in $win) at 250,173.
launch() {
  rm -rf "$work/config"; mkdir -p "$work/config"
  TIDEWELL_ROOT="$work/mac" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb \
    "$1/tidewell" >/dev/null 2>&1 & tw=$!; pids+=("$tw")
  win="$(xdotool search --sync --onlyvisible --pid "$tw" | head -1)"
  sleep 2
  # Away from the screen's edges, where every build opens it alike.
  xdotool windowmove --sync "$win" 250 173
  sleep 0.5
}

# The window's frame: x y width height.
frame() { xwininfo -id "$win" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
  /Width:/ {w = $NF} /Height:/ {h = $NF} END {print x, y, w, h}'; }

if [ -n "${TIDEWELL_DRAG_CPU:-}" ]; then
  cc -O2 -o "$work/drag_pointer" "$here/bench/drag_pointer.c" -lX11
  # One line per live thread of $tw: id, CPU time in ns, context switches.
  threads() {
    local t
    for t in /proc/"$tw"/task/*; do
      echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null || echo 0)" \
        "$(awk '/ctxt_switches/ {n += $2} END {print n + 0}' "$t/status" 2>/dev/null || echo 0)"
    done
  }
  # Milliseconds of CPU and wake-ups between two snapshots, over the threads in both.
  spent() { awk 'NR == FNR {ns[$1] = $2; cs[$1] = $3; next} ($1 in ns) {t += $2 - ns[$1]; w += $3 - cs[$1]}
    END {printf "%.1f %d\n", t / 1e6, w}' "$1" "$2"; }
  # sweep INTERVAL: 5 drags out and back by 600 points at the background, in
  # 5-point steps INTERVAL microseconds apart; drag_pointer's lines to $work/lag.
  sweep() {
    local interval=$1 k sx sy dir
    : >"$work/lag"
    for k in 1 2 3 4 5; do
      for dir in 1 -1; do
        read -r sx sy _ <<<"$(frame)"
        sx=$((sx + 93)); sy=$((sy + 426))
        xdotool mousemove "$sx" "$sy" sleep 0.2 mousedown 1 sleep 0.05
        "$work/drag_pointer" "$win" "$sx" "$sy" $((dir * 5)) 120 "$interval" 10 >>"$work/lag"
        xdotool sleep 0.2 mouseup 1 sleep 0.2
      done
    done
  }
  median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
  # From $work/lag: the median lag in ms, the steps behind per drag, the
  # points short when the next move came, on average.
  lagged() { awk '{n++; b += $2; p += $3; if ($1 < 0) lost++} END {printf "%.1f %.2f %s\n", b / 10, p / n, lost + 0}' "$work/lag" |
    { read -r behind short lost
      echo "$(awk '$1 >= 0 {print $1 / 1000}' "$work/lag" | median | awk '{printf "%.2f", $1}') $behind $short $lost"; }; }
  declare -A cpu raw wak lag beh sho
  echo "round build: at each rate, ms per 600-point drag net of rest (with it; wake-ups per pointer move)," \
    "lag: median ms from a pointer move to the window there, steps of 118 a drag behind (the next move came first)," \
    "points short then on average"
  for r in $(seq 1 "$TIDEWELL_DRAG_CPU"); do
    for b in "${!builds[@]}"; do
      launch "${builds[$b]}"
      sleep 10  # the first scans end
      line="$r ${builds[$b]}:"
      for interval in 16000 8000; do
        threads >"$work/a"; t0=$(date +%s.%N); sweep "$interval"; t1=$(date +%s.%N); threads >"$work/b"
        read -r ms wakes <<<"$(spent "$work/a" "$work/b")"
        read -r lms behind short lost <<<"$(lagged)"
        # 10 s at rest, for what the window costs as long without a drag.
        threads >"$work/a"; sleep 10; threads >"$work/b"
        read -r rest_ms rest_wakes <<<"$(spent "$work/a" "$work/b")"
        per=$(echo "scale=2; ($ms - $rest_ms * ($t1 - $t0) / 10) / 10" | bc)
        wper=$(echo "scale=2; ($wakes - $rest_wakes * ($t1 - $t0) / 10) / 1200" | bc)
        key="$b $interval"
        cpu[$key]+="$per "; raw[$key]+="$(echo "scale=2; $ms / 10" | bc) "; wak[$key]+="$wper "
        lag[$key]+="$lms "; beh[$key]+="$behind "; sho[$key]+="$short "
        line+=" $(awk "BEGIN {print 1e6 / $interval}")/s $per ms ($(echo "scale=2; $ms / 10" | bc); $wper) lag $lms ms $behind behind $short short"
        [ "$lost" = 0 ] || line+=" ($lost never reached)"
      done
      echo "$line"
      kill "$tw"; wait "$tw" 2>/dev/null || true
    done
  done
  med() { tr ' ' '\n' <<<"$1" | grep . | median; }
  for b in "${!builds[@]}"; do
    line="median ${builds[$b]}:"
    for interval in 16000 8000; do
      key="$b $interval"
      line+=" $(awk "BEGIN {print 1e6 / $interval}")/s $(med "${cpu[$key]}") ms ($(med "${raw[$key]}"); $(med "${wak[$key]}"))"
      line+=" lag $(med "${lag[$key]}") ms $(med "${beh[$key]}") behind $(med "${sho[$key]}") short;"
    done
    echo "$line"
    # Ratios within each round, then their median: pairs launched minutes apart.
    [ "$b" = 0 ] && continue
    line="  ${builds[0]} over it, median of the rounds' ratios:"
    for interval in 16000 8000; do
      ratios=$(paste -d' ' <(tr ' ' '\n' <<<"${cpu["0 $interval"]}" | grep .) <(tr ' ' '\n' <<<"${cpu["$b $interval"]}" | grep .) |
        awk '{printf "%.2f ", $1 / $2}')
      rr=$(paste -d' ' <(tr ' ' '\n' <<<"${raw["0 $interval"]}" | grep .) <(tr ' ' '\n' <<<"${raw["$b $interval"]}" | grep .) |
        awk '{printf "%.2f ", $1 / $2}')
      line+=" $(awk "BEGIN {print 1e6 / $interval}")/s $(med "$ratios") ($(med "$rr") with rest; rounds: $ratios)"
    done
    echo "$line"
  done
  exit 0
fi

launch "$build"

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
