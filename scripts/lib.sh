#!/usr/bin/env bash
# Shared settings of the project's scripts. Source it; it defines paths and small helpers only.

JK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
JK_BUILD=${JK_BUILD:-$JK_ROOT/build}
# Slow, version-keyed artefacts (libsodium for mingw, the template Wine prefix) live outside the
# work tree so that clean clones and CI runs reuse them.
JK_CACHE=${JK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/jaskel}

JK_APT_PACKAGES=(
    g++ cmake ninja-build make pkg-config python3 dpkg-dev autoconf automake libtool
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 xvfb xauth x11-utils pulseaudio
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    ffmpeg mkvtoolnix imagemagick xdotool
    googletest libgtest-dev libbenchmark-dev libsodium-dev libyuv-dev
    clang-14 libclang-rt-14-dev ccache
    openssl ca-certificates osslsigncode nsis
)

jk_log() { printf '[jaskel] %s\n' "$*" >&2; }
jk_die() { printf '[jaskel] error: %s\n' "$*" >&2; exit 1; }

jk_is_windows_host() {
    case "$(uname -s)" in MINGW* | MSYS* | CYGWIN*) return 0 ;; *) return 1 ;; esac
}

jk_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

jk_wine_version() { wine --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_' ; }

jk_template_prefix() { echo "$JK_CACHE/wine-template-$(jk_wine_version)-r1"; }

jk_sodium_dir() {
    local v
    v=$(dpkg-query -W -f='${Version}' libsodium-dev 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_')
    echo "$JK_CACHE/libsodium-mingw-${v:-unknown}"
}
