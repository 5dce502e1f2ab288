#!/usr/bin/env bash
# Builds Tidewell with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test headless;
# then the platform's, the inventory's and the update checks' tests in a RelWithDebInfo build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTIDEWELL_SANITIZE=ON -DTIDEWELL_WERROR=ON >/dev/null
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
# Optimised, where what the compiler and linker make (the module's layout,
# sizes, timings) differs: the tests most bound to it once more, without
# sanitizers.
programs=(test_platform test_inventory test_updates)
cmake -S . -B build-test-rel -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWELL_WERROR=ON -DTIDEWELL_BENCH=OFF >/dev/null
cmake --build build-test-rel --target "${programs[@]}"
labels=$(IFS='|'; echo "${programs[*]}")
ctest --test-dir build-test-rel --output-on-failure -j"$(nproc)" -L "^($labels)\$"
