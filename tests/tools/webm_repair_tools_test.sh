#!/usr/bin/env bash
# Checks jk-webm against other tools on live recordings made here with ffmpeg: the scan finds
# the clusters mkvinfo lists, and the repaired stream has a Duration and Cues that mkvinfo reads,
# whose positions all point at clusters, that ffprobe times correctly and ffmpeg seeks in.
# usage: webm_repair_tools_test.sh JK_WEBM WORK_DIR
set -uo pipefail
jk_webm=$1
work=$2
rm -rf "$work" && mkdir -p "$work"
failures=0
fail() { echo "FAIL [$1] $2"; failures=$((failures + 1)); }

make_clips() {
    local v="-f lavfi -i testsrc2=size=320x240:rate=25:duration=12"
    local a="-f lavfi -i sine=frequency=440:sample_rate=48000:duration=12"
    ffmpeg -loglevel error -y $v $a -c:v libvpx -b:v 200k -g 50 -c:a libopus -ac 2 -shortest -live 1 -f webm "$work/vp8_opus.webm"
    ffmpeg -loglevel error -y $v $a -c:v libvpx-vp9 -b:v 200k -g 50 -c:a libvorbis -ac 2 -shortest -live 1 -f webm "$work/vp9_vorbis.webm"
    ffmpeg -loglevel error -y $a -c:a libopus -ac 2 -live 1 -f webm "$work/audio_only.webm"
    ffmpeg -loglevel error -y $v $a -c:v libx264 -pix_fmt yuv420p -g 50 -c:a aac -ac 2 -shortest -live 1 -f matroska "$work/h264.mkv"
}

# "offset timecode" per cluster, from mkvinfo's verbose listing (timestamps in milliseconds).
mkvinfo_clusters() {
    mkvinfo -a -v -v "$1" | awk '
        /^\|\+ Cluster at / { if (off != "") print off, tc; off = $4; tc = -1 }
        /Cluster timestamp: / { split($5, t, ":"); tc = sprintf("%d", (t[1] * 3600 + t[2] * 60 + t[3]) * 1000 + 0.5) }
        END { if (off != "") print off, tc }'
}

last_timestamp() {
    ffprobe -v error -show_entries packet=pts_time -of csv=p=0 "$1" | sort -g | tail -n 1
}

check_clip() {
    local clip=$1 name repaired scan
    name=$(basename "$clip")
    repaired="$work/$name.repaired"
    scan=$("$jk_webm" scan "$clip") || fail "$name" "scan exit code $?"
    grep -q '^needsRepair: 1$' <<<"$scan" || fail "$name" "the scan does not ask for repair"
    [ "$(mkvinfo_clusters "$clip" | wc -l)" -gt 5 ] || fail "$name" "mkvinfo lists too few clusters"
    diff <(grep '^cluster ' <<<"$scan" | cut -d' ' -f2-) <(mkvinfo_clusters "$clip") >/dev/null ||
        fail "$name" "cluster offsets and timecodes differ from mkvinfo"
    "$jk_webm" repair "$clip" "$repaired" || { fail "$name" "repair exit code $?"; return; }
    local info segment_start
    info=$(mkvinfo -a -v -v "$repaired")
    grep -q '+ Duration:' <<<"$info" || fail "$name" "no Duration in the repaired stream"
    grep -q '|+ Cues' <<<"$info" || fail "$name" "no Cues in the repaired stream"
    segment_start=$(awk '/Segment: size unknown at/ { print $NF + 12; exit }' <<<"$info")
    local clusters positions
    clusters=$(awk '/^\|\+ Cluster at / { print $4 }' <<<"$info" | sort -n)
    positions=$(awk -v s="$segment_start" '/Cue cluster position: / { print $6 + s }' <<<"$info" | sort -n)
    [ -n "$positions" ] && [ "$positions" = "$clusters" ] || fail "$name" "cue positions do not point at the clusters"
    local expected got
    expected=$(last_timestamp "$clip")
    got=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$repaired")
    awk -v a="$expected" -v b="$got" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 0.1) }' ||
        fail "$name" "ffprobe duration $got, last timestamp $expected"
    local select=(-map 0:v:0 -frames:v 1 -vf showinfo)
    [ "$name" = audio_only.webm ] && select=(-map 0:a:0 -frames:a 1 -af ashowinfo)
    local pts
    pts=$(ffmpeg -v info -copyts -ss 7 -i "$repaired" "${select[@]}" -f null - 2>&1 |
        grep -o 'pts_time:[0-9.]*' | head -n1 | cut -d: -f2)
    [ -n "$pts" ] && awk -v p="$pts" 'BEGIN { exit !(p > 5 && p < 9) }' || fail "$name" "seeking to 7 s decoded at ${pts:-nothing}"
}

make_clips
for clip in "$work"/vp8_opus.webm "$work"/vp9_vorbis.webm "$work"/audio_only.webm "$work"/h264.mkv; do
    check_clip "$clip"
done
# A file that already has Cues and a Duration needs no repair and gets nothing written.
ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=2 -c:v libvpx "$work/complete.webm"
"$jk_webm" repair "$work/complete.webm" "$work/complete.out" >/dev/null
[ $? -eq 1 ] && [ ! -e "$work/complete.out" ] || fail complete.webm "expected exit 1 and no output"
"$jk_webm" scan /etc/hostname >/dev/null
[ $? -eq 2 ] || fail hostname "a non-EBML file must exit 2"
"$jk_webm" scan "$work/does-not-exist" >/dev/null 2>&1
[ $? -eq 3 ] || fail missing "a missing file must exit 3"
[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
