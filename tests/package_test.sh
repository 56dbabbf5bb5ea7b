#!/usr/bin/env bash
# Checks what a user gets from a release build: `cmake --install` into a
# fresh prefix gives a working quorvel and a manual page that renders
# cleanly; `cpack -G DEB` gives packages whose binary answers the worked
# example; and another CMake project builds against the library, both from
# the install prefix and from the extracted development package.
#
# Usage: tests/package_test.sh [release build folder]   (default: build/release)
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build/release}")
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

page=$work/prefix/share/man/man1/quorvel.1
warnings=$( { groff -man -Tutf8 -ww "$page" >/dev/null; } 2>&1)
[ -z "$warnings" ] || fail "groff warns about the manual page: $warnings"
# Captured whole first: grep -q on a pipe could quit early and break man's pipe.
rendered=$(MANWIDTH=80 man -l "$page")
grep -q 'EXIT STATUS' <<<"$rendered" || fail "man -l does not render the page"
echo "ok: the manual page renders without warnings"

(cd "$build" && cpack -G DEB >/dev/null)
for package in "$build"/quorvel_*.deb "$build"/libquorvel-dev_*.deb; do
  dpkg-deb -x "$package" "$work/deb"
done
answers "$work/deb/usr/bin/quorvel"
[ -f "$work/deb/usr/share/man/man1/quorvel.1" ] || fail "no manual page in the package"

for prefix in "$work/prefix" "$work/deb/usr"; do
  cmake -S tests/consumer -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON --fresh >/dev/null
  cmake --build "$work/consumer" >/dev/null
  [ "$("$work/consumer/consumer")" = 41 ] || fail "consumer against $prefix"
  echo "ok: a consumer project builds against $prefix and gets 41"
done
