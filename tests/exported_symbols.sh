#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that a shared library exports exactly the symbols its Debian
# symbols file lists: no variant of the search, no dispatcher, no copy of a
# runtime's, and nothing new that the file does not record.
#
# Usage: tests/exported_symbols.sh NM LIBRARY SYMBOLS_FILE
set -eu
expected=$(sed -n 's/^ \([^@ ]*\)@Base .*/\1/p' "$3" | sort)
exported=$("$1" -D --defined-only --format=just-symbols "$2" | sort)
if [ "$exported" != "$expected" ]; then
  echo "FAIL: $2 exports:"
  echo "$exported"
  echo "instead of what $3 lists:"
  echo "$expected"
  exit 1
fi
echo "ok: $2 exports only" $exported
