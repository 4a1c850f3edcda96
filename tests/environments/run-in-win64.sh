#!/usr/bin/env bash
# Runs a test program in a 64-bit Wine prefix and X server of its own, where
# the 32-bit setup program meets the folders and registry view that 64-bit
# Windows gives 32-bit programs: run-in-win64.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/../../scripts/wine-env.sh"
trap wine_env_stop EXIT
WINE_ENV_OWN_X=1 WINE_ENV_ARCH=win64 wine_env_start "$build" win64
wine "$@"
