#!/bin/sh
# A release package end to end: CPack builds it from a build tree into a
# directory of this test's own; the package must hold exactly the expected
# files, and the program unpacked from it, started with no argument, must
# print the banner and exit with status 2. Run natively, it must also start
# two commands.
#
#   package_test.sh BUILD_DIR PACKAGE VERSION PROGRAM FILE... [-- RUNNER...]
#
# PACKAGE is a .zip, a .tar.gz, a .deb, an .rpm or an .msi; PROGRAM and each FILE
# are paths inside it (for the MSI, in the folder it installs). RUNNER (Wine,
# for the Windows packages) runs the program.
# CMAKE_COMMAND and CPACK_COMMAND name the tools; OBJDUMP, when set, names an
# objdump that checks the program imports only Windows system libraries;
# WINDRES, a windres that reads back the Windows programs' version record and
# manifest; HARDENED=true, that the program is hardened as Debian's packages
# are, also when the builder's DEB_* settings say otherwise; SOURCE_DIR, the
# sources, whose README says how to unpack the tar.gz. With COPY=true the
# package comes not from BUILD_DIR but from a copy of SOURCE_DIR whose
# project() version is VERSION, built as a release with TOOLCHAIN_FILE (if
# set) and without the tests; CPack must refuse its Debian package.
#
# A .deb must also be lintian-clean, owned by root, and carry the expected
# control fields; with CI=true (CI runs as root) it is installed with dpkg -i,
# its program run from /usr/bin, and removed with dpkg -r.
#
# An .rpm must pass rpmlint with no error but the missing signature and only
# the warnings named below, be owned by root and carry the expected header;
# as root it is installed with rpm into a scratch root, its program run and
# its manual page read there, and removed again with rpm -e.
#
# An .msi is installed, checked and removed with Wine's msiexec in a Wine
# prefix of the test's own, where RECORDING_CMD (recording_cmd.exe) stands in
# for the system's cmd.exe and GUI_PARENT (gui_parent.exe) starts Runabout by
# name, as Explorer would. With COPY=true the MSI that BUILD_DIR makes is
# installed first, upgraded to VERSION, and must then be refused over it.
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

runner=${1:-}
origin=$build
# Wine's server, which stands beside the wine the runner names.
wineserver_path() {
  if [ -x "$(dirname "$runner")/wineserver" ]; then
    echo "$(dirname "$runner")/wineserver"
  else
    echo wineserver
  fi
}
installed=""
wine_prefix=""
work=$(mktemp -d "${TMPDIR:-/tmp}/runabout-package-XXXXXX")
trap '[ -z "$installed" ] || dpkg -r runabout >/dev/null 2>&1
[ -z "$wine_prefix" ] || WINEPREFIX=$wine_prefix "$(wineserver_path)" -k 2>/dev/null || true
rm -rf "$work"' EXIT
fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

# A copy of the sources with VERSION in project(), built as a release from a
# build tree of the test's own, which the rest of the test then packages.
if [ "${COPY:-}" = true ]; then
  copy="$work/sources"
  mkdir "$copy"
  # Everything but build trees and the history.
  tar -C "$SOURCE_DIR" --exclude=./build --exclude=./.git -cf - . |
    tar -C "$copy" -xf -
  set_version() {
    sed "s/^project(Runabout VERSION [^ ]* /project(Runabout VERSION $1 /" \
      "$SOURCE_DIR/CMakeLists.txt" >"$copy/CMakeLists.txt"
    grep -q "^project(Runabout VERSION $1 " "$copy/CMakeLists.txt" ||
      fail "no project(Runabout VERSION ...) line to set to $1"
  }
  toolchain=${TOOLCHAIN_FILE:+"-DCMAKE_TOOLCHAIN_FILE=$TOOLCHAIN_FILE"}
  # Versions that Windows would not keep as written are refused with the
  # reason, each REFUSED word being VERSION:REASON: a part with a leading zero
  # (read as octal), a part above 65,535.
  for refused in ${REFUSED:-}; do
    set_version "${refused%%:*}"
    if "$CMAKE_COMMAND" -S "$copy" -B "$work/refused" -DRUNABOUT_TESTS=OFF \
      ${toolchain:+"$toolchain"} >"$work/refused.log" 2>&1; then
      fail "version ${refused%%:*} was taken"
    fi
    tr -s ' \n' '  ' <"$work/refused.log" | grep -q "${refused#*:}" ||
      fail "version ${refused%%:*} refused, but not for its ${refused#*:}:
$(cat "$work/refused.log")"
    rm -rf "$work/refused"
  done
  set_version "$version"
  build="$work/build"
  if ! { "$CMAKE_COMMAND" -S "$copy" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DRUNABOUT_TESTS=OFF ${toolchain:+"$toolchain"} &&
    "$CMAKE_COMMAND" --build "$build" -j "$(nproc)"; } >"$work/build.log" 2>&1
  then
    cat "$work/build.log" >&2
    fail "the copy with version $version did not build"
  fi
  # There is no Debian package or RPM of it: the package's changelog's
  # latest entry must be the version, and it is a record of releases.
  for kind in DEB RPM; do
    grep -q "^set(CPACK_GENERATOR \"[^\"]*$kind" "$build/CPackConfig.cmake" ||
      continue
    if (cd "$build" && "$CPACK_COMMAND" -G $kind -B "$work/$kind" \
      >"$work/$kind.log" 2>&1); then
      fail "a $kind package of $version, which its changelog does not name"
    fi
    # CMake wraps its message's lines.
    tr -s ' \n' '  ' <"$work/$kind.log" | grep -q "has no entry for $version-" ||
      fail "no $kind package of $version, but not for want of a changelog" \
        "entry: $(cat "$work/$kind.log")"
  done
fi

case $archive in
  *.zip) generator=ZIP ;;
  *.tar.gz) generator=TGZ ;;
  *.deb) generator=DEB ;;
  *.rpm) generator=RPM ;;
  *.msi) generator=External ;;
  *) fail "no CPack generator makes $archive" ;;
esac
if ! (cd "$build" && "$CPACK_COMMAND" -G $generator -B "$work" \
  >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  fail "cpack failed"
fi
package="$work/$archive"
[ -f "$package" ] || fail "no $archive among: $(ls "$work")"

# Directory entries aside, the package holds the expected files and no others.
if [ $generator = DEB ]; then
  dpkg-deb -c "$package" >"$work/contents"
  strangers=$(awk '$2 != "root/root"' "$work/contents")
  [ -z "$strangers" ] || fail "not owned by root:
$strangers"
  entries=$(awk '{ print $6 }' "$work/contents" | sed 's|^\./||')
  ! printf '%s\n' "$entries" | grep -q '^usr/local' ||
    fail "$archive installs under /usr/local"
  listed=$(printf '%s\n' "$entries" | grep -v -e '/$' -e '^$' | sort)
elif [ $generator = RPM ]; then
  rpm -qp --qf '[%{FILEMODES:perms} %{FILEUSERNAME}:%{FILEGROUPNAME} %{FILENAMES}\n]' \
    "$package" >"$work/contents" 2>/dev/null
  strangers=$(awk '$2 != "root:root"' "$work/contents")
  [ -z "$strangers" ] || fail "not owned by root:
$strangers"
  listed=$(awk '$1 !~ /^d/ { print substr($3, 2) }' "$work/contents" | sort)
elif [ $generator = External ]; then
  # Unpacked here once, for the listing and the checks below.
  listed=$(msiextract -C "$work/unpacked" "$package" | sort)
else
  listed=$("$CMAKE_COMMAND" -E tar tf "$package" | grep -v '/$' | sort)
fi
wanted=$(printf '%s' "$expected" | sort)
[ "$listed" = "$wanted" ] || fail "$archive holds:
$listed
expected:
$wanted"

if [ $generator = DEB ]; then
  # lintian's default profile, every error and every warning a failure.
  status=0
  lintian --fail-on error,warning "$package" >"$work/lintian" 2>&1 || status=$?
  if [ "$status" -ne 0 ] || grep -q '^[EW]: ' "$work/lintian"; then
    fail "lintian (status $status): $(cat "$work/lintian")"
  fi

  # The control fields that are ours to set; Depends comes from
  # dpkg-shlibdeps, which names at least the C library.
  deb_version=${archive#*_}
  deb_version=${deb_version%%_*}
  case $deb_version in
    "$version"-?*) ;;
    *) fail "$archive does not name version $version with a Debian revision" ;;
  esac
  fields=$(dpkg-deb -f "$package" Package Version Architecture Section \
    Priority | sort)
  wanted_fields=$(printf '%s\n' "Package: runabout" "Version: $deb_version" \
    "Architecture: $(dpkg --print-architecture)" "Section: utils" \
    "Priority: optional" | sort)
  [ "$fields" = "$wanted_fields" ] || fail "control fields:
$fields
expected:
$wanted_fields"
  dpkg-deb -f "$package" Depends | grep -Eq '(^|, )libc6 \(>= ' ||
    fail "Depends names no C library: $(dpkg-deb -f "$package" Depends)"
  [ -z "$(dpkg-deb -f "$package" Homepage)" ] ||
    fail "Homepage set, but there is no home page"
fi

if [ $generator = RPM ]; then
  # Debian's rpmlint with its defaults. Every error fails but the missing
  # signature of an unsigned build, and every warning but these, each for
  # its reason:
  # - package-with-huge-docs: the README and the guides are larger than the
  #   program, and are the documentation the other packages carry too;
  # - invalid-license: Debian's rpmlint lists no valid licence at all
  #   (ValidLicenses = []); MIT is the SPDX name Fedora and openSUSE take;
  # - manpage-not-compressed bz2: its default asks for bzip2; rpm's own
  #   brp-compress, and Fedora's packages, use gzip;
  # - no-manual-page-for-binary: rpmlint 2.4 compares each program's name
  #   with the sections of the manual pages, never their names; each
  #   program's page is checked below instead.
  status=0
  rpmlint "$package" >"$work/rpmlint" 2>&1 || status=$?
  findings=$(grep -E '^[^ ]+: [EW]: ' "$work/rpmlint" |
    grep -vE ': (E: no-signature|W: (package-with-huge-docs|invalid-license MIT|manpage-not-compressed bz2|no-manual-page-for-binary))( |$)' ||
    true)
  [ -z "$findings" ] && grep -q ' packages and 0 specfiles checked' "$work/rpmlint" ||
    fail "rpmlint (status $status): $(cat "$work/rpmlint")"
  for binary in $(printf '%s\n' "$listed" | sed -n 's|^usr/bin/||p'); do
    printf '%s\n' "$listed" | grep -qx "usr/share/man/man1/$binary.1.gz" ||
      fail "$archive has no manual page for $binary"
  done

  # The header fields that are ours to set, the file name RPM's own, and
  # Requires, from the programs, naming at least the C library.
  header() { rpm -qp --qf "$1" "$package" 2>/dev/null; }
  fields=$(header 'Name: %{NAME}\nVersion: %{VERSION}\nArchitecture: %{ARCH}
License: %{LICENSE}\nURL: %{URL}\nBuild host: %{BUILDHOST}\nSummary: %{SUMMARY}\n')
  wanted_fields=$(printf '%s\n' "Name: runabout" "Version: $version" \
    "Architecture: $(uname -m)" "License: MIT" "URL: https://runabout.example.org" \
    "Build host: reproducible" "Summary: Starts several programs with one command")
  [ "$fields" = "$wanted_fields" ] || fail "header fields:
$fields
expected:
$wanted_fields"
  [ "$archive" = "$(header '%{NAME}-%{VERSION}-%{RELEASE}.%{ARCH}.rpm')" ] ||
    fail "$archive is not named as RPM names its packages"
  header '%{PACKAGER}\n' | grep -q '^the Runabout developers <' &&
    header '%{DESCRIPTION}\n' | grep -q '^Runabout takes each of its arguments' ||
    fail "no packager or description of Runabout: $(rpm -qpi "$package" 2>&1)"
  rpm -qpR "$package" 2>/dev/null | grep -q '^libc\.so\.6(GLIBC_' ||
    fail "Requires names no C library: $(rpm -qpR "$package" 2>&1)"
fi

mkdir -p "$work/unpacked"
if [ $generator = DEB ]; then
  dpkg-deb -x "$package" "$work/unpacked"
elif [ $generator = RPM ]; then
  rpm2archive - <"$package" | tar -xzf - -C "$work/unpacked"
elif [ $generator = External ]; then
  chmod +x "$work/unpacked/$program" # Windows has no such bit.
else
  (cd "$work/unpacked" && "$CMAKE_COMMAND" -E tar xf "$package")
fi
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

# The Windows programs' version record and manifest carry VERSION: as the
# string itself, and as the four numbers Windows keeps (1.0 is 1,0,0,0).
# check_version_record FOLDER checks every program in FOLDER.
check_version_record() {
  [ -n "${WINDRES:-}" ] || return 0
  numbers=$(echo "$version.0.0.0" | cut -d. -f1-4)
  commas=$(echo "$numbers" | sed 's/\./, /g')
  for exe in "$1"/*.exe; do
    resources=$("$WINDRES" -i "$exe" -O rc | sed 's/^ *//')
    for line in "FILEVERSION $commas" "PRODUCTVERSION $commas" \
      "VALUE \"FileVersion\", \"$version\"" \
      "VALUE \"ProductVersion\", \"$version\""; do
      printf '%s\n' "$resources" | grep -qxF -- "$line" ||
        fail "$(basename "$exe") has no line $line in its resources:
$resources"
    done
    # An MSI's File table carries the same version, and its language.
    if [ $generator = External ]; then
      row=$(msiinfo export "$package" File | tr -d '\r' |
        awk -F '\t' -v name="$(basename "$exe")" '$3 == name { print $5, $6 }')
      [ "$row" = "$numbers 1033" ] ||
        fail "the MSI's File table gives $(basename "$exe") '$row', not $numbers 1033"
    fi
    # The manifest, as windres writes it: a string with its quotes doubled.
    printf '%s\n' "$resources" | grep -F '<assemblyIdentity ' |
      grep -qF "version=\"\"$numbers\"\"" ||
      fail "the manifest of $(basename "$exe") is not of version $numbers:
$resources"
  done
}
check_version_record "$(dirname "$path")"

# Whether program FILE is hardened as Debian's packages are:
# position-independent, every symbol bound at start-up, its relocated data
# read-only after that, and its functions' stacks guarded. If not, it says
# what readelf does not find.
hardened() {
  elf=$(readelf -hdlW --dyn-syms "$1")
  for mark in 'Position-Independent Executable' '(FLAGS) *BIND_NOW' \
    'GNU_RELRO' 'UND __stack_chk_fail@'; do
    printf '%s\n' "$elf" | grep -q -- "$mark" || {
      echo "not hardened: readelf finds no $mark"
      return 1
    }
  done
}
if [ "${HARDENED:-}" = true ]; then
  for each in "$(dirname "$path")"/*; do
    hardened "$each" >"$work/hardened" ||
      fail "$(basename "$each") is $(cat "$work/hardened")"
  done
fi

# A builder's own settings undo neither the build type's optimisation nor the
# hardening, and break nothing: the sources, configured afresh and built with
# SETTINGS (NAME=VALUE words) in the environment, must build without a
# warning, compile with -O2 or -O3 last (the one GCC applies) and the stack
# protector, and link with RELRO and BIND_NOW into a hardened program.
check_builder() {
  tree="$work/builder"
  rm -rf "$tree"
  if ! { env "$@" "$CMAKE_COMMAND" -S "$SOURCE_DIR" -B "$tree" \
    -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DRUNABOUT_TESTS=OFF \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON &&
    env "$@" "$CMAKE_COMMAND" --build "$tree" -j "$(nproc)"; } \
    >"$tree.log" 2>&1; then
    cat "$tree.log" >&2
    fail "the build failed under $*"
  fi
  ! grep -i 'warning' "$tree.log" >&2 || fail "warnings under $*"
  compiles=$(sed -n 's/^ *"command": "\(.*\)",$/\1/p' \
    "$tree/compile_commands.json")
  link=$(cat "$tree/CMakeFiles/runabout.dir/link.txt")
  [ -n "$compiles" ] || fail "no compile commands under $*"
  weak=$(printf '%s\n' "$compiles" | sed 's/.* \(-O[^ ]*\) .*/\1/' |
    grep -vx -e -O2 -e -O3 | sort -u || true)
  [ -z "$weak" ] || fail "under $*, compiled with $weak"
  unguarded=$(printf '%s\n' "$compiles" |
    grep -v -e -fstack-protector-strong || true)
  [ -z "$unguarded" ] || fail "under $*, no stack protector: $unguarded"
  for mark in -Wl,-z,relro -Wl,-z,now; do
    printf '%s\n' "$link" | grep -q -- "$mark" ||
      fail "under $*, linked without $mark: $link"
  done
  hardened "$tree/runabout" >"$work/hardened" ||
    fail "under $*, the program is $(cat "$work/hardened")"
}
if [ "${HARDENED:-}" = true ] && [ $generator = TGZ ] &&
  [ "${COPY:-}" != true ]; then
  # Debian's DEB_* settings, asking to undo all of it, reach no command.
  check_builder DEB_BUILD_OPTIONS=noopt \
    DEB_CXXFLAGS_APPEND=-fno-stack-protector \
    DEB_CPPFLAGS_APPEND=-DRUNABOUT_HOSTILE DEB_LDFLAGS_APPEND=-Wl,-z,norelro
  taken=$(printf '%s\n' "$compiles" "$link" | grep -o -e ' -O0' \
    -e -fno-stack-protector -e -DRUNABOUT_HOSTILE -e norelro | sort -u || true)
  [ -z "$taken" ] || fail "the builder's DEB_* settings reached the build:
$taken"
  # Fedora's and Arch Linux's CXXFLAGS set _FORTIFY_SOURCE themselves, and
  # Ubuntu's compiler defines it of its own accord; it is never defined again.
  check_builder "CXXFLAGS=-O2 -Wp,-D_FORTIFY_SOURCE=3"
  printf '#!/bin/sh\nexec c++ -D_FORTIFY_SOURCE=3 "$@"\n' >"$work/fortifying-c++"
  chmod +x "$work/fortifying-c++"
  check_builder "CXX=$work/fortifying-c++"
fi

# Runs PROGRAM with no argument: the banner, status 2, nothing on standard
# error.
check_banner() {
  status=0
  "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
  [ "$status" -eq 2 ] || fail "$*: exit status $status, expected 2 (usage)"
  [ ! -s "$work/err" ] || fail "$*: standard error: $(cat "$work/err")"

  # The banner: 13 lines, each ended by CR LF, one of them the framed title.
  cr=$(printf '\r')
  lines=$(grep -c '' "$work/out" || true)
  crlf=$(grep -c "$cr\$" "$work/out" || true)
  [ "$lines" -eq 13 ] && [ "$crlf" -eq 13 ] ||
    fail "$*: banner has $lines lines, $crlf ended by CR LF: $(cat "$work/out")"
  grep -q "^ *= *Runabout $version *=$cr\$" "$work/out" ||
    fail "$*: no framed 'Runabout $version' title: $(cat "$work/out")"
}
check_banner "$@" "$path"

# Every relative link of every Markdown file in the package leads to a file
# of the package: the README's to the guides, the guides' to each other and
# back. The Debian package compresses its documents, as Debian policy asks,
# and there a link to FILE finds FILE.gz.
documents=$(find "$work/unpacked" -name '*.md' -o -name '*.md.gz' | sort)
[ -n "$documents" ] || fail "$archive holds no Markdown file"
broken=""
for document in $documents; do
  case $document in
    *.gz) text=$(gzip -dc "$document") ;;
    *) text=$(cat "$document") ;;
  esac
  folder=$(dirname "$document")
  for target in $(printf '%s\n' "$text" | grep -oE '\]\([^) ]+\)' |
    sed 's/^](//; s/)$//; s/#.*//'); do
    case $target in
      "" | *://* | mailto:*) continue ;;
    esac
    [ -e "$folder/$target" ] ||
      { [ $generator = DEB ] && [ -e "$folder/$target.gz" ]; } ||
      broken="$broken
${document#"$work/unpacked/"}: $target"
  done
done
[ -z "$broken" ] || fail "links in $archive that lead to no file of it:
$(printf '%s\n' "$broken" | sort -u)"

# Every guide the manual page names is where the page says: in the Debian
# package compressed, in the tar.gz and the RPM as written, all in
# share/doc/runabout/docs. The Debian package and the RPM compress the page.
if [ $generator = TGZ ] || [ $generator = DEB ] || [ $generator = RPM ]; then
  root=$(dirname "$(dirname "$path")")
  suffix=.md
  [ $generator != DEB ] || suffix=.md.gz
  if [ $generator = TGZ ]; then
    page=$(cat "$root/share/man/man1/runabout.1")
  else
    page=$(gzip -dc "$root/share/man/man1/runabout.1.gz")
  fi
  printf '%s\n' "$page" | grep -q 'share/doc/runabout/docs' ||
    fail "the manual page names no share/doc/runabout/docs"
  named=$(printf '%s\n' "$page" | grep -oE '[a-z]+\.md(\.gz)?' |
    grep -E "^[a-z]+\\$suffix\$" | sort -u || true)
  [ -n "$named" ] || fail "the manual page names no guide of the form *$suffix"
  for name in $named; do
    [ -f "$root/share/doc/runabout/docs/$name" ] ||
      fail "the manual page names $name, not in $archive's share/doc/runabout/docs"
  done
fi

# Another user, run as nobody, can run the program in PREFIX, read its
# manual page and read every guide.
readable_by_others() {
  chmod 755 "$work" # mktemp made it 0700, which would keep others out.
  as_other() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
  check_banner as_other "$1/bin/runabout"
  page=$(as_other env MANPATH="$1/share/man" MANPAGER=cat MANWIDTH=80 \
    LC_ALL=C.UTF-8 man runabout 2>&1) || true
  printf '%s\n' "$page" | grep -q "EXIT STATUS" ||
    fail "another user cannot read the manual page in $1: $page"
  for guide in "$1"/share/doc/runabout/*.md "$1"/share/doc/runabout/docs/*.md; do
    as_other cat "$guide" >/dev/null || fail "another user cannot read $guide"
  done
}

# Unpacked into a prefix that is there with the README's own command, as root
# under the umask 077 of hardened systems: the prefix's folders keep their
# owners and modes (setgid and group staff, as a stock Debian /usr/local),
# the prefix's time too, as the archive adds nothing to it, and the folders
# the archive makes are readable, so another user can run the program and
# read its manual page.
if [ $generator = TGZ ]; then
  readme_command=$(sed -n \
    's|.*`\(sudo tar -xzf runabout-[^`]* -C /usr/local\)`.*|\1|p' \
    "$SOURCE_DIR/README.md")
  [ -n "$readme_command" ] || fail "README.md has no tar command for /usr/local"
  prefix="$work/prefix"
  mkdir -p "$prefix/bin" "$prefix/share/man"
  # Setgid and of group staff only as root: only root can give them to
  # staff, and tar run by any other user clears the setgid bit of the
  # folders it passes through.
  mode=775
  [ "$(id -u)" -ne 0 ] || mode=2775
  for folder in bin share share/man; do
    [ $mode = 775 ] || chgrp staff "$prefix/$folder" 2>/dev/null || true
    chmod $mode "$prefix/$folder"
  done
  touch -d @86400 "$prefix"
  folders() {
    for folder in "" /bin /share /share/man; do
      stat -c '%n %a %U:%G' "$prefix$folder"
    done
    stat -c '%n %Y' "$prefix"
  }
  before=$(folders)
  # The README's words, with this package and the prefix in place of its
  # archive and /usr/local, and without sudo.
  readme_unpack() {
    set --
    for word in $readme_command; do
      case $word in
        sudo) ;;
        runabout-*.tar.gz) set -- "$@" "$package" ;;
        /usr/local) set -- "$@" "$prefix" ;;
        *) set -- "$@" "$word" ;;
      esac
    done
    (umask 077 && "$@") || fail "$readme_command: status $?"
  }
  readme_unpack
  after=$(folders)
  [ "$after" = "$before" ] || fail "unpacked into a prefix, $archive changed:
$before
to:
$after"
  if [ "$(id -u)" -eq 0 ]; then
    readable_by_others "$prefix"
  else
    echo "$archive: not run as root, so the prefix's folders were neither" \
      "setgid nor of group staff, and no other user ran the program or read" \
      "its page"
  fi

  # The README's removal, its /usr/local the prefix, leaves no file, and
  # nothing named after Runabout.
  readme_removal=$(grep -o '`sudo rm [^`]*/usr/local/[^`]*`' "$SOURCE_DIR/README.md" |
    tr -d '`' | sed 's/^sudo //')
  [ -n "$readme_removal" ] || fail "README.md has no rm command for /usr/local"
  while IFS= read -r removal; do
    set --
    for word in $removal; do
      set -- "$@" "$(printf '%s' "$word" | sed "s|^/usr/local|$prefix|")"
    done
    "$@" || fail "$removal: status $?"
  done <<EOF
$readme_removal
EOF
  left=$(find "$prefix" -type f -o -iname '*runabout*')
  [ -z "$left" ] || fail "left after the README's removal: $left"

  # Installed from the build tree, as root under umask 077, into a prefix
  # that the install makes: another user can run the program and read its
  # page and guides, and the removal leaves nothing of Runabout's.
  if [ "${COPY:-}" != true ]; then
    scratch="$work/installed/usr"
    (umask 077 && "$CMAKE_COMMAND" --install "$build" --prefix "$scratch" \
      >"$work/install.log" 2>&1) || fail "cmake --install: $(cat "$work/install.log")"
    [ "$(id -u)" -ne 0 ] || readable_by_others "$scratch"
    "$CMAKE_COMMAND" -P "$build/uninstall.cmake" -- "$scratch" \
      >"$work/uninstall.log" 2>&1 ||
      fail "uninstall.cmake: $(cat "$work/uninstall.log")"
    left=$(find "$work/installed" -type f -o -iname '*runabout*')
    [ -z "$left" ] || fail "left after uninstall.cmake: $left"
  fi
fi

# Natively: two commands, both started. They run in the background, so each
# is waited for, within a bound.
if [ $# -eq 0 ]; then
  mkdir "$work/run"
  status=0
  (cd "$work/run" && "$path" 'touch one' 'touch two') || status=$?
  [ "$status" -eq 0 ] || fail "two commands: exit status $status, expected 0"
  tries=0
  until [ -e "$work/run/one" ] && [ -e "$work/run/two" ]; do
    tries=$((tries + 1))
    [ $tries -le 600 ] || fail "two commands: made only $(ls "$work/run")"
    sleep 0.1
  done
fi

if [ $generator = DEB ] && [ "${CI:-}" = true ]; then
  installed=yes # From here on, removed again however the test ends.
  dpkg -i "$package" >"$work/dpkg.log" 2>&1 ||
    fail "dpkg -i: $(cat "$work/dpkg.log")"
  check_banner /usr/bin/runabout
  dpkg -r runabout >"$work/dpkg.log" 2>&1 ||
    fail "dpkg -r: $(cat "$work/dpkg.log")"
  installed=""
  for file in $listed; do
    [ ! -e "/$file" ] || fail "/$file is left after dpkg -r"
  done
  case $(dpkg-query -W -f='${Status}' runabout 2>/dev/null || true) in
    *" installed") fail "dpkg still lists runabout as installed" ;;
  esac
  echo "$archive: installed, run and removed"
fi
# The RPM, installed with rpm into a scratch root with a database of its own
# (no scriptlet needs the root's programs, and the C library it requires is
# this system's), run from there and its manual page read; removed again,
# nothing of Runabout's is left. Only root can give the files their owner.
if [ $generator = RPM ]; then
  if [ "$(id -u)" -eq 0 ]; then
    scratch_root="$work/rpm-root"
    rpm_root() { rpm --root "$scratch_root" --dbpath /var/lib/rpm "$@"; }
    mkdir "$scratch_root"
    { rpm_root --initdb && rpm_root -i --nodeps "$package"; } \
      >"$work/rpm.log" 2>&1 || fail "rpm -i: $(cat "$work/rpm.log")"
    rpm_root -q runabout >/dev/null 2>&1 || fail "rpm does not list runabout"
    check_banner "$scratch_root/usr/bin/runabout"
    page=$(env MANPATH="$scratch_root/usr/share/man" MANPAGER=cat MANWIDTH=80 \
      LC_ALL=C.UTF-8 man runabout 2>&1) || true
    printf '%s\n' "$page" | grep -q "EXIT STATUS" ||
      fail "no manual page read from the RPM's install: $page"
    rpm_root -e runabout >"$work/rpm.log" 2>&1 ||
      fail "rpm -e: $(cat "$work/rpm.log")"
    ! rpm_root -q runabout >/dev/null 2>&1 || fail "rpm still lists runabout"
    left=$(find "$scratch_root" -path "$scratch_root/var/lib/rpm" -prune -o \
      \( -type f -o -iname '*runabout*' \) -print)
    [ -z "$left" ] || fail "left after rpm -e: $left"
    echo "$archive: installed into a scratch root, run and removed"
  else
    echo "$archive: not run as root, so not installed into a scratch root"
  fi
fi
# The MSI under Wine's msiexec, in a prefix of the test's own: installed
# (with COPY=true, as an upgrade of BUILD_DIR's), run by name, an older one
# refused over it (COPY=true), removed, and the machine left as it was.
if [ $generator = External ]; then
  msi_property() {
    msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2	//p"
  }
  product=$(msi_property "$package" ProductCode)
  upgrade=$(msi_property "$package" UpgradeCode)
  # Every version must carry the same one, or it installs beside the others.
  [ "$upgrade" = "{9FD15317-21B3-4BC4-BF44-19ACB36E4D24}" ] ||
    fail "$archive has UpgradeCode $upgrade, not Runabout's"

  # Versions an MSI cannot carry (major and minor at most 255, build at most
  # 65535, and no fourth part, which Windows Installer ignores) stop the MSI
  # with a message; the largest it can carry goes through. Once, in this tree.
  if [ "${COPY:-}" != true ]; then
    # The guide gives administrators this version's codes.
    for code in "$product" "$upgrade"; do
      grep -qF "$code" "$SOURCE_DIR/docs/guide.md" ||
        fail "docs/guide.md does not name $code, the MSI's code for $version"
    done
    for case in 256.0:refused 1.256:refused 1.0.65536:refused \
      1.2.3.4:refused 255.255.65535:carried; do
      other=${case%:*}
      status=0
      (cd "$build" && "$CPACK_COMMAND" -G External -D \
        CPACK_PACKAGE_VERSION="$other" -B "$work/$other" >"$work/$other.log" \
        2>&1) || status=$?
      if [ "${case#*:}" = carried ]; then
        [ "$status" -eq 0 ] || fail "no MSI of $other: $(cat "$work/$other.log")"
        [ "$(msi_property "$work/$other/$archive" ProductVersion)" = "$other" ] ||
          fail "the MSI of $other has another ProductVersion"
      elif [ "$status" -eq 0 ] ||
        ! tr -s ' \n' '  ' <"$work/$other.log" | grep -q "No MSI of version $other:"; then
        fail "an MSI of $other, or no message why not: $(cat "$work/$other.log")"
      fi
    done
  fi

  wine_prefix="$work/wineprefix"
  export WINEPREFIX="$wine_prefix"
  "$runner" cmd /C exit 0 >/dev/null 2>&1 || fail "no Wine prefix made"
  cp "$RECORDING_CMD" "$wine_prefix/drive_c/windows/system32/cmd.exe"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}cmd.exe=n"
  windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
  reg_query() { "$runner" reg query "$@" 2>/dev/null | tr -d '\r'; }
  folder='C:\Program Files\Runabout\'
  installed_folder="$wine_prefix/drive_c/Program Files/Runabout"

  # msi_run NAME ARGUMENT...: msiexec quietly, with a verbose log NAME.log;
  # its status in `status`.
  msi_run() {
    log="$work/$1.log"
    shift
    status=0
    "$runner" msiexec "$@" /qn /l*v "$(windows_path "$log")" || status=$?
  }
  msi_must() {
    msi_run "$@"
    [ "$status" -eq 0 ] || fail "msiexec $*: status $status: $(cat "$log")"
  }
  # The machine's PATH, if it is still REG_EXPAND_SZ, and its parts.
  machine_path() {
    reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
      /v Path | sed -n 's/^ *Path *REG_EXPAND_SZ *//p'
  }
  path_parts() { printf '%s\n' "$1" | tr ';' '\n' | grep -v '^$' || true; }
  path_before=$(machine_path)
  [ -n "$path_before" ] || fail "no REG_EXPAND_SZ PATH in a new prefix"

  # The one uninstall entry that is Runabout's, with its values; VERSION's.
  check_entry() {
    entries=$(reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s)
    keys=$(printf '%s\n' "$entries" |
      awk '/^HKEY_/ { key = $0 } /^ +DisplayName +REG_SZ +Runabout$/ { print key }')
    [ "$keys" = 'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\'"$product" ] ||
      fail "uninstall entries named Runabout: ${keys:-none}; expected $product"
    values=$(printf '%s\n' "$entries" |
      awk -v key="$keys" '$0 == key { on = 1; next } /^HKEY_/ { on = 0 } on')
    for value in "DisplayVersion REG_SZ $version" \
      "Publisher REG_SZ the Runabout developers" "NoModify REG_DWORD 0x1" \
      "NoRepair REG_DWORD 0x1" "InstallLocation REG_SZ $folder"; do
      printf '%s\n' "$values" | sed 's/^ *//; s/  */ /g' | grep -qxF "$value" ||
        fail "the uninstall entry has no $value: $values"
    done
  }
  # Installed: the package's files, VERSION's; the folder once at the end of
  # the machine's PATH; and a new process that names runabout.exe finds it
  # there and hands two commands to the system's cmd.exe, the stand-in. A
  # start that Wine lost is tried again, a wrong or misplaced one is not.
  check_installed() {
    on_disk=$(cd "$installed_folder/.." && find Runabout -type f | sort)
    [ "$on_disk" = "$listed" ] || fail "installed:
$on_disk
expected:
$listed"
    check_version_record "$installed_folder"
    check_entry
    path_after=$(machine_path)
    [ "$(path_parts "$path_after")" = "$(path_parts "$path_before")
$folder" ] || fail "the machine's PATH is not the folder once at its end: $path_after"
    mkdir -p "$work/elsewhere" "$work/records"
    cp "$GUI_PARENT" "$work/elsewhere/gui_parent.exe"
    wanted_records=$(printf '%s 26:cmd /C start /B cmd /C %s\n' \
      begin one end one begin two end two)
    for attempt in 1 2 3; do
      rm -f "$work/records/records.txt"
      status=0
      (cd "$work/elsewhere" &&
        RUNABOUT_RECORDS=$(windows_path "$work/records") \
          "$runner" gui_parent.exe runabout.exe one two) || status=$?
      records=$(cat "$work/records/records.txt" 2>/dev/null || true)
      if [ "$records" = "$wanted_records" ] && [ "$status" -eq 0 ]; then
        return 0
      fi
      case $wanted_records in
        "$records"*) ;;
        *) fail "runabout.exe by name (status $status) handed over:
$records" ;;
      esac
    done
    fail "runabout.exe by name (status $status), $attempt times, handed over only:
$records"
  }

  if [ "${COPY:-}" = true ]; then
    if ! (cd "$origin" && "$CPACK_COMMAND" -G External -B "$work/old" \
      >"$work/old.log" 2>&1); then
      cat "$work/old.log" >&2
      fail "cpack failed in $origin"
    fi
    old=$(ls "$work"/old/*.msi)
    msi_must install-old /i "$old"
    msi_must upgrade /i "$package"
    check_installed
    # An older version over a newer one: refused, with Windows Installer's
    # fatal error 1603 (Wine hands on its low byte), and nothing changed.
    msi_run downgrade /i "$old"
    [ "$status" -eq $((1603 % 256)) ] ||
      fail "$(basename "$old") over $version: status $status: $(cat "$log")"
    msiinfo export "$old" LaunchCondition | grep -q \
      "A newer version of Runabout is already installed" ||
      fail "$old refuses a newer version without saying so"
    check_entry
    check_version_record "$installed_folder"
    msi_must uninstall /x "$product"
  else
    msi_must install /i "$package"
    check_installed
    msi_must uninstall /x "$package"
  fi

  # Removed: no folder, the machine's PATH as it was (Wine's msiexec leaves
  # the separator it added behind), and nothing of Runabout's in the
  # registry: no name, no path, no code, also as Windows Installer keys
  # them (each group's digits reversed; the last two in pairs).
  [ ! -e "$installed_folder" ] || fail "$folder is left after removal"
  [ "$(path_parts "$(machine_path)")" = "$(path_parts "$path_before")" ] ||
    fail "the machine's PATH after removal: $(machine_path)"
  packed() {
    digits=$(printf '%s' "$1" | tr -d '{}-')
    for group in 1-8 9-12 13-16; do
      printf '%s' "$digits" | cut -c "$group" | rev | tr -d '\n'
    done
    printf '%s\n' "$digits" | cut -c 17-32 | sed 's/\(.\)\(.\)/\2\1/g'
  }
  # The server writes the registry out as it ends.
  "$(wineserver_path)" -k 2>/dev/null || true
  "$(wineserver_path)" -w
  traces=$(grep -i -F -e Runabout -e "$(printf '%s' "$product" | tr -d '{}')" \
    -e "$(printf '%s' "$upgrade" | tr -d '{}')" \
    -e "$(packed "$product")" -e "$(packed "$upgrade")" \
    "$wine_prefix"/*.reg || true)
  [ -z "$traces" ] || fail "left in the registry after removal:
$traces"
  echo "$archive: installed, run by name and removed under Wine's msiexec"
fi

echo "$archive: $(echo "$listed" | wc -l) files, banner as expected"
