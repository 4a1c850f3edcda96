#!/usr/bin/env bash
# The install with a 64 MiB application file beside the ordinary one, under
# Wine: how long the install takes beyond its fixed pauses (3,100 ms), next
# to cp of the same bytes, and how much memory the process needs. The
# payload is a resource mapped from the program file, so its pages count as
# file-backed (RssFile); anonymous memory (RssAnon) must not grow with it.
# Then the same payload in the compressed build (INSTAL_COMPRESS_PAYLOAD)
# beside an NSIS installer of it compressed solid with LZMA, both run
# unattended (/S: no window and no pauses) from process start to exit, with
# the uncompressed 64 MiB build for reference.
# BENCH_RUNS installs of each build (default 3); BENCH_BUILD_DIR (default
# build-bench), BENCH_LARGE_BUILD_DIR (default build-bench-64m) and
# BENCH_LARGE_COMPRESSED_BUILD_DIR (default build-bench-64m-lzma).
# Prints a table; not part of the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source bench/common.sh
build=$(realpath -m "${BENCH_BUILD_DIR:-$root/build-bench}")
large=$(realpath -m "${BENCH_LARGE_BUILD_DIR:-$root/build-bench-64m}")
large_lzma=$(realpath -m "${BENCH_LARGE_COMPRESSED_BUILD_DIR:-$root/build-bench-64m-lzma}")
runs=${BENCH_RUNS:-3}
pauses_ms=3100

echo "large_payload: building into $build and $large" >&2
build_setup "$build"
build_driver "$build/driver"
# A real program followed by a fixed pattern up to exactly 64 MiB: the same
# bytes on every run, and no runs of zeros that a copy could skip.
mkdir -p "$large"
big="$large/Tolmera-64m.exe"
size=$((64 * 1024 * 1024))
if [ ! -f "$big" ] || [ "$(file_size "$big")" -ne "$size" ]; then
  { cat "$build/payload/app/Tolmera.exe"; yes "$(seq -s ' ' 1 500)"; } 2>/dev/null |
    head -c "$size" >"$big.tmp" || true
  mv "$big.tmp" "$big"
fi
build_setup "$large" "-DINSTAL_APPLICATION_FILE=$big"
echo "large_payload: the compressed build into $large_lzma, and NSIS solid LZMA" >&2
build_setup "$large_lzma" "-DINSTAL_APPLICATION_FILE=$big" -DINSTAL_COMPRESS_PAYLOAD=ON
peer_lzma="$large/peer-lzma.exe"
makensis -V1 "-DAPP_FILE=$big" "-DPAYLOAD_DIR=$root/payload" "-DLICENCE=$root/assets/licence.txt" \
  "-DOUTFILE=$peer_lzma" -DCOMPRESSED bench/peer/peer.nsi >/dev/null

source scripts/wine-env.sh
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 wine_env_start "$large" bench >/dev/null
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/bench/normal" "$drive_c/bench/large" "$drive_c/bench/large-lzma" \
  "$drive_c/bench/peer-lzma"
cp "$build/driver/bench_driver.exe" "$drive_c/bench/"
cp "$build/instal.exe" "$drive_c/bench/normal/"
cp "$large/instal.exe" "$drive_c/bench/large/"
cp "$large_lzma/instal.exe" "$drive_c/bench/large-lzma/"
cp "$peer_lzma" "$drive_c/bench/peer-lzma/instal.exe"
results="$large/bench/results"
mkdir -p "$results"
rm -f "$results/normal" "$results/large" "$results/cp-payload" "$results/cp-setup" \
  "$results/quiet-large" "$results/quiet-large-lzma" "$results/quiet-peer-lzma"

# one_install NAME: appends "install_ms hwm anon file" to $results/NAME.
one_install() {
  local name=$1
  rm -rf "$drive_c/Program Files/Tolmera"
  watch_memory "^C:.bench.$name.instal\.exe" "$results/memory" &
  local watcher=$!
  local out
  out=$(wine 'C:\bench\bench_driver.exe' install "C:\\bench\\$name\\instal.exe" \
        "Setup-Corvanta 1.21" 2>/dev/null | tr -d '\r' || true)
  wait "$watcher"
  local ms
  ms=$(awk '$1 == "install_ms" { print $2 }' <<<"$out")
  echo "${ms:-timeout} $(cat "$results/memory")" >>"$results/$name"
}

# quiet_install NAME: appends "ms hwm anon file" to $results/quiet-NAME for
# an unattended install by C:\bench\NAME\instal.exe, start to exit.
quiet_install() {
  local name=$1
  rm -rf "$drive_c/Program Files/Tolmera"
  watch_memory "^C:.bench.$name.instal\.exe" "$results/memory" &
  local watcher=$!
  local start end
  start=$(date +%s%N)
  wine "C:\\bench\\$name\\instal.exe" /S >/dev/null 2>&1 || true
  end=$(date +%s%N)
  wait "$watcher"
  [ -f "$drive_c/Program Files/Tolmera/Tolmera.exe" ] &&
    [ "$(file_size "$drive_c/Program Files/Tolmera/Tolmera.exe")" -eq "$size" ] ||
    echo "large_payload: $name did not install the 64 MiB file" >&2
  echo "$(((end - start) / 1000000)) $(cat "$results/memory")" >>"$results/quiet-$name"
}

# time_cp FROM NAME: ms for cp of FROM into the prefix's drive C.
time_cp() {
  rm -rf "$drive_c/cp-test" && mkdir -p "$drive_c/cp-test"
  local start end
  start=$(date +%s%N)
  cp "$1" "$drive_c/cp-test/"
  end=$(date +%s%N)
  echo "$(((end - start) / 1000000))" >>"$results/$2"
}

for i in $(seq "$runs"); do
  echo "large_payload: run $i of $runs" >&2
  one_install normal
  one_install large
  time_cp "$big" cp-payload
  time_cp "$large/instal.exe" cp-setup
  quiet_install large
  quiet_install large-lzma
  quiet_install peer-lzma
done
rm -rf "$drive_c/cp-test"

median() { awk -v c="$1" '$1 != "timeout" { print $c }' "$results/$2" | stats | cut -d' ' -f1; }
n_ms=$(median 1 normal); l_ms=$(median 1 large)
n_work=$(awk -v t="$n_ms" -v p="$pauses_ms" 'BEGIN { printf "%.0f", t - p }')
l_work=$(awk -v t="$l_ms" -v p="$pauses_ms" 'BEGIN { printf "%.0f", t - p }')
cp_payload=$(median 1 cp-payload); cp_setup=$(median 1 cp-setup)

row() { printf '%-44s %16s %16s\n' "$@"; }
echo
row "" "normal build" "64 MiB payload"
row "Tolmera.exe, bytes" "$(file_size "$build/payload/app/Tolmera.exe")" "$size"
row "instal.exe, bytes" "$(file_size "$build/instal.exe")" "$(file_size "$large/instal.exe")"
row "install, last Next to Finish, ms (median)" "$n_ms" "$l_ms"
row "  minus the fixed pauses (3,100 ms)" "$n_work" "$l_work"
row "peak RSS VmHWM, KiB (median)" "$(median 2 normal)" "$(median 2 large)"
row "peak RssAnon, KiB (median)" "$(median 3 normal)" "$(median 3 large)"
row "peak RssFile, KiB (median)" "$(median 4 normal)" "$(median 4 large)"
echo
echo "cp of the 64 MiB Tolmera.exe into drive_c, ms (median):      $cp_payload"
echo "cp of the 64 MiB build's instal.exe into drive_c, ms (median): $cp_setup"
echo "(the install writes both: Tolmera.exe from the resource, install.exe from its own file;"
echo " it also checks each payload's SHA-256 before writing it; runs: $runs)"

echo
echo "Unattended (/S), from process start to exit, ms, and peak memory (medians):"
row "" "ms" "VmHWM / RssAnon / RssFile, KiB"
for name in large large-lzma peer-lzma; do
  case $name in
    large) label="64 MiB, normal build" ;;
    large-lzma) label="64 MiB, compressed build" ;;
    peer-lzma) label="64 MiB, NSIS solid LZMA" ;;
  esac
  row "$label" "$(median 1 "quiet-$name")" \
    "$(median 2 "quiet-$name") / $(median 3 "quiet-$name") / $(median 4 "quiet-$name")"
done
row "file size, bytes: compressed build" "$(file_size "$large_lzma/instal.exe")" ""
row "file size, bytes: NSIS solid LZMA" "$(file_size "$peer_lzma")" ""
