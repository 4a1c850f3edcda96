#!/usr/bin/env bash
# Where the start-up's time goes, step by step, from process creation to the
# complete first page, under Wine, taken from Wine's own timestamps
# (WINEDEBUG=+timestamp,+pid,+loaddll,warn+debugstr):
#   - the driver marks the moment before CreateProcess and the moment it
#     sees the page's pixels (bench/driver, as bench/compare.sh takes them);
#   - Wine reports each DLL the process loads (+loaddll);
#   - a bench build (INSTAL_STARTUP_PROBES, src/platform/startup_probe.h)
#     marks the program's own steps: WinMain, the application window,
#     comctl32, CoInitialize, the form, the banner's decoding, the other
#     controls, the licence, the default folder, FormCreate, the cancel
#     dialog, showing, the form's own painting.
# Prints, for each step, the median over the start-ups of its ms and the
# DLLs loaded in it. BENCH_RUNS (default 7) start-ups, after one uncounted;
# BENCH_PROBE_BUILD_DIR (default build-bench-probes). Not part of the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source bench/common.sh
build=$(realpath -m "${BENCH_PROBE_BUILD_DIR:-$root/build-bench-probes}")
runs=${BENCH_RUNS:-7}

echo "startup_steps: building into $build" >&2
build_setup "$build" -DINSTAL_STARTUP_PROBES=ON
build_driver "$build/driver"

source scripts/wine-env.sh
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 wine_env_start "$build" bench-steps >/dev/null
mkdir -p "$WINEPREFIX/drive_c/bench"
cp "$build/instal.exe" "$build/driver/bench_driver.exe" "$WINEPREFIX/drive_c/bench/"
results="$build/bench/steps"
rm -rf "$results" && mkdir -p "$results"

# one_run N: Wine's trace of one start-up in $results/trace-N, the driver's
# figures in $results/out-N.
one_run() {
  WINEDEBUG=+timestamp,+pid,+loaddll,warn+debugstr \
    wine 'C:\bench\bench_driver.exe' first-paint 'C:\bench\instal.exe' "Setup-Corvanta 1.21" \
    500 87,25,26478e 12,100,ff9326 12,250,ff9326 2>"$results/trace-$1" |
    tr -d '\r' >"$results/out-$1" || true
}
one_run 0 # warms the file cache and Wine's own start-up; not counted
for i in $(seq "$runs"); do
  echo "startup_steps: start-up $i of $runs" >&2
  one_run "$i"
done

# steps TRACE OUT: one line a step, "ms<TAB>step<TAB>DLLs loaded in it".
# Trace lines read "SECONDS.MS:PID:TID:class:channel:function message".
steps() {
  local pid
  pid=$(awk '$1 == "process_id" { printf "%04x", $2 }' "$2")
  awk -v program="$pid" -v complete="$(awk '$1 == "complete_page_ms" { print $2 }' "$2")" '
    function mark(at, name) { names[++n] = name; times[n] = at }
    { split($0, f, ":"); at = f[1] * 1000; pid = f[2] }
    /bench-driver: CreateProcess/ { mark(at, "start"); next }
    n == 0 { next }
    /bench-driver: pixels painted/ { mark(at, "pixels of the page seen by the driver"); next }
    pid != program { next }
    first == "" { first = at; mark(at, "Wine starts the process (its first trace line)") }
    /:loaddll:/ {
      if (match($0, /[^\\"]+\.(dll|exe|drv)"/))
        loaded[n + 1] = loaded[n + 1] " " substr($0, RSTART, RLENGTH - 1)
      next
    }
    /instal-probe: / {
      sub(/.*instal-probe: /, ""); sub(/(\\n)?"$/, "")
      if (!(($0) in seen)) { seen[$0] = 1; mark(at, $0) }
    }
    END {
      if (complete != "") mark(times[1] + complete, "the complete page seen by the driver")
      # In order of time: work done after the first page lies beside the driver'"'"'s marks.
      for (i = 2; i <= n; ++i)
        for (j = i; j > 1 && times[j] < times[j - 1]; --j) {
          t = times[j]; times[j] = times[j - 1]; times[j - 1] = t
          t = names[j]; names[j] = names[j - 1]; names[j - 1] = t
          t = loaded[j]; loaded[j] = loaded[j - 1]; loaded[j - 1] = t
        }
      for (i = 2; i <= n; ++i) printf "%.0f\t%s\t%s\n", times[i] - times[i - 1], names[i], loaded[i]
      for (i = 2; i <= n; ++i) if (names[i] ~ /seen by the driver/) last = i
      printf "%.0f\ttotal, process creation to the complete page\t\n", times[last] - times[1]
    }' "$1"
}
for i in $(seq "$runs"); do steps "$results/trace-$i" "$results/out-$i" >"$results/steps-$i"; done

# The median of each step over the runs, in the first run's order of steps.
echo
printf '%8s  %-46s %s\n' "ms" "step (ending with)" "DLLs loaded in the step (first run)"
cut -f2 "$results/steps-1" | while IFS= read -r step; do
  median=$(for i in $(seq "$runs"); do
             awk -F'\t' -v s="$step" '$2 == s { print $1 }' "$results/steps-$i"
           done | stats | cut -d' ' -f1)
  dlls=$(awk -F'\t' -v s="$step" '$2 == s { print $3 }' "$results/steps-1")
  printf '%8s  %-46s %s\n' "$median" "$step" "$dlls"
done
echo "(medians of $runs start-ups; each step's ms run from the end of the step above)"
