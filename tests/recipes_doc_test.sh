#!/bin/sh
# The recipes stay the same in the documents and in the test tables that run
# them. The tested strings are the raw strings R"(...)" of the TEST files;
# POSIX_TEST is the one that runs lines through /bin/sh.
# - The guide: every code span in its recipe tables (those headed "| Task |"),
#   but for the first column (the task), is a tested string, and every tested
#   string is such a code span.
# - The README: every code span in its recipe tables, and every line of its
#   code blocks that starts Runabout, is a tested string.
# - The manual page: every command of its EXAMPLES is a string of POSIX_TEST.
#   recipes_doc_test.sh README GUIDE MANPAGE POSIX_TEST [TEST...]
set -eu
readme=$1 guide=$2 manpage=$3 posix=$4
shift 3
export LC_ALL=C.UTF-8
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-recipes-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

raw_strings() { grep -ohP 'R"\(\K.*?(?=\)")' "$@" | sort -u; }
raw_strings "$@" >"$work/tested"
[ -s "$work/tested" ] || fail "no raw strings in $*"
raw_strings "$posix" >"$work/posix"

# recipe_spans FILE: the code spans of FILE's recipe tables, the task aside.
recipe_spans() {
  awk '/^\| Task \|/ { table = 1 } !/^\|/ { table = 0 }
       table && !/^\| (Task|---) / {
         n = split($0, cell, "|")
         for (i = 3; i < n; i++) print cell[i]
       }' "$1" | grep -o '`[^`]*`' | sed 's/^`//; s/`$//' | sort -u
}

recipe_spans "$guide" >"$work/guide"
[ -s "$work/guide" ] || fail "no recipe tables in $guide"
missing=$(comm -23 "$work/guide" "$work/tested")
[ -z "$missing" ] || fail "in the guide's recipes but in no test table:
$missing"
missing=$(comm -13 "$work/guide" "$work/tested")
[ -z "$missing" ] || fail "in a test table but not in the guide's recipes:
$missing"

# The README's recipe rows, and the lines of its code blocks that start
# runabout or runaboutw.
{
  recipe_spans "$readme"
  awk '/^ *```/ { block = !block; next }
       block { sub(/^ +/, ""); print }' "$readme" |
    grep -E '^(runabout |runaboutw |"%LOCALAPPDATA%\\Programs\\Runabout\\)' || true
} | sort -u >"$work/readme"
[ -s "$work/readme" ] || fail "no recipes in $readme"
missing=$(comm -23 "$work/readme" "$work/tested")
[ -z "$missing" ] || fail "in the README but in no test table:
$missing"

# The commands of the manual page's EXAMPLES, between .EX and .EE, with the
# roff escapes they use read back.
sed -n '/^\.SH EXAMPLES/,/^\.SH /p' "$manpage" |
  sed -n '/^\.EX/,/^\.EE/p' | grep -v '^\.E[XE]' |
  sed 's/\\(aq/'"'"'/g; s/\\(dq/"/g; s/\\-/-/g; s/\\e/\\/g; s/\\&//g' |
  sort -u >"$work/examples"
[ -s "$work/examples" ] || fail "no examples in $manpage"
missing=$(comm -23 "$work/examples" "$work/posix")
[ -z "$missing" ] || fail "in the manual page's EXAMPLES but not run by $posix:
$missing"

echo "$(wc -l <"$work/guide") recipe strings in the guide and the tests," \
  "$(wc -l <"$work/readme") in the README," \
  "$(wc -l <"$work/examples") examples in the manual page"
