#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks, by the instructions callgrind counts (they repeat exactly, unlike
# times), that the public search runs the version chosen for this CPU and
# that each version runs at its own width. Valgrind offers the program no
# AVX-512, so under it the widest version is AVX2 where the CPU has AVX2,
# by the flags in /proc/cpuinfo.
#
# Usage: tests/instruction_counts.sh VALGRIND SEARCH_COST
set -eu
valgrind=$1 searchCost=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The instructions one call of search $1 takes on $2 elements.
count() {
  if ! "$valgrind" --tool=callgrind --collect-atstart=no --callgrind-out-file="$scratch/out" \
      --log-file="$scratch/log" "$searchCost" "$1" "$2" >/dev/null; then
    cat "$scratch/log" >&2
    echo "FAIL: search_cost $1 $2 did not run under callgrind" >&2
    exit 1
  fi
  sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$scratch/out"
}

flags=$(grep -m 1 '^flags' /proc/cpuinfo)
case " $flags " in
  *" avx2 "*) expected=avx2 ;;
  *" sse4_2 "*) expected=x86-64-v2 ;;
  *) expected=baseline ;;
esac

failures=0
check() {  # description, awk condition on a and b, a, b
  if awk -v a="$3" -v b="$4" "BEGIN { exit !($2) }"; then
    echo "ok: $1 ($3 against $4)"
  else
    echo "FAIL: $1 ($3 against $4)"
    failures=$((failures + 1))
  fi
}

for elements in 1024 1048576; do
  public=$(count largestElement $elements)
  chosen=$(count $expected $elements)
  # The dispatch itself costs a few dozen instructions, whatever the length;
  # the next narrower version costs hundreds more already on 1 Ki elements.
  check "largestElement on $elements elements costs what $expected does" \
    'a >= b && a <= b + 64' "$public" "$chosen"
done

baseline=$(count baseline 1048576)
if [ $expected != baseline ]; then
  check "$expected costs well under half the baseline's instructions on 1 Mi elements" \
    'a * 2 < b' "$chosen" "$baseline"
fi
if [ $expected = avx2 ]; then
  # Each of its loads and comparisons covers twice the elements of one of
  # x86-64-v2's, which also needs a load beside each comparison: at 16 bytes
  # it would take about two thirds of their count, at 32 about a third.
  check "avx2 costs at most half the instructions of x86-64-v2 on 1 Mi elements" \
    'a < 0.5 * b' "$chosen" "$(count x86-64-v2 1048576)"
fi
[ $failures = 0 ]
