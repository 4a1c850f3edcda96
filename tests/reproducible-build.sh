#!/usr/bin/env bash
# Builds the program a second time from scratch in another directory and
# compares the bytes: reproducible-build.sh SOURCE_DIR FIRST_BUILD_DIR
set -euo pipefail
source_dir=$1 first=$2
second="$first/reproducible-check"
rm -rf "$second"
cmake -S "$source_dir" -B "$second" -DCMAKE_BUILD_TYPE=MinSizeRel -DINSTAL_NO_TESTS=ON \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$second" -j "$(nproc)" --target instal >/dev/null
if cmp "$first/instal.exe" "$second/instal.exe"; then
  echo "instal.exe: two builds give the same $(stat -c %s "$first/instal.exe") bytes"
  rm -rf "$second"
else
  echo "instal.exe differs between two builds" >&2
  exit 1
fi
