#!/bin/sh
# The recipes stay the same in the README, in the manual page and in the test
# tables that run them:
# - every code span in the README's recipe tables, but for the first column
#   (the task), is a raw string R"(...)" of one of the TEST files, and every
#   raw string of those files is such a code span;
# - every code span of the second column (what is typed) stands in the
#   manual page as man renders it.
#   recipes_doc_test.sh README MANPAGE TEST...
set -eu
readme=$1 manpage=$2
shift 2
export LC_ALL=C.UTF-8
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-recipes-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The rows of the tables in the README's Recipes section.
sed -n '/^## Recipes$/,/^## [^R]/p' "$readme" | grep '^|' >"$work/rows" ||
  fail "no recipe tables in $readme"
spans() { grep -o '`[^`]*`' | sed 's/^`//; s/`$//'; }
awk -F'|' '{ for (i = 3; i < NF; i++) print $i }' "$work/rows" | spans |
  sort -u >"$work/documented"
awk -F'|' '{ print $3 }' "$work/rows" | spans | sort -u >"$work/typed"
grep -ohP 'R"\(\K.*?(?=\)")' "$@" | sort -u >"$work/tested"
[ -s "$work/tested" ] || fail "no raw strings in $*"

missing=$(comm -23 "$work/documented" "$work/tested")
[ -z "$missing" ] || fail "in the README's recipes but in no test table:
$missing"
missing=$(comm -13 "$work/documented" "$work/tested")
[ -z "$missing" ] || fail "in a test table but not in the README's recipes:
$missing"

MANWIDTH=250 MANPAGER=cat man -l "$manpage" >"$work/manual" 2>/dev/null ||
  fail "man -l $manpage failed"
while IFS= read -r line; do
  grep -qF -- "$line" "$work/manual" || fail "not in the manual page: $line"
done <"$work/typed"
echo "$(wc -l <"$work/documented") recipe strings in the README, the tests" \
  "and (typed: $(wc -l <"$work/typed")) the manual page"
