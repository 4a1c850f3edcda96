# Sourced by the test and run commands: a private 32-bit Wine prefix, a
# scratch HOME, and one virtual X server, all stopped again by wine_env_stop.
# Usage: wine_env_start BUILD_DIR NAME   (NAME: a folder under BUILD_DIR)
# WINE_ENV_ARCH=win64 makes the prefix a 64-bit Windows instead, on which
# the 32-bit programs run as they do on 64-bit Windows.
# Where no 32-bit code runs (or INSTAL_WINE_EMULATED=1), the commands that
# start Wine call wine_env_choose first: they then run again under qemu-i386
# (scripts/emulator.sh), and so does every Wine command below them.

source "$(dirname "${BASH_SOURCE[0]}")/emulator.sh"

# wine_env_choose SCRIPT [ARGS...]: says in one line which way Wine runs;
# where it must be emulated, runs SCRIPT again in the emulator's namespace
# (INSTAL_WINE_NAMESPACE set there) and exits with its status.
wine_env_choose() {
  [ -z "${INSTAL_WINE_NAMESPACE:-}" ] || return 0
  echo "wine-env: $(emulator_way)"
  if emulator_wanted; then
    local status=0
    emulator_enter bash "$@" || status=$?
    exit "$status"
  fi
}

wine_env_start() {
  local build=$1 name=$2
  export WINEARCH=${WINE_ENV_ARCH:-win32}
  local template="$build/wine-template"
  [ "$WINEARCH" = win32 ] || template="$build/wine-template-$WINEARCH"
  export WINEDEBUG=-all
  # No menu entries for shortcuts, no debugger that would wait on a crash.
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree=d;mshtml=d"
  export HOME="$build/$name/home"
  export TMPDIR="$build/$name/tmp"
  export WINEPREFIX="$build/$name/prefix"
  rm -rf "${build:?}/$name"
  mkdir -p "$HOME" "$TMPDIR"

  if [ -z "${DISPLAY:-}" ] || [ -n "${WINE_ENV_OWN_X:-}" ]; then
    local n=$(( 90 + RANDOM % 400 ))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${WINE_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    WINE_ENV_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi

  # A template made by an older recipe or another Wine is made again.
  local recipe
  recipe="user folders of its own; $(wine --version)"
  if [ "$(cat "$template/.ready" 2>/dev/null)" != "$recipe" ]; then
    echo "wine-env: making the Wine prefix template (once per build directory)"
    rm -rf "$template" "$build/wine-template-home"
    ( export WINEPREFIX="$template"
      HOME=$(mktemp -d)
      wineboot --init >/dev/null 2>&1
      # Windows close at once: no wait for a window manager that is not there.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      wineserver -w
      wine_env_own_user_folders "$template"
      rm -rf "$HOME" )
    echo "$recipe" >"$template/.ready"
  fi
  cp -a "$template" "$WINEPREFIX"
  wine_env_small_drive_start "$build" "$name"
  # Started persistent, with its output away from the caller's pipes; the
  # first program started also starts Wine's services, which would otherwise
  # inherit the caller's pipes (and CTest waits for those to close).
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

# Wine makes the user's Desktop, Documents, Downloads, Music, Pictures,
# Videos and Templates symbolic links to the Unix HOME it was started with;
# copied with the template, they would give every prefix one shared desktop.
# Plain folders instead: Wine links a user folder only when it creates it.
wine_env_own_user_folders() {
  local link
  while IFS= read -r -d '' link; do
    rm "$link"
    mkdir "$link"
  done < <(find "$1/drive_c/users" -type l -print0)
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
  wine_env_small_drive_stop
  if [ -n "${WINE_ENV_XVFB:-}" ]; then
    kill "$WINE_ENV_XVFB" 2>/dev/null || true
    wait "$WINE_ENV_XVFB" 2>/dev/null || true
    WINE_ENV_XVFB=
  fi
}

# A drive T: that is full after 16 MiB, for the disk-full cases: a tmpfs of
# that size linked into the prefix's drives, announced in INSTAL_SMALL_DRIVE.
# Mounting needs root; without it the drive is simply not there, and the
# tests that need it say so and fail. The mount point lies outside the run's
# folder, which wine_env_start empties. Its root may be changed by its owner
# only, as a system drive's: setup refuses a folder where anybody may.
wine_env_small_drive_start() {
  local mount_point="$1/small-drive-$2"
  unset INSTAL_SMALL_DRIVE
  mkdir -p "$mount_point"
  if mountpoint -q "$mount_point"; then umount "$mount_point" 2>/dev/null || true; fi
  if mount -t tmpfs -o size=16m,mode=0755 instal-small-drive "$mount_point" 2>/dev/null; then
    WINE_ENV_SMALL_DRIVE=$mount_point
    ln -sfn "$mount_point" "$WINEPREFIX/dosdevices/t:"
    export INSTAL_SMALL_DRIVE='T:'
  fi
  return 0
}

wine_env_small_drive_stop() {
  if [ -n "${WINE_ENV_SMALL_DRIVE:-}" ]; then
    umount "$WINE_ENV_SMALL_DRIVE" 2>/dev/null || true
    WINE_ENV_SMALL_DRIVE=
  fi
}

# The prefix's logical resolution in dots per inch (96 unless set). Wine
# reads it when a program starts, so it holds for programs started after.
wine_env_set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
}
