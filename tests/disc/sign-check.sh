#!/usr/bin/env bash
# shellcheck disable=SC2154 # TITLE_*: the build's title values, sourced below
# Checks tools/sign.sh with a throwaway self-signed code-signing certificate
# made here: the signed copy verifies with that certificate as the trusted
# root, fails once one byte is changed, passes the same inspection as the
# unsigned file (tests/exe/ExeCheck.cpp), and the unsigned file is left as it
# was. Wrong or missing certificate, key or password: an error and nothing
# written. A chain that leads to no trusted root (self-signed, or from a
# throwaway authority the system's roots lack): one line that says so and
# names --ca-file, nothing written; with --ca-file naming the root, signed.
# Leaves the signed copy in OUT_DIR/Launcher.exe for the scenario that runs
# it under Wine.
#   sign-check.sh EXE_CHECK LAUNCHER_EXE OUT_DIR   (EXE_CHECK: the build's exe-check)
set -u
[ $# -eq 3 ] || { echo "usage: $0 EXE_CHECK LAUNCHER_EXE OUT_DIR" >&2; exit 2; }
exe_check=$1 launcher=$2 out=$3
# shellcheck source=/dev/null # generated at configure time
source "${TITLE_SH:?names the title values of the build}" || exit 1
root=$(cd "$(dirname "$0")/../.." && pwd)
sign_sh=$root/tools/sign.sh

# shellcheck source=../checks.sh
source "$(dirname "$0")/../checks.sh"

rm -rf "$out" && mkdir -p "$out/keys" || exit 1
keys=$out/keys
printf 'correct horse\n' >"$keys/password"
printf 'wrong horse\n' >"$keys/wrong"
# The publisher's certificate, and another's key that does not belong to it.
for who in publisher other; do
    openssl req -x509 -newkey rsa:2048 -days 2 -subj "/CN=Test $who" \
        -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
        -keyout "$keys/$who.key" -out "$keys/$who.pem" -passout "file:$keys/password" 2>/dev/null ||
        { echo "FAIL  openssl could not make a certificate"; exit 1; }
done
# openssl reads a second line for -passout when both name the same file.
cp "$keys/password" "$keys/password.p12"
openssl pkcs12 -export -in "$keys/publisher.pem" -inkey "$keys/publisher.key" -passin "file:$keys/password" \
    -passout "file:$keys/password.p12" -out "$keys/publisher.p12" 2>/dev/null ||
    { echo "FAIL  openssl could not make the PKCS#12 file"; exit 1; }

unsigned_sum=$(sha256sum <"$launcher")
signed=$out/Launcher.exe
"$sign_sh" --cert "$keys/publisher.pem" --key "$keys/publisher.key" --pass-file "$keys/password" \
    --ca-file "$keys/publisher.pem" "$launcher" "$signed"
check "signed" yes "$([ -f "$signed" ] && echo yes || echo no)"
check "the unsigned file" unchanged "$([ "$(sha256sum <"$launcher")" = "$unsigned_sum" ] && echo unchanged || echo changed)"
echo "      sizes: $(stat -c %s "$launcher") bytes unsigned, $(stat -c %s "$signed") signed"

verify() { osslsigncode verify -CAfile "$keys/publisher.pem" -in "$1" 2>&1; }

# Whether SIGNED is UNSIGNED with a signature: the same bytes up to where the
# unsigned file ends, but for the two fields signing sets in the PE header
# (the checksum, and the certificate table's entry); prints the offsets of
# any other bytes that differ.
same_program() {
    local signed=$1 unsigned=$2 pe size offsets
    pe=$(od -An -tu4 -j 60 -N4 "$unsigned" | xargs)
    size=$(stat -c %s "$unsigned")
    # cmp counts from 1: the checksum is at pe+88, entry 4 at pe+152 (8 bytes).
    offsets=$(cmp -l -n "$size" "$signed" "$unsigned" | awk -v pe="$pe" '
        { offset = $1 - 1 }
        offset >= pe + 88 && offset < pe + 92 { next }
        offset >= pe + 152 && offset < pe + 160 { next }
        { printf "%d ", offset }')
    echo "${offsets:-the same}"
}
check "signed: the unsigned program, but the checksum and the table's entry" "the same" "$(same_program "$signed" "$launcher")"
output=$(verify "$signed") && status=0 || status=$?
printf '        %s\n' "${output//$'\n'/$'\n'        }"
check "verified with the certificate as the trusted root" 0 "$status"
check "digest" "SHA256" "$(sed -n 's/^Message digest algorithm *: *//p' <<<"$output" | head -n1)"
check "signer" "/CN=Test publisher" "$(sed -n 's/^[[:space:]]*Subject: *//p' <<<"$output" | head -n1)"
read -r stored computed < <("$root/shell/pe-checksum.sh" "$signed")
check "PE checksum in the header, as computed" "$computed" "$stored"
check "verified against another root" fails "$(osslsigncode verify -CAfile "$keys/other.pem" -in "$signed" >/dev/null 2>&1 && echo passes || echo fails)"

# One byte changed, in the program's code and in its resources.
for offset in 1024 $(($(stat -c %s "$launcher") - 16)); do
    cp "$signed" "$out/changed.exe"
    byte=$(od -An -tu1 -j "$offset" -N1 "$out/changed.exe" | xargs)
    # shellcheck disable=SC2059 # an octal escape made for the byte
    printf "\\$(printf '%03o' $(((byte + 1) % 256)))" | dd of="$out/changed.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
    check "one byte changed at $offset: verification" fails "$(verify "$out/changed.exe" >/dev/null && echo passes || echo fails)"
done
rm -f "$out/changed.exe"

# The same inspection as the unsigned file.
"$exe_check" "$signed" i386 "$TITLE_SH" | sed 's/^/    /'
check "inspection of the signed file" 0 "${PIPESTATUS[0]}"

# Signing from a PKCS#12 file, the password from the environment.
SIGN_PASSWORD='correct horse' "$sign_sh" --pkcs12 "$keys/publisher.p12" --ca-file "$keys/publisher.pem" \
    "$launcher" "$out/p12.exe" >/dev/null
check "signed from PKCS#12, verified" 0 "$(verify "$out/p12.exe" >/dev/null; echo $?)"

# A key kept without a password, as a build machine's secret store may hold it.
openssl pkey -in "$keys/publisher.key" -passin "file:$keys/password" -out "$keys/plain.key" 2>/dev/null
"$sign_sh" --cert "$keys/publisher.pem" --key "$keys/plain.key" --ca-file "$keys/publisher.pem" \
    "$launcher" "$out/plain.exe" >/dev/null
check "signed with a key without a password, verified" 0 "$(verify "$out/plain.exe" >/dev/null 2>&1; echo $?)"
rm -f "$out/plain.exe"

# The disc with signed programs; the build's own stay unsigned.
installer=$(dirname "$launcher")/tests/wine/$TITLE_InstallerName
"$root/tools/disc.sh" --from "$(dirname "$launcher")" --out "$out/disc" --installer "$installer" --sign --cert "$keys/publisher.pem" \
    --key "$keys/publisher.key" --pass-file "$keys/password" --ca-file "$keys/publisher.pem" >/dev/null
for program in Launcher.exe "$TITLE_InstallerName"; do
    check "signed disc: $program verified" 0 "$(verify "$out/disc/disc/$program" >/dev/null; echo $?)"
done
check "signed disc: Launcher.exe is the launcher" "the same" "$(same_program "$out/disc/disc/Launcher.exe" "$launcher")"
check "signed disc: $TITLE_InstallerName is the installer" "the same" "$(same_program "$out/disc/disc/$TITLE_InstallerName" "$installer")"
check "signed disc: the build's Launcher.exe" unchanged \
    "$([ "$(sha256sum <"$launcher")" = "$unsigned_sum" ] && echo unchanged || echo changed)"
rm -rf "$out/disc"

# A chain that leads to no trusted root: a self-signed certificate, and one
# from a throwaway authority, as one that Windows trusts but the system's
# roots lack. Without keys' passwords, as a build machine may hold them.
made() { "$@" 2>/dev/null || { echo "FAIL  openssl could not make a certificate: $*"; exit 1; }; }
made openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test self-signed publisher/O=Test games" \
    -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature -keyout "$keys/self.key" -out "$keys/self.pem"
made openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Throwaway test authority" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
    -keyout "$keys/ca.key" -out "$keys/ca.pem"
made openssl req -newkey rsa:2048 -nodes -subj "/CN=Test publisher/O=Test games" \
    -keyout "$keys/issued.key" -out "$keys/issued.csr"
printf 'extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n' >"$keys/issued.ext"
made openssl x509 -req -in "$keys/issued.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" -set_serial 2 -days 2 \
    -extfile "$keys/issued.ext" -out "$keys/issued.pem"
system_roots=/etc/ssl/certs/ca-certificates.crt
while IFS='|' read -r what arguments subject reason roots; do
    eval "set -- $arguments"
    rm -f "$out/bad.exe"
    output=$("$sign_sh" "$@" "$launcher" "$out/bad.exe" 2>&1) && status=0 || status=$?
    check "$what: fails" yes "$([ "$status" -ne 0 ] && echo yes || echo no)"
    check "$what: lines said" 1 "$(wc -l <<<"$output")"
    for part in "\"$subject\" is not trusted" "no root in $roots ($reason)" "--ca-file ROOT.pem" "nothing written"; do
        check "$what: says $part" yes "$(grep -qF -- "$part" <<<"$output" && echo yes || echo "no: $output")"
    done
    check "$what: nothing written" no "$([ -e "$out/bad.exe" ] && echo yes || echo no)"
done <<EOF
self-signed, the system's roots|--cert "$keys/self.pem" --key "$keys/self.key"|CN = Test self-signed publisher, O = Test games|self-signed certificate|$system_roots
throwaway authority, the system's roots|--cert "$keys/issued.pem" --key "$keys/issued.key"|CN = Test publisher, O = Test games|unable to get local issuer certificate|$system_roots
throwaway authority, another root|--cert "$keys/issued.pem" --key "$keys/issued.key" --ca-file "$keys/other.pem"|CN = Test publisher, O = Test games|unable to get local issuer certificate|$keys/other.pem
EOF
# --verbose adds osslsigncode's report before the line.
output=$("$sign_sh" --verbose --cert "$keys/self.pem" --key "$keys/self.key" "$launcher" "$out/bad.exe" 2>&1)
check "--verbose: osslsigncode's report" yes \
    "$(grep -q 'Error: self-signed certificate' <<<"$output" && echo yes || echo "no: $output")"
check "--verbose: the last line" "not trusted" "$(tail -n1 <<<"$output" | grep -o 'not trusted' || tail -n1 <<<"$output")"
check "--verbose: nothing written" no "$([ -e "$out/bad.exe" ] && echo yes || echo no)"
# A chain that fails for another reason: one line with OpenSSL's reason and
# no advice of --ca-file, which would not help.
made openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test certificate of no authority" \
    -addext basicConstraints=critical,CA:FALSE -keyout "$keys/no-ca.key" -out "$keys/no-ca.pem"
made openssl x509 -req -in "$keys/issued.csr" -CA "$keys/no-ca.pem" -CAkey "$keys/no-ca.key" -set_serial 3 -days 2 \
    -extfile "$keys/issued.ext" -out "$keys/by-no-ca.pem"
output=$("$sign_sh" --cert "$keys/by-no-ca.pem" --key "$keys/issued.key" --ca-file "$keys/no-ca.pem" "$launcher" \
    "$out/bad.exe" 2>&1)
check "issued by no authority: lines said" 1 "$(wc -l <<<"$output")"
check "issued by no authority: says" yes "$(grep -qF -- "does not verify against $keys/no-ca.pem: invalid CA certificate" \
    <<<"$output" && echo yes || echo "no: $output")"
check "issued by no authority: advice of --ca-file" no "$(grep -qF -- --ca-file <<<"$output" && echo yes || echo no)"
check "issued by no authority: nothing written" no "$([ -e "$out/bad.exe" ] && echo yes || echo no)"
# With --ca-file naming the authority, the same certificate signs.
"$sign_sh" --cert "$keys/issued.pem" --key "$keys/issued.key" --ca-file "$keys/ca.pem" "$launcher" "$out/issued.exe" >/dev/null
check "throwaway authority named with --ca-file: verified" 0 \
    "$(osslsigncode verify -CAfile "$keys/ca.pem" -in "$out/issued.exe" >/dev/null 2>&1; echo $?)"
rm -f "$out/issued.exe"

# Mistakes: each an error that says what is wrong, and nothing written.
while IFS='|' read -r what arguments message; do
    eval "set -- $arguments"
    rm -f "$out/bad.exe"
    check_refused "$what" "$message" "$sign_sh" "$@" "$launcher" "$out/bad.exe"
    left=$(find "$out" -mindepth 1 -maxdepth 1 ! -name keys ! -name Launcher.exe ! -name p12.exe -printf '%f ')
    check "$what: nothing written" "nothing" "${left:-nothing}"
done <<EOF
wrong password|--cert "$keys/publisher.pem" --key "$keys/publisher.key" --pass-file "$keys/wrong" --ca-file "$keys/publisher.pem"|with the password given
no password|--cert "$keys/publisher.pem" --key "$keys/publisher.key" --ca-file "$keys/publisher.pem"|with the password given
missing certificate|--cert "$keys/none.pem" --key "$keys/publisher.key" --pass-file "$keys/password"|the certificate $keys/none.pem is missing
missing key|--cert "$keys/publisher.pem" --key "$keys/none.key" --pass-file "$keys/password"|the key $keys/none.key is missing
key of another certificate|--cert "$keys/publisher.pem" --key "$keys/other.key" --pass-file "$keys/password" --ca-file "$keys/publisher.pem"|does not belong to the certificate
a key as the certificate|--cert "$keys/publisher.key" --key "$keys/publisher.key" --pass-file "$keys/password"|holds no PEM certificate
wrong PKCS#12 password|--pkcs12 "$keys/publisher.p12" --pass-file "$keys/wrong" --ca-file "$keys/publisher.pem"|wrong password
untrusted root|--cert "$keys/publisher.pem" --key "$keys/publisher.key" --pass-file "$keys/password" --ca-file "$keys/other.pem"|leads to no root in $keys/other.pem (self-signed certificate)
EOF
rm -f "$out/p12.exe"

echo "== sign check: $failures failed"
checks_done
