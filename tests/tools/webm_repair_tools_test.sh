#!/usr/bin/env bash
# Checks jk-webm against other tools on live recordings made here with ffmpeg: the scan finds
# the clusters mkvinfo lists, and the repaired stream has a Duration and Cues that mkvinfo reads.
# Without video every cluster is a cue; with video every cue names a cluster and, in it, a video
# keyframe (mkvinfo's block flags, ffprobe's keyframe times), so that ffmpeg seeks in it without
# decoding errors. ffprobe times the repaired stream correctly.
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
    # Keyframes every 1.48 s against clusters of about 1 s: most clusters open on a delta frame.
    ffmpeg -loglevel error -y $v $a -c:v libvpx-vp9 -b:v 200k -g 37 -c:a libopus -ac 2 -shortest -live 1 -f webm "$work/vp9_g37.webm"
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

# How many clusters open on a video delta frame: the first video packet (ffprobe, by file
# position) at or after each cluster's start, counted once per cluster.
clusters_opening_on_delta_frames() {
    awk -F, 'NR == FNR { starts[n++] = $1; next }
        { c = -1; for (i = 0; i < n && starts[i] <= $1; i++) c = i
          if (c >= 0 && !(c in seen)) { seen[c] = 1; if ($2 !~ /K/) delta++ } }
        END { print delta + 0 }' <(mkvinfo_clusters "$1" | cut -d' ' -f1) \
        <(ffprobe -v error -select_streams v:0 -show_entries packet=pos,flags -of csv=p=0 "$1")
}

# Each cue of the repaired stream against mkvinfo's listing of it with element sizes: the cluster
# it names exists, and the block it names (CueRelativePosition from the cluster's data start, else
# the cluster's first block) is a key block of the video track. Prints one line per fault.
cues_against_blocks() {
    mkvinfo -a -v -v -z "$1" | awk -v s="$2" -v vt="$3" '
        function at() { match($0, / at [0-9]+/); return substr($0, RSTART + 4, RLENGTH - 4) + 0 }
        /^\|\+ Cluster at / { cur = $4; clusters[cur] = 1; start[cur] = ($9 ~ /^[0-9]+$/) ? $4 + $6 - $9 : $4 + 12; next }
        /^\| \+ (Simple block|Block group)/ {
            if (!(cur in first)) first[cur] = at()
            key[at()] = ($0 ~ /Simple block: key,/ && $0 ~ ("track number " vt ","))
        }
        /Cue point at/ { n++ }
        /Cue cluster position: / { pos[n] = $6 + s }
        /Cue relative position: / { rel[n] = $6 }
        END {
            for (i = 1; i <= n; i++) {
                c = pos[i]
                if (!(c in clusters)) { print "cue " i " names no cluster (" c ")"; continue }
                b = (i in rel) ? start[c] + rel[i] : first[c]
                if (!key[b]) print "cue " i " names a block at " b " that is not a video keyframe"
            }
        }'
}

# Cue times that are not the time of a video keyframe in ffprobe's packet listing.
cue_times_off_keyframes() {
    local info=$1 repaired=$2
    grep -vxF -f <(ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags -of csv=p=0 "$repaired" |
        awk -F, '$2 ~ /K/ { printf "%.3f\n", $1 }') \
        <(awk '/Cue time: / { split($5, t, ":"); printf "%.3f\n", t[1] * 3600 + t[2] * 60 + t[3] }' <<<"$info")
}

check_video_cues() {
    local name=$1 info=$2 repaired=$3 segment_start=$4 video_track=$5 faults off t errors
    [ "$(grep -c 'Cue point at' <<<"$info")" -ge 2 ] || fail "$name" "fewer than two cues"
    faults=$(cues_against_blocks "$repaired" "$segment_start" "$video_track")
    [ -z "$faults" ] || fail "$name" "cues off video keyframes: $(head -n 3 <<<"$faults" | tr '\n' ';')"
    off=$(cue_times_off_keyframes "$info" "$repaired")
    [ -z "$off" ] || fail "$name" "cue times that are no keyframe's time: $(tr '\n' ' ' <<<"$off")"
    for t in 1.3 3 4.5 7 9.2; do
        errors=$(ffmpeg -v error -ss "$t" -i "$repaired" -frames:v 10 -f null - 2>&1)
        [ -z "$errors" ] || fail "$name" "decoding after a seek to $t s: $(head -n 1 <<<"$errors")"
    done
}

check_clip() {
    local clip=$1 name repaired scan video_track
    name=$(basename "$clip")
    repaired="$work/$name.repaired"
    scan=$("$jk_webm" scan "$clip") || fail "$name" "scan exit code $?"
    grep -q '^needsRepair: 1$' <<<"$scan" || fail "$name" "the scan does not ask for repair"
    video_track=$(awk '/^videoTrack: / { print $2 }' <<<"$scan")
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
    if [ "$video_track" = 0 ]; then
        [ -n "$positions" ] && [ "$positions" = "$clusters" ] || fail "$name" "cue positions are not the clusters"
    else
        [ -n "$positions" ] && ! grep -qvxF -f <(echo "$clusters") <<<"$positions" ||
            fail "$name" "cue positions do not all point at clusters"
        check_video_cues "$name" "$info" "$repaired" "$segment_start" "$video_track"
    fi
    local expected got
    expected=$(last_timestamp "$clip")
    got=$(ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 "$repaired")
    awk -v a="$expected" -v b="$got" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 0.1) }' ||
        fail "$name" "ffprobe duration $got, last timestamp $expected"
    local select=(-map 0:v:0 -frames:v 1 -vf showinfo)
    [ "$video_track" = 0 ] && select=(-map 0:a:0 -frames:a 1 -af ashowinfo)
    local pts
    pts=$(ffmpeg -v info -copyts -ss 7 -i "$repaired" "${select[@]}" -f null - 2>&1 |
        grep -o 'pts_time:[0-9.]*' | head -n1 | cut -d: -f2)
    [ -n "$pts" ] && awk -v p="$pts" 'BEGIN { exit !(p > 5 && p < 9) }' || fail "$name" "seeking to 7 s decoded at ${pts:-nothing}"
}

make_clips
# The keyframe rule is only exercised where clusters open on delta frames.
[ "$(clusters_opening_on_delta_frames "$work/vp9_g37.webm")" -gt 2 ] ||
    fail vp9_g37.webm "ffprobe finds too few clusters opening on a delta frame"
for clip in "$work"/vp8_opus.webm "$work"/vp9_vorbis.webm "$work"/vp9_g37.webm "$work"/audio_only.webm "$work"/h264.mkv; do
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
