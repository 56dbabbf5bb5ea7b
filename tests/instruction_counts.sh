#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks under callgrind, whose instruction counts repeat exactly (unlike
# times), that the public search calls the variant the dispatcher picks
# under valgrind, for short views and long, and costs what that variant
# costs; that the widest variant costs well under half the baseline's; and
# that the position costs about what the value does; and that of any two variants, one twice the other's width, the wider costs
# about half as much or less. Valgrind offers a program no AVX-512, so under
# it the dispatcher picks what it would on a CPU without it; search_cost,
# run under valgrind, says what it picks.
#
# Usage: tests/instruction_counts.sh VALGRIND SEARCH_COST VARIANTS_TXT
set -eu
valgrind=$1 searchCost=$2 table=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Runs search $1 on $2 elements under callgrind; prints the instructions the
# search took. The call graph stays in $scratch/$1-$2.
count() {
  if ! "$valgrind" --tool=callgrind --collect-atstart=no --compress-strings=no \
      --callgrind-out-file="$scratch/$1-$2" \
      --log-file="$scratch/log" "$searchCost" "$1" "$2" >/dev/null; then
    cat "$scratch/log" >&2
    echo "FAIL: search_cost $1 $2 did not run under callgrind" >&2
    exit 1
  fi
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$scratch/$1-$2"
}
under_valgrind() { "$valgrind" -q --tool=none "$searchCost" "$@"; }
# A variant's C++ namespace, and its width, from the table.
id_of() { echo "$1" | tr -c 'A-Za-z0-9\n' '_'; }
width_of() { awk -v name="$1" '$1 == name { print $2 }' "$table"; }

failures=0
check() {  # what is checked, an awk condition on a and b, a, b
  if awk -v a="$3" -v b="$4" "BEGIN { exit !($2) }"; then
    echo "ok: $1 ($3 against $4)"
  else
    echo "FAIL: $1 ($3 against $4)"
    failures=$((failures + 1))
  fi
}

for elements in 10 1024 1048576; do
  expected=$(under_valgrind --chosen $elements)
  public=$(count largestElement $elements)
  variant=$(count "$expected" $elements)
  called=$(sed -n 's/^cfn=quorvel::detail::\([A-Za-z0-9_]*\)::largest(.*/\1/p' \
    "$scratch/largestElement-$elements" | sort -u | tr '\n' ' ')
  if [ "$called" = "$(id_of "$expected") " ]; then
    echo "ok: largestElement on $elements elements calls $expected"
  else
    echo "FAIL: largestElement on $elements elements calls ${called:-no variant}, not $expected"
    failures=$((failures + 1))
  fi
  # The dispatch costs a couple of dozen instructions, whatever the length.
  check "largestElement on $elements elements costs what $expected does" \
    'a >= b && a <= b + 64' "$public" "$variant"
done

widest=$expected
# A variant asked for in the environment serves every size, natively: the
# forced run reaches the variant named.
for forced in $("$searchCost" --runs); do
  for elements in 10 4096 33554432; do
    chosen=$(QUORVEL_FORCE_VARIANT=$forced "$searchCost" --chosen $elements)
    if [ "$chosen" = "$forced" ]; then
      echo "ok: QUORVEL_FORCE_VARIANT=$forced serves $elements elements"
    else
      echo "FAIL: QUORVEL_FORCE_VARIANT=$forced, and $elements elements go to $chosen"
      failures=$((failures + 1))
    fi
  done
done
# The position comes from the same one read: each 4 KiB block's highest, then the
# first match in one block, not a second pass over the array.
check "largestElementIndex costs well under twice what largestElement does on 1 Mi elements" \
  'a < 1.9 * b' "$(count largestElementIndex 1048576)" "$public"
if [ "$widest" != baseline ]; then
  check "$widest costs well under half the baseline's instructions on 1 Mi elements" \
    'a * 2 < b' "$(count "$widest" 1048576)" "$(count baseline 1048576)"
fi
# Each load and comparison of the wider covers twice the elements. Optimised,
# that is about a third of the narrower's count or less, unoptimised a half.
runs=$(under_valgrind --runs)
for wide in $runs; do
  for narrow in $runs; do
    [ "$(width_of "$wide")" -eq $(($(width_of "$narrow") * 2)) ] || continue
    check "$wide costs about half the instructions of $narrow or less on 1 Mi elements" \
      'a < 0.55 * b' "$(count "$wide" 1048576)" "$(count "$narrow" 1048576)"
  done
done
[ $failures = 0 ]
