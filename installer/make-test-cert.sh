#!/usr/bin/env bash
# Makes the test signing certificate in DIR, unless a valid one is already there: a code-signing
# CA named like the publisher's real issuer, and a certificate it issued whose subject carries
# the publisher's pinned names (common name, organisation, registration number), so that the
# updater's publisher check accepts what it signs. Wine accepts the unknown root; osslsigncode
# verifies against DIR/ca.pem.
#
# usage: make-test-cert.sh DIR   -> DIR/ca.pem, DIR/publisher.pem, DIR/publisher.key,
#                                   DIR/publisher-chain.pem (the signer first, then the CA)
set -euo pipefail
dir=${1:?usage: make-test-cert.sh DIR}
mkdir -p "$dir"
cd "$dir"

# Kept while it has more than a week to live, so that a build tree keeps one certificate.
if [ -f publisher-chain.pem ] && [ -f publisher.key ] && openssl x509 -in publisher.pem -noout -checkend 604800 >/dev/null 2>&1; then
    exit 0
fi

rm -f ca.* publisher.* publisher-chain.pem cs.ext
req="openssl req -newkey rsa:2048 -nodes -sha256"
$req -x509 -days 825 -keyout ca.key -out ca.pem \
    -subj "/CN=DigiCert Trusted G4 Code Signing RSA4096 SHA384 2021 CA1" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >cs.ext
$req -keyout publisher.key -out publisher.csr \
    -subj "/CN=Elmsworth Labs Inc./O=Elmsworth Labs Inc./serialNumber=000000-0000000" 2>/dev/null
openssl x509 -req -in publisher.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 825 \
    -extfile cs.ext -out publisher.pem 2>/dev/null
cat publisher.pem ca.pem >publisher-chain.pem
rm -f publisher.csr
