#!/usr/bin/env bash
# Signs a Windows program with the publisher's Authenticode certificate
# (osslsigncode), so that Windows names the publisher instead of warning of
# an unknown one.
#
#   tools/sign.sh --cert CERT.pem --key KEY.pem [--pass-file FILE] [--timestamp URL] [--ca-file FILE] [--verbose] IN OUT
#   tools/sign.sh --pkcs12 FILE.p12 [--pass-file FILE] [--timestamp URL] [--ca-file FILE] [--verbose] IN OUT
#
# CERT.pem holds the publisher's certificate, followed by the intermediate
# certificates of its chain; KEY.pem its private key. The key's password, if
# it has one, comes from --pass-file or the variable SIGN_PASSWORD, never
# from the command line, where other users of the machine could read it.
# The signature uses SHA-256; with --timestamp an RFC 3161 time-stamping
# server countersigns it, so that it stays valid after the certificate
# expires. The PE checksum is computed afresh over the signed file.
#
# OUT is verified before the script says done: the signature against the
# trusted roots in --ca-file (default: the system's), the file's hash, and
# its PE checksum. On any failure the script says why and writes nothing. A
# chain that leads to no trusted root (a self-signed certificate, or an
# authority the system's roots lack although Windows trusts it) gets one
# line: whose certificate, osslsigncode's first error, and --ca-file as the
# way to name the root. --verbose adds osslsigncode's whole report.
set -euo pipefail

# shellcheck source=../shell/common.sh
. "$(dirname "$0")/../shell/common.sh"

usage() {
    echo "usage: $0 (--cert CERT.pem --key KEY.pem | --pkcs12 FILE.p12) [--pass-file FILE] [--timestamp URL] [--ca-file FILE] [--verbose] IN OUT" >&2
    exit 2
}

cert='' key='' pkcs12='' pass_file='' timestamp='' ca_file=/etc/ssl/certs/ca-certificates.crt verbose=0
while [ $# -gt 2 ]; do
    if [ "$1" = --verbose ]; then
        verbose=1
        shift
        continue
    fi
    [ $# -ge 4 ] || usage
    case $1 in
        --cert) cert=$2 ;;
        --key) key=$2 ;;
        --pkcs12) pkcs12=$2 ;;
        --pass-file) pass_file=$2 ;;
        --timestamp) timestamp=$2 ;;
        --ca-file) ca_file=$2 ;;
        *) usage ;;
    esac
    shift 2
done
[ $# -eq 2 ] || usage
in=$1 out=$2

for tool in osslsigncode openssl; do
    command -v "$tool" >/dev/null || die "$tool not found: install it (Debian package $tool)"
done
if [ -n "$pkcs12" ]; then
    [ -z "$cert$key" ] || die "give --pkcs12, or --cert with --key, not both"
    [ -f "$pkcs12" ] || die "the certificate file $pkcs12 is missing"
else
    if [ -z "$cert" ] || [ -z "$key" ]; then die "give --cert and --key, or --pkcs12"; fi
    [ -f "$cert" ] || die "the certificate $cert is missing"
    [ -f "$key" ] || die "the key $key is missing"
fi
[ -f "$in" ] || die "$in is missing"
[ -f "$ca_file" ] || die "the trusted roots $ca_file are missing"
[ -z "$pass_file" ] || [ -f "$pass_file" ] || die "the password file $pass_file is missing"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password reaches the tools only through a file of our own.
password=$work/password
if [ -n "$pass_file" ]; then
    head -n1 "$pass_file" | tr -d '\r\n' >"$password"
else
    printf '%s' "${SIGN_PASSWORD:-}" >"$password"
fi
chmod 600 "$password"
# A key kept without a password is read with none: both tools refuse an empty
# password file. (An empty password on the command line tells nobody anything.)
if [ -s "$password" ]; then
    passin=(-passin "file:$password") readpass=(-readpass "$password")
else
    passin=(-passin pass:) readpass=()
fi

# The certificate and the key, read and matched before anything is signed,
# so that each mistake gets its own message.
if [ -n "$pkcs12" ]; then
    openssl pkcs12 -in "$pkcs12" "${passin[@]}" -nokeys -clcerts -out "$work/cert.pem" 2>"$work/log" ||
        die "cannot open $pkcs12 with the password given (wrong password, or not a PKCS#12 file): $(head -n1 "$work/log")"
    openssl pkcs12 -in "$pkcs12" "${passin[@]}" -nocerts -nodes -out "$work/key.pem" 2>"$work/log" ||
        die "cannot read the key in $pkcs12: $(head -n1 "$work/log")"
    signer_cert=$work/cert.pem signer_key=$work/key.pem
else
    signer_cert=$cert signer_key=$key
    openssl x509 -in "$cert" -noout 2>/dev/null || die "$cert holds no PEM certificate"
fi
cert_key=$(openssl x509 -in "$signer_cert" -noout -pubkey 2>/dev/null) || die "no certificate found"
key_key=$(openssl pkey -in "$signer_key" "${passin[@]}" -pubout 2>"$work/log") ||
    die "cannot read the key $signer_key with the password given (wrong or missing password, or not a key): $(head -n1 "$work/log")"
[ "$cert_key" = "$key_key" ] || die "the key $signer_key does not belong to the certificate $signer_cert"
openssl x509 -in "$signer_cert" -noout -checkend 0 >/dev/null || die "the certificate $signer_cert has expired"

sign=(osslsigncode sign -h sha256 ${readpass[@]+"${readpass[@]}"} -in "$in" -out "$work/signed")
if [ -n "$pkcs12" ]; then
    sign+=(-pkcs12 "$pkcs12")
else
    sign+=(-certs "$cert" -key "$key")
fi
[ -z "$timestamp" ] || sign+=(-ts "$timestamp")
"${sign[@]}" >"$work/log" 2>&1 || { cat "$work/log" >&2; die "osslsigncode could not sign $in"; }

# Verified as Windows would: the signature, its chain up to a trusted root,
# the hash over the file; and the PE checksum, which osslsigncode computes
# afresh when it signs, computed here once more.
verify=(osslsigncode verify -CAfile "$ca_file" -in "$work/signed")
[ -z "$timestamp" ] || verify+=(-TSA-CAfile "$ca_file")
if ! "${verify[@]}" >"$work/verify" 2>&1; then
    [ "$verbose" = 0 ] || cat "$work/verify" >&2
    # The first error of the signer's chain ("self-signed certificate"), from
    # the part of the report that checks it, up to the next heading.
    chain_error=$(awk '
        /^Signing certificate chain verified using:/ { inside = 1; next }
        inside && /^[^ \t]/ { exit }
        inside && sub(/^[ \t]*Error: */, "") { print; exit }' "$work/verify")
    subject=$(openssl x509 -in "$signer_cert" -noout -subject | sed 's/^subject= *//')
    more=''
    [ "$verbose" = 1 ] || more=" (--verbose shows osslsigncode's report)"
    case $chain_error in
        # OpenSSL's words for a chain that ends at no root it was given.
        'self-signed certificate'* | 'self signed certificate'* | 'unable to get local issuer certificate' | \
            'unable to get issuer certificate' | 'unable to verify the first certificate' | 'certificate not trusted')
            die "the certificate \"$subject\" is not trusted: its chain leads to no root in $ca_file ($chain_error); name the root with --ca-file ROOT.pem; nothing written$more"
            ;;
        ?*) die "the certificate chain of \"$subject\" does not verify against $ca_file: $chain_error; nothing written$more" ;;
    esac
    [ "$verbose" = 1 ] || cat "$work/verify" >&2
    die "the signed file does not verify; nothing written"
fi
read -r stored computed < <("$(dirname "$0")/../shell/pe-checksum.sh" "$work/signed")
[ "$stored" = "$computed" ] || die "the signed file's PE checksum is $stored, not $computed; nothing written"

mkdir -p "$(dirname "$out")"
cp "$work/signed" "$out.new" && mv "$out.new" "$out"
echo "sign.sh: $out signed and verified ($(stat -c %s "$in") bytes unsigned, $(stat -c %s "$out") signed)"
