# Sourced by setup.sh: source packages come from the same archives as this
# machine's binary packages. Every enabled `deb` entry of the apt directory
# given (normally /etc/apt) is copied as a `deb-src` entry with the same
# address, suites, components and options, so that a mirror or proxy the
# machine uses serves the sources too. The copies go into files of their own,
# one for each format, rewritten at every run.
#   deb_src_update APT_DIR   writes them; DEB_SRC_CHANGED=1 when a file changed
#   deb_src_from_lists APT_DIR, deb_src_from_sources APT_DIR   print them

DEB_SRC_NAME=instal-deb-src

# One-line entries, from sources.list and sources.list.d/*.list:
#   deb [options] URI suite [component...]
deb_src_from_lists() {
  local dir=$1 files=()
  [ -f "$dir/sources.list" ] && files+=("$dir/sources.list")
  for f in "$dir/sources.list.d"/*.list; do
    [ -f "$f" ] && [ "$(basename "$f")" != "$DEB_SRC_NAME.list" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  # The line is copied as written (a disc's name in brackets keeps its
  # blanks); entries that already have their deb-src twin are left out.
  awk '
    { sub(/#.*/, ""); sub(/^[ \t]+/, ""); sub(/[ \t]+$/, "") }
    $1 == "deb" && $2 !~ /^cdrom:/ { deb[++n] = substr($0, 4); next }
    $1 == "deb-src" { have[normal(substr($0, 8))] = 1 }
    function normal(entry) { gsub(/[ \t]+/, " ", entry); return entry }
    END {
      for (i = 1; i <= n; ++i) {
        key = normal(deb[i])
        if (!(key in have) && !(key in done)) { print "deb-src" deb[i]; done[key] = 1 }
      }
    }' "${files[@]}"
}

# deb822 stanzas, from sources.list.d/*.sources: a stanza with "deb" among
# its Types and not disabled by Enabled is printed with Types: deb-src and
# every other field as it is. Field names are compared without case, as apt
# does; comment lines are dropped; continuation lines (an inline key of
# Signed-By) stay with their field.
deb_src_from_sources() {
  local dir=$1 files=()
  for f in "$dir/sources.list.d"/*.sources; do
    [ -f "$f" ] && [ "$(basename "$f")" != "$DEB_SRC_NAME.sources" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk '
    function flush(  i, kind, fields, words) {
      if (types != "" && enabled) {
        kind = 0
        split(types, words, /[ \t]+/)
        for (i in words) {
          if (words[i] == "deb") kind += 1
          if (words[i] == "deb-src") kind += 2
        }
        # A stanza that already names deb-src has its sources on.
        if (kind == 1) {
          if (printed) print ""
          print "Types: deb-src" body
          printed = 1
        }
      }
      types = ""; body = ""; field = ""; enabled = 1
    }
    BEGIN { enabled = 1 }
    FNR == 1 { flush() }
    /^[ \t]*$/ { flush(); next }
    /^#/ { next }
    /^[ \t]/ { if (field != "types" && field != "enabled") body = body "\n" $0; next }
    {
      field = tolower($0); sub(/[ \t]*:.*/, "", field)
      value = $0; sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
      if (field == "types") types = value
      else if (field == "enabled") enabled = tolower(value) !~ /^(no|false|off|without|disable|0)$/
      else body = body "\n" $0
    }
    END { flush() }' "${files[@]}"
}

deb_src_update() {
  local dir=$1 lists sources
  lists=$(deb_src_from_lists "$dir")
  sources=$(deb_src_from_sources "$dir")
  if [ -z "$lists$sources" ]; then
    cat >&2 <<EOF
setup: found no enabled "deb" entry in $dir/sources.list or $dir/sources.list.d
to fetch Debian's source packages from. Add the Debian archive or mirror this
machine installs from, for example the line
    deb URI bookworm main
in $dir/sources.list (URI: the archive's address), then run setup again.
EOF
    return 1
  fi
  DEB_SRC_CHANGED=
  deb_src_write "$dir/sources.list.d/$DEB_SRC_NAME.list" "$lists"
  deb_src_write "$dir/sources.list.d/$DEB_SRC_NAME.sources" "$sources"
}

# Writes the entries to the file, or removes the file when there are none.
deb_src_write() {
  local file=$1 entries=$2 text
  if [ -z "$entries" ]; then
    [ -e "$file" ] || return 0
    rm -f "$file"
  else
    text="# Written by instal's scripts/setup.sh from this machine's deb entries,
# and rewritten at each of its runs.
$entries"
    [ "$(cat "$file" 2>/dev/null)" != "$text" ] || return 0
    printf '%s\n' "$text" >"$file"
  fi
  DEB_SRC_CHANGED=1
}
