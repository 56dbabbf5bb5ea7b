// largestElement beside std::max_element and memchr, each reading the same
// bytes, at sizes that sit in L1, in L2/L3 and in main memory.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "largest_element.h"

namespace {

constexpr std::int64_t kMostElements = std::int64_t{32} << 20;

// Random bytes that are never 0xff, so memchr for 0xff reads every byte, as
// the two searches do.
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

void largest(benchmark::State& state) { measure(state, largestElement); }

void maxElement(benchmark::State& state) {
  measure(state, [](const std::int32_t* elements, std::int32_t count) {
    return *std::max_element(elements, elements + count);
  });
}

void memchrSameBytes(benchmark::State& state) {
  measure(state, [](const std::int32_t* elements, std::int32_t count) {
    return std::memchr(elements, 0xff, static_cast<std::size_t>(count) * sizeof(std::int32_t));
  });
}

void sizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t count : {std::int64_t{4} << 10, std::int64_t{1} << 20, kMostElements}) {
    b->Arg(count);
  }
}

BENCHMARK(largest)->Apply(sizes);
BENCHMARK(maxElement)->Apply(sizes);
BENCHMARK(memchrSameBytes)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
