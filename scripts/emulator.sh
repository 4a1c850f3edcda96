# Sourced by setup.sh and wine-env.sh: where this machine runs no 32-bit
# code (a kernel with its IA-32 emulation off), Wine's 32-bit processes run
# under qemu-i386 instead. Debian 12's own qemu (7.2) cannot run Wine's
# loader; the one of Debian 13's qemu-user (10) can, and it is one static
# program, so that binary alone is fetched, with an apt state of its own:
# the machine's sources, pins and installed packages stay as they are.
# It is registered for i386 programs in the binfmt_misc of a private user
# namespace, so the machine's own registrations stay untouched too.
#   emulator_wanted      true where Wine must be emulated (or INSTAL_WINE_EMULATED=1)
#   emulator_fetch       puts qemu-i386 into .deps/qemu (setup.sh, on any machine)
#   emulator_enter CMD   runs CMD in the namespace, qemu-i386 registered there
#   emulator_way         one line: which way Wine runs

EMULATOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
EMULATOR_PROGRAM=$EMULATOR_ROOT/.deps/qemu/qemu-i386
# The Debian release whose qemu-user is taken.
EMULATOR_SUITE=trixie

# A 96-byte i386 program that only exits with 42: whether the kernel runs
# 32-bit code at all, asked of the kernel itself.
emulator_runs_32bit() {
  local probe status=0
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$probe"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >>"$probe"
  printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' >>"$probe"
  printf '\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00' >>"$probe"
  # mov eax, 1 (exit); mov ebx, 42; int 0x80
  printf '\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >>"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

emulator_wanted() {
  [ "${INSTAL_WINE_EMULATED:-}" = 1 ] || ! emulator_runs_32bit
}

emulator_way() {
  if [ -n "${INSTAL_WINE_NAMESPACE:-}" ] || emulator_wanted; then
    local why="no 32-bit code runs on this machine"
    [ "${INSTAL_WINE_EMULATED:-}" != 1 ] || why="INSTAL_WINE_EMULATED=1"
    local version=qemu-i386
    [ ! -x "$EMULATOR_PROGRAM" ] || version=$("$EMULATOR_PROGRAM" --version | head -n 1)
    echo "Wine's 32-bit processes run under $version ($why)"
  else
    echo "Wine runs natively: this machine runs 32-bit code"
  fi
}

# The machine's Debian archives, as apt reads them, with the suite changed.
emulator_sources() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --no-release-info --format '$(TARGET_OF) $(SITE) $(RELEASE) $(COMPONENT)' \
    2>/dev/null | awk -v from="$codename" -v to="$EMULATOR_SUITE" '
      $1 == "deb" && $3 == from && $4 == "main" && !seen[$2]++ {
        print "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] " $2 " " to " main"
      }'
}

emulator_fetch() {
  [ ! -x "$EMULATOR_PROGRAM" ] || return 0
  local state deb
  state=$(mktemp -d)
  mkdir -p "$state/parts" "$state/state/lists/partial" "$state/cache/archives/partial" "$state/x"
  : >"$state/status"
  emulator_sources >"$state/sources.list"
  if [ ! -s "$state/sources.list" ]; then
    echo "setup: found no Debian archive among this machine's apt sources to take qemu-user from" >&2
    rm -rf "$state"
    return 1
  fi
  local apt=(-o Dir::Etc::SourceList="$state/sources.list" -o Dir::Etc::SourceParts="$state/parts"
             -o Dir::Etc::Preferences="$state/preferences" -o Dir::Etc::PreferencesParts="$state/parts"
             -o Dir::State="$state/state" -o Dir::State::status="$state/status"
             -o Dir::Cache="$state/cache" -o APT::Sandbox::User=root -o Debug::NoLocking=1
             -o APT::Architectures=amd64)
  echo "setup: fetching qemu-user from Debian's $EMULATOR_SUITE for its qemu-i386"
  apt-get "${apt[@]}" update -q >/dev/null
  (cd "$state" && apt-get "${apt[@]}" download -q qemu-user >/dev/null)
  deb=$(find "$state" -maxdepth 1 -name 'qemu-user_*.deb' | head -n 1)
  [ -n "$deb" ] || { echo "setup: qemu-user could not be fetched" >&2; rm -rf "$state"; return 1; }
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$state/x" ./usr/bin/qemu-i386
  mkdir -p "$(dirname "$EMULATOR_PROGRAM")"
  mv "$state/x/usr/bin/qemu-i386" "$EMULATOR_PROGRAM"
  rm -rf "$state"
}

# emulator_enter CMD...: CMD in a new user and mount namespace whose own
# binfmt_misc hands i386 programs to qemu-i386. The F flag opens the
# emulator now, so it is found whatever the program's root or namespace.
emulator_enter() {
  [ -x "$EMULATOR_PROGRAM" ] || { echo "wine-env: $EMULATOR_PROGRAM is missing (bash scripts/setup.sh fetches it)" >&2; return 1; }
  # Wine maps its own low 4 GB from the start, which qemu only leaves free
  # when it reserves that much guest space up front.
  INSTAL_WINE_NAMESPACE=1 QEMU_RESERVED_VA=0xf7000000 EMULATOR_PROGRAM="$EMULATOR_PROGRAM" \
    unshare --user --map-root-user --mount -- bash -c '
      set -e
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
      magic="\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00"
      mask="\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff"
      printf "%s" ":instal-i386:M::$magic:$mask:$EMULATOR_PROGRAM:F" >/proc/sys/fs/binfmt_misc/register
      exec "$@"' emulator "$@"
}
