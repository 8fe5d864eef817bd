#!/usr/bin/env bash
# Runs the benchmarks (optimised host build): scripts/bench.sh [benchmark options]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
"$JK_ROOT/scripts/setup.sh"
"$JK_ROOT/scripts/build.sh" bench
"$JK_BUILD/bench/tests/bench/bench" "$@"
