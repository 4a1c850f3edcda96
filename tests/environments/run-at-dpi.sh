#!/usr/bin/env bash
# Runs a test program in a Wine prefix and X server of its own whose logical
# resolution is DPI dots per inch, on a screen of 1024 x 768 scaled by the
# same factor, so that the scaled window fits as the design does at 96:
# run-at-dpi.sh DPI BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
dpi=$1 build=$2
shift 2
source "$(dirname "$0")/../../scripts/wine-env.sh"
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 WINE_SCREEN="$((1024 * dpi / 96))x$((768 * dpi / 96))x24" \
  wine_env_start "$build" "dpi-$dpi"
wine_env_set_dpi "$dpi"
wine "$@"
