// SPDX-License-Identifier: MIT
// The search, for each element type, beside the limit for one pass (a loop
// that only reads the same bytes, with 32- and with 64-byte vectors) and
// memchr, and beside what a user might write instead (std::ranges::max and
// max_element, std::reduce unseq and a Highway loop, built -O3
// -march=native), at 16 KiB (in L1), 4 MiB and 128 MiB (from main memory),
// the last on 4 KiB pages and on transparent huge pages: the highest's value
// and position, the lowest's, and both ends from one read, through the
// public functions, and the value through each variant. Also ten-element
// calls of the first int32_t function and of each variant beside a plain
// loop, which decide the variant that serves short views. And the search of
// a matrix of int32_t, its bytes as above: down 256 columns, and along rows
// of 16.
//
// Benchmarks are named TYPE/SEARCH/BYTES/HUGE, HUGE 1 where huge pages were
// asked for; --benchmark_filter=^f32/ runs one type. The context says which
// page size backs each array, from /proc/self/smaps.

#include <benchmark/benchmark.h>
#include <quorvel/largest_element.h>

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "largest_element_dispatch.h"
#include "peers.h"

namespace {

constexpr std::size_t kMostBytes = std::size_t{128} << 20;

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Random bytes from 0 to 0x7e: never 0xff, so memchr for 0xff reads every
// byte, as the searches do, and never a float's or double's NaN or infinity,
// whose exponent needs seven bits set in one byte. Two copies, each 2
// MiB-aligned, one with transparent huge pages asked for (as numpy asks for
// its large arrays) and one with them refused, so that each page kind is
// measured whatever the machine's default.
unsigned char* pagesOf(bool huge) {
  void* mapping = mmap(nullptr, kMostBytes + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping == MAP_FAILED) std::abort();
  const auto address = reinterpret_cast<std::uintptr_t>(mapping);
  auto* const data = reinterpret_cast<unsigned char*>((address + kHugePage - 1) / kHugePage * kHugePage);
  // Where the kernel has no transparent huge pages, madvise fails, and the
  // context says so.
  madvise(data, kMostBytes, huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
  std::mt19937 random(1);
  std::uniform_int_distribution<int> byte(0, 0x7e);
  std::generate(data, data + kMostBytes, [&] { return static_cast<unsigned char>(byte(random)); });
  return data;
}

const unsigned char* bytes(bool huge) {
  static const unsigned char* const data[2] = {pagesOf(false), pagesOf(true)};
  return data[huge];
}

// The kB of the mapping holding `address` that huge pages back, as
// /proc/self/smaps says, or -1 where it does not say.
long hugeKilobytes(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    std::uintptr_t begin = 0, end = 0;
    char dash = 0;
    std::istringstream head(line);
    if (head >> std::hex >> begin >> dash >> end && dash == '-') {
      inside = begin <= at && at < end;
    } else if (inside && line.starts_with("AnonHugePages:")) {
      return std::stol(line.substr(14));
    }
  }
  return -1;
}

std::string transparentHugePages() {
  std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
  std::string line;
  if (!std::getline(setting, line)) return "none: this kernel offers no transparent huge pages";
  return line;
}

template <typename T, typename Search>
void measure(benchmark::State& state, Search search) {
  const bool huge = state.range(1) != 0;
  const auto* elements = reinterpret_cast<const T*>(bytes(huge));
  const auto count = static_cast<std::size_t>(state.range(0)) / sizeof(T);
  for (auto _ : state) benchmark::DoNotOptimize(search(elements, count));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({std::int64_t{16} << 10, 0});
  b->Args({std::int64_t{4} << 20, 0});
  b->Args({std::int64_t{128} << 20, 0});
  b->Args({std::int64_t{128} << 20, 1});
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
  add<T>(type, "smallest", C::smallest);
  add<T>(type, "smallest_index", C::smallestIndex);
  add<T>(type, "extremes", [](const T* elements, std::size_t count) {
    T ends[2];
    C::extremes(elements, count, ends, nullptr);
    return ends[0];
  });
  add<T>(type, "extremes_index", [](const T* elements, std::size_t count) {
    std::size_t positions[2];
    C::extremes(elements, count, nullptr, positions);
    return positions[0];
  });
  detail::forEachVariantThisCpuRuns([&](const detail::Variant& variant, std::size_t at) {
    add<T>(type, std::string("variant:") + variant.name, detail::variantKernels<T>()[at].largest);
  });
  for (const std::size_t width : {std::size_t{32}, std::size_t{64}}) {
    if (width > widestVector()) continue;
    add<T>(type, "bare_read:" + std::to_string(width), [width](const T* elements, std::size_t count) {
      return bareRead(elements, count * sizeof(T), width);
    });
  }
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
      ->Args({10 * sizeof(std::int32_t), 0});
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
  detail::forEachVariantThisCpuRuns([](const detail::Variant& variant, std::size_t at) {
    addTen(std::string("variant:") + variant.name,
           detail::variantKernels<std::int32_t>()[at].largest);
  });
  addMatrix("matrix:down_256_columns", 256, true);
  addMatrix("matrix:along_rows_of_16", 16, false);
  benchmark::AddCustomContext("transparent_hugepage", transparentHugePages());
  for (const bool huge : {false, true}) {
    const long kilobytes = hugeKilobytes(bytes(huge));
    benchmark::AddCustomContext(
        huge ? "huge pages asked for: AnonHugePages" : "huge pages refused: AnonHugePages",
        kilobytes < 0 ? "unknown" : std::to_string(kilobytes) + " of " + std::to_string(kMostBytes >> 10) + " kB");
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
