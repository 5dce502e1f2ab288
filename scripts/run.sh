#!/usr/bin/env bash
# Builds Tidewell and starts it. Off a Mac, without TIDEWELL_ROOT, it runs on
# a sample Mac-shaped tree made under the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWELL_TESTS=OFF -DTIDEWELL_BENCH=OFF >/dev/null
cmake --build build
if [ "$(uname)" != "Darwin" ] && [ -z "${TIDEWELL_ROOT:-}" ]; then
  export TIDEWELL_ROOT="$PWD/build/sample-mac"
  [ -d "$TIDEWELL_ROOT/Applications" ] || ./build/tidewell-sample-tree "$TIDEWELL_ROOT" "$(id -un)" >/dev/null
  echo "Tidewell: not on a Mac, so running on the sample Mac tree at $TIDEWELL_ROOT"
fi
exec ./build/tidewell "$@"
