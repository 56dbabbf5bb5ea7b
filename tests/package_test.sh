#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what users and other projects get. `cmake --install` of a build
# into a fresh prefix gives a working quorvel and a manual page that groff
# and mandoc pass without a word. The source archive holds no build output
# or .git. The deb preset's packages (the program, the shared library, the
# development files) pass lintian and rebuild byte for byte, and the
# packaged binary passes hardening-check. Another project's C and C++
# programs build against the library through find_package and pkg-config,
# from the prefix and from the extracted packages (the shared library and
# the static one), and through add_subdirectory, which builds and installs
# nothing of quorvel's but the library it links. With PYTHON, the deb
# preset also makes python3-quorvel, whose package Python imports from where
# it is extracted. As root, the packages install, serve programs built
# against them and Debian's python3, and remove cleanly.
#
# Usage: tests/package_test.sh BUILD_FOLDER VERSION [PYTHON]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath "$1")
version=$2
python=${3:-}
work=$(mktemp -d)
mkdir "$work/pkg"
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expected=$(for index in 0 1 2 3 4 5 6 7 8 9; do
  printf 'Enter the value for array index %d: ' "$index"
done; printf 'The highest number in the given array is 19.')
answers() {
  [ "$(printf '4\n-7\n19\n0\n19\n3\n8\n-100\n2\n5\n' | "$1")" = "$expected" ] ||
    fail "$1 does not answer the worked example"
  echo "ok: $1 answers the worked example"
}

cmake --install "$build" --prefix "$work/prefix" --strip >/dev/null
answers "$work/prefix/bin/quorvel"

page=$work/prefix/share/man/man1/quorvel.1.gz
warnings=$( { zcat "$page" | groff -man -Tutf8 -ww >/dev/null; } 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
warnings=$(zcat "$page" | mandoc -Tlint 2>&1) || true
[ -z "$warnings" ] || fail "mandoc -Tlint warns about the manual page: $warnings"
# Captured whole first: grep -q on a pipe could quit early and break man's pipe.
rendered=$(MANWIDTH=80 man -l "$page")
grep -q "quorvel $version" <<<"$rendered" || fail "man -l does not render the page's version"
echo "ok: the manual page renders without warnings"

(cd "$build" && cpack --config CPackSourceConfig.cmake -B "$work/source" >/dev/null)
contents=$(tar -tzf "$work"/source/quorvel-"$version"-Source.tar.gz)
grep -qx "quorvel-$version-Source/CMakeLists.txt" <<<"$contents" || fail "no CMakeLists.txt in the source archive"
! grep -E '/(build|\.git)/' <<<"$contents" || fail "the source archive holds build output or .git"
echo "ok: the source archive holds the sources and nothing built"

cmake --workflow --preset deb >/dev/null
architecture=$(dpkg --print-architecture)
packages=(quorvel libquorvel1 libquorvel-dev)
[ -z "$python" ] || packages+=(python3-quorvel)
for package in "${packages[@]}"; do
  deb=build/deb/${package}_$version-1_$architecture.deb
  [ -f "$deb" ] || fail "no $deb"
  report=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian on $deb: $report"
  report=$(grep -v 'running with root privileges' <<<"$report" || true)
  echo "ok: lintian passes $deb${report:+: }$report"
  dpkg-deb -x "$deb" "$work/deb"
done
answers "$work/deb/usr/bin/quorvel"
# The worked example of the Python package, as its users run it.
python_check='import array, quorvel; values = array.array("d", range(10)); print(quorvel.largest(values), quorvel.largest_index(values))'
python_answers() {
  [ "$("$@" -c "$python_check")" = "9.0 9" ] || fail "$* does not answer the Python package's example"
  echo "ok: $* answers the Python package's example"
}
# The library's symbols file lists exactly what it exports, each with the
# version that added it: dpkg-gensymbols fails on a symbol missing from it
# or one it lists that has gone.
mkdir -p "$work/library" "$work/debian"
# Debian 13's dpkg-gensymbols reads the source's control file.
printf 'Source: quorvel\n\nPackage: libquorvel1\nArchitecture: any\n' >"$work/debian/control"
dpkg-deb -x "build/deb/libquorvel1_$version-1_$architecture.deb" "$work/library"
dpkg-deb -e "build/deb/libquorvel1_$version-1_$architecture.deb" "$work/library/DEBIAN"
report=$(cd "$work" && dpkg-gensymbols -c4 -plibquorvel1 -v"$version-1" -P"$work/library" \
  -I"$work/library/DEBIAN/symbols" -O"$work/symbols" 2>&1) ||
  fail "dpkg-gensymbols finds the symbols file wrong: $report"
echo "ok: dpkg-gensymbols -c4 passes libquorvel1's symbols file"
# Built again from the source archive in another folder: the same bytes.
tar -xzf "$work"/source/quorvel-"$version"-Source.tar.gz -C "$work"
(cd "$work/quorvel-$version-Source" && cmake --workflow --preset deb >/dev/null)
for package in "${packages[@]}"; do
  deb=${package}_$version-1_$architecture.deb
  cmp -s "build/deb/$deb" "$work/quorvel-$version-Source/build/deb/$deb" ||
    fail "$deb differs when built in another folder"
done
echo "ok: the packages rebuild byte for byte in another folder"
if [ -n "$python" ]; then
  LD_LIBRARY_PATH=$(dirname "$(find "$work/deb" -name libquorvel.so.1)") \
    PYTHONPATH=$work/deb/usr/lib/python3/dist-packages python_answers /usr/bin/python3 -B
fi
pc=$(find "$work/deb" -name quorvel.pc)
[ "$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags quorvel)" = "" ] ||
  fail "the -dev package's pkg-config file names a system include folder"
# Every protection this release's dpkg-buildflags offers is asked for, but
# those that cannot show; one it finds nothing to protect in reports
# "unknown" and passes.
# Control-flow protection cannot show: Debian 12's dpkg-buildflags offers
# no -fcf-protection, and where a release's does, the C library's start-up
# files carry no IBT and SHSTK note, so no program linked there shows one
# (Debian 13's own dpkg neither). There the code is checked for its branch
# targets instead.
hardening=(--nocfprotection)
if [[ $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS) == *-fcf-protection* ]]; then
  disassembly=$(objdump -d "$work/deb/usr/bin/quorvel")
  grep -q endbr64 <<<"$disassembly" || fail "the packaged binary has no endbr64 branch targets"
fi
# Branch protection is arm64's (BTI and PAC), and cannot apply elsewhere;
# Debian 12's hardening-check does not look for it.
options=$(hardening-check --help 2>&1 || true)
[ "$architecture" = arm64 ] || [[ $options != *--nobranchprotection* ]] || hardening+=(--nobranchprotection)
report=$(hardening-check "${hardening[@]}" "$work/deb/usr/bin/quorvel") ||
  fail "hardening-check: $report"
echo "ok: the packaged binary is hardened${hardening[*]:+ (not asked: ${hardening[*]})}"

# Each C++ consumer prints the highest of its values, the position of the
# highest of others and the version it was built with; each C consumer the
# highest and the position.
consumer_says="41 2 $version"
# Runs the consumers built in folder $1 against $2 (what they were built with).
consumers_answer() {
  local program
  for program in "$1"/consumer "$1"/consumer_static; do
    [ -e "$program" ] || continue
    [ "$("$program")" = "$consumer_says" ] || fail "$program, built against $2"
    [ "$("$(dirname "$program")/c_$(basename "$program")")" = "41 2" ] || fail "C $program, built against $2"
    echo "ok: C and C++ consumers build and run against $2 ($(basename "$program"))"
  done
}
deb_libdir=$(dirname "$(find "$work/deb" -name libquorvel.a)")
for prefix in "$work/prefix" "$work/deb/usr"; do
  cmake -S tests/consumer -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON --fresh >/dev/null
  cmake --build "$work/consumer" >/dev/null
  consumers_answer "$work/consumer" "find_package in $prefix"
  [ "$prefix" != "$work/deb/usr" ] || [ -e "$work/consumer/consumer_static" ] ||
    fail "the packages' CMake package has no quorvel::search_static"

  pc=$(dirname "$(find "$prefix" -name quorvel.pc)")
  # The package's file names /usr: read where it was extracted, as a sysroot.
  sysroot=()
  [ "$prefix" != "$work/deb/usr" ] ||
    sysroot=(env PKG_CONFIG_SYSROOT_DIR="$work/deb" pkg-config --keep-system-cflags --keep-system-libs)
  # shellcheck disable=SC2046  # the flags are meant to split
  flags=$(PKG_CONFIG_PATH=$pc "${sysroot[@]:-pkg-config}" --cflags --libs quorvel)
  # shellcheck disable=SC2086
  g++ -std=c++17 -Wall -Wextra -Werror tests/consumer/main.cc $flags -o "$work/pkg/consumer"
  # shellcheck disable=SC2086
  gcc -std=c11 -Wall -Wextra -Wpedantic -Werror tests/consumer/main.c $flags -lstdc++ \
    -o "$work/pkg/c_consumer"
  LD_LIBRARY_PATH=$deb_libdir consumers_answer "$work/pkg" "pkg-config in $prefix"
done
cmake -S tests/consumer -B "$work/parent" -DQUORVEL_SOURCE_DIR="$PWD" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$work/parent" >/dev/null
[ "$("$work/parent/consumer")" = "$consumer_says" ] || fail "add_subdirectory consumer"
[ ! -e "$work/parent/quorvel/quorvel" ] || fail "add_subdirectory builds the quorvel program"
cmake --install "$work/parent" --prefix "$work/parent-prefix" >/dev/null
installed=$(cd "$work/parent-prefix" && find . -type f)
[ "$installed" = ./bin/consumer ] || fail "add_subdirectory installs quorvel's files: $installed"
echo "ok: an add_subdirectory consumer builds and installs only its own"

# Installed on this machine: the program works, and programs built against
# the library, shared and static, run; one linked to the shared library gets
# its package as a dependency. Only as root, and only where none of the
# packages is installed already.
if [ "$(id -u)" != 0 ] || dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  echo "skipped: installing the packages (needs root, and none of them installed)"
  exit 0
fi
debs=()
for package in "${packages[@]}"; do debs+=("$PWD/build/deb/${package}_$version-1_$architecture.deb"); done
# Purged, since the library's package keeps its removal script until then.
remove() { apt-get purge -y "${packages[@]}" >/dev/null 2>&1 || true; }
trap 'remove; rm -rf "$work"' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y "${debs[@]}" >/dev/null 2>&1 ||
  fail "apt-get cannot install ${debs[*]}"
answers quorvel
# Debian's python3, whichever python3 comes first on PATH.
[ -z "$python" ] || python_answers /usr/bin/python3
man -w quorvel >/dev/null || fail "man finds no page for the installed quorvel"
mkdir "$work/system" "$work/system/debian"
# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Werror tests/consumer/main.c $(pkg-config --cflags --libs quorvel) \
  -o "$work/system/c_consumer"
# shellcheck disable=SC2046
gcc -std=c11 -Wall -Wextra -Werror -static tests/consumer/main.c \
  $(pkg-config --static --cflags --libs quorvel) -o "$work/system/c_consumer_static"
for program in c_consumer c_consumer_static; do
  [ "$("$work/system/$program")" = "41 2" ] || fail "$program against the installed packages"
done
# Captured whole first: grep -q on a pipe could quit early and break ldd's.
libraries=$(ldd "$work/system/c_consumer")
grep -q 'libquorvel\.so\.1 => /' <<<"$libraries" ||
  fail "the C consumer does not load the installed libquorvel.so.1: $libraries"
printf 'Source: consumer\n\nPackage: consumer\nArchitecture: any\n' >"$work/system/debian/control"
depends=$(cd "$work/system" && dpkg-shlibdeps -O c_consumer 2>/dev/null)
# By the symbols file: the version that added the newest function it calls.
grep -q "libquorvel1 (>= 1.1.0)" <<<"$depends" ||
  fail "a program linked to the library does not depend on its package, by its symbols: $depends"
echo "ok: programs build against the installed packages, and depend on libquorvel1"
remove
trap 'rm -rf "$work"' EXIT
for file in /usr/bin/quorvel /usr/share/man/man1/quorvel.1.gz /usr/include/quorvel \
  /usr/lib/python3/dist-packages/quorvel \
  "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/libquorvel.so.1"; do
  [ ! -e "$file" ] || fail "$file is left after removing the packages"
done
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ -z "$status" ] || [ "$status" = not-installed ] || fail "$package is $status after removing it"
done
echo "ok: the packages install, serve their users and remove cleanly"
