# Sourced by the benchmarks that run under a virtual X server: a work
# folder of their own, a runtime folder in it (so a launch is never handed
# over to a Tidewell the user runs), and every process added to `pids`
# ended with it.
work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
