#!/usr/bin/env bash
# Records in the freshly linked program the SHA-256 digest of the program
# file, in the 32 bytes the program keeps for it (found by their letters):
#   digest.sh PROGRAM [--where-kept]
# The digest covers every byte of the file but those 32, the header
# checksum, the certificate-table directory entry and the certificate table
# itself: what Authenticode signing changes. A program signed after this
# step keeps a valid digest, so signing stays the build's last step. The
# program computes the same digest of the uninstaller copy it writes.
set -euo pipefail
program=$1 where_kept=${2:-}
marker='@@instal-program-digest-slot@@@'

fail() {
  echo "digest: $*" >&2
  rm -f "$program"
  exit 1
}

# A little-endian 32-bit number at a byte offset.
u32() { od -An -tu4 -j "$1" -N 4 "$program" | tr -d ' '; }
# The bytes from offset $1 up to offset $2.
bytes() { tail -c +$(($1 + 1)) "$program" | head -c $(($2 - $1)); }

mapfile -t found < <(LC_ALL=C grep -obaF "$marker" "$program" | cut -d: -f1)
# A test program that links none of the code that checks copies keeps no place.
[ "${#found[@]}" != 0 ] || [ "$where_kept" != --where-kept ] || exit 0
[ "${#found[@]}" = 1 ] || fail "$program holds the digest's place ${#found[@]} times, not once"
slot=${found[0]}
size=$(stat -c %s "$program")
nt=$(u32 60)
checksum=$((nt + 88))      # OptionalHeader.CheckSum
certificates=$((nt + 152)) # DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY]
end=$size
[ "$(u32 $((certificates + 4)))" = 0 ] || end=$(u32 "$certificates")
[ "$slot" -ge $((certificates + 8)) ] && [ "$end" -ge $((slot + 32)) ] ||
  fail "$program is not laid out as expected"

digest=$({ bytes 0 "$checksum"; bytes $((checksum + 4)) "$certificates"
           bytes $((certificates + 8)) "$slot"; bytes $((slot + 32)) "$end"; } |
         sha256sum | cut -c1-64)
printf "$(printf '%s' "$digest" | sed 's/../\\x&/g')" |
  dd of="$program" bs=1 seek="$slot" count=32 conv=notrunc status=none
