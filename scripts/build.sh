#!/usr/bin/env bash
# Configures and builds the named trees: host (portable code, unit tests, sanitizers), win (the
# Windows deliverables and their tests, cross-compiled), bench (optimised host build for
# benchmarks), fuzz (clang with libFuzzer). Without arguments: host and win.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

# Paths inside the tree are hashed relative to it, so that another clone's objects match.
export CCACHE_BASEDIR="$JK_ROOT" CCACHE_NOHASHDIR=1

configure_and_build() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        # A compiler cache outside the work tree lets a fresh clone reuse what was compiled before.
        local launcher=()
        if command -v ccache >/dev/null; then
            launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
        fi
        cmake -S "$JK_ROOT" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
    fi
    mkdir -p "$dir"
    if ! cmake --build "$dir" -- -j"$(nproc)" >"$dir/build.log" 2>&1; then
        grep -vE '^\[[0-9]+/[0-9]+\] ' "$dir/build.log" | tail -n 80 >&2
        jk_die "building $dir failed (full log: $dir/build.log)"
    fi
}

build_tree() {
    case "$1" in
    host) configure_and_build "$JK_BUILD/host" -DCMAKE_BUILD_TYPE=Debug -DJK_SANITIZE=ON ;;
    bench) configure_and_build "$JK_BUILD/bench" -DCMAKE_BUILD_TYPE=Release -DJK_BENCH=ON ;;
    fuzz)
        if command -v clang++-14 >/dev/null; then
            configure_and_build "$JK_BUILD/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DJK_FUZZ=ON \
                -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14
        fi
        ;;
    win)
        if jk_is_windows_host; then
            configure_and_build "$JK_BUILD/win" -DCMAKE_BUILD_TYPE=Release
        else
            configure_and_build "$JK_BUILD/win" -DCMAKE_BUILD_TYPE=Release \
                -DCMAKE_TOOLCHAIN_FILE="$JK_ROOT/cmake/mingw-w64.cmake" \
                -DJK_SODIUM_DIR="$(jk_sodium_dir)" \
                -DCMAKE_CROSSCOMPILING_EMULATOR="$JK_ROOT/scripts/wine-run.sh"
        fi
        ;;
    *) jk_die "unknown tree: $1" ;;
    esac
}

trees=("$@")
[ ${#trees[@]} -eq 0 ] && trees=(host win)
for t in "${trees[@]}"; do build_tree "$t"; done
