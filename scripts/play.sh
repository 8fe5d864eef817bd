#!/usr/bin/env bash
# Plays media: installs what is missing, builds the player, then starts it on the given files or
# folders (default: a short demo clip made with ffmpeg). On Linux it runs under Wine on $DISPLAY,
# or on a private Xvfb display when there is none; on Windows (MSYS2) it runs natively.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/session.sh"

PLAYER="$JK_BUILD/win/app/Jaskel Player.exe"

make_demo_clip() {
    local clip="$JK_BUILD/demo/jaskel-demo.mp4"
    if [ ! -f "$clip" ]; then
        mkdir -p "$(dirname "$clip")"
        ffmpeg -loglevel error -y -f lavfi -i testsrc2=size=640x360:rate=30:duration=20 \
            -f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 \
            -c:v libx264 -pix_fmt yuv420p -c:a aac -ac 2 -ar 48000 -shortest "$clip.tmp.mp4"
        mv "$clip.tmp.mp4" "$clip"
    fi
    echo "$clip"
}

main() {
    "$JK_ROOT/scripts/setup.sh"
    "$JK_ROOT/scripts/build.sh" win
    local files=("$@")
    [ ${#files[@]} -eq 0 ] && files=("$(make_demo_clip)")
    if jk_is_windows_host; then
        exec "$PLAYER" "${files[@]}"
    fi
    trap jk_session_cleanup EXIT
    if [ -z "${DISPLAY:-}" ]; then
        jk_start_xvfb
        jk_start_null_audio "$JK_BUILD/run/play-pulse"
        jk_log "no display: playing on Xvfb $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
    fi
    jk_prepare_prefix "$JK_BUILD/run/play-prefix" keep
    if [ -n "${JK_SESSION_PIDS[*]}" ]; then jk_unmanaged_windows; fi
    local args=() f
    for f in "${files[@]}"; do
        if [ -e "$f" ]; then args+=("$(winepath -w "$(realpath "$f")" 2>/dev/null)"); else args+=("$f"); fi
    done
    wine "$PLAYER" "${args[@]}"
    wineserver -w >/dev/null 2>&1 || true
}

main "$@"
