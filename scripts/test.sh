#!/usr/bin/env bash
# Runs every test: installs what is missing, builds the host and Windows trees (and the fuzz
# targets), starts Xvfb, a null audio sink and the Wine server, then runs CTest in each tree and
# the fuzz targets briefly. Ends with one summary line; exits non-zero when anything failed.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session.sh"

"$JK_ROOT/scripts/setup.sh" || jk_die "set-up failed"
"$JK_ROOT/scripts/build.sh" host win fuzz || jk_die "build failed"

trap jk_session_cleanup EXIT
jk_start_xvfb
jk_start_null_audio "$JK_BUILD/run/pulse"
jk_prepare_prefix "$JK_BUILD/run/prefix" fresh
jk_start_wineserver
jk_unmanaged_windows
"$JK_ROOT/scripts/make-test-media.sh" "$JK_BUILD/run/media" || jk_die "could not make the test media"
JK_TEST_MEDIA=$(winepath -w "$JK_BUILD/run/media" 2>/dev/null)
export JK_TEST_MEDIA

passed=0
failed=0
results=()

# Reads CTest's "N tests failed out of M" line from its log.
count_ctest() {
    local name=$1 log=$2 line total bad
    line=$(grep -E 'tests? failed out of [0-9]+' "$log" | tail -n1)
    if [ -z "$line" ]; then
        failed=$((failed + 1))
        results+=("$name: no result")
        return
    fi
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    results+=("$name: $((total - bad)) passed, $bad failed")
}

# A Windows test under Wine now and then fails before its program runs at all (the Wine server
# refuses the start under load); such a test gets one more run, and the summary names every test
# that needed it, so a flaky test is seen rather than hidden.
run_ctest() {
    local name=$1 dir=$2 jobs=$3 retry=${4:-} log="$JK_BUILD/run/ctest-$1.log" again
    jk_log "running $name tests"
    (cd "$dir" && ctest --output-on-failure --timeout 300 -j"$jobs" ${retry:+--repeat until-pass:2}) 2>&1 | tee "$log"
    count_ctest "$name" "$log"
    again=$(comm -23 \
        <(grep -E 'Test +#[0-9]+: .*\*\*\*(Failed|Exception)' "$log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/' | sort -u) \
        <(grep -E '^[[:space:]]+[0-9]+ - ' "$log" | sed -E 's/^[[:space:]]+[0-9]+ - ([^ ]+) .*/\1/' | sort -u))
    if [ -n "$again" ]; then
        results+=("$name: passed only on a second run: $(echo $again)")
    fi
}

run_fuzzers() {
    local dir="$JK_BUILD/fuzz/tests/fuzz" f corpus ok=0 bad=0
    [ -d "$dir" ] || return 0
    for f in "$dir"/fuzz_*; do
        [ -x "$f" ] || continue
        corpus="$JK_BUILD/run/corpus/$(basename "$f")"
        mkdir -p "$corpus"
        # Start from the target's seed files as well as what earlier runs found.
        cp -n "$JK_ROOT/tests/fuzz/corpus/$(basename "$f")"/* "$corpus"/ 2>/dev/null || true
        if "$f" -max_total_time="${JK_FUZZ_SECONDS:-15}" -timeout=10 "$corpus" \
            >"$JK_BUILD/run/$(basename "$f").log" 2>&1; then
            ok=$((ok + 1))
        else
            bad=$((bad + 1))
            tail -n 40 "$JK_BUILD/run/$(basename "$f").log"
        fi
    done
    passed=$((passed + ok))
    failed=$((failed + bad))
    results+=("fuzz: $ok passed, $bad failed")
}

mkdir -p "$JK_BUILD/run"
run_ctest host "$JK_BUILD/host" 2
run_ctest windows "$JK_BUILD/win" 2 retry
run_fuzzers

echo
for r in "${results[@]}"; do echo "  $r"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
