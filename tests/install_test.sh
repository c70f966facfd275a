#!/bin/sh
# Installs from one build tree into two folders, as the README gives them:
# one by root under umask 077 (as with sudo), one by the tree's owner, in
# either order. Each install must succeed, and uninstall.cmake must remove
# each one named, leaving nothing of Runabout's. Its messages must be true: a
# removal by a user who may not remove the files names each with the reason,
# removes nothing and fails; one that names no folder when there are two is
# refused and names both; a folder is said to hold files that are not
# Runabout's only when it does.
#
#   install_test.sh SOURCE_DIR
#
# CMAKE_COMMAND names cmake. The owner is nobody, through setpriv, so the test
# needs root; not run as root, it says so and is skipped (status 77).
set -eu

source=$1
cmake=${CMAKE_COMMAND:-cmake}
[ "$(id -u)" -eq 0 ] || {
  echo "not run as root: no other user to install as, so skipped"
  exit 77
}
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work" # mktemp made it 0700, which would keep the owner out.
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}
as_owner() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work/home" "$@"
}

# The owner's own copy of the sources and build tree, the programs built.
mkdir "$work/sources" "$work/home"
# Everything but build trees and the history.
tar -C "$source" --exclude=./build --exclude=./.git -cf - . |
  tar -C "$work/sources" -xf -
chown -R nobody:nogroup "$work/sources" "$work/home"
tree="$work/home/build"
if ! { as_owner "$cmake" -S "$work/sources" -B "$tree" -DRUNABOUT_TESTS=OFF &&
  as_owner "$cmake" --build "$tree" -j "$(nproc)"; } \
  >"$work/build.log" 2>&1; then
  cat "$work/build.log" >&2
  fail "the owner's build tree did not build"
fi
system="$work/system"
own="$work/home/.local"

# run NAME COMMAND...: its status in `status`, its output in NAME.log.
run() {
  log="$work/$1.log"
  shift
  status=0
  "$@" >"$log" 2>&1 || status=$?
}
must() {
  run "$@"
  [ "$status" -eq 0 ] || fail "$*: status $status: $(cat "$log")"
}
root_install() {
  (umask 077 && "$cmake" --install "$tree" --prefix "$system")
}
owner_install() { as_owner "$cmake" --install "$tree" --prefix "$own"; }
# Nothing of Runabout's left in FOLDER: no file, nothing named after it.
nothing_left() {
  left=$(find "$1" -type f -o -iname '*runabout*')
  [ -z "$left" ] || fail "left in $1 after uninstall.cmake: $left"
}

# Root first. The owner's removal, without sudo, may remove none of root's
# files: it names each with the reason, removes none, keeps no folder for
# files that are not Runabout's (there are none) and fails.
must root-install root_install
installed=$(find "$system" -type f | sort)
[ -n "$installed" ] || fail "nothing installed in $system"
run refused as_owner "$cmake" -P "$tree/uninstall.cmake"
[ "$status" -ne 0 ] || fail "a removal that removed nothing: status 0: $(cat "$log")"
for file in $installed; do
  grep -qxF -- "Cannot remove $file: Permission denied" "$log" ||
    fail "the failed removal does not name $file with its reason: $(cat "$log")"
done
! grep -q -e "not Runabout's" -e '^-- Removed' "$log" ||
  fail "the failed removal says what is not so: $(cat "$log")"
[ "$(find "$system" -type f | sort)" = "$installed" ] ||
  fail "the failed removal changed $system"

# The owner installs from the same tree into a folder of its own, which it
# must be able to do after root's install; with two installs, a removal that
# names neither is refused, and says which there are; each goes when named,
# and the last one also when not named.
must owner-install owner_install
run unnamed as_owner "$cmake" -P "$tree/uninstall.cmake"
[ "$status" -ne 0 ] && grep -qF "$system" "$log" && grep -qF "$own" "$log" ||
  fail "with two installs, a removal naming neither: status $status: $(cat "$log")"
[ "$(find "$system" -type f | sort)" = "$installed" ] ||
  fail "a removal naming neither changed $system"
must owner-uninstall as_owner "$cmake" -P "$tree/uninstall.cmake" -- "$own"
nothing_left "$own"
must root-uninstall "$cmake" -P "$tree/uninstall.cmake"
nothing_left "$system"

# The owner first, then root. A file of the owner's own in Runabout's
# documents folder stays, and the removal says why the folder does.
must owner-install owner_install
must root-install root_install
echo "my notes" >"$own/share/doc/runabout/notes.txt"
must root-uninstall "$cmake" -P "$tree/uninstall.cmake" -- "$system"
nothing_left "$system"
must owner-uninstall as_owner "$cmake" -P "$tree/uninstall.cmake" -- "$own"
grep -qxF -- "-- Keeping $own/share/doc/runabout: it holds files that are not Runabout's" \
  "$log" || fail "no word of the folder kept for notes.txt: $(cat "$log")"
rm "$own/share/doc/runabout/notes.txt"
rmdir "$own/share/doc/runabout"
nothing_left "$own"
echo "two installs from one build tree, each removed"
