#!/usr/bin/env bash
# Our setup program beside an NSIS installer of the same shape (licence and
# directory pages, the same five files, registry records, shortcuts and an
# uninstaller; see peer/peer.nsi), measured in one run under Wine:
#   - size: the whole file, and the file minus the five payload files (the
#     stub's own overhead; the NSIS one is built uncompressed for this);
#   - start-up: ms from process creation until the first page is on the
#     screen (window visible and chosen pixels of the page in their final
#     colours, read back from the screen by bench_driver.exe), and until the
#     complete page is (the whole client area as it finally looks); each
#     beside NSIS as the median of the ratios of the start-ups taken in
#     pairs, and as the ratio of the medians;
#   - memory: peak resident set (VmHWM) and peak anonymous memory (RssAnon)
#     of the Wine process running each installer, sampled every 20 ms in
#     start-ups of their own, after the timed ones.
# The same for the compressed build (INSTAL_COMPRESS_PAYLOAD) and an NSIS
# installer compressed solid with LZMA; their size minus the payload takes
# off our carried streams (NSIS's solid block cannot be told apart).
# BENCH_RUNS (default 15) timed start-ups each, BENCH_MEMORY_RUNS (default
# 5) sampled for memory; BENCH_BUILD_DIR (default
# build-bench) and BENCH_COMPRESSED_BUILD_DIR (default build-bench-lzma).
# Prints a table; not part of the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source bench/common.sh
build=$(realpath -m "${BENCH_BUILD_DIR:-$root/build-bench}")
compressed=$(realpath -m "${BENCH_COMPRESSED_BUILD_DIR:-$root/build-bench-lzma}")
runs=${BENCH_RUNS:-15}
memory_runs=${BENCH_MEMORY_RUNS:-5}

echo "compare: building into $build and $compressed" >&2
build_setup "$build"
build_setup "$compressed" -DINSTAL_COMPRESS_PAYLOAD=ON
build_driver "$build/driver"
payload=("$build/payload/app/Tolmera.exe" payload/misuc.dat payload/readme.chm
         payload/orderform.htm payload/Tolmera.xml)
nsis() {
  makensis -V1 "-DAPP_FILE=${payload[0]}" "-DPAYLOAD_DIR=$root/payload" \
    "-DLICENCE=$root/assets/licence.txt" "$@" bench/peer/peer.nsi >/dev/null
}
mkdir -p "$build/peer"
nsis "-DOUTFILE=$build/peer/peer.exe"
nsis "-DOUTFILE=$build/peer/peer-lzma.exe" -DCOMPRESSED

payload_bytes=0
for f in "${payload[@]}"; do payload_bytes=$((payload_bytes + $(file_size "$f"))); done
streams_bytes=$(cat "$compressed"/program/generated/packed/* | wc -c)
ours_size=$(file_size "$build/instal.exe")
ours_lzma_size=$(file_size "$compressed/instal.exe")
peer_size=$(file_size "$build/peer/peer.exe")
peer_lzma_size=$(file_size "$build/peer/peer-lzma.exe")

source scripts/wine-env.sh
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 wine_env_start "$build" bench >/dev/null
work="$WINEPREFIX/drive_c/bench"
mkdir -p "$work"
cp "$build/instal.exe" "$build/peer/peer.exe" "$build/peer/peer-lzma.exe" \
  "$build/driver/bench_driver.exe" "$work/"
cp "$compressed/instal.exe" "$work/instal-lzma.exe"
results="$build/bench/results"
mkdir -p "$results"

# Pixels that only the finished page shows, away from the licence text so
# that a new licence does not move them. Ours: the banner picture (a decoded
# JPEG pixel) and the orange licence box in two places. NSIS: its icon, the
# sunken edge of the licence box and the box's inside.
ours_checks=(87,25,26478e 12,100,ff9326 12,250,ff9326)
peer_checks=(20,20,808080 11,100,a6a6a6 12,100,6a6a6a 16,150,f5f5f5)

# one_run NAME EXE CAPTION CHECKS...: appends "paint_ms complete_ms" of one
# start-up to $results/NAME.
one_run() {
  local name=$1 exe=$2 caption=$3
  shift 3
  local out paint complete
  out=$(wine 'C:\bench\bench_driver.exe' first-paint "C:\\bench\\$exe" "$caption" 500 "$@" \
        2>/dev/null | tr -d '\r' || true)
  paint=$(awk '$1 == "first_paint_ms" { print $2 }' <<<"$out")
  complete=$(awk '$1 == "complete_page_ms" { print $2 }' <<<"$out")
  echo "${paint:-timeout} ${complete:-timeout}" >>"$results/$name"
}

# memory_run NAME EXE CAPTION CHECKS...: appends "hwm anon file" of one
# start-up to $results/NAME-memory.
memory_run() {
  local name=$1 exe=$2 caption=$3
  shift 3
  memory_of "^C:.bench.$exe" "$results/$name-memory" \
    wine 'C:\bench\bench_driver.exe' first-paint "C:\\bench\\$exe" "$caption" 500 "$@"
}

# start_up RUN NAME: one start-up of that installer, timed (one_run) or
# sampled for memory (memory_run).
start_up() {
  case $2 in
    ours) $1 ours instal.exe "Setup-Corvanta 1.21" "${ours_checks[@]}" ;;
    peer) $1 peer peer.exe "Corvanta Setup: License Agreement" "${peer_checks[@]}" ;;
    ours_lzma) $1 ours_lzma instal-lzma.exe "Setup-Corvanta 1.21" "${ours_checks[@]}" ;;
    peer_lzma) $1 peer_lzma peer-lzma.exe "Corvanta Setup: License Agreement" "${peer_checks[@]}" ;;
  esac
}
# rounds RUN COUNT: COUNT rounds of the four, the order turning.
rounds() {
  for i in $(seq "$2"); do
    echo "compare: $1 $i of $2" >&2
    if ((i % 2)); then order=(ours peer ours_lzma peer_lzma); else order=(peer_lzma ours_lzma peer ours); fi
    for name in "${order[@]}"; do start_up "$1" "$name"; done
  done
}
names=(ours peer ours_lzma peer_lzma)
# Warms the file cache and Wine's own start-up; not counted.
for name in "${names[@]}"; do start_up one_run "$name"; done
rm -f "${names[@]/#/$results/}" "$results"/*-memory
rounds one_run "$runs"
rounds memory_run "$memory_runs"

column_stats() { awk -v c="$1" '$1 != "timeout" && $c != "timeout" { print $c }' "$results/$2" | stats; }
timeouts() { awk '$1 == "timeout"' "$results/$1" | wc -l; }
read -r o_med o_min o_max o_q1 o_q3 < <(column_stats 1 ours)
read -r p_med p_min p_max p_q1 p_q3 < <(column_stats 1 peer)
o_hwm=$(column_stats 1 ours-memory | cut -d' ' -f1); p_hwm=$(column_stats 1 peer-memory | cut -d' ' -f1)
o_anon=$(column_stats 2 ours-memory | cut -d' ' -f1); p_anon=$(column_stats 2 peer-memory | cut -d' ' -f1)
o_file=$(column_stats 3 ours-memory | cut -d' ' -f1); p_file=$(column_stats 3 peer-memory | cut -d' ' -f1)

row() { printf '%-40s %18s %18s\n' "$@"; }
echo
row "" "instal.exe" "NSIS (stored)"
row "exe size, bytes" "$ours_size" "$peer_size"
row "payload (five files), bytes" "$payload_bytes" "$payload_bytes"
row "overhead (exe - payload), bytes" "$((ours_size - payload_bytes))" "$((peer_size - payload_bytes))"
row "first page painted, ms: median" "$o_med" "$p_med"
row "  min / max" "$o_min / $o_max" "$p_min / $p_max"
row "  interquartile range" "$o_q1 - $o_q3" "$p_q1 - $p_q3"
row "  runs (timeouts)" "$runs ($(timeouts ours))" "$runs ($(timeouts peer))"
row "peak RSS VmHWM, KiB: median" "$o_hwm" "$p_hwm"
row "peak RssAnon, KiB: median" "$o_anon" "$p_anon"
row "peak RssFile, KiB: median" "$o_file" "$p_file"

# One row a build: its size, its size minus the payload it carries, the
# first page and the memory.
build_row() { # NAME SIZE PAYLOAD_BYTES RESULTS
  local paint memory
  read -r med min max _ < <(column_stats 1 "$4")
  memory="$(column_stats 1 "$4-memory" | cut -d' ' -f1) / $(column_stats 2 "$4-memory" | cut -d' ' -f1)"
  printf '%-18s %10s %12s %22s %20s\n' "$1" "$2" "$3" "$med ($min / $max)" "$memory"
}
echo
printf '%-18s %10s %12s %22s %20s\n' "" "bytes" "minus payload" "first paint, ms" "VmHWM / RssAnon, KiB"
build_row "instal.exe" "$ours_size" "$((ours_size - payload_bytes))" ours
build_row "NSIS (stored)" "$peer_size" "$((peer_size - payload_bytes))" peer
build_row "compressed build" "$ours_lzma_size" "$((ours_lzma_size - streams_bytes))" ours_lzma
build_row "NSIS solid LZMA" "$peer_lzma_size" "-" peer_lzma
echo "(payload: the five files, $payload_bytes bytes; the compressed build's streams, $streams_bytes bytes)"

# Beside NSIS: the start-ups of one run form a pair (the machine is shared,
# and a pair shares its moment); the median of the pairs' ratios, and the
# ratio of the medians.
pair_ratio() { # OURS PEER COLUMN
  paste -d' ' <(cut -d' ' -f"$3" "$results/$1") <(cut -d' ' -f"$3" "$results/$2") |
    awk '$1 != "timeout" && $2 != "timeout" && $2 > 0 { print $1 / $2 }' | sort -g |
    awk '{ v[NR] = $1 } END { if (NR) printf "%.3f", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
median_ratio() { # OURS PEER COLUMN
  awk -v a="$(column_stats "$3" "$1" | cut -d' ' -f1)" -v b="$(column_stats "$3" "$2" | cut -d' ' -f1)" \
    'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'
}
echo
printf '%-30s %16s %16s %16s %16s\n' "" "first page, ms" "complete page, ms" \
  "first: ratio" "complete: ratio"
ratios_row() { # NAME OURS PEER
  printf '%-30s %16s %16s %16s %16s\n' "$1" \
    "$(column_stats 1 "$2" | cut -d' ' -f1) / $(column_stats 1 "$3" | cut -d' ' -f1)" \
    "$(column_stats 2 "$2" | cut -d' ' -f1) / $(column_stats 2 "$3" | cut -d' ' -f1)" \
    "$(pair_ratio "$2" "$3" 1) ($(median_ratio "$2" "$3" 1))" \
    "$(pair_ratio "$2" "$3" 2) ($(median_ratio "$2" "$3" 2))"
}
ratios_row "instal.exe / NSIS (stored)" ours peer
ratios_row "compressed / NSIS solid LZMA" ours_lzma peer_lzma
echo "(ratio: the median of the $runs pairs' ratios, in brackets the ratio of the medians)"
