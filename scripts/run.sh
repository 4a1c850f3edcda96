#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the setup program under Wine.
#
# With DISPLAY set, the program opens on that display, in a Wine prefix of
# its own (BUILD/run/prefix), made fresh at each run so that every run starts
# with nothing installed; it stays after the run for a look at what setup
# wrote. The command returns when the program ends.
#
# Without DISPLAY, a scripted walk goes through every page in a virtual X
# server, installing for real in a throwaway prefix, and saves one picture
# per page into screenshots/ at the top of the repository; then a second,
# short walk in a prefix set to 144 dots per inch takes the licence page
# again (07-licence-144dpi).
#
# INSTAL_BUILD_DIR picks another build directory (default: build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m "${INSTAL_BUILD_DIR:-$root/build}")

# Done before the emulator's namespace, if any: it runs this script again.
if [ -z "${INSTAL_WINE_NAMESPACE:-}" ]; then
  bash scripts/setup.sh
  cmake --preset mingw -B "$build" >/dev/null
  # Only what this command runs; the tests are scripts/test.sh's business.
  targets=(instal)
  [ -n "${DISPLAY:-}" ] || targets+=(walkthrough)
  cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
fi

# The prefix's HOME is a scratch folder, so the X authority file must be
# named before wine-env.sh replaces HOME.
if [ -n "${DISPLAY:-}" ] && [ -z "${XAUTHORITY:-}" ] && [ -f "$HOME/.Xauthority" ]; then
  export XAUTHORITY="$HOME/.Xauthority"
fi

source scripts/wine-env.sh
wine_env_choose "$0" "$@"
trap wine_env_stop EXIT

if [ -n "${DISPLAY:-}" ]; then
  wine_env_start "$build" run
  # Setup runs from a copy: after a removal it deletes its own file.
  cp "$build/instal.exe" "$build/run/instal.exe"
  temp="$WINEPREFIX/drive_c/windows/temp"
  temp_before=$(ls -A "$temp" 2>/dev/null || true)
  echo "run: starting instal.exe on display $DISPLAY (Wine prefix $WINEPREFIX)"
  status=0
  wine "$build/run/instal.exe" </dev/null || status=$?
  # After a removal the program leaves a hidden script, in a folder of its
  # own in Windows\Temp, that deletes the program's file once the program
  # has exited, then itself and its folder; let it finish before Wine is
  # stopped. It gives up on the file after about a minute.
  for _ in $(seq 900); do
    [ "$(ls -A "$temp" 2>/dev/null || true)" != "$temp_before" ] || break
    sleep 0.1
  done
  echo "run: instal.exe has ended (exit code $status)"
  exit "$status"
fi

WINE_ENV_OWN_X=1 wine_env_start "$build" walk
pictures="$build/walk/pictures"
mkdir -p "$pictures"
wine "$build/tools/walkthrough.exe" "$build/instal.exe" "$pictures" </dev/null
wine_env_stop

WINE_ENV_OWN_X=1 wine_env_start "$build" walk-144dpi
wine_env_set_dpi 144
wine "$build/tools/walkthrough.exe" "$build/instal.exe" "$pictures" 07-licence-144dpi </dev/null

shots="$root/screenshots"
mkdir -p "$shots"
rm -f "$shots"/*.png
for bmp in "$pictures"/*.bmp; do
  # Debian's ImageMagick by its full path; strip keeps the files free of
  # time stamps, so an unchanged window gives the same bytes.
  /usr/bin/convert "$bmp" -strip "$shots/$(basename "${bmp%.bmp}").png"
done
echo "run: screenshots of every page are in $shots:"
ls -1 "$shots"
