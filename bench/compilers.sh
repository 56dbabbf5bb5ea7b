#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmark with GCC and Clang at -O3 (Release) and -O2
# (RelWithDebInfo), runs each, and prints the CPU and a Markdown table: the
# speed of the search, of each of its versions and of each peer at each
# size as a ratio to memchr over the same bytes measured in the same process,
# a ten-element call against a plain loop, and for the public function its
# ratio to the fastest of its own versions and of the peers. Many short
# repetitions, interleaved, so that drift in the machine's memory bandwidth
# falls on every search alike. Takes about 20 minutes; build folders go to
# build/bench-*.
#
# Usage: bench/compilers.sh [extra benchmark flags]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."

flags=(--benchmark_repetitions=30 --benchmark_min_time=0.05 --benchmark_enable_random_interleaving=true
  --benchmark_report_aggregates_only=true --benchmark_format=csv "$@")

cpu() { sed -n "s/^$1[[:space:]]*: //p" /proc/cpuinfo | head -n 1; }
echo "CPU: $(cpu 'model name'), family $(cpu 'cpu family'), model $(cpu model), $(nproc) cores"
echo
echo '| Build | Search | 10 elements, vs plain loop | 4 Ki, vs memchr | 1 Mi, vs memchr | 32 Mi, vs memchr |'
echo '|---|---|---|---|---|---|'
for compiler in g++ clang++; do
  for type in Release RelWithDebInfo; do
    folder=build/bench-$compiler-$type
    cmake -S . -B "$folder" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE="$type" \
      -DQUORVEL_TESTS=OFF >/dev/null
    cmake --build "$folder" --target largest_element_bench >/dev/null
    label="$compiler $([ "$type" = Release ] && echo -O3 || echo -O2)"
    # CSV rows "name_median",iterations,real_time,...: keep the medians'
    # times and turn them into ratios to the reference measured beside them.
    "$folder/largest_element_bench" "${flags[@]}" 2>/dev/null | awk -F, -v label="$label" '
      $1 ~ /_median"$/ {
        name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
        split(name, part, "/"); time[part[1], part[2]] = $3; seen[part[1]] = 1
      }
      # The public function against the fastest search whose name starts with `prefix`.
      function versus(prefix, size,   s, best) {
        for (s in seen) if (index(s, prefix) == 1 && (best == "" || time[s, size] < best)) best = time[s, size]
        return sprintf("%.2fx", best / time["largestElement", size])
      }
      END {
        n = split("largestElement version:avx512f version:avx2 version:x86-64-v2 version:baseline peer:ranges::max_element peer:reduce_unseq peer:highway", order, " ")
        split("4096 1048576 33554432", size, " ")
        for (i = 1; i <= n; i++) {
          s = order[i]
          if (!((s, 4096) in time)) continue
          small = ((s, 10) in time) ? sprintf("%.2fx", time["plainLoop", 10] / time[s, 10]) : "-"
          printf "| %s | %s | %s", label, s, small
          for (j = 1; j <= 3; j++) printf " | %.2fx", time["memchr", size[j]] / time[s, size[j]]
          print " |"
        }
        for (k = 1; k <= 2; k++) {
          prefix = k == 1 ? "version:" : "peer:"
          printf "| %s | largestElement vs fastest %s | - ", label, k == 1 ? "version" : "peer"
          for (j = 1; j <= 3; j++) printf "| %s ", versus(prefix, size[j])
          print "|"
        }
      }'
  done
done
