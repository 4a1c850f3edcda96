#!/usr/bin/env bash
# Builds the compressed program (INSTAL_COMPRESS_PAYLOAD=ON) in a build
# directory of its own and runs the real program's cases against it:
#   compressed-build.sh SOURCE_DIR BUILD_DIR E2E_INSTALL E2E_UNINSTALL INTEGRITY
# BUILD_DIR is the tests' own build (its Wine prefix, X server and tools);
# the test programs find the program under test in INSTAL_EXE.
set -euo pipefail
source_dir=$1 build=$2 e2e_install=$3 e2e_uninstall=$4 integrity=$5
compressed="$build/compressed"
cmake -S "$source_dir" -B "$compressed" -DCMAKE_BUILD_TYPE=MinSizeRel -DINSTAL_NO_TESTS=ON \
  -DINSTAL_COMPRESS_PAYLOAD=ON -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/i686-w64-mingw32.cmake" \
  >/dev/null
cmake --build "$compressed" -j "$(nproc)" --target instal >/dev/null
program="$compressed/instal.exe"
packed="$compressed/program/generated/packed"
echo "compressed instal.exe: $(stat -c %s "$program") bytes, carrying $(cat "$packed"/* | wc -c) bytes of streams"

failures=0
run() { # what, then the command
  local what=$1
  shift
  echo "--- $what"
  "$@" || { echo "FAILED: $what" >&2; failures=$((failures + 1)); }
}

export INSTAL_EXE="$program"
# The Wow64 case needs a 64-bit prefix of its own (the wow64 entry).
run "install and repair" wine "$e2e_install" --gtest_filter=-Wow64.*
run "uninstall" wine "$e2e_uninstall"
# The window closed during the install or the removal, and a script that
# cannot be written: cases of the fault matrix, with both their variants.
run "closed and unwritable" wine "$(dirname "$e2e_install")/fault_matrix_tests.exe" \
  --gtest_filter=FaultMatrix.WindowClosedDuring*:FaultMatrix.ScriptThatCannotBeWritten*
# The texts it carries compressed for its own use: the licence is checked in
# the install cases, the switches' list here.
run "switches" wine "$(dirname "$e2e_install")/e2e_startup_tests.exe" \
  --gtest_filter=StartUp.AQuestionMarkListsTheSwitchesAndEndsWhenTheBoxIsClosed
# The streams are the carried bytes now: one byte changed in any of them is
# refused before the first write, as a changed file is in the default build.
run "damaged streams" env INSTAL_PAYLOAD_DIR="$packed" \
  INSTAL_APPLICATION_FILE="$packed/Tolmera.exe" wine "$integrity"

# Two builds give the same bytes; signed, it verifies and installs signed.
run "reproducible and signed" env INSTAL_TOOLS_BUILD_DIR="$build" \
  bash "$source_dir/tests/build/reproducible-build.sh" "$source_dir" "$compressed" \
  -DINSTAL_COMPRESS_PAYLOAD=ON

[ "$failures" -eq 0 ] || { echo "compressed build: $failures group(s) failed" >&2; exit 1; }
echo "compressed build: every group passed"
