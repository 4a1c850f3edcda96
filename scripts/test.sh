#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine in a
# virtual X server. Exits non-zero on any failure. Arguments go to ctest
# (for example -R wizard); INSTAL_BUILD_DIR picks another build directory.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(realpath -m "${INSTAL_BUILD_DIR:-$root/build}")

# Done before the emulator's namespace, if any: it runs this script again.
if [ -z "${INSTAL_WINE_NAMESPACE:-}" ]; then
  bash scripts/setup.sh
  cmake --preset mingw -B "$build" >/dev/null
  cmake --build "$build" -j "$(nproc)"
fi

source scripts/wine-env.sh
wine_env_choose "$0" "$@"
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 wine_env_start "$build" test-run
ctest --test-dir "$build" --output-on-failure "$@"
