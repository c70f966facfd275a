#!/bin/sh
# The release packages rebuild to the byte: scripts/package runs twice on the
# same commit (and the checkout's uncommitted changes to tracked files), in two
# clones whose paths differ, with different umask, time zone and locale, and
# every file it leaves in build/packages must be the same. On a difference it
# names the file, the members whose contents differ, and the lines of the
# archive's listing (modes, owners, times, order) that differ.
#
# Then both clones package again with a signing key made here: the signed
# packages must be the same to the byte too; osslsigncode must accept every
# signed program and the MSI against the key's certificate; removing a
# program's signature must give back the unsigned program; and signing must
# change nothing but the Windows packages. A time-stamping service that does
# not answer must stop the packaging.
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
compare "$first/build/packages" "$second/build/packages"
[ $status -eq 0 ] || exit $status
mv "$first/build/packages" "$work/unsigned"

# A throwaway code-signing key and certificate, as a PKCS#12 file.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Runabout test" \
  -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" \
  -out "$work/certificate.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" \
  -passout pass:"test password" -out "$work/signer.p12"
RUNABOUT_SIGN_PKCS12=$work/signer.p12 RUNABOUT_SIGN_PASSWORD="test password"
export RUNABOUT_SIGN_PKCS12 RUNABOUT_SIGN_PASSWORD
build "$first" 022 UTC C
build "$second" 077 Pacific/Kiritimati C.UTF-8
compare "$first/build/packages" "$second/build/packages"
signed="$first/build/packages"

fail() {
  echo "FAIL: $*" >&2
  status=1
}
# Signed: the MSI, and each program in the zip and in the MSI. The unsigned
# programs carry no signature, and are what removing one gives back.
for name in zip msi; do
  unpack "$work/unsigned/"*.$name "$work/unsigned-$name"
  unpack "$signed/"*.$name "$work/signed-$name"
done
for program in $(cd "$work/signed-zip" && find . -name '*.exe'); do
  zipped="$work/signed-zip/$program"
  unsigned="$work/unsigned-zip/$program"
  installed="$work/signed-msi/Runabout/$(basename "$program")"
  osslsigncode verify -CAfile "$work/certificate.pem" -in "$zipped" \
    >"$work/verify.log" 2>&1 ||
    fail "osslsigncode does not accept $program: $(cat "$work/verify.log")"
  cmp -s "$zipped" "$installed" ||
    fail "$program is not the same in the signed zip and the signed MSI"
  ! osslsigncode extract-signature -in "$unsigned" -out "$work/none.p7" \
    >/dev/null 2>&1 || fail "$program is signed in the unsigned zip"
  rm -f "$work/removed.exe"
  osslsigncode remove-signature -in "$zipped" -out "$work/removed.exe" \
    >/dev/null 2>&1 || true
  cmp "$unsigned" "$work/removed.exe" >&2 ||
    fail "$program without its signature is not the unsigned program"
done
osslsigncode verify -CAfile "$work/certificate.pem" -in "$signed/"*.msi \
  >"$work/verify.log" 2>&1 ||
  fail "osslsigncode does not accept the MSI: $(cat "$work/verify.log")"
for package in "$signed"/*; do
  case $package in
    *.zip | *.msi | */SHA256SUMS) ;;
    *) cmp -s "$package" "$work/unsigned/$(basename "$package")" ||
      fail "signing changed $(basename "$package")" ;;
  esac
done

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
