#!/usr/bin/env bash
# The install with a 64 MiB application file beside the ordinary one, under
# Wine: how long the install takes beyond its fixed pauses (3,100 ms), next
# to cp of the same bytes and to an NSIS installer carrying the same 64 MiB
# stored (both unattended, /S: no pauses), and how much memory the process
# needs; and the first paint of both builds, which must not grow with the
# payload (start-up reads nothing of the program file). The payload is a
# resource mapped from the program file, so its pages count as file-backed
# (RssFile); anonymous memory (RssAnon) must not grow with it.
# The same payload in the compressed build (INSTAL_COMPRESS_PAYLOAD) beside
# an NSIS installer of it compressed solid with LZMA: unattended install
# time and peak memory, and the compressed build's first paint.
# BENCH_RUNS timed installs of each build (default 3), BENCH_MEMORY_RUNS
# more sampled for memory (default 3), BENCH_PAINT_RUNS rounds of start-ups
# (default 9); BENCH_BUILD_DIR (default build-bench),
# BENCH_LARGE_BUILD_DIR (default build-bench-64m) and
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
paint_runs=${BENCH_PAINT_RUNS:-9}
memory_runs=${BENCH_MEMORY_RUNS:-3}
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
# NSIS's installer of the same shape with the same 64 MiB, stored.
mkdir -p "$large/peer"
makensis -V1 "-DAPP_FILE=$big" "-DPAYLOAD_DIR=$root/payload" "-DLICENCE=$root/assets/licence.txt" \
  "-DOUTFILE=$large/peer/peer-64m.exe" bench/peer/peer.nsi >/dev/null
echo "large_payload: the compressed build into $large_lzma, and NSIS solid LZMA" >&2
build_setup "$large_lzma" "-DINSTAL_APPLICATION_FILE=$big" -DINSTAL_COMPRESS_PAYLOAD=ON
makensis -V1 "-DAPP_FILE=$big" "-DPAYLOAD_DIR=$root/payload" "-DLICENCE=$root/assets/licence.txt" \
  "-DOUTFILE=$large/peer/peer-64m-lzma.exe" -DCOMPRESSED bench/peer/peer.nsi >/dev/null

source scripts/wine-env.sh
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 wine_env_start "$large" bench >/dev/null
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$drive_c/bench/normal" "$drive_c/bench/large"
cp "$build/driver/bench_driver.exe" "$drive_c/bench/"
cp "$build/instal.exe" "$drive_c/bench/normal/"
cp "$large/instal.exe" "$drive_c/bench/large/"
mkdir -p "$drive_c/bench/nsis" && cp "$large/peer/peer-64m.exe" "$drive_c/bench/nsis/"
cp "$large/peer/peer-64m-lzma.exe" "$drive_c/bench/nsis/"
mkdir -p "$drive_c/bench/large-lzma" && cp "$large_lzma/instal.exe" "$drive_c/bench/large-lzma/"
results="$large/bench/results"
mkdir -p "$results"
rm -f "$results/normal" "$results/large" "$results/cp-payload" "$results/cp-setup" \
  "$results/paint-normal" "$results/paint-large" "$results/paint-ratio" \
  "$results/quiet-normal" "$results/quiet-large" "$results/quiet-nsis" \
  "$results/paint-large-lzma" "$results/paint-ratio-lzma" "$results/quiet-large-lzma" \
  "$results/quiet-nsis-lzma" "$results"/*-memory "$results"/ratio-*

# first_paint NAME: ms to the first painted page (as bench/compare.sh takes it).
first_paint() {
  wine 'C:\bench\bench_driver.exe' first-paint "C:\\bench\\$1\\instal.exe" \
    "Setup-Corvanta 1.21" 0 87,25,26478e 12,100,ff9326 12,250,ff9326 2>/dev/null |
    tr -d '\r' | awk '$1 == "first_paint_ms" { print $2 }'
}

# empty_install_folder: no Program Files\Tolmera, and nothing of the run
# before still to be written: the deletion and the writes of one install
# must not be paid for by the next (without the sync, the same 64 MiB
# install took from 270 to 580 ms, depending on what ran before it).
empty_install_folder() {
  rm -rf "$drive_c/Program Files/Tolmera"
  sync
}

# unattended NAME EXE: the driver's unattended install (/S) of bench\NAME\EXE.
unattended() { wine 'C:\bench\bench_driver.exe' unattended "C:\\bench\\$1\\$2" /S; }
# wizard_install NAME: the driver's install through the wizard of bench\NAME.
wizard_install() {
  wine 'C:\bench\bench_driver.exe' install "C:\\bench\\$1\\instal.exe" "Setup-Corvanta 1.21"
}

# quiet_install NAME EXE [RESULTS]: appends the ms of an unattended install
# (/S), process start to end, into an empty Program Files\Tolmera, to
# $results/quiet-RESULTS (default NAME).
quiet_install() {
  empty_install_folder
  local out ms
  out=$(unattended "$1" "$2" 2>/dev/null | tr -d '\r' || true)
  ms=$(awk '$1 == "unattended_ms" { print $2 }' <<<"$out")
  grep -qx 'exit_code 0' <<<"$out" || ms=
  echo "${ms:-timeout}" >>"$results/quiet-${3:-$1}"
}

# quiet_memory NAME EXE [RESULTS]: the same install, sampled for memory
# ("hwm anon file" to $results/quiet-RESULTS-memory).
quiet_memory() {
  empty_install_folder
  memory_of "^C:.bench.$1.${2//./\\.}" "$results/quiet-${3:-$1}-memory" \
    unattended "$1" "$2"
}

# one_install NAME: appends the install's ms, last Next to "Finish", to
# $results/NAME.
one_install() {
  empty_install_folder
  local out ms
  out=$(wizard_install "$1" 2>/dev/null | tr -d '\r' || true)
  ms=$(awk '$1 == "install_ms" { print $2 }' <<<"$out")
  echo "${ms:-timeout}" >>"$results/$1"
}

# install_memory NAME: the same install, sampled for memory
# ("hwm anon file" to $results/NAME-memory).
install_memory() {
  empty_install_folder
  memory_of "^C:.bench.$1.instal\\.exe" "$results/$1-memory" \
    wizard_install "$1"
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
done
rm -rf "$drive_c/cp-test"
# The order turns from one round to the next: on this virtual machine an
# install takes longer after one that freed little memory than after one
# that freed much (the machine hands memory left free for a few seconds
# back to its host, and touching it again is slow), so a set order would
# favour whoever comes after the largest install.
quiet_round=("normal instal.exe" "large instal.exe" "nsis peer-64m.exe"
             "large-lzma instal.exe" "nsis peer-64m-lzma.exe nsis-lzma")
for i in $(seq "$runs"); do
  echo "large_payload: unattended run $i of $runs" >&2
  for j in 0 1 2 3 4; do
    ((i % 2)) && k=$j || k=$((4 - j))
    # shellcheck disable=SC2086 # a name, a file and perhaps a results name
    quiet_install ${quiet_round[k]}
  done
done
for i in $(seq "$memory_runs"); do
  echo "large_payload: memory run $i of $memory_runs" >&2
  install_memory normal
  install_memory large
  quiet_memory large-lzma instal.exe
  quiet_memory nsis peer-64m-lzma.exe nsis-lzma
done
rm -rf "$drive_c/Program Files/Tolmera"

# Start-ups in rounds of the ordinary, the 64 MiB and the compressed
# 64 MiB build, the order alternating, after one uncounted round.
first_paint normal >/dev/null; first_paint large >/dev/null; first_paint large-lzma >/dev/null
for i in $(seq "$paint_runs"); do
  echo "large_payload: start-up round $i of $paint_runs" >&2
  if ((i % 2)); then n=$(first_paint normal); l=$(first_paint large); z=$(first_paint large-lzma)
  else z=$(first_paint large-lzma); l=$(first_paint large); n=$(first_paint normal); fi
  echo "${n:-timeout}" >>"$results/paint-normal"; echo "${l:-timeout}" >>"$results/paint-large"
  echo "${z:-timeout}" >>"$results/paint-large-lzma"
  [ -z "$n" ] || [ -z "$l" ] || awk -v n="$n" -v l="$l" 'BEGIN { printf "%.4f\n", l / n }' >>"$results/paint-ratio"
  [ -z "$n" ] || [ -z "$z" ] || awk -v n="$n" -v z="$z" 'BEGIN { printf "%.4f\n", z / n }' >>"$results/paint-ratio-lzma"
done

median() { awk -v c="$1" '$1 != "timeout" { print $c }' "$results/$2" | stats | cut -d' ' -f1; }
median_ratio() { sort -g "$results/$1" | awk '{ v[NR] = $1 }
  END { printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# round_ratio A B: the median of the rounds' ratios of A's install to B's.
round_ratio() {
  paste -d' ' "$results/$1" "$results/$2" | awk '$1 != "timeout" && $2 != "timeout" { print $1 / $2 }' \
    >"$results/ratio-$1" && median_ratio "ratio-$1"
}
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
row "peak RSS VmHWM, KiB (median)" "$(median 1 normal-memory)" "$(median 1 large-memory)"
row "peak RssAnon, KiB (median)" "$(median 2 normal-memory)" "$(median 2 large-memory)"
row "peak RssFile, KiB (median)" "$(median 3 normal-memory)" "$(median 3 large-memory)"
row "unattended install (/S), start to end, ms" "$(median 1 quiet-normal)" "$(median 1 quiet-large)"
row "  NSIS, the same 64 MiB stored (/S)" "" "$(median 1 quiet-nsis)"
row "  64 MiB / NSIS, median of $runs rounds' ratios" "" "$(round_ratio quiet-large quiet-nsis)"
row "first page painted, ms (median)" "$(median 1 paint-normal)" "$(median 1 paint-large)"
row "  64 MiB / normal, median of $paint_runs pairs" "" "$(median_ratio paint-ratio)"
echo
echo "The 64 MiB payload compressed, unattended (/S), start to end (medians):"
row "" "compressed build" "NSIS solid LZMA"
row "instal.exe, bytes" "$(file_size "$large_lzma/instal.exe")" \
  "$(file_size "$large/peer/peer-64m-lzma.exe")"
row "unattended install (/S), ms" "$(median 1 quiet-large-lzma)" "$(median 1 quiet-nsis-lzma)"
row "  compressed / NSIS, median of rounds' ratios" "$(round_ratio quiet-large-lzma quiet-nsis-lzma)" ""
row "peak RSS VmHWM, KiB" "$(median 1 quiet-large-lzma-memory)" "$(median 1 quiet-nsis-lzma-memory)"
row "peak RssAnon, KiB" "$(median 2 quiet-large-lzma-memory)" "$(median 2 quiet-nsis-lzma-memory)"
row "peak RssFile, KiB" "$(median 3 quiet-large-lzma-memory)" "$(median 3 quiet-nsis-lzma-memory)"
row "first page painted, ms (median)" "$(median 1 paint-large-lzma)" ""
row "  compressed / normal, median of $paint_runs" "$(median_ratio paint-ratio-lzma)" ""
echo
echo "cp of the 64 MiB Tolmera.exe into drive_c, ms (median):      $cp_payload"
echo "cp of the 64 MiB build's instal.exe into drive_c, ms (median): $cp_setup"
echo "(the install writes both: Tolmera.exe from the resource, install.exe from its own file;"
echo " it also checks each payload's SHA-256 before writing it; runs: $runs)"
