#!/usr/bin/env bash
# Signs the freshly linked program in place (Authenticode, SHA-256):
#   sign.sh PROGRAM PKCS12_FILE [TIMESTAMP_URL]
# The certificate's password comes from INSTAL_SIGN_PASSWORD and reaches
# osslsigncode through a pipe, never on a command line or in a file. On any
# failure the program is deleted, so that no unsigned file is left looking
# up to date: the next build links and signs it again.
set -euo pipefail
program=$1 pkcs12=$2 timestamp_url=${3:-}

fail() {
  echo "sign: $*" >&2
  rm -f "$program" "$program.signing"
  exit 1
}

[ -n "${INSTAL_SIGN_PASSWORD+set}" ] ||
  fail "INSTAL_SIGN_PASSWORD is not set: it must hold the password of $pkcs12"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (bash scripts/setup.sh installs it)"

timestamp=()
[ -z "$timestamp_url" ] || timestamp=(-ts "$timestamp_url")
rm -f "$program.signing"
osslsigncode sign -pkcs12 "$pkcs12" -readpass <(printf '%s' "$INSTAL_SIGN_PASSWORD") -h sha256 \
  "${timestamp[@]}" -in "$program" -out "$program.signing" >/dev/null ||
  fail "could not sign $program with $pkcs12"
mv -f "$program.signing" "$program"
echo "sign: $program signed with $pkcs12"
