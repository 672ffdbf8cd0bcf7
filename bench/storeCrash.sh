#!/usr/bin/env bash
# Kills a process writing the store many more times than CI does (argument: number of kills, default
# 1000) and checks after each kill that the index loads and every record's copies exist.
set -euo pipefail
cd "$(dirname "$0")/.."
cycles=${1:-1000}
preset=${PRESET:-dev}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target brimly_store_tests
BRIMLY_CRASH_CYCLES="$cycles" "build/$preset/core/brimly_store_tests" --gtest_filter='StoreCrashTest.*'
