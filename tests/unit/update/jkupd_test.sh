#!/usr/bin/env bash
# The publisher's tool end to end: sign with the test key file, verify with its public key, the
# compiled-in release key refuses test manifests, result words and exit codes, key generation.
# usage: jkupd_test.sh JKUPD TEST_SECRET_KEY_FILE TEST_PUBLIC_KEY WORK_DIR
set -u
jkupd=$1 secret=$2 testkey=$3 work=$4
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
passed=0 failed=0

check() { # NAME EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAILED %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
    fi
}

# Runs jkupd and gives its standard output followed by "exit N".
run() {
    local out code
    out=$("$jkupd" "$@" 2>/dev/null)
    code=$?
    printf '%s\nexit %d' "$out" "$code"
}

hash=$(printf '0123456789abcdef%.0s' 1 2 3 4)
entry='{"latest": "0.6.9", "min_supported": "0.6.0", "key": "player/Jaskel Setup.exe", "sha256": "'$hash'", "size": 1234}'
printf '{"v": 1, "apps": {"player": %s}}\n' "$entry" >body.json

"$jkupd" sign --secret-key "$secret" body.json >stdout.manifest
"$jkupd" sign --secret-key "$secret" body.json --out out.manifest
check "stdout and --out give the same bytes" "$(od -c stdout.manifest)" "$(od -c out.manifest)"
check "the body is kept byte for byte" "$(od -c body.json)" "$(tail -c +97 out.manifest | od -c)"

check "ok with the entry" "ok
latest: 0.6.9
min_supported: 0.6.0
key: player/Jaskel Setup.exe
sha256: $hash
size: 1234
exit 0" "$(run verify out.manifest --app player --pubkey "$testkey")"

check "the release key refuses a test manifest" "bad-manifest-sig
exit 1" "$(run verify out.manifest --app player)"
check "no entry for another app" "no-app
exit 1" "$(run verify out.manifest --app other --pubkey "$testkey")"

sed 's/0.6.9/0.7.0/' out.manifest >tampered.manifest
check "a changed body" "bad-manifest-sig
exit 1" "$(run verify tampered.manifest --app player --pubkey "$testkey")"

sed 's/^JKUPD1 /JKUPD2 /' out.manifest >magic.manifest
check "wrong magic" "bad-format
exit 1" "$(run verify magic.manifest --app player --pubkey "$testkey")"

{ head -c -1 body.json; head -c 70000 /dev/zero | tr '\0' ' '; echo; } >big.json
"$jkupd" sign --secret-key "$secret" big.json --out big.manifest 2>/dev/null
check "an oversized manifest is signed but refused" "bad-format
exit 1" "$(run verify big.manifest --app player --pubkey "$testkey")"

printf '{"v": 1, "apps": {"player": %s}}\n' "${entry/1234/0}" >zero.json
"$jkupd" sign --secret-key "$secret" zero.json --out zero.manifest
check "size 0" "bad-entry
exit 1" "$(run verify zero.manifest --app player --pubkey "$testkey")"

check "an unusable public key" "bad-pubkey
exit 2" "$(run verify out.manifest --app player --pubkey AAAA)"
check "a missing manifest" "
exit 2" "$(run verify missing.manifest --app player --pubkey "$testkey")"
check "the test key's public half" "$testkey
exit 0" "$(run pubkey --secret-key "$secret")"

newkey=$("$jkupd" keygen new.key)
check "keygen prints the new public key" "$newkey
exit 0" "$(run pubkey --secret-key new.key)"
"$jkupd" sign --secret-key new.key body.json --out new.manifest
check "a new key signs what it verifies" "ok" "$(run verify new.manifest --app player --pubkey "$newkey" | head -n 1)"
check "keygen never overwrites" "
exit 2" "$(run keygen new.key)"
check "usage" "
exit 64" "$(run verify out.manifest)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
