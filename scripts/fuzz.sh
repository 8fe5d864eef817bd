#!/usr/bin/env bash
# Runs the libFuzzer targets for longer: scripts/fuzz.sh [SECONDS_EACH] [TARGET...]
# Each target works on its corpus in build/run/corpus/TARGET, which keeps what earlier runs found
# and gets a copy of the target's seed files (tests/fuzz/corpus/TARGET) first. Prints one result
# line per target; inputs that crash land in build/run/fuzz-artifacts. Exits non-zero when any
# target crashed.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
"$JK_ROOT/scripts/setup.sh"
"$JK_ROOT/scripts/build.sh" fuzz
seconds=${1:-300}
shift || true
targets=("$@")
bin="$JK_BUILD/fuzz/tests/fuzz"
artifacts="$JK_BUILD/run/fuzz-artifacts"
[ ${#targets[@]} -eq 0 ] && mapfile -t targets < <(cd "$bin" && ls fuzz_* 2>/dev/null)

# "TARGET: N runs, coverage C, features F, corpus K, no crash" from a libFuzzer log; a crash
# names the input that caused it.
result_line() {
    local target=$1 log=$2 status=$3 stats crash
    stats=$(grep -E '^#[0-9]+' "$log" | tail -n 1 |
        awk '{ for (i = 2; i < NF; i++) if ($i ~ /^(cov|ft|corp):$/) v[$i] = $(i + 1)
               printf "%s runs, coverage %s, features %s, corpus %s", substr($1, 2), v["cov:"], v["ft:"], v["corp:"] }')
    crash=$(grep -oE 'Test unit written to .*' "$log" | tail -n 1 | sed 's/Test unit written to //')
    if [ "$status" -eq 0 ]; then
        echo "$target: ${stats:-stopped before its first progress line}, no crash"
    else
        echo "$target: ${stats:-stopped before its first progress line}, CRASHED (exit $status)${crash:+, input $crash}"
    fi
}

mkdir -p "$artifacts"
summary=()
crashed=0
for t in "${targets[@]}"; do
    corpus="$JK_BUILD/run/corpus/$t"
    seeds="$JK_ROOT/tests/fuzz/corpus/$t"
    log="$JK_BUILD/run/$t.fuzz.log"
    mkdir -p "$corpus"
    [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
    jk_log "fuzzing $t for $seconds s"
    status=0
    "$bin/$t" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$artifacts/$t-" "$corpus" >"$log" 2>&1 ||
        status=$?
    [ "$status" -eq 0 ] || crashed=$((crashed + 1))
    summary+=("$(result_line "$t" "$log" "$status")")
    echo "${summary[-1]}"
done
echo
printf '%s\n' "${summary[@]}"
[ "$crashed" -eq 0 ]
