#!/usr/bin/env bash
# The scripts' own behaviour: scripts-test.sh GROUP SOURCE_DIR BUILD_DIR
#   wine-env   prefixes made from the one template each have their own user
#              folders
#   deb-src    setup's deb-src entries follow the machine's deb entries
#   winget     the build's winget manifest states the program's switches,
#              exit codes, listing and digest
#   emulator   with INSTAL_WINE_EMULATED=1, Wine runs under qemu-i386 and a
#              32-bit program's exit code comes back whole through cmd
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

# --- deb-src -----------------------------------------------------------------

# What apt itself reads from the apt directory: one line per index target,
# "deb SITE SUITE COMPONENT" or "deb-src SITE SUITE COMPONENT".
apt_targets() {
  apt-get -o Dir::Etc::SourceList="$1/sources.list" -o Dir::Etc::SourceParts="$1/sources.list.d" \
    indextargets --no-release-info --format '$(TARGET_OF) $(SITE) $(RELEASE) $(COMPONENT)' \
    2>/dev/null | sort -u
}

deb_src_case() {
  source "$source_dir/scripts/deb-src.sh"
  # (global: the exit trap removes it)
  apt=$(mktemp -d)
  trap 'rm -rf "$apt"' EXIT
  mkdir "$apt/sources.list.d"

  cat >"$apt/sources.list" <<'EOF'
# deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm main
deb cdrom:[Debian GNU/Linux 12.0.0 _Bookworm_ - Official amd64 DVD Binary-1]/ bookworm main
  deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://192.0.2.1:3142/debian bookworm main contrib # the proxy

deb file:/srv/mirror/debian-security bookworm-security main
deb-src file:/srv/mirror/debian-security bookworm-security main
EOF
  cat >"$apt/sources.list.d/extra.list" <<'EOF'
deb  file:/srv/mirror/debian   bookworm-backports main
EOF
  cat >"$apt/sources.list.d/other.list.disabled-by-admin" <<'EOF'
deb file:/srv/elsewhere/debian bookworm main
EOF
  cat >"$apt/sources.list.d/debian.sources" <<'EOF'
# The archive, through the local mirror.
Types: deb
URIs: file:/srv/mirror/debian
 file:/srv/second-mirror/debian
Suites: bookworm bookworm-updates
# only what the build needs
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
Enabled: no
URIs: file:/srv/old/debian
Suites: bullseye
Components: main

types: deb
uris: file:/srv/tools/debian
suites: tools
components: main
signed-by:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGP0AAAAAAAAAAAAAA==
 -----END PGP PUBLIC KEY BLOCK-----
EOF
  cat >"$apt/sources.list.d/both.sources" <<'EOF'
Types: deb deb-src
URIs: file:/srv/both/debian
Suites: bookworm
Components: main
EOF
  cat >"$apt/sources.list.d/off.sources.disabled-by-admin" <<'EOF'
Types: deb
URIs: file:/srv/elsewhere/debian
Suites: bookworm
Components: main
EOF
  # What an older setup wrote: a fixed archive, to be replaced.
  printf 'Types: deb-src\nURIs: file:/srv/fixed\nSuites: bookworm\nComponents: main\n' \
    >"$apt/sources.list.d/instal-deb-src.sources"

  deb_src_update "$apt"
  [ -n "$DEB_SRC_CHANGED" ] || fail "a first run changed nothing"
  local header="# Written by instal's scripts/setup.sh from this machine's deb entries,
# and rewritten at each of its runs."
  expect_same "the one-line entries" "$header
deb-src [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://192.0.2.1:3142/debian bookworm main contrib
deb-src  file:/srv/mirror/debian   bookworm-backports main" \
    "$(cat "$apt/sources.list.d/instal-deb-src.list")"
  expect_same "the deb822 stanzas" "$header
Types: deb-src
URIs: file:/srv/mirror/debian
 file:/srv/second-mirror/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
uris: file:/srv/tools/debian
suites: tools
components: main
signed-by:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGP0AAAAAAAAAAAAAA==
 -----END PGP PUBLIC KEY BLOCK-----" \
    "$(cat "$apt/sources.list.d/instal-deb-src.sources")"
  # apt reads every deb entry (the disc aside) back as a deb-src entry too.
  local targets
  targets=$(apt_targets "$apt" | grep -v '^deb cdrom:')
  expect_same "apt's source targets" "$(grep '^deb ' <<<"$targets" | sed 's/^deb /deb-src /')" \
    "$(grep '^deb-src ' <<<"$targets")"

  deb_src_update "$apt"
  [ -z "$DEB_SRC_CHANGED" ] || fail "a second run rewrote the same entries"

  # Only one-line entries left: the deb822 copy goes.
  rm "$apt/sources.list.d/debian.sources"
  deb_src_update "$apt"
  [ -n "$DEB_SRC_CHANGED" ] && [ ! -e "$apt/sources.list.d/instal-deb-src.sources" ] ||
    fail "the copy of removed deb822 entries stayed"

  # Nothing to copy from.
  local empty error status=0
  empty=$(mktemp -d)
  mkdir "$empty/sources.list.d"
  printf 'Types: deb\nEnabled: no\nURIs: file:/srv/mirror/debian\nSuites: bookworm\nComponents: main\n' \
    >"$empty/sources.list.d/debian.sources"
  error=$(deb_src_update "$empty" 2>&1) || status=$?
  [ "$status" -ne 0 ] || fail "no deb entry at all was taken as success"
  grep -q 'deb URI bookworm main' <<<"$error" || fail "the error does not say what to add: $error"
  [ -z "$(ls "$empty/sources.list.d" | grep instal-deb-src)" ] || fail "an empty entry file was written"
  rm -rf "$empty"
}

# --- winget ------------------------------------------------------------------

# Every value of a "key: value" line of a manifest file, top-level, indented
# or a list item's, in order, without the quotation marks of a quoted one.
yaml_values() { # file key
  sed -n "s/^[- ]*$2: \\(.*\\)\$/\\1/p" "$1" | sed 's/^"\(.*\)"$/\1/'
}
yaml_value() { # file key: the first value
  yaml_values "$1" "$2" | head -n1
}

winget_case() {
  cmake --build "$build" --target winget >/dev/null
  local dir="$build/winget/manifests/k/KestraSoftware/Corvanta/1.21"
  local version="$dir/KestraSoftware.Corvanta.yaml"
  local installer="$dir/KestraSoftware.Corvanta.installer.yaml"
  local locale="$dir/KestraSoftware.Corvanta.locale.en-US.yaml"
  local file key expected
  for file in "$version" "$installer" "$locale"; do
    [ -f "$file" ] || { fail "no $file"; continue; }
    expect_same "$file: PackageIdentifier" KestraSoftware.Corvanta "$(yaml_value "$file" PackageIdentifier)"
    expect_same "$file: PackageVersion" 1.21 "$(yaml_value "$file" PackageVersion)"
    expect_same "$file: ManifestVersion" 1.12.0 "$(yaml_value "$file" ManifestVersion)"
  done
  [ "$failures" -eq 0 ] || return 0
  expect_same "version: ManifestType" version "$(yaml_value "$version" ManifestType)"
  expect_same "version: DefaultLocale" en-US "$(yaml_value "$version" DefaultLocale)"
  expect_same "locale: ManifestType" defaultLocale "$(yaml_value "$locale" ManifestType)"
  expect_same "locale: PackageLocale" en-US "$(yaml_value "$locale" PackageLocale)"
  while IFS='|' read -r key expected; do
    expect_same "installer: $key" "$expected" "$(yaml_value "$installer" "$key")"
  done <<'VALUES'
ManifestType|installer
InstallerType|exe
Scope|machine
ElevationRequirement|elevationRequired
Silent|/S
SilentWithProgress|/S
InstallLocation|/D=<INSTALLPATH>
Log|/LOG="<LOGPATH>"
UpgradeBehavior|install
ProductCode|Corvanta
DisplayName|Corvanta
Publisher|Kestra Software
Architecture|x86
InstallerUrl|<INSTALLER URL>
ReleaseDate|<YYYY-MM-DD>
VALUES
  expect_same "installer: InstallerSha256" \
    "$(sha256sum "$build/instal.exe" | cut -d' ' -f1 | tr a-f A-F)" \
    "$(yaml_value "$installer" InstallerSha256)"
  while IFS='|' read -r key expected; do
    expect_same "locale: $key" "$expected" "$(yaml_value "$locale" "$key")"
  done <<'VALUES'
Publisher|Kestra Software
PackageName|Corvanta
License|<LICENCE>
Copyright|Copyright (C) 2003 Kestra Software
VALUES

  # Every exit code the program gives besides 0, each with its response.
  expect_same "the codes listed are the program's" \
    "$(sed -n 's/^inline constexpr int kExit[A-Za-z]* = \([0-9]*\);.*/\1/p' \
         "$source_dir/src/unattended/unattended.h" | grep -vx 0 | sort -n)" \
    "$(yaml_values "$installer" InstallerReturnCode | sort -n)"
  expect_same "the response to each code" "87 invalidParameter
1603 contactSupport
1605 contactSupport
1618 installInProgress
1638 downgrade
3010 rebootRequiredToFinish" \
    "$(paste -d' ' <(yaml_values "$installer" InstallerReturnCode) \
         <(yaml_values "$installer" ReturnResponse) | sort -n)"

  # The release's texts come from the build's settings, quoted as YAML wants.
  local settings out other
  settings=$(mktemp) out=$(mktemp -d)
  {
    cat "$build/generated/release.cmake"
    echo 'set(INSTAL_WINGET_INSTALLER_URL "https://downloads.example.com/1.21/instal.exe")'
    echo 'set(INSTAL_WINGET_RELEASE_DATE "2026-12-08")'
    echo 'set(INSTAL_WINGET_LICENSE "Shareware \"as is\" \\ 30 days")'
  } >"$settings"
  cmake "-DINSTALLER=$build/instal.exe" "-DOUTPUT_DIR=$out" "-DIDENTITY=$settings" \
    -P "$source_dir/cmake/winget.cmake" >/dev/null
  other="$out/manifests/k/KestraSoftware/Corvanta/1.21"
  expect_same "InstallerUrl from the settings" https://downloads.example.com/1.21/instal.exe \
    "$(yaml_value "$other/KestraSoftware.Corvanta.installer.yaml" InstallerUrl)"
  expect_same "ReleaseDate from the settings" 2026-12-08 \
    "$(yaml_value "$other/KestraSoftware.Corvanta.installer.yaml" ReleaseDate)"
  expect_same "License quoted" 'Shareware \"as is\" \\ 30 days' \
    "$(yaml_value "$other/KestraSoftware.Corvanta.locale.en-US.yaml" License)"
  rm -rf "$settings" "$out"
}

# --- emulator ----------------------------------------------------------------

# Chooses the way, then prints what the checks see, one a line.
emulated_probe() {
  source "$source_dir/scripts/wine-env.sh"
  wine_env_choose "$0" emulated-probe "$source_dir" "$build"
  trap wine_env_stop EXIT
  # Not the caller's namespace, whose own binfmt_misc might run i386 already.
  [ "$(readlink /proc/self/ns/user)" = "$caller_namespace" ] || echo "i386 handler: own"
  emulator_runs_32bit && echo "i386 runs"
  WINE_ENV_OWN_X=1 wine_env_start "$build" scripts-test-emulated
  # With no installation recorded beside it, setup's removal ends with 1605.
  printf '@"%s" /S /UNINSTALL\r\n@echo exit %%errorlevel%%\r\n' \
    "$(winepath -w "$build/instal.exe")" >"$WINEPREFIX/drive_c/probe.bat"
  # (wine's own status is that code cut to a byte)
  { wine cmd /c 'C:\probe.bat' </dev/null 2>/dev/null || true; } | tr -d '\r'
  # The prefix's own Wine services, as the kernel runs them (Wine starts
  # them beside the first program, and may still be at it).
  local pid found=""
  for _ in $(seq 100); do
    for pid in $(pgrep -f 'services.exe'); do
      if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -x "WINEPREFIX=$WINEPREFIX" >/dev/null; then
        found=$(basename "$(readlink "/proc/$pid/exe")")
      fi
    done
    [ -z "$found" ] || break
    sleep 0.2
  done
  echo "services: $found"
  wine_env_stop
}

emulator_case() {
  local seen
  # As from a machine that runs 32-bit code: the choice is made afresh.
  seen=$(env -u INSTAL_WINE_NAMESPACE INSTAL_WINE_EMULATED=1 \
    caller_namespace="$(readlink /proc/self/ns/user)" bash "$0" emulated-probe "$source_dir" "$build" 2>&1 |
    grep -E '^(wine-env: |i386 |exit |services: )' | sed 's/qemu-i386 version .* (/qemu-i386 (/' || true)
  expect_same "what the emulated way shows" "wine-env: Wine's 32-bit processes run under qemu-i386 (INSTAL_WINE_EMULATED=1)
i386 handler: own
i386 runs
exit 1605
services: qemu-i386" "$seen"
  rm -rf "$build/scripts-test-emulated"
  rmdir "$build/small-drive-scripts-test-emulated" 2>/dev/null || true
}

case $group in
wine-env) wine_env_case ;;
emulator) emulator_case ;;
emulated-probe) emulated_probe ;;
deb-src) deb_src_case ;;
winget) winget_case ;;
*) echo "unknown group $group" >&2; exit 2 ;;
esac
[ "$failures" -eq 0 ] || exit 1
echo "$group: all checks passed"
