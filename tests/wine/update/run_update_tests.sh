#!/usr/bin/env bash
# Runs the updater's Wine tests against a real local HTTPS server.
# usage: run_update_tests.sh TEST_EXE STUB_EXE PLAYER_EXE SOURCE_DIR WORK_DIR [gtest arguments]
#
# Makes a test CA for the server's TLS certificate and code-signing certificates (one with the
# pinned publisher names, one of another publisher, one whose subject names the publisher twice),
# signs copies of the stub installer with osslsigncode, and then, in private mount and network
# namespaces, maps the update host names to 127.0.0.1 in a private /etc/hosts, adds the test CA to
# a private copy of the trust store, starts the server on the namespace's own 127.0.0.1:443 and
# runs the test program under Wine with a private copy of the template prefix (its own wineserver,
# whose sockets then live in the namespace too). Nothing outside WORK_DIR changes, no port of the
# machine is taken, and everything ends with the namespace.
set -euo pipefail

if [ "${1:-}" = --inside ]; then
    shift
    inside=1
else
    inside=0
fi
TEST_EXE=$1 STUB_EXE=$2 PLAYER_EXE=$3 SOURCE_DIR=$4 WORK=$5
shift 5
HERE=$(cd "$(dirname "$0")" && pwd)
# The test endpoint, another host, and the release host for the whole player.
HOSTS="jkupd.test www.jkupd.test other-host.test jaskel.net www.jaskel.net"

make_pki() {
    local pki=$WORK/pki
    rm -rf "$pki" && mkdir -p "$pki" && cd "$pki"
    local req="openssl req -newkey rsa:2048 -nodes -sha256"
    $req -x509 -days 3 -keyout tls-ca.key -out tls-ca.pem -subj "/CN=Jaskel Test TLS CA" 2>/dev/null
    $req -keyout server.key -out server.csr -subj "/CN=jkupd.test" 2>/dev/null
    printf 'subjectAltName=%s\n' "$(printf 'DNS:%s,' $HOSTS | sed 's/,$//')" >server.ext
    openssl x509 -req -in server.csr -CA tls-ca.pem -CAkey tls-ca.key -CAcreateserial -days 3 \
        -extfile server.ext -out server.pem 2>/dev/null
    $req -x509 -days 3 -keyout cs-ca.key -out cs-ca.pem \
        -subj "/CN=DigiCert Trusted G4 Code Signing RSA4096 SHA384 2021 CA1" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >cs.ext
    signer publisher "/CN=Elmsworth Labs Inc./O=Elmsworth Labs Inc./serialNumber=000000-0000000"
    signer other "/CN=Mallory Tools Ltd./O=Mallory Tools Ltd./serialNumber=999999-9999999"
    signer twice "/CN=Elmsworth Labs Inc./CN=Elmsworth Labs Inc./O=Elmsworth Labs Inc./serialNumber=000000-0000000"
    cd - >/dev/null
}

# A code-signing certificate issued by the code-signing CA; its chain file carries the CA too.
signer() {
    local name=$1 subject=$2
    openssl req -newkey rsa:2048 -nodes -sha256 -keyout "$name.key" -out "$name.csr" -subj "$subject" 2>/dev/null
    openssl x509 -req -in "$name.csr" -CA cs-ca.pem -CAkey cs-ca.key -CAcreateserial -days 3 \
        -extfile cs.ext -out "$name.pem" 2>/dev/null
    cat "$name.pem" cs-ca.pem >"$name-chain.pem"
}

sign_stubs() {
    local stubs=$WORK/stubs pki=$WORK/pki name
    rm -rf "$stubs" && mkdir -p "$stubs"
    cp "$STUB_EXE" "$stubs/unsigned.exe"
    for name in publisher other twice; do
        osslsigncode sign -certs "$pki/$name-chain.pem" -key "$pki/$name.key" -h sha256 \
            -in "$STUB_EXE" -out "$stubs/$name.exe" >/dev/null
    done
    # One byte of the signed code changed after signing.
    cp "$stubs/publisher.exe" "$stubs/tampered.exe"
    printf 'X' | dd of="$stubs/tampered.exe" bs=1 seek=1100 conv=notrunc status=none
}

# A stale scratch folder, and a stale symbolic link under a scratch name to a folder that the
# clean-up must leave alone.
make_links() {
    local links=$WORK/links
    rm -rf "$links" && mkdir -p "$links/precious" "$links/jkpc-upd-0000000000bb"
    echo precious >"$links/precious/Setup.exe"
    echo stale >"$links/jkpc-upd-0000000000bb/Setup.exe"
    ln -s precious "$links/jkpc-upd-0000000000aa"
    touch -d '3 days ago' "$links/precious" "$links/jkpc-upd-0000000000bb"
    touch -h -d '3 days ago' "$links/jkpc-upd-0000000000aa"
}

# The namespace's loopback starts down.
loopback_up() {
    python3 -c 'import fcntl, socket, struct
fcntl.ioctl(socket.socket(), 0x8914, struct.pack("16sH22x", b"lo", 0x1 | 0x40))'
}

# Wine's sockets belong to its server, so the namespace runs a server of its own on a private
# prefix; without a window manager, windows close at once when unmanaged.
start_private_wine() {
    . "$SOURCE_DIR/scripts/lib.sh"
    rm -rf "$WORK/prefix"
    cp -a "$(jk_template_prefix)" "$WORK/prefix"
    export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
    wineserver -p5 # ends on its own soon after its last client, whatever happens to this script
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

start_server() {
    rm -rf "$WORK/site" && mkdir -p "$WORK/site"
    python3 "$HERE/update_server.py" "$WORK/site" "$WORK/pki/server.pem" "$WORK/pki/server.key" \
        2>"$WORK/server.log" &
    SERVER_PID=$!
    for _ in $(seq 1 100); do
        [ -e "$WORK/site/ready" ] && return 0
        kill -0 "$SERVER_PID" 2>/dev/null || break
        sleep 0.05
    done
    echo "the update server did not start:" >&2
    cat "$WORK/server.log" >&2
    return 1
}

run_inside() {
    local private=$WORK/private status
    mkdir -p "$private"
    loopback_up
    printf '127.0.0.1 localhost\n127.0.0.1 %s\n' "$HOSTS" >"$private/hosts"
    mount --bind "$private/hosts" /etc/hosts
    # Wine reads the system's root certificates when a process starts.
    cat /etc/ssl/certs/ca-certificates.crt "$WORK/pki/tls-ca.pem" >"$private/ca-certificates.crt"
    mount --bind "$private/ca-certificates.crt" /etc/ssl/certs/ca-certificates.crt
    start_server
    start_private_wine
    make_links
    rm -rf "$WORK/diag" && mkdir -p "$WORK/diag"
    trap stop_inside EXIT
    set +e
    JK_UPD_SITE=$(winepath -w "$WORK/site") JK_UPD_STUBS=$(winepath -w "$WORK/stubs") \
        JK_UPD_LINKS=$(winepath -w "$WORK/links") JK_UPD_PLAYER=$(winepath -w "$WORK/player/Jaskel Player.exe") \
        JK_UPD_SECRET_KEY=$(winepath -w "$SOURCE_DIR/tools/jkupd-test-secret-key.txt") JK_LANG=en \
        JK_DIAG_DIR=$(winepath -w "$WORK/diag") \
        wine "$TEST_EXE" "$@"
    status=$?
    set -e
    exit "$status"
}

stop_inside() {
    wineserver -k 2>/dev/null || true
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
}

if [ "$inside" = 1 ]; then
    run_inside "$@"
fi
if [ -z "${DISPLAY:-}" ]; then
    echo "no Wine session; run the tests through scripts/test.sh" >&2
    exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "these tests need root for private mount and network namespaces (unshare -m -n)" >&2
    exit 1
fi
for tool in openssl osslsigncode python3 unshare winepath; do
    command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
make_pki
sign_stubs
# The build tree's player carries the developers' marker, which keeps its updater off.
rm -rf "$WORK/player" && mkdir -p "$WORK/player" && cp "$PLAYER_EXE" "$WORK/player/"
exec unshare -m -n bash "$0" --inside "$TEST_EXE" "$STUB_EXE" "$PLAYER_EXE" "$SOURCE_DIR" "$WORK" "$@"
