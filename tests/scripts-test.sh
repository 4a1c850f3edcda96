#!/usr/bin/env bash
# The scripts' own behaviour: scripts-test.sh GROUP SOURCE_DIR BUILD_DIR
#   wine-env   prefixes made from the one template each have their own user
#              folders
set -euo pipefail
group=$1 source_dir=$2 build=$(realpath -m "$3")
failures=0

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

expect_same() { # what, expected, actual
  if [ "$2" != "$3" ]; then
    fail "$1"
    diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") >&2 || true
  fi
}

# --- wine-env ----------------------------------------------------------------

# Whether the prefix's desktop, as Wine shows it to programs, holds the file.
desktop_holds() {
  wine cmd /c if exist '%USERPROFILE%\Desktop\'"$1" echo yes </dev/null 2>/dev/null | tr -d '\r'
}

wine_env_case() {
  source "$source_dir/scripts/wine-env.sh"
  trap wine_env_stop EXIT
  WINE_ENV_OWN_X=1 wine_env_start "$build" scripts-test-first
  wine cmd /c echo first '>' '%USERPROFILE%\Desktop\probe.txt' </dev/null >/dev/null 2>&1
  [ "$(desktop_holds probe.txt)" = yes ] || fail "the first prefix does not see its own desktop file"
  wine_env_stop

  WINE_ENV_OWN_X=1 wine_env_start "$build" scripts-test-second
  [ -z "$(desktop_holds probe.txt)" ] || fail "the second prefix sees the first prefix's desktop"
  local links
  links=$(find "$build/wine-template/drive_c/users" "$WINEPREFIX/drive_c/users" -type l)
  [ -z "$links" ] || fail "user folders that are links: $links"
  [ ! -e "$build/wine-template-home" ] || fail "the old shared home is still there"
  wine_env_stop
  trap - EXIT
  rm -rf "$build"/scripts-test-{first,second}
  rmdir "$build"/small-drive-scripts-test-{first,second} 2>/dev/null || true
}

case $group in
wine-env) wine_env_case ;;
*) echo "unknown group $group" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || exit 1
echo "$group: all checks passed"
