// SPDX-License-Identifier: MIT
// largestElement and each of its versions beside what a user might write
// instead (std::ranges::max_element, std::reduce unseq and a Highway loop,
// built -O3 -march=native) and memchr, all reading the same bytes, at sizes
// that sit in L1, in L2/L3 and in main memory; and ten-element calls of the
// search and of each version beside a plain loop, which decide the version
// that serves short views.

#include <benchmark/benchmark.h>
#include <quorvel/largest_element.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "largest_element_versions.h"
#include "peers.h"

namespace {

constexpr std::int64_t kMostElements = std::int64_t{32} << 20;

// Random bytes that are never 0xff, so memchr for 0xff reads every byte, as
// the searches do.
const std::vector<std::int32_t>& values() {
  static const std::vector<std::int32_t> data = [] {
    std::vector<std::int32_t> v(kMostElements);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> byte(0, 0xfe);
    auto* bytes = reinterpret_cast<unsigned char*>(v.data());
    std::generate(bytes, bytes + v.size() * sizeof v[0], [&] { return byte(random); });
    return v;
  }();
  return data;
}

template <typename Search>
void measure(benchmark::State& state, Search search) {
  const std::int32_t* elements = values().data();
  const auto count = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(search(elements, count));
  state.SetBytesProcessed(state.iterations() * state.range(0) *
                          static_cast<std::int64_t>(sizeof(std::int32_t)));
}

// What a small search is held against: the obvious loop, not inlined.
[[gnu::noinline]] std::int32_t plainLoop(const std::int32_t* elements, std::int32_t count) {
  std::int32_t highest = elements[0];
  for (std::int32_t index = 1; index < count; ++index) {
    if (elements[index] > highest) highest = elements[index];
  }
  return highest;
}

const void* memchrSameBytes(const std::int32_t* elements, std::int32_t count) {
  return std::memchr(elements, 0xff, static_cast<std::size_t>(count) * sizeof(std::int32_t));
}

void sizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t count : {std::int64_t{4} << 10, std::int64_t{1} << 20, kMostElements}) {
    b->Arg(count);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The pointer-and-count overload, which a span overload stands beside.
  const quorvel::detail::Search largestElement = quorvel::largestElement;
  benchmark::RegisterBenchmark("largestElement", measure<quorvel::detail::Search>, largestElement)
      ->Arg(10)
      ->Apply(sizes);
  benchmark::RegisterBenchmark("plainLoop", measure<decltype(&plainLoop)>, plainLoop)->Arg(10);
  for (const quorvel::detail::Version& version : quorvel::detail::supportedVersions()) {
    benchmark::RegisterBenchmark((std::string("version:") + version.name).c_str(),
                                 measure<quorvel::detail::Search>, version.search)
        ->Arg(10)
        ->Apply(sizes);
  }
  benchmark::RegisterBenchmark("memchr", measure<decltype(&memchrSameBytes)>, memchrSameBytes)
      ->Apply(sizes);
  const struct {
    const char* name;
    quorvel::detail::Search search;
  } peers[] = {
      {"peer:ranges::max_element", rangesMaxElement},
      {"peer:reduce_unseq", reduceUnseq},
#ifdef QUORVEL_BENCH_HIGHWAY
      {"peer:highway", highwayLoop},
#endif
  };
  for (const auto& peer : peers) {
    benchmark::RegisterBenchmark(peer.name, measure<quorvel::detail::Search>, peer.search)
        ->Apply(sizes);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
