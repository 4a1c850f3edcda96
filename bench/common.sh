# Shared by the benchmark scripts: builds, the driver, memory sampling and
# statistics. Sourced; expects $root (the source tree).

# A figure taken through the emulator measures qemu, not the program:
# where Wine would run emulated, no benchmark runs.
source "$root/scripts/emulator.sh"
if emulator_wanted; then
  echo "bench: refused: $(emulator_way); an emulated figure is not a figure" >&2
  exit 1
fi

# build_setup DIR [CMAKE_ARGS...]: the setup program, without the tests.
build_setup() {
  local dir=$1
  shift
  cmake --preset mingw -B "$dir" -DINSTAL_NO_TESTS=ON "$@" >/dev/null
  cmake --build "$dir" -j2 >/dev/null
}

# build_driver DIR: bench_driver.exe in DIR.
build_driver() {
  cmake -S "$root/bench" -B "$1" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" >/dev/null
  cmake --build "$1" >/dev/null
}

# watch_memory PATTERN OUT: waits for the process whose command line matches
# PATTERN (Wine names a process by its Windows path), samples its status
# every 20 ms until it is gone and writes "VmHWM maxRssAnon maxRssFile" (KiB).
watch_memory() {
  local pattern=$1 out=$2 pid="" hwm=0 anon=0 file=0 key value
  for _ in $(seq 3000); do
    pid=$(pgrep -f -- "$pattern" | head -n 1 || true)
    [ -n "$pid" ] && break
    sleep 0.01
  done
  while [ -n "$pid" ] && [ -r "/proc/$pid/status" ]; do
    while read -r key value _; do
      case $key in
        VmHWM:) [ "$value" -gt "$hwm" ] && hwm=$value ;;
        RssAnon:) [ "$value" -gt "$anon" ] && anon=$value ;;
        RssFile:) [ "$value" -gt "$file" ] && file=$value ;;
      esac
    done <"/proc/$pid/status" 2>/dev/null || true
    sleep 0.02
  done
  echo "$hwm $anon $file" >"$out"
}

# memory_of PATTERN OUT COMMAND...: runs COMMAND (its output dropped) with
# watch_memory beside it, and appends what that found to OUT. Never beside
# a timed run: the sampling loop starts a process every few milliseconds,
# and on a machine of two cores it took a third of the start-up's time.
memory_of() {
  local pattern=$1 out=$2
  shift 2
  watch_memory "$pattern" "$out.sample" &
  local watcher=$!
  "$@" >/dev/null 2>&1 || true
  wait "$watcher"
  cat "$out.sample" >>"$out"
  rm -f "$out.sample"
}

# stats: numbers on stdin, one a line -> "median min max q1 q3".
stats() {
  sort -g | awk '{ v[NR] = $1 }
    function q(p,  i, f) { i = 1 + (NR - 1) * p; f = int(i); return v[f] + (i - f) * (v[f + 1] - v[f]) }
    END { if (NR == 0) { print "- - - - -"; exit }
          v[NR + 1] = v[NR]; printf "%.1f %.1f %.1f %.1f %.1f\n", q(0.5), v[1], v[NR], q(0.25), q(0.75) }'
}

# file_size FILE
file_size() { stat -c %s "$1"; }
