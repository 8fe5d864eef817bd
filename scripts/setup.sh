#!/usr/bin/env bash
# Installs what building, playing and testing need on Debian 12, then prepares the cached
# libsodium for mingw and the template Wine prefix. A second run does no needless work.
set -euo pipefail
. "$(dirname "$0")/lib.sh"

missing_packages() {
    local p
    for p in "${JK_APT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
    done
}

install_packages() {
    local missing
    mapfile -t missing < <(missing_packages)
    [ ${#missing[@]} -eq 0 ] && return 0
    jk_log "installing: ${missing[*]}"
    jk_as_root apt-get update -qq
    jk_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
}

# The installer signs its context-menu package (APPX); osslsigncode does that from 2.7 on, which
# Debian 12 has in its backports, reached through the machine's own Debian mirror.
signs_appx() {
    local v
    v=$(osslsigncode --version 2>/dev/null | sed -n '1s/^osslsigncode \([0-9.]*\).*/\1/p')
    [ -n "$v" ] && dpkg --compare-versions "$v" ge 2.7
}

install_appx_signer() {
    signs_appx && return 0
    jk_log "installing osslsigncode from bookworm-backports (it signs the .msix package)"
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        if [ -f /etc/apt/sources.list.d/debian.sources ]; then
            jk_as_root sed -i 's/^Suites: bookworm bookworm-updates$/& bookworm-backports/' \
                /etc/apt/sources.list.d/debian.sources
        else
            grep -h '^deb .* bookworm main' /etc/apt/sources.list 2>/dev/null | sed 's/ bookworm main/ bookworm-backports main/' |
                jk_as_root tee /etc/apt/sources.list.d/jaskel-backports.list >/dev/null || true
        fi
    fi
    jk_as_root apt-get update -qq
    jk_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -t bookworm-backports osslsigncode >/dev/null
    signs_appx || jk_die "osslsigncode 2.7 or later is needed to sign the context-menu package"
}

has_sodium_source() {
    local listing
    listing=$(apt-cache showsrc libsodium 2>/dev/null || true)
    grep -q '^Package: libsodium' <<<"$listing"
}

enable_source_packages() {
    if has_sodium_source; then return 0; fi
    jk_log "enabling Debian source packages"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        jk_as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    fi
    if ! has_sodium_source; then
        grep -h '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            sed 's/^deb /deb-src /' | jk_as_root tee /etc/apt/sources.list.d/jaskel-src.list >/dev/null || true
    fi
    jk_as_root apt-get update -qq
}

build_sodium_for_mingw() {
    local dest work src
    dest=$(jk_sodium_dir)
    [ -f "$dest/lib/libsodium.a" ] && return 0
    enable_source_packages
    work=$(mktemp -d)
    jk_log "building libsodium for mingw (about 90 s)"
    (cd "$work" && apt-get source -qq libsodium >/dev/null 2>&1)
    src=$(find "$work" -maxdepth 1 -type d -name 'libsodium-*' | head -n1)
    [ -n "$src" ] || jk_die "apt-get source libsodium gave no source tree"
    (cd "$src" && autoreconf -fi >/dev/null 2>&1 && ./configure -q --host=x86_64-w64-mingw32 --disable-shared --enable-minimal \
        --prefix="$dest.tmp" CC=x86_64-w64-mingw32-gcc-posix >/dev/null &&
        make -s -j"$(nproc)" >/dev/null 2>&1 && make -s install >/dev/null)
    rm -rf "$dest" && mv "$dest.tmp" "$dest" && rm -rf "$work"
}

make_template_prefix() {
    local dest tmp
    dest=$(jk_template_prefix)
    [ -f "$dest/.complete" ] && return 0
    tmp="$dest.tmp.$$"
    rm -rf "$tmp" && mkdir -p "$tmp"
    jk_log "preparing the template Wine prefix"
    (
        export WINEPREFIX="$tmp" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
        unset DISPLAY
        wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        wine winecfg -v win10 >/dev/null 2>&1
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    )
    touch "$tmp/.complete"
    rm -rf "$dest" && mkdir -p "$(dirname "$dest")" && mv "$tmp" "$dest"
}

main() {
    if jk_is_windows_host; then return 0; fi
    mkdir -p "$JK_CACHE"
    install_packages
    install_appx_signer
    build_sodium_for_mingw
    make_template_prefix
}

main "$@"
