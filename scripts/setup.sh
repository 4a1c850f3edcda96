#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need, from
# Debian's packages only. Safe to run again: it does nothing that is done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(wine wine32:i386 wine64 fonts-wine g++-mingw-w64-i686 xvfb cmake make
          googletest dpkg-dev fp-utils imagemagick fonts-dejavu-core nsis
          x11-apps file osslsigncode openssl xz-utils)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

# libjpeg-turbo, and the LZMA decoder of a compressed build (INSTAL_COMPRESS_PAYLOAD),
# are built from Debian's own source packages, so deb-src must be on, from
# wherever this machine takes its packages.
source "$root/scripts/deb-src.sh"
deb_src_update /etc/apt
need_update=$DEB_SRC_CHANGED
deps="$root/.deps"
# Each source: the package, the folder it is kept in under .deps, and a file
# that shows it is there.
sources=("libjpeg-turbo libjpeg-turbo jpeglib.h" "lzma lzma C/LzmaDec.c")
have_source() { [ -f "$deps/$2/$3" ]; }
# An update that failed after the entries were written leaves apt without
# the source index; the next run asks for it again.
for entry in "${sources[@]}"; do
  # shellcheck disable=SC2086
  if ! have_source $entry && ! apt-cache showsrc "${entry%% *}" 2>/dev/null | grep '^Package:' >/dev/null; then
    need_update=1
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # With their recommended packages: Wine needs its fonts (fonts-wine) and the
  # X extensions it renders text with, which it only recommends.
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

# fetch_source PACKAGE FOLDER FILE: the package's unpacked source as .deps/FOLDER.
fetch_source() {
  local package=$1 folder=$2 file=$3 fetch src
  fetch=$(mktemp -d "$deps/fetch.XXXXXX")
  (cd "$fetch" && apt-get source -q "$package" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  src=$(find "$fetch" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
  [ -n "$src" ] && [ -f "$src/$file" ] || { echo "setup: $package source missing" >&2; rm -rf "$fetch"; exit 1; }
  rm -rf "${deps:?}/$folder"
  mv "$src" "$deps/$folder"
  rm -rf "$fetch"
}
mkdir -p "$deps"
for entry in "${sources[@]}"; do
  # shellcheck disable=SC2086
  have_source $entry || fetch_source $entry
done

# Where this machine runs no 32-bit code, Wine runs under an emulator.
source "$root/scripts/emulator.sh"
# Fetched on every machine, as the scripts' tests try that way everywhere;
# only where it is the way Wine runs is a failure to fetch it the end.
if ! emulator_fetch; then
  if emulator_wanted; then exit 1; fi
  echo "setup: without qemu-i386, only the scripts_emulator test will fail here" >&2
fi
echo "setup: $(emulator_way)"
