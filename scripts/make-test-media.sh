#!/usr/bin/env bash
# Makes the short clips the playback tests play (into $1, default build/run/media). Clips whose
# audio decodes to 48 kHz stereo keep Wine's audio renderer free of resampling.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

out=${1:-$JK_BUILD/run/media}
recipe=r3
[ -f "$out/.recipe-$recipe" ] && exit 0
rm -rf "$out" && mkdir -p "$out"

video() { echo -f lavfi -i "testsrc2=size=320x240:rate=25:duration=$1"; }
tone() { echo -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$1"; }
ff() { ffmpeg -loglevel error -y "$@"; }

ff $(video 2) $(tone 2) -c:v libx264 -pix_fmt yuv420p -c:a aac -ac 2 -ar 48000 -shortest "$out/h264_aac.mp4"
ff $(video 2) $(tone 2) -c:v libvpx -b:v 300k -c:a libvorbis -ac 2 -ar 48000 -shortest "$out/vp8_vorbis.webm"
ff $(video 2) $(tone 2) -c:v libvpx-vp9 -b:v 300k -c:a libopus -ac 2 -ar 48000 -shortest "$out/vp9_opus.webm"
ff $(tone 2) -c:a pcm_s16le -ac 2 -ar 48000 "$out/tone48k.wav"
ff $(tone 2) -c:a aac -ac 2 -ar 48000 "$out/music.m4a"
# One flat colour, 4:3, for the picture test: its pixels are easy to recognise in a screenshot.
ff -f lavfi -i "color=c=0x2050C0:size=320x240:rate=25:duration=3" $(tone 3) -c:v libx264 -pix_fmt yuv420p \
    -c:a aac -ac 2 -ar 48000 -shortest "$out/solid43.mp4"
# Live recordings: unknown-size segment and clusters, no Cues, no Duration.
ff $(video 3) $(tone 3) -c:v libvpx -b:v 300k -c:a libopus -ac 2 -ar 48000 -shortest -live 1 -f webm "$out/live_vp8_opus.webm"
ff -f lavfi -i "testsrc2=size=160x120:rate=25:duration=30" $(tone 30) -c:v libvpx -b:v 50k -c:a libopus -ac 2 \
    -ar 48000 -shortest -live 1 -f webm "$out/live_long.webm"
cp "$out/live_vp8_opus.webm" "$out/live_as.mkv"
head -c 65536 /dev/urandom >"$out/garbage.mp4"
touch "$out/.recipe-$recipe"
