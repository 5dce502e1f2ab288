#!/usr/bin/env bash
# The idle window as whole processes: Tidewell (shown on the System tab, then
# hidden) beside `top -d 1`, both started under a virtual X server with
# openbox, left to settle, then measured from /proc (user + system CPU time
# over wall time) for the same seconds. Prints one line per round and the
# medians.
#
#     bench/idle_cpu.sh [build folder] [rounds] [seconds per measure]
#
# e.g. bench/idle_cpu.sh build-rel 3 30. Needs xvfb-run, openbox, xdotool
# and the build's tidewell and tidewell-sample-tree. Set TIDEWELL_IDLE_EXTRA
# to a command to measure beside top (e.g. "htop -d 10").
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build-rel}" && pwd)"
rounds="${2:-3}"
seconds="${3:-30}"

if [ -z "${TIDEWELL_IDLE_INNER:-}" ]; then
  export TIDEWELL_IDLE_INNER=1
  exec xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$build" "$rounds" "$seconds"
fi

# shellcheck source=bench/x_session.sh
. "$here/bench/x_session.sh"

"$build/tidewell-sample-tree" "$work/mac" "$(id -un)" >/dev/null
mkdir -p "$work/config" "$work/tmp"

openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

ticks="$(getconf CLK_TCK)"
# User plus system time of a process, in clock ticks.
cpu() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Measures the processes named in "$@" for $seconds; prints their shares of one core.
measure() {
  local before=() after=() t0 t1
  for p in "$@"; do before+=("$(cpu "$p")"); done
  t0="$(date +%s.%N)"
  sleep "$seconds"
  for p in "$@"; do after+=("$(cpu "$p")"); done
  t1="$(date +%s.%N)"
  local i out=""
  for i in "${!before[@]}"; do
    out+="$(awk -v a="${before[$i]}" -v b="${after[$i]}" -v t0="$t0" -v t1="$t1" -v hz="$ticks" \
      'BEGIN { printf "%.2f", 100 * (b - a) / hz / (t1 - t0) }') "
  done
  echo "$out"
}

median() { sort -g | awk '{v[NR] = $1} END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

shown_t=() shown_top=() hidden_t=() hidden_top=() shown_x=() hidden_x=()
echo "round  tidewell-shown  top-shown  tidewell-hidden  top-hidden  load"
for r in $(seq 1 "$rounds"); do
  rm -rf "$work/config"/* "$work/tmp"/*
  TIDEWELL_ROOT="$work/mac" XDG_CONFIG_HOME="$work/config" TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb \
    "$build/tidewell" >/dev/null 2>&1 &
  tw=$!
  top -d 1 -b >/dev/null &
  tp=$!
  extra=()
  if [ -n "${TIDEWELL_IDLE_EXTRA:-}" ]; then
    TERM=xterm script -qc "$TIDEWELL_IDLE_EXTRA" /dev/null >/dev/null </dev/null &
    extra=($!)
  fi
  pids+=("$tw" "$tp" "${extra[@]}")
  # Settle: the first application scan and the remains scan end, the first samples are in.
  sleep 12
  read -r a b c <<<"$(measure "$tw" "$tp" "${extra[@]}")"
  shown_t+=("$a"); shown_top+=("$b"); [ -n "${c:-}" ] && shown_x+=("$c")
  # Hide the window as its close shortcut does.
  win="$(xdotool search --sync --onlyvisible --name '^Tidewell$' | head -1)"
  xdotool windowactivate --sync "$win" key --clearmodifiers ctrl+w
  sleep 3
  if xdotool search --onlyvisible --name '^Tidewell$' >/dev/null 2>&1; then
    echo "round $r: the window did not hide" >&2
    exit 1
  fi
  read -r d e f <<<"$(measure "$tw" "$tp" "${extra[@]}")"
  hidden_t+=("$d"); hidden_top+=("$e"); [ -n "${f:-}" ] && hidden_x+=("$f")
  echo "$r      $a%          $b%      $d%           $e%      $(cut -d' ' -f1 /proc/loadavg)"
  kill "$tw" "$tp" "${extra[@]}" 2>/dev/null || true
  wait "$tw" "$tp" "${extra[@]}" 2>/dev/null || true
done
echo "median tidewell shown $(printf '%s\n' "${shown_t[@]}" | median)%," \
  "hidden $(printf '%s\n' "${hidden_t[@]}" | median)%;" \
  "top $(printf '%s\n' "${shown_top[@]}" "${hidden_top[@]}" | median)%"
if [ "${#shown_x[@]}" -gt 0 ]; then
  echo "median extra ($TIDEWELL_IDLE_EXTRA): $(printf '%s\n' "${shown_x[@]}" "${hidden_x[@]}" | median)%"
fi
