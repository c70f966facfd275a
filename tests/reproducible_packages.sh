#!/bin/sh
# The release packages rebuild to the byte: scripts/package runs twice on the
# same commit (and the checkout's uncommitted changes to tracked files), in two
# clones whose paths differ, with different umask, time zone and locale, and
# every file it leaves in build/packages must be the same. On a difference it
# names the file, the members whose contents differ, and the lines of the
# archive's listing (modes, owners, times, order) that differ.
#   reproducible_packages.sh [SOURCE]
set -eu
source=$(cd "${1:-$(dirname "$0")/..}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-reproducible-XXXXXX")
trap 'rm -rf "$work"' EXIT

# build CLONE UMASK TZ LOCALE
# The checkout may belong to another user than the one testing it.
git() { command git -c safe.directory='*' "$@"; }
build() {
  git clone --quiet "$source" "$1"
  git -C "$source" diff --binary HEAD >"$work/changes"
  [ ! -s "$work/changes" ] || git -C "$1" apply "$work/changes"
  if ! (cd "$1" && umask "$2" && TZ=$3 LC_ALL=$4 LANG=$4 scripts/package \
    >"$work/package.log" 2>&1); then
    cat "$work/package.log" >&2
    echo "FAIL: scripts/package failed in $1" >&2
    exit 1
  fi
}
first="$work/first"
second="$work/second clone/elsewhere"
mkdir -p "$work/second clone"
build "$first" 022 UTC C
build "$second" 077 Pacific/Kiritimati C.UTF-8

# listing FILE: what an archive says of its members and of itself.
listing() {
  case $1 in
    *.zip) TZ=UTC zipinfo -v "$1" | grep -v '^Archive:' ;;
    *.tar.gz) TZ=UTC tar -tvzf "$1" --full-time && gzip -lv <"$1" ;;
    *.deb) ar tv "$1" && dpkg-deb -I "$1" && TZ=UTC dpkg-deb -c "$1" ;;
  esac
}
# unpack FILE DIRECTORY
unpack() {
  mkdir -p "$2"
  case $1 in
    *.zip) unzip -q "$1" -d "$2" ;;
    *.tar.gz) tar -xzf "$1" -C "$2" ;;
    *.deb) dpkg-deb -R "$1" "$2" ;;
  esac
}

status=0
names=$(cd "$first/build/packages" && ls)
[ "$names" = "$(cd "$second/build/packages" && ls)" ] || {
  echo "FAIL: the builds made different files:" >&2
  ls "$first/build/packages" "$second/build/packages" >&2
  exit 1
}
for name in $names; do
  a="$first/build/packages/$name" b="$second/build/packages/$name"
  if cmp -s "$a" "$b"; then
    echo "same: $name $(sha256sum <"$a" | cut -d' ' -f1)"
    continue
  fi
  status=1
  echo "FAIL: $name differs" >&2
  case $name in
    *.zip | *.tar.gz | *.deb) ;;
    *) diff "$a" "$b" >&2 || true; continue ;;
  esac
  # The members' metadata, then each member whose contents differ, with its
  # first differing bytes (for a Windows program, its PE time stamp).
  listing "$a" >"$work/a.list" 2>&1 || true
  listing "$b" >"$work/b.list" 2>&1 || true
  diff "$work/a.list" "$work/b.list" >&2 || true
  unpack "$a" "$work/a" && unpack "$b" "$work/b"
  (cd "$work/a" && find . -type f) | sort | while read -r member; do
    cmp -s "$work/a/$member" "$work/b/$member" && continue
    echo "member $member differs:" >&2
    cmp -l "$work/a/$member" "$work/b/$member" 2>&1 | head -n 3 >&2
    case $member in
      *.exe) for side in a b; do
          x86_64-w64-mingw32-objdump -p "$work/$side/$member" | grep Time/Date
        done >&2 ;;
    esac
  done
  rm -rf "$work/a" "$work/b"
done
exit $status
