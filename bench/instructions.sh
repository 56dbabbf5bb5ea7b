#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Counts the instructions one ten-number run executes, with callgrind, for
# quorvel and for a mawk one-liner that writes the same dialogue byte for
# byte. Counts, unlike times, repeat exactly on a busy machine.
#
# Usage: bench/instructions.sh [path to quorvel]   (default: build/release/quorvel)
set -euo pipefail
shopt -s inherit_errexit

quorvel=${1:-build/release/quorvel}
input=$'4\n-7\n19\n0\n19\n3\n8\n-100\n2\n5\n'
awk_program='BEGIN {
  for (i = 0; i < 10; i++) {
    printf "Enter the value for array index %d: ", i
    getline value
    if (i == 0 || value + 0 > highest) highest = value + 0
  }
  printf "The highest number in the given array is %d.\n", highest
}'

# Prints the instruction count of the command given, run on the input above,
# after checking that it answers the worked example.
count() {
  local log
  log=$(mktemp)
  printf '%s' "$input" | valgrind --tool=callgrind --callgrind-out-file=/dev/null \
    --log-file="$log" "$@" | grep -q 'The highest number in the given array is 19\.$'
  sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$log"
  rm -f "$log"
}

ours=$(count "$quorvel")
theirs=$(count mawk "$awk_program")
printf '%-10s %12s instructions\n' quorvel "$ours" mawk "$theirs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio      %12.2f\n", a / b }'
