#!/usr/bin/env bash
# Runs the benchmarks (optimised host build): scripts/bench.sh [benchmark options]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
"$JK_ROOT/scripts/setup.sh"
"$JK_ROOT/scripts/build.sh" bench
# A one-hour live WebM (about 126 MB, 4,300 clusters): a 10-second clip looped 360 times.
media="$JK_BUILD/bench-media"
if [ ! -f "$media/live_hour.webm" ]; then
    mkdir -p "$media"
    ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=10 \
        -f lavfi -i sine=frequency=440:sample_rate=48000:duration=10 -c:v libvpx -b:v 250k \
        -c:a libopus -ac 2 -shortest -f webm "$media/clip10.webm"
    ffmpeg -loglevel error -y -stream_loop 359 -i "$media/clip10.webm" -c copy -live 1 -f webm "$media/live_hour.tmp.webm"
    mv "$media/live_hour.tmp.webm" "$media/live_hour.webm"
fi
# Warm cache as a player meets a recording: dropped from the page cache, then read once (a file
# just written lies there in smaller pieces, which makes mapping it slower).
dd if="$media/live_hour.webm" iflag=nocache count=0 status=none
cat "$media/live_hour.webm" >/dev/null
export JK_BENCH_WEBM="$media/live_hour.webm"
results=$(mktemp)
trap 'rm -f "$results"' EXIT
"$JK_BUILD/bench/tests/bench/bench" --benchmark_out="$results" --benchmark_out_format=json "$@"
# After the table, one line per goal; mkvinfo -a on the same file is the scan's anchor.
python3 "$JK_ROOT/scripts/bench-summary.py" "$results" "$JK_BENCH_WEBM"
