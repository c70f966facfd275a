#!/bin/sh
# The release archive end to end: CPack builds it from a build tree into a
# directory of this test's own; the archive must hold exactly the expected
# files, and the program unpacked from it, started with no argument, must
# print the banner and exit with status 2.
#
#   package_test.sh BUILD_DIR ARCHIVE VERSION PROGRAM FILE... [-- RUNNER...]
#
# PROGRAM and each FILE are paths inside the archive; RUNNER (Wine, for the
# Windows archive) runs the program. CMAKE_COMMAND and CPACK_COMMAND name the
# tools; OBJDUMP, when set, names an objdump that checks the program imports
# only Windows system libraries.
set -eu

build=$1 archive=$2 version=$3 program=$4
shift 4
expected=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  expected="$expected$1
"
  shift
done
[ $# -gt 0 ] && shift # The rest is the runner.

work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! (cd "$build" && "$CPACK_COMMAND" -B "$work" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
[ -f "$work/$archive" ] || fail "no $archive among: $(ls "$work")"

# Directory entries aside, the archive holds the expected files and no others.
listed=$("$CMAKE_COMMAND" -E tar tf "$work/$archive" | grep -v '/$' | sort)
wanted=$(printf '%s' "$expected" | sort)
[ "$listed" = "$wanted" ] || fail "$archive holds:
$listed
expected:
$wanted"

mkdir "$work/unpacked"
(cd "$work/unpacked" && "$CMAKE_COMMAND" -E tar xf "$work/$archive")
path="$work/unpacked/$program"
[ -x "$path" ] || fail "$program is not executable once unpacked"

if [ -n "${OBJDUMP:-}" ]; then
  imports=$("$OBJDUMP" -p "$path" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$imports" ] || fail "no imports read from $program"
  for dll in $imports; do
    case $(printf '%s' "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll | user32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*) ;;
      *) fail "$program needs $dll, which Windows does not ship" ;;
    esac
  done
fi

status=0
"$@" "$path" >"$work/out" 2>"$work/err" </dev/null || status=$?
[ "$status" -eq 2 ] || fail "exit status $status, expected 2 (usage)"
[ ! -s "$work/err" ] || fail "standard error: $(cat "$work/err")"

# The banner: 13 lines, each ended by CR LF, one of them the framed title.
cr=$(printf '\r')
lines=$(grep -c '' "$work/out" || true)
crlf=$(grep -c "$cr\$" "$work/out" || true)
[ "$lines" -eq 13 ] && [ "$crlf" -eq 13 ] ||
  fail "banner has $lines lines, $crlf ended by CR LF: $(cat "$work/out")"
grep -q "^ *= *Runabout $version *=$cr\$" "$work/out" ||
  fail "no framed 'Runabout $version' title: $(cat "$work/out")"
echo "$archive: $(echo "$listed" | wc -l) files, banner as expected"
