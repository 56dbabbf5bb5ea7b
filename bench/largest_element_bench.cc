// SPDX-License-Identifier: MIT
// The search, for each element type, beside the limit for one pass (a loop
// that only reads the same bytes) and memchr, and beside what a user might
// write instead (std::ranges::max and max_element, std::reduce unseq and a
// Highway loop, built -O3 -march=native), at 16 KiB (in L1), 4 MiB and
// 128 MiB (from main memory): the value and the position through the public
// functions, and the value through each variant. Also ten-element calls of
// the first int32_t function and of each variant beside a plain loop, which
// decide the variant that serves short views. And the search of a matrix of
// int32_t, its bytes as above: down 256 columns, and along rows of 16.
//
// Benchmarks are named TYPE/SEARCH/BYTES; --benchmark_filter=^f32/ runs one
// type.

#include <benchmark/benchmark.h>
#include <quorvel/largest_element.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "largest_element_variants.h"
#include "peers.h"

namespace {

constexpr std::size_t kMostBytes = std::size_t{128} << 20;

// Random bytes from 0 to 0x7e: never 0xff, so memchr for 0xff reads every
// byte, as the searches do, and never a float's or double's NaN or infinity,
// whose exponent needs seven bits set in one byte.
const unsigned char* bytes() {
  static const std::vector<unsigned char> data = [] {
    std::vector<unsigned char> v(kMostBytes);
    std::mt19937 random(1);
    std::uniform_int_distribution<int> byte(0, 0x7e);
    std::generate(v.begin(), v.end(), [&] { return static_cast<unsigned char>(byte(random)); });
    return v;
  }();
  return data.data();
}

template <typename T, typename Search>
void measure(benchmark::State& state, Search search) {
  const auto* elements = reinterpret_cast<const T*>(bytes());
  const auto count = static_cast<std::size_t>(state.range(0)) / sizeof(T);
  for (auto _ : state) benchmark::DoNotOptimize(search(elements, count));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void sizes(benchmark::internal::Benchmark* b) {
  for (std::int64_t size :
       {std::int64_t{16} << 10, std::int64_t{4} << 20, std::int64_t{128} << 20}) {
    b->Arg(size);
  }
}

template <typename T, typename Search>
void add(const char* type, const std::string& name, Search search) {
  benchmark::RegisterBenchmark((std::string(type) + "/" + name).c_str(), measure<T, Search>, search)
      ->Apply(sizes);
}

template <typename T>
void addType(const char* type) {
  namespace detail = quorvel::detail;
  using C = detail::CSearch<T>;
  add<T>(type, "largest", C::largest);
  add<T>(type, "index", C::index);
  const auto kernels = detail::variantKernels<T>();
  for (std::size_t at = 0; at < kernels.size(); ++at) {
    if (detail::runs(detail::thisCpu(), detail::variants()[at])) {
      add<T>(type, std::string("variant:") + detail::variants()[at].name, kernels[at].largest);
    }
  }
  add<T>(type, "bare_read", [](const T* elements, std::size_t count) {
    return bareRead(elements, count * sizeof(T));
  });
  add<T>(type, "memchr", [](const T* elements, std::size_t count) {
    return std::memchr(elements, 0xff, count * sizeof(T));
  });
  add<T>(type, "peer:ranges::max", rangesMax<T>);
  add<T>(type, "peer:reduce_unseq", reduceUnseq<T>);
#ifdef QUORVEL_BENCH_HIGHWAY
  add<T>(type, "peer:highway", highwayLoop<T>);
#endif
  add<T>(type, "peer:ranges::max_element", rangesMaxElement<T>);
}

// What a small search is held against: the obvious loop, not inlined.
[[gnu::noinline]] std::int32_t plainLoop(const std::int32_t* elements, std::size_t count) {
  std::int32_t highest = elements[0];
  for (std::size_t index = 1; index < count; ++index) {
    if (elements[index] > highest) highest = elements[index];
  }
  return highest;
}

template <typename Search>
void addTen(const std::string& name, Search search) {
  benchmark::RegisterBenchmark(("i32/" + name).c_str(), measure<std::int32_t, Search>, search)
      ->Arg(10 * sizeof(std::int32_t));
}

// The lines' answers, for the largest matrix measured.
template <typename Answer>
Answer* answers() {
  static std::vector<Answer> all(kMostBytes / sizeof(std::int32_t));
  return all.data();
}

// A matrix of int32_t over the benchmark's bytes: `columns` across, rows to
// fill the size; one answer per column (`down`) or per row.
void addMatrix(const std::string& name, std::size_t columns, bool down) {
  answers<std::int32_t>();  // made before they are timed
  answers<std::size_t>();
  for (const bool index : {false, true}) {
    const auto search = [columns, down, index](const std::int32_t* elements, std::size_t count) {
      const std::size_t rows = count / columns;
      const auto across = static_cast<std::ptrdiff_t>(columns);
      std::size_t* const indices = index ? answers<std::size_t>() : nullptr;
      if (down) {
        quorvel_largest_element_lines_i32(elements, columns, rows, 1, across,
                                          answers<std::int32_t>(), indices);
      } else {
        quorvel_largest_element_lines_i32(elements, rows, columns, across, 1,
                                          answers<std::int32_t>(), indices);
      }
      return answers<std::int32_t>()[0];
    };
    add<std::int32_t>("i32", name + (index ? ":index" : ":value"), search);
  }
}

}  // namespace

int main(int argc, char** argv) {
  namespace detail = quorvel::detail;
#define QUORVEL_ADD_TYPE(id, type) addType<type>(#id);
  QUORVEL_FOR_EACH_TYPE(QUORVEL_ADD_TYPE)
#undef QUORVEL_ADD_TYPE
  addTen("largestElement", [](const std::int32_t* elements, std::size_t count) {
    return quorvel::largestElement(elements, static_cast<std::int32_t>(count));
  });
  addTen("plainLoop", plainLoop);
  const auto kernels = detail::variantKernels<std::int32_t>();
  for (std::size_t at = 0; at < kernels.size(); ++at) {
    if (detail::runs(detail::thisCpu(), detail::variants()[at])) {
      addTen(std::string("variant:") + detail::variants()[at].name, kernels[at].largest);
    }
  }
  addMatrix("matrix:down_256_columns", 256, true);
  addMatrix("matrix:along_rows_of_16", 16, false);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
