#!/usr/bin/env bash
# Runs the libFuzzer targets for longer: scripts/fuzz.sh [SECONDS_EACH] [TARGET...]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
"$JK_ROOT/scripts/setup.sh"
"$JK_ROOT/scripts/build.sh" fuzz
seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(cd "$JK_BUILD/fuzz/tests/fuzz" && ls fuzz_* 2>/dev/null)
for t in "${targets[@]}"; do
    corpus="$JK_BUILD/run/corpus/$t"
    mkdir -p "$corpus"
    jk_log "fuzzing $t for $seconds s"
    "$JK_BUILD/fuzz/tests/fuzz/$t" -max_total_time="$seconds" "$corpus"
done
