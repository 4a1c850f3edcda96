#!/usr/bin/env bash
# Builds the program a second time from scratch in another directory and
# compares the bytes; then signs that build as a release is signed, with a
# throwaway certificate, and installs with the signed program under Wine:
#   reproducible-build.sh SOURCE_DIR FIRST_BUILD_DIR [CMAKE_ARGS...]
# CMAKE_ARGS: the options the first build was configured with (a compressed
# build's). The Wine prefix template and walkthrough of INSTAL_TOOLS_BUILD_DIR
# (default: the first build directory) are used.
set -euo pipefail
source_dir=$1 first=$2
shift 2
options=("$@")
tools=${INSTAL_TOOLS_BUILD_DIR:-$first}
second="$first/reproducible-check"
rm -rf "$second"
cmake -S "$source_dir" -B "$second" -DCMAKE_BUILD_TYPE=MinSizeRel -DINSTAL_NO_TESTS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/i686-w64-mingw32.cmake" "${options[@]}" >/dev/null
cmake --build "$second" -j "$(nproc)" --target instal >/dev/null
if cmp "$first/instal.exe" "$second/instal.exe"; then
  echo "instal.exe: two builds give the same $(stat -c %s "$first/instal.exe") bytes"
else
  echo "instal.exe differs between two builds" >&2
  exit 1
fi

# --- signing -----------------------------------------------------------------

failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
password="instal-test-password-$RANDOM$RANDOM"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/key.pem" -out "$keys/cert.pem" -days 2 \
  -subj "/CN=instal test signer" -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" 2>/dev/null
INSTAL_SIGN_PASSWORD=$password openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" \
  -out "$keys/sign.p12" -passout env:INSTAL_SIGN_PASSWORD

verify() { # what, file
  osslsigncode verify -in "$2" -CAfile "$keys/cert.pem" >"$keys/verify.log" 2>&1 ||
    { fail "$1 does not carry a valid signature"; cat "$keys/verify.log" >&2; }
}

# Signing turned on over an up-to-date unsigned build, first without the
# password: the build fails, saying why, and leaves no unsigned program.
cmake -S "$source_dir" -B "$second" -DINSTAL_SIGN_PKCS12="$keys/sign.p12" >"$keys/output.log" 2>&1
status=0
env -u INSTAL_SIGN_PASSWORD cmake --build "$second" --target instal --verbose \
  >>"$keys/output.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "a signed build without INSTAL_SIGN_PASSWORD succeeded"
grep -q 'INSTAL_SIGN_PASSWORD is not set' "$keys/output.log" ||
  fail "the failed build does not say the password is missing"
[ ! -e "$second/instal.exe" ] || fail "the failed signing left instal.exe"

INSTAL_SIGN_PASSWORD=$password cmake --build "$second" --target instal --verbose \
  >>"$keys/output.log" 2>&1 || { fail "the signed build failed"; cat "$keys/output.log" >&2; }
verify "the signed build's instal.exe" "$second/instal.exe"
cp "$second/instal.exe" "$keys/signed.exe"
INSTAL_SIGN_PASSWORD=$password cmake --build "$second" --target instal --verbose \
  >>"$keys/output.log" 2>&1 || fail "the second signed build failed"
cmp -s "$keys/signed.exe" "$second/instal.exe" || fail "a build with nothing changed signed again"
if grep -qF -- "$password" "$keys/output.log"; then fail "the build printed the password"; fi
if grep -rqF -- "$password" "$second"; then fail "the password is in the build tree"; fi

# An install with the signed program: the installed install.exe is a copy
# that carries the same signature.
(
  failures=0
  source "$source_dir/scripts/wine-env.sh"
  trap 'wine_env_stop; rm -rf "$tools/signed-install"; rmdir "$tools/small-drive-signed-install" 2>/dev/null || true' EXIT
  WINE_ENV_OWN_X=1 wine_env_start "$tools" signed-install
  wine "$tools/tools/walkthrough.exe" "$keys/signed.exe" "$tools/signed-install/pictures" \
    </dev/null >/dev/null || fail "the install with the signed program did not complete"
  installed="$WINEPREFIX/drive_c/Program Files/Tolmera/install.exe"
  verify "the installed install.exe" "$installed"
  cmp -s "$keys/signed.exe" "$installed" || fail "the installed install.exe is not the signed program"
  exit "$failures"
) || failures=$((failures + $?))

# Signing turned off again: the unsigned program, the same bytes as before.
cmake -S "$source_dir" -B "$second" -DINSTAL_SIGN_PKCS12= >/dev/null
cmake --build "$second" --target instal >/dev/null
cmp -s "$first/instal.exe" "$second/instal.exe" || fail "the build after signing is not the unsigned one"

[ "$failures" -eq 0 ] || exit 1
echo "instal.exe: signed, installed signed, and unsigned again"
rm -rf "$second"
