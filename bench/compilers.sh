#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmark with GCC and Clang at -O3 (Release) and -O2
# (RelWithDebInfo), runs each, and prints the CPU and a Markdown table: the
# speed of the search, of each of its versions and of each peer at each
# size as a ratio to memchr over the same bytes measured in the same process,
# a ten-element call against a plain loop, and for the public function its
# ratio to the fastest of its own versions and of the peers. Many short
# repetitions, interleaved, so that drift in the machine's memory bandwidth
# falls on every search alike. Takes about 6 minutes; build folders go to
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
results=()
for compiler in g++ clang++; do
  for type in Release RelWithDebInfo; do
    folder=build/bench-$compiler-$type
    cmake -S . -B "$folder" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE="$type" \
      -DQUORVEL_TESTS=OFF >/dev/null
    cmake --build "$folder" --target largest_element_bench >/dev/null
    "$folder/largest_element_bench" "${flags[@]}" 2>/dev/null >"$folder/results.csv"
    results+=("$folder/results.csv")
  done
done

echo '| Build | Search | 10 elements, vs plain loop | 4 Ki, vs memchr | 1 Mi, vs memchr | 32 Mi, vs memchr |'
echo '|---|---|---|---|---|---|'
# CSV rows "name_median",iterations,real_time,...: keep the medians' times
# and turn them into ratios to the reference measured beside them. Each
# build is held against its own versions, and against the fastest peer of
# any build (GCC's and Clang's peers differ), by those ratios.
awk -F, '
  FNR == 1 {
    n = split(FILENAME, part, "/"); build = part[n - 1]
    sub(/^bench-/, "", build); sub(/-Release$/, " -O3", build); sub(/-RelWithDebInfo$/, " -O2", build)
    builds[++count] = build
  }
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    split(name, part, "/"); time[build, part[1], part[2]] = $3; seen[part[1]] = 1
  }
  function ratio(b, s, size) { return time[b, "memchr", size] / time[b, s, size] }
  END {
    n = split("largestElement version:avx512f version:avx2 version:x86-64-v2 version:baseline peer:ranges::max_element peer:reduce_unseq peer:highway", order, " ")
    split("4096 1048576 33554432", size, " ")
    for (j = 1; j <= 3; j++)
      for (c = 1; c <= count; c++)
        for (s in seen)
          if (index(s, "peer:") == 1 && ratio(builds[c], s, size[j]) > bestPeer[j]) bestPeer[j] = ratio(builds[c], s, size[j])
    for (c = 1; c <= count; c++) {
      b = builds[c]
      for (i = 1; i <= n; i++) {
        s = order[i]
        if (!((b, s, 4096) in time)) continue
        small = ((b, s, 10) in time) ? sprintf("%.2fx", time[b, "plainLoop", 10] / time[b, s, 10]) : "-"
        printf "| %s | %s | %s", b, s, small
        for (j = 1; j <= 3; j++) printf " | %.2fx", ratio(b, s, size[j])
        print " |"
      }
      printf "| %s | largestElement vs its fastest version | -", b
      for (j = 1; j <= 3; j++) {
        best = 0
        for (s in seen) if (index(s, "version:") == 1 && (b, s, size[j]) in time && ratio(b, s, size[j]) > best) best = ratio(b, s, size[j])
        printf " | %.2fx", ratio(b, "largestElement", size[j]) / best
      }
      print " |"
      printf "| %s | largestElement vs the fastest peer of any build | -", b
      for (j = 1; j <= 3; j++) printf " | %.2fx", ratio(b, "largestElement", size[j]) / bestPeer[j]
      print " |"
    }
  }' "${results[@]}"
