#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what users and other projects get. `cmake --install` of a build
# into a fresh prefix gives a working quorvel and a manual page that groff
# and mandoc pass without a word. The source archive holds no build output
# or .git. The deb preset's packages pass lintian,
# and the packaged binary hardening-check. Another project builds against
# the library through find_package and pkg-config, from the prefix and from
# the extracted development package, and through add_subdirectory, which
# builds and installs nothing of quorvel's but the library it links.
#
# Usage: tests/package_test.sh BUILD_FOLDER VERSION
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath "$1")
version=$2
work=$(mktemp -d)
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
for package in quorvel libquorvel-dev; do
  deb=build/deb/${package}_$version-1_$architecture.deb
  [ -f "$deb" ] || fail "no $deb"
  report=$(lintian --fail-on error,warning "$deb" 2>&1) || fail "lintian on $deb: $report"
  report=$(grep -v 'running with root privileges' <<<"$report" || true)
  echo "ok: lintian passes $deb${report:+: }$report"
  dpkg-deb -x "$deb" "$work/deb"
done
answers "$work/deb/usr/bin/quorvel"
# Built again from the source archive in another folder: the same bytes.
tar -xzf "$work"/source/quorvel-"$version"-Source.tar.gz -C "$work"
(cd "$work/quorvel-$version-Source" && cmake --workflow --preset deb >/dev/null)
for package in quorvel libquorvel-dev; do
  deb=${package}_$version-1_$architecture.deb
  cmp -s "build/deb/$deb" "$work/quorvel-$version-Source/build/deb/$deb" ||
    fail "$deb differs when built in another folder"
done
echo "ok: the packages rebuild byte for byte in another folder"
pc=$(find "$work/deb" -name quorvel.pc)
[ "$(PKG_CONFIG_PATH=$(dirname "$pc") pkg-config --cflags quorvel)" = "" ] ||
  fail "the -dev package's pkg-config file names a system include folder"
report=$(hardening-check --nocfprotection "$work/deb/usr/bin/quorvel") ||
  fail "hardening-check: $report"
echo "ok: the packaged binary is hardened"

# Each consumer prints the highest of its values and the version it was built with.
consumer_says="41 $version"
for prefix in "$work/prefix" "$work/deb/usr"; do
  cmake -S tests/consumer -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON --fresh >/dev/null
  cmake --build "$work/consumer" >/dev/null
  [ "$("$work/consumer/consumer")" = "$consumer_says" ] || fail "find_package consumer against $prefix"
  echo "ok: a find_package consumer builds against $prefix"

  pc=$(dirname "$(find "$prefix" -name quorvel.pc)")
  # The package's file names /usr: read where it was extracted, as a sysroot.
  sysroot=()
  [ "$prefix" != "$work/deb/usr" ] ||
    sysroot=(env PKG_CONFIG_SYSROOT_DIR="$work/deb" pkg-config --keep-system-cflags --keep-system-libs)
  # shellcheck disable=SC2046  # the flags are meant to split
  g++ -std=c++17 -Wall -Wextra -Werror tests/consumer/main.cc \
    $(PKG_CONFIG_PATH=$pc "${sysroot[@]:-pkg-config}" --cflags --libs quorvel) -o "$work/pkg-consumer"
  [ "$("$work/pkg-consumer")" = "$consumer_says" ] || fail "pkg-config consumer against $prefix"
  echo "ok: a pkg-config consumer builds against $prefix"
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
