#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the lists of element types that people read, and so are written by
# hand, against the build's table of types: the public header's C
# declarations and its C++ rows, and the Debian symbols file, each naming
# every type of the table in every function, and no other.
#
# Usage: tests/type_lists.sh TABLE_HEADER PUBLIC_HEADER SYMBOLS_FILE
set -eu
table=$1 header=$2 symbols=$3
types=$(sed -n 's/^ *X(\([a-z0-9]*\), *\([a-z:0-9_]*\)) *\\$/\1 \2/p' "$table")
[ -n "$types" ] || { echo "FAIL: no types in $table"; exit 1; }
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }
expected_functions=
for id in $(echo "$types" | cut -d' ' -f1); do
  for function in "quorvel_largest_element_$id" "quorvel_largest_element_index_$id" \
    "quorvel_largest_element_lines_$id" "quorvel_smallest_element_$id" \
    "quorvel_smallest_element_index_$id" "quorvel_smallest_element_lines_$id" \
    "quorvel_extremes_$id"; do
    expected_functions="$expected_functions$function
"
  done
done
expected_functions=$(printf '%s' "$expected_functions" | sort)
declared=$(grep -Eo 'quorvel_(largest_element|smallest_element|extremes)_[a-z_]*[iuf][0-9]*\(' "$header" |
  tr -d '(' | sort -u)
[ "$declared" = "$expected_functions" ] ||
  fail "$header declares $(echo $declared), not the table's $(echo $expected_functions)"
listed=$(sed -En 's/^ (quorvel_(largest_element|smallest_element|extremes)_[a-z_]*[iuf][0-9]*)@Base .*/\1/p' \
  "$symbols" | sort)
[ "$listed" = "$expected_functions" ] ||
  fail "$symbols lists $(echo $listed), not the table's $(echo $expected_functions)"
rows=$(sed -n 's/^QUORVEL_C_SEARCH(\([a-z:0-9_]*\), \([a-z0-9]*\))$/\2 \1/p' "$header" | sort)
[ "$rows" = "$(echo "$types" | sort)" ] ||
  fail "$header's C++ rows are $(echo $rows), not the table's $(echo $types)"
[ $failures = 0 ] && echo "ok: the header and the symbols file list the table's types:" $types
[ $failures = 0 ]
