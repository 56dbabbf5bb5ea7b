#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the benchmark with GCC and Clang at -O3 (Release) and -O2
# (RelWithDebInfo), runs each for the element types given, and prints the
# CPU and a Markdown table per type: at 16 KiB, 4 MiB and 128 MiB on 4 KiB
# pages and on huge pages, the value's and the position's speed as a ratio
# to the faster bare read (32- or 64-byte vectors) of the same bytes
# measured in the same process; the lowest's against the highest's; both
# ends from one read against the highest's value; the value against the
# fastest peer of any build and the position against the fastest
# std::ranges::max_element; each variant's value and memchr against the
# bare read; and for int32_t a ten-element call against a plain loop. Medians of many short repetitions,
# interleaved, so that drift in the machine's memory bandwidth falls on
# every search alike. With the default two types it takes about 10 minutes;
# build folders go to build/bench-*.
#
# Usage: bench/compilers.sh [--types "i8 i16 i32 i64 u8 u16 u32 u64 f32 f64"] [benchmark flags]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."

types="i32 f32"
if [ "${1:-}" = --types ]; then
  types=$2
  shift 2
fi
filter="^($(tr ' ' '|' <<<"$types"))/"
flags=(--benchmark_repetitions=20 --benchmark_min_time=0.05 --benchmark_enable_random_interleaving=true
  --benchmark_report_aggregates_only=true --benchmark_format=csv "--benchmark_filter=$filter" "$@")

cpu() { sed -n "s/^$1[[:space:]]*: //p" /proc/cpuinfo | head -n 1; }
echo "CPU: $(cpu 'model name'), family $(cpu 'cpu family'), model $(cpu model), $(nproc) cores"
echo "Revision: $(git rev-parse --short HEAD 2>/dev/null || echo unknown); $(g++ --version | head -n 1); $(clang++ --version | head -n 1)"
echo "Transparent huge pages: $(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null || echo 'none in this kernel')"
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

# CSV rows "TYPE/SEARCH/BYTES/HUGE_median",iterations,real_time,...: keep
# the medians' times and turn them into ratios to what was measured beside
# them; the bare read is the faster of its two widths.
awk -F, -v types="$types" '
  FNR == 1 {
    n = split(FILENAME, part, "/"); build = part[n - 1]
    sub(/^bench-/, "", build); sub(/-Release$/, " -O3", build); sub(/-RelWithDebInfo$/, " -O2", build)
    builds[++count] = build
  }
  $1 ~ /_median"$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name)
    k = split(name, part, "/")
    key = part[3] "/" part[4]
    search = part[2]
    if (search ~ /^bare_read:/) {
      search = "bare_read"
      if ((build, part[1], search, key) in time && time[build, part[1], search, key] < $3) next
    }
    time[build, part[1], search, key] = $3; seen[part[1], search] = 1
  }
  function faster(b, t, s, r, size) { return time[b, t, r, size] / time[b, t, s, size] }
  function row(label, b, t, s, r, j) {
    printf "| %s | %s", b, label
    for (j = 1; j <= 4; j++) printf " | %.2fx", faster(b, t, s, r, size[j])
    print " |"
  }
  # The fastest time of any build for one of the searches listed.
  function best(t, searches, sz, c, i, n, list, v, m) {
    m = 0; n = split(searches, list, " ")
    for (c = 1; c <= count; c++)
      for (i = 1; i <= n; i++)
        if ((builds[c], t, list[i], sz) in time) {
          v = time[builds[c], t, list[i], sz]
          if (m == 0 || v < m) m = v
        }
    return m
  }
  END {
    split("16384/0 4194304/0 134217728/0 134217728/1", size, " ")
    nt = split(types, type, " ")
    for (i = 1; i <= nt; i++) {
      t = type[i]
      print "### " t
      print ""
      print "| Build | What | 16 KiB | 4 MiB | 128 MiB | 128 MiB, huge pages |"
      print "|---|---|---|---|---|---|"
      for (c = 1; c <= count; c++) {
        b = builds[c]
        row("value vs the bare read", b, t, "largest", "bare_read")
        row("position vs the bare read", b, t, "index", "bare_read")
        row("lowest vs highest, value", b, t, "smallest", "largest")
        row("lowest vs highest, position", b, t, "smallest_index", "index")
        row("both ends vs the highest value", b, t, "extremes", "largest")
        row("both ends with positions vs the highest value", b, t, "extremes_index", "largest")
        printf "| %s | value vs the fastest peer of any build", b
        for (j = 1; j <= 4; j++) printf " | %.2fx", best(t, "peer:ranges::max peer:reduce_unseq peer:highway", size[j]) / time[b, t, "largest", size[j]]
        print " |"
        printf "| %s | position vs the fastest ranges::max_element", b
        for (j = 1; j <= 4; j++) printf " | %.2fx", best(t, "peer:ranges::max_element", size[j]) / time[b, t, "index", size[j]]
        print " |"
        for (key in seen) {
          split(key, kp, SUBSEP)
          if (kp[1] == t && kp[2] ~ /^variant:/) row(kp[2] " vs the bare read", b, t, kp[2], "bare_read")
        }
        row("memchr vs the bare read", b, t, "memchr", "bare_read")
        for (key in seen) {
          split(key, kp, SUBSEP)
          if (kp[1] == t && kp[2] ~ /^peer:/) row(kp[2] " vs the bare read", b, t, kp[2], "bare_read")
        }
        if (t == "i32" && (b, t, "plainLoop", "40/0") in time) {
          printf "| %s | ten elements: largestElement vs a plain loop | %.2fx | | | |\n", b, time[b, t, "plainLoop", "40/0"] / time[b, t, "largestElement", "40/0"]
          for (key in seen) {
            split(key, kp, SUBSEP)
            if (kp[1] == t && kp[2] ~ /^variant:/ && (b, t, kp[2], "40/0") in time)
              printf "| %s | ten elements: %s vs a plain loop | %.2fx | | | |\n", b, kp[2], time[b, t, "plainLoop", "40/0"] / time[b, t, kp[2], "40/0"]
          }
        }
      }
      print ""
    }
  }' "${results[@]}"
