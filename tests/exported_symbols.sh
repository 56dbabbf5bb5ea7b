#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that a shared library exports its public interface and nothing
# else: no version of the search, no dispatcher, no copy of a runtime's.
#
# Usage: tests/exported_symbols.sh NM LIBRARY
set -eu
expected='_ZN7quorvel14largestElementEPKii
quorvel_largest_element'
exported=$("$1" -D --defined-only --format=just-symbols "$2" | sort)
if [ "$exported" != "$expected" ]; then
  echo "FAIL: $2 exports:"
  echo "$exported"
  echo "instead of:"
  echo "$expected"
  exit 1
fi
echo "ok: $2 exports only" $exported
