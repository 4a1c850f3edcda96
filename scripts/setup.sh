#!/usr/bin/env bash
# Installs everything the build, the tests and the run command need, from
# Debian's packages only. Safe to run again: it does nothing that is done.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(wine wine32:i386 wine64 fonts-wine g++-mingw-w64-i686 xvfb cmake make
          googletest dpkg-dev fp-utils imagemagick fonts-dejavu-core nsis
          x11-apps file osslsigncode openssl)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

# libjpeg-turbo is built from Debian's own source package, so deb-src must be
# on, from wherever this machine takes its packages.
source "$root/scripts/deb-src.sh"
deb_src_update /etc/apt
need_update=$DEB_SRC_CHANGED
deps="$root/.deps"
have_source() { [ -f "$deps/libjpeg-turbo/jpeglib.h" ]; }
# An update that failed after the entries were written leaves apt without
# the source index; the next run asks for it again.
if ! have_source && ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep '^Package:' >/dev/null; then
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  # With their recommended packages: Wine needs its fonts (fonts-wine) and the
  # X extensions it renders text with, which it only recommends.
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

if ! have_source; then
  rm -rf "$deps" && mkdir -p "$deps"
  (cd "$deps" && apt-get source -q libjpeg-turbo 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  src=$(find "$deps" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
  [ -n "$src" ] && [ -f "$src/jpeglib.h" ] || { echo "setup: libjpeg-turbo source missing" >&2; exit 1; }
  mv "$src" "$deps/libjpeg-turbo"
fi
