#!/bin/sh
# Rebuilds readme.chm from the sources in help/ with chmcmd (Debian package fp-utils).
# chmcmd stamps the current time into the file, so every run gives different
# bytes: the result is committed and the build takes it as it is. Run this
# only after changing the help sources, and commit the new readme.chm with them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
command -v chmcmd >/dev/null || { echo "chmcmd not found: apt-get install fp-utils" >&2; exit 1; }
cd "$here/help"
chmcmd --no-html-scan readme.hhp >/dev/null
mv readme.chm "$here/readme.chm"
head -c 4 "$here/readme.chm" | grep -q '^ITSF$' || { echo "readme.chm: not a compiled help file" >&2; exit 1; }
echo "wrote $here/readme.chm ($(wc -c < "$here/readme.chm") bytes)"
