#!/bin/sh
# The release packages rebuild to the byte: scripts/package runs twice on the
# same commit (and the checkout's uncommitted changes to tracked files), in two
# clones whose paths differ, with different umask, time zone and locale, and
# every file it leaves in build/packages must be the same. On a difference it
# names the file, the members whose contents differ, and the lines of the
# archive's listing (modes, owners, times, order) that differ.
#
# Each file keeps its mode too, and BUILDINFO names the commit, the time and
# the installed version of each package it lists.
#
# Then both clones package again, signing with a key generated on a SoftHSM2
# token in a folder of the test's own, whose PIN (RUNABOUT_SIGN_PASSWORD) must
# be on no command line of the signing; and one clone with a PKCS#12 file.
# The signed packages must be the same to the byte too; osslsigncode must
# accept every signed program and the MSI against the key's certificate;
# removing a program's signature must give back the unsigned program; the
# zip's programs keep their modes; and signing must change nothing but the
# Windows packages. A time-stamping service that does not answer must stop
# the packaging.
#   reproducible_packages.sh [SOURCE]
set -eu
source=$(cd "${1:-$(dirname "$0")/..}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-reproducible-XXXXXX")
trap 'rm -rf "$work"' EXIT

# build CLONE UMASK TZ LOCALE
# The checkout may belong to another user than the one testing it.
git() { command git -c safe.directory='*' "$@"; }
build() {
  [ -d "$1" ] || {
    git clone --quiet "$source" "$1"
    git -C "$source" diff --binary HEAD >"$work/changes"
    [ ! -s "$work/changes" ] || git -C "$1" apply "$work/changes"
  }
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
    *.rpm) TZ=UTC rpm -qpil --dump "$1" ;;
    *.msi) TZ=UTC msiinfo suminfo "$1" && for table in $(msiinfo tables "$1"); do
        msiinfo export "$1" "$table"
      done && for stream in $(msiinfo streams "$1"); do
        echo "$stream $(msiinfo extract "$1" "$stream" | sha256sum)"
      done ;;
  esac
}
# unpack FILE DIRECTORY
unpack() {
  mkdir -p "$2"
  case $1 in
    *.zip) unzip -q "$1" -d "$2" ;;
    *.tar.gz) tar -xzf "$1" -C "$2" ;;
    *.deb) dpkg-deb -R "$1" "$2" ;;
    *.rpm) rpm2archive - <"$1" | tar -xzf - -C "$2" ;;
    *.msi) msiextract -C "$2" "$1" >/dev/null ;;
  esac
}

# compare FIRST SECOND: every file of the two folders the same.
status=0
compare() {
  names=$(cd "$1" && ls)
  [ "$names" = "$(cd "$2" && ls)" ] || {
    echo "FAIL: the builds made different files:" >&2
    ls "$1" "$2" >&2
    exit 1
  }
  for name in $names; do
    a="$1/$name" b="$2/$name"
    if [ "$(stat -c %a "$a")" != "$(stat -c %a "$b")" ]; then
      status=1
      echo "FAIL: $name has mode $(stat -c %a "$a") in one build," \
        "$(stat -c %a "$b") in the other" >&2
    fi
    if cmp -s "$a" "$b"; then
      echo "same: $name $(sha256sum <"$a" | cut -d' ' -f1)"
      continue
    fi
    status=1
    echo "FAIL: $name differs" >&2
    case $name in
      *.zip | *.tar.gz | *.deb | *.rpm | *.msi) ;;
      *) diff "$a" "$b" >&2 || true; continue ;;
    esac
    # The members' metadata, then each member whose contents differ, with its
    # first differing bytes (for a Windows program, its PE time stamp).
    listing "$a" >"$work/a.list" 2>&1 || true
    listing "$b" >"$work/b.list" 2>&1 || true
    diff -a "$work/a.list" "$work/b.list" >&2 || true
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
}
fail() {
  echo "FAIL: $*" >&2
  status=1
}
compare "$first/build/packages" "$second/build/packages"
[ $status -eq 0 ] || exit $status
unsigned="$work/unsigned"
mv "$first/build/packages" "$unsigned"

# BUILDINFO, listed in SHA256SUMS: the commit and the time the packages were
# made from, and the installed version of every package it names, among them
# those of the tools every package build runs.
(cd "$unsigned" && grep -q ' BUILDINFO$' SHA256SUMS &&
  sha256sum -c --quiet SHA256SUMS) ||
  fail "SHA256SUMS does not list BUILDINFO, or its sums are wrong"
field() { sed -n "s/^$1: //p" "$unsigned/BUILDINFO"; }
commit=$(git -C "$first" rev-parse HEAD)
[ ! -s "$work/changes" ] || commit="$commit with uncommitted changes"
[ "$(field Commit)" = "$commit" ] ||
  fail "BUILDINFO names the commit $(field Commit), not $commit"
[ "$(field Source-Date-Epoch)" = "$(git -C "$first" log -1 --format=%ct)" ] ||
  fail "BUILDINFO names the time $(field Source-Date-Epoch), not the commit's"
depends=$(sed -n 's/^ \([^ ]*\) (= \([^)]*\))$/\1 \2/p' "$unsigned/BUILDINFO")
for package in g++-12 g++-mingw-w64-x86-64-posix cmake dpkg \
  strip-nondeterminism wixl msitools osslsigncode; do
  printf '%s\n' "$depends" | grep -q "^$package " ||
    fail "BUILDINFO does not name $package: $(cat "$unsigned/BUILDINFO")"
done
while read -r package version; do
  installed=$(dpkg-query -W -f='${Version}' "$package")
  [ "$installed" = "$version" ] ||
    fail "BUILDINFO gives $package $version, but $installed is installed"
done <<EOF
$depends
EOF

# check_signed PACKAGES CERTIFICATE: the MSI, and each program in the zip
# and in the MSI, signed by CERTIFICATE's key; the programs the same in both,
# without their signatures the unsigned ones (which carry none), and in the
# zip with the unsigned zip's modes, programs 0755.
modes() { zipinfo "$1" | awk '/^[-d]/ { print $1, $NF }'; }
check_signed() {
  for name in zip msi; do
    rm -rf "$work/signed-$name"
    unpack "$1/"*.$name "$work/signed-$name"
    [ -d "$work/unsigned-$name" ] ||
      unpack "$unsigned/"*.$name "$work/unsigned-$name"
  done
  [ "$(modes "$1/"*.zip)" = "$(modes "$unsigned/"*.zip)" ] ||
    fail "the signed zip's modes are not the unsigned zip's:
$(modes "$1/"*.zip)"
  programs=$(cd "$work/signed-zip" && find . -name '*.exe')
  [ -n "$programs" ] || fail "no program in the signed zip"
  for program in $programs; do
    zipped="$work/signed-zip/$program"
    plain="$work/unsigned-zip/$program"
    installed="$work/signed-msi/Runabout/$(basename "$program")"
    modes "$1/"*.zip | grep -qxF -- "-rwxr-xr-x ${program#./}" ||
      fail "$program is not 0755 in the signed zip"
    osslsigncode verify -CAfile "$2" -in "$zipped" >"$work/verify.log" 2>&1 ||
      fail "osslsigncode does not accept $program: $(cat "$work/verify.log")"
    cmp -s "$zipped" "$installed" ||
      fail "$program is not the same in the signed zip and the signed MSI"
    ! osslsigncode extract-signature -in "$plain" -out "$work/none.p7" \
      >/dev/null 2>&1 || fail "$program is signed in the unsigned zip"
    rm -f "$work/removed.exe"
    osslsigncode remove-signature -in "$zipped" -out "$work/removed.exe" \
      >/dev/null 2>&1 || true
    cmp "$plain" "$work/removed.exe" >&2 ||
      fail "$program without its signature is not the unsigned program"
  done
  osslsigncode verify -CAfile "$2" -in "$1/"*.msi >"$work/verify.log" 2>&1 ||
    fail "osslsigncode does not accept the MSI: $(cat "$work/verify.log")"
  for package in "$1"/*; do
    case $package in
      *.zip | *.msi | */SHA256SUMS) ;;
      *) cmp -s "$package" "$unsigned/$(basename "$package")" ||
        fail "signing changed $(basename "$package")" ;;
    esac
  done
}

# A key that never leaves its token: a 3072-bit RSA key generated on a
# SoftHSM2 token kept in a folder of the test's own, and a certificate for it.
module=/usr/lib/softhsm/libsofthsm2.so
SOFTHSM2_CONF=$work/softhsm2.conf
export SOFTHSM2_CONF
mkdir "$work/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\n' \
  "$work/tokens" >"$SOFTHSM2_CONF"
pin="test pin $$"
softhsm2-util --init-token --free --label "Runabout test" --pin "$pin" \
  --so-pin "so $pin" >/dev/null
pkcs11-tool --module "$module" --token-label "Runabout test" --login \
  --pin "$pin" --keypairgen --key-type rsa:3072 --id 01 --label signer \
  >/dev/null
RUNABOUT_SIGN_PKCS11_MODULE=$module
RUNABOUT_SIGN_PKCS11_KEY="pkcs11:token=Runabout%20test;object=signer;type=private"
RUNABOUT_SIGN_CERT=$work/token-certificate.pem
RUNABOUT_SIGN_PASSWORD=$pin
export RUNABOUT_SIGN_PKCS11_MODULE RUNABOUT_SIGN_PKCS11_KEY \
  RUNABOUT_SIGN_CERT RUNABOUT_SIGN_PASSWORD
PKCS11_MODULE_PATH=$module openssl req -new -x509 -days 2 \
  -subj "/CN=Runabout test" -addext extendedKeyUsage=codeSigning \
  -engine pkcs11 -keyform engine -key "$RUNABOUT_SIGN_PKCS11_KEY" \
  -passin env:RUNABOUT_SIGN_PASSWORD -out "$RUNABOUT_SIGN_CERT" \
  >"$work/certificate.log" 2>&1 ||
  { cat "$work/certificate.log" >&2; exit 1; }
# The osslsigncode that the signing finds notes, as it starts, the command
# line of itself and of every process above it up to this test: the PIN must
# be on none.
real_osslsigncode=$(command -v osslsigncode)
mkdir "$work/bin"
# shellcheck disable=SC2016 # The stand-in's own text, expanded when it runs.
printf '%s\n' '#!/bin/sh' 'pid=$$' 'while [ "$pid" -gt 1 ]; do' \
  '  tr "\0" " " <"/proc/$pid/cmdline" && echo' \
  "  [ \"\$pid\" != $$ ] || break" \
  '  pid=$(awk "/^PPid:/ { print \$2 }" "/proc/$pid/status")' \
  "done >>'$work/command-lines'" \
  "exec '$real_osslsigncode' \"\$@\"" >"$work/bin/osslsigncode"
chmod +x "$work/bin/osslsigncode"
(PATH=$work/bin:$PATH && build "$first" 022 UTC C &&
  build "$second" 077 Pacific/Kiritimati C.UTF-8) || exit 1
compare "$first/build/packages" "$second/build/packages"
check_signed "$first/build/packages" "$RUNABOUT_SIGN_CERT"
grep -qF -- "-key $RUNABOUT_SIGN_PKCS11_KEY" "$work/command-lines" ||
  fail "osslsigncode never signed with the token's key"
! grep -F -- "$pin" "$work/command-lines" >&2 ||
  fail "the PIN is on a command line of the signing (above)"
unset RUNABOUT_SIGN_PKCS11_MODULE RUNABOUT_SIGN_PKCS11_KEY RUNABOUT_SIGN_CERT

# A key in a PKCS#12 file, as for test keys and older certificates.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Runabout test" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" \
  -out "$work/certificate.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" \
  -passout pass:"test password" -out "$work/signer.p12"
RUNABOUT_SIGN_PKCS12=$work/signer.p12 RUNABOUT_SIGN_PASSWORD="test password"
export RUNABOUT_SIGN_PKCS12 RUNABOUT_SIGN_PASSWORD
build "$first" 022 UTC C
check_signed "$first/build/packages" "$work/certificate.pem"

# A time-stamping service named but not answering stops the packaging, and
# says which.
if (export RUNABOUT_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/
  build "$first" 022 UTC C) >/dev/null 2>"$work/timestamp.log"; then
  fail "packaged with a time-stamping service that does not answer"
elif ! grep -q 'http://127.0.0.1:9/' "$work/timestamp.log"; then
  fail "the packaging failed, not for the time-stamping service:
$(cat "$work/timestamp.log")"
fi
exit $status
