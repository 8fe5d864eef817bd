#!/usr/bin/env bash
# Signs Windows files in place (programs, libraries, installers, .msix packages) with one
# certificate, through osslsigncode, with SHA-256.
#
# usage: sign.sh --cert CHAIN.pem --key KEY.pem [--pass-file FILE] [--timestamp URL] FILE...
#
# CHAIN.pem holds the signer's certificate first, then the certificates that issued it; KEY.pem
# is the signer's private key (PEM, encrypted when --pass-file names its password). A release is
# signed with the publisher's certificate and a time-stamp server, so that the signature outlives
# the certificate; the build signs with the test certificate of make-test-cert.sh, without one.
set -euo pipefail

cert='' key='' pass='' stamp=''
while [ $# -gt 0 ]; do
    case "$1" in
    --cert) cert=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --pass-file) pass=$2; shift 2 ;;
    --timestamp) stamp=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "sign.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
if [ -z "$cert" ] || [ -z "$key" ] || [ $# -eq 0 ]; then
    echo "usage: sign.sh --cert CHAIN.pem --key KEY.pem [--pass-file FILE] [--timestamp URL] FILE..." >&2
    exit 2
fi

options=(-certs "$cert" -key "$key" -h sha256 -n "Jaskel Player")
[ -n "$pass" ] && options+=(-readpass "$pass")
[ -n "$stamp" ] && options+=(-ts "$stamp")

for file in "$@"; do
    signed="$file.signing"
    rm -f "$signed"
    # A package's hash method comes from its block map; osslsigncode says so and uses it.
    if ! osslsigncode sign "${options[@]}" -in "$file" -out "$signed" >"$signed.log" 2>&1; then
        cat "$signed.log" >&2
        rm -f "$signed" "$signed.log"
        echo "sign.sh: could not sign $file" >&2
        exit 1
    fi
    rm -f "$signed.log"
    mv -f "$signed" "$file"
done
