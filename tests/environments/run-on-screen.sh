#!/usr/bin/env bash
# Runs a test program in a Wine prefix and X server of its own whose screen
# has the given size: run-on-screen.sh WIDTHxHEIGHT BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
size=$1 build=$2
shift 2
source "$(dirname "$0")/../../scripts/wine-env.sh"
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 WINE_SCREEN="${size}x24" wine_env_start "$build" "screen-$size"
wine "$@"
