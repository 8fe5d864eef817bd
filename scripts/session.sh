#!/usr/bin/env bash
# Sourced by test.sh and play.sh: starts the X display, the null audio sink and the Wine server
# that a run needs, and stops exactly the processes it started when the caller exits.

JK_SESSION_PIDS=()
JK_SESSION_WINESERVER=0

jk_session_cleanup() {
    if [ "$JK_SESSION_WINESERVER" = 1 ]; then
        wineserver -k >/dev/null 2>&1 || true
    fi
    local pid
    for pid in "${JK_SESSION_PIDS[@]}"; do
        kill "$pid" >/dev/null 2>&1 || true
    done
    for pid in "${JK_SESSION_PIDS[@]}"; do
        wait "$pid" >/dev/null 2>&1 || true
    done
    JK_SESSION_PIDS=()
}

jk_free_display() {
    local n
    for n in $(seq 90 250); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            echo "$n"
            return 0
        fi
    done
    return 1
}

jk_start_xvfb() {
    local n i
    n=$(jk_free_display) || jk_die "no free X display number"
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    JK_SESSION_PIDS+=($!)
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.05
    done
    [ -e "/tmp/.X11-unix/X$n" ] || jk_die "Xvfb did not start on :$n"
    export DISPLAY=":$n"
}

# A null sink paces audio in real time; ALSA's null device runs the clock several times too fast.
jk_start_null_audio() {
    local dir=$1 i
    rm -rf "$dir" && mkdir -p "$dir"
    PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir" HOME="$dir" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --load="module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
        --load="module-null-sink sink_name=nullsink rate=48000 channels=2 format=float32le" \
        >"$dir/pulse.log" 2>&1 &
    JK_SESSION_PIDS+=($!)
    for i in $(seq 1 100); do
        [ -S "$dir/native" ] && break
        sleep 0.05
    done
    [ -S "$dir/native" ] || jk_log "warning: PulseAudio did not start (see $dir/pulse.log)"
    export PULSE_SERVER="unix:$dir/native"
}

# Clones the template prefix to $1 unless $2 is "keep" and the prefix already exists.
jk_prepare_prefix() {
    local dest=$1 mode=${2:-fresh}
    if [ "$mode" = keep ] && [ -f "$dest/.complete" ]; then
        :
    else
        rm -rf "$dest" && mkdir -p "$(dirname "$dest")"
        cp -a "$(jk_template_prefix)" "$dest"
    fi
    export WINEPREFIX="$dest" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
}

# A persistent server and one warm-up run keep every later start at a fraction of a second.
jk_start_wineserver() {
    wineserver -p >/dev/null 2>&1
    JK_SESSION_WINESERVER=1
    wine cmd /c exit >/dev/null 2>&1 || true
}

# Without a window manager on Xvfb, Wine waits 2 s for every hidden or destroyed managed window;
# unmanaged windows behave the same otherwise and close at once.
jk_unmanaged_windows() {
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
