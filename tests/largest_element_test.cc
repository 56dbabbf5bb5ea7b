// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <quorvel/largest_element.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "largest_element_versions.h"

#if defined(__linux__) && defined(__x86_64__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

using quorvel::detail::Version;

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();

// The public function, then every version this CPU runs.
std::vector<Version> searches() {
  std::vector<Version> all = {{"largestElement", quorvel::largestElement}};
  for (const Version& version : quorvel::detail::supportedVersions()) all.push_back(version);
  return all;
}

TEST(LargestElement, FindsTheHighestAndLeavesTheArrayAlone) {
  const std::vector<std::vector<std::int32_t>> cases = {
      {42},                 // one element
      {7, 7, 7, 7},         // all equal
      {-9, -3, -5},         // all negative: never 0
      {kLowest, kHighest},  // the extremes side by side
      {kHighest, kLowest},
      {9, 1, 2, 8},      // highest first
      {1, 2, 8, -4, 9},  // highest last
      // Bytes that rank one way in memory and the other as values, so that
      // byte order (s390x is big-endian) cannot leak into the comparison.
      {0x000000ff, 0x0000ff00, 0x7f000000, 0x00ff0000, -0x7fffff01},
  };
  for (const Version& search : searches()) {
    for (const std::vector<std::int32_t>& values : cases) {
      std::vector<std::int32_t> array = values;
      EXPECT_EQ(search.search(array.data(), static_cast<std::int32_t>(array.size())),
                *std::max_element(values.begin(), values.end()))
          << search.name;
      EXPECT_EQ(array, values) << search.name;
    }
  }
}

TEST(LargestElement, EmptyViewReadsNothingAndGivesTheLowestValue) {
  for (const Version& search : searches()) {
    EXPECT_EQ(search.search(nullptr, 0), kLowest) << search.name;
    EXPECT_EQ(search.search(nullptr, -1), kLowest) << search.name;
    EXPECT_EQ(search.search(nullptr, kLowest), kLowest) << search.name;
  }
}

// Views of every length up to a few times the widest loop's step, starting
// at every alignment, in an array whose elements outside the view are all
// higher than anything inside: reading past either end changes the answer.
TEST(LargestElement, AgreesWithMaxElementOnRandomViews) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::int32_t> value(kLowest, kHighest - 1);
  alignas(64) std::int32_t array[320];
  for (const Version& search : searches()) {
    for (std::int32_t offset = 0; offset < 17; ++offset) {
      for (std::int32_t length = 1; offset + length < 320; ++length) {
        std::fill(std::begin(array), std::end(array), kHighest);
        std::int32_t* view = array + offset;
        std::generate(view, view + length, [&] { return value(random); });
        ASSERT_EQ(search.search(view, length), *std::max_element(view, view + length))
            << search.name << ", offset " << offset << ", length " << length;
      }
    }
  }
}

// Views whose values are all negative, or all equal, at every length that
// reaches each path of each width: one by one, from both ends, the loop, its
// single steps and the last vector, from each alignment in turn. Nothing in
// the negative views is 0 or above, so a running maximum that starts
// anywhere but in the view shows.
TEST(LargestElement, AllNegativeAndAllEqualViewsOfEveryLength) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<std::int32_t> negative(kLowest, -1);
  struct Fill {
    const char* name;
    std::function<std::int32_t()> value;
  };
  const Fill fills[] = {{"all negative", [&] { return negative(random); }},
                        {"all -2147483648", [] { return kLowest; }},
                        {"all -1", [] { return -1; }},
                        {"all 7", [] { return 7; }}};
  alignas(64) std::int32_t array[320];
  for (const Version& search : searches()) {
    for (const Fill& fill : fills) {
      for (std::int32_t length = 1; length <= 300; ++length) {
        std::int32_t* view = array + length % 16;
        std::generate(view, view + length, fill.value);
        ASSERT_EQ(search.search(view, length), *std::max_element(view, view + length))
            << search.name << ", " << fill.name << ", length " << length;
      }
    }
  }
}

// A span is searched in pieces that each fit the pointer-and-count search:
// a highest value anywhere, at a seam or not, is found, and an empty span
// gives the lowest value.
TEST(LargestElementSpan, SearchesEveryPiece) {
  std::vector<std::int32_t> values(100, -50);
  for (std::int32_t piece : {1, 3, 16, 99, 100, 2147483647}) {
    for (std::size_t at : {0, 2, 3, 15, 16, 50, 98, 99}) {
      values[at] = 9;
      EXPECT_EQ(quorvel::detail::largestInPieces(values, piece), 9)
          << "piece " << piece << ", highest at " << at;
      values[at] = -50;
    }
  }
  EXPECT_EQ(quorvel::largestElement(values), -50);
  EXPECT_EQ(quorvel::largestElement(std::span<const std::int32_t>()), kLowest);
}

#if defined(__linux__) && defined(__x86_64__)
// A view of more elements than an int32_t can count, without 8 GiB of
// memory: a 2 MiB block of -1s mapped over and over, then a block holding
// the highest value once, which a count cut to 32 bits never reaches.
TEST(LargestElementSpan, SearchesAViewLongerThanAnInt32Counts) {
  if (std::getenv("QUORVEL_EXPECTED_VERSION")) GTEST_SKIP() << "too slow under an emulator";
  constexpr std::size_t kBlock = std::size_t{2} << 20;
  constexpr std::size_t kBlocks = (std::size_t{1} << 31) * sizeof(std::int32_t) / kBlock + 1;
  const int file = memfd_create("quorvel-test", 0);
  ASSERT_GE(file, 0);
  ASSERT_EQ(ftruncate(file, 2 * kBlock), 0);
  void* const view = mmap(nullptr, kBlocks * kBlock, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(view, MAP_FAILED);
  auto* const bytes = static_cast<char*>(view);
  for (std::size_t block = 0; block < kBlocks; ++block) {
    const off_t offset = block + 1 < kBlocks ? 0 : kBlock;
    ASSERT_NE(mmap(bytes + block * kBlock, kBlock, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED,
                   file, offset),
              MAP_FAILED);
  }
  const std::span<std::int32_t> elements(static_cast<std::int32_t*>(view),
                                         kBlocks * kBlock / sizeof(std::int32_t));
  std::fill_n(elements.begin(), kBlock / sizeof(std::int32_t), -1);
  std::fill_n(elements.end() - kBlock / sizeof(std::int32_t), kBlock / sizeof(std::int32_t), -7);
  elements[elements.size() - 3] = 5;
  ASSERT_GT(elements.size(), std::size_t{2147483647});
  EXPECT_EQ(elements[0], elements[kBlock / sizeof(std::int32_t)]);  // the same block, again
  EXPECT_EQ(quorvel::largestElement(elements), 5);
  munmap(view, kBlocks * kBlock);
  close(file);
}
#endif

// What the dispatcher makes of CPUs it may meet: the widest version each
// runs, but on Zen 4 AVX2 once a view outgrows the cache, and for short
// views the narrowest above the baseline.
TEST(Dispatcher, ChoosesByWhatTheCpuReports) {
  struct Case {
    const char* name;
    quorvel::detail::Cpu cpu;
    const char* shortViews;
    const char* small;
    const char* large;
    std::int64_t largeFrom;
  };
  constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
#if defined(QUORVEL_X86_64_VERSIONS)
  constexpr quorvel::detail::Cpu kZen5{.avx512f = true, .avx2 = true, .sse42 = true};
  constexpr quorvel::detail::Cpu kZen4{true, true, true, true};
  constexpr quorvel::detail::Cpu kZen3{.avx2 = true, .sse42 = true, .amdFamily19h = true};
  const Case cases[] = {
      {"Zen 5", kZen5, "x86-64-v2", "avx512f", "avx512f", kNever},
      {"Zen 4", kZen4, "x86-64-v2", "avx512f", "avx2", std::int64_t{4} << 20},
      {"Zen 3", kZen3, "x86-64-v2", "avx2", "avx2", kNever},
      {"Nehalem", {.sse42 = true}, "x86-64-v2", "x86-64-v2", "x86-64-v2", kNever},
      {"first x86-64", {}, "baseline", "baseline", "baseline", kNever},
  };
#elif defined(QUORVEL_VECTOR_UNIT)
  constexpr const char* kUnit = QUORVEL_VECTOR_UNIT;
  const Case cases[] = {
      {"with the vector unit", {.vectorUnit = true}, kUnit, kUnit, kUnit, kNever},
      {"without it", {true, true, true, true}, "baseline", "baseline", "baseline", kNever},
  };
#else
  const Case cases[] = {
      {"any", {true, true, true, true, true}, "baseline", "baseline", "baseline", kNever}};
#endif
  for (const Case& c : cases) {
    const quorvel::detail::Choice choice = quorvel::detail::choose(c.cpu);
    EXPECT_STREQ(choice.shortViews->name, c.shortViews) << c.name;
    EXPECT_STREQ(choice.small->name, c.small) << c.name;
    EXPECT_STREQ(choice.large->name, c.large) << c.name;
    EXPECT_EQ(choice.largeFrom, c.largeFrom) << c.name;
  }
}

// The version the dispatcher should pick on this CPU: the one named by
// QUORVEL_EXPECTED_VERSION where CI runs the test on an emulated CPU, else,
// on x86-64, the widest that the flags in /proc/cpuinfo allow, read apart
// from the compiler's CPU probe that the dispatcher uses. Null where neither
// says.
std::string expectedVersion() {
  if (const char* expected = std::getenv("QUORVEL_EXPECTED_VERSION")) return expected;
#ifdef QUORVEL_X86_64_VERSIONS
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line) && !line.starts_with("flags")) {
  }
  if (cpuinfo) {
    std::istringstream words(line.substr(line.find(':') + 1));
    const std::set<std::string> flags{std::istream_iterator<std::string>(words), {}};
    return flags.contains("avx512f")  ? "avx512f"
           : flags.contains("avx2")   ? "avx2"
           : flags.contains("sse4_2") ? "x86-64-v2"
                                      : "baseline";
  }
#endif
  return {};
}

// This CPU's choice is among the versions it runs, and is the one expected.
TEST(Dispatcher, UsesTheWidestVersionTheCpuRuns) {
  const auto supported = quorvel::detail::supportedVersions();
  ASSERT_FALSE(supported.empty());
  EXPECT_STREQ(supported.back().name, "baseline");
  const quorvel::detail::Choice& choice = quorvel::detail::chosen();
  EXPECT_EQ(choice.small, &supported.front());
  EXPECT_GE(choice.large, supported.data());
  EXPECT_LT(choice.large, supported.data() + supported.size());
  const std::string expected = expectedVersion();
  if (expected.empty()) GTEST_SKIP() << "nothing here says which version this CPU should run";
  EXPECT_EQ(choice.small->name, expected);
}

// A caller's code can search before main: from a static constructor, or at
// the very earliest from .preinit_array, which runs before the C runtime has
// probed the CPU for the compiler's __builtin_cpu_supports. The version
// chosen then serves the whole process.
const char* versionChosenBeforeMain = nullptr;

void searchBeforeMain() {
  std::int32_t values[1024] = {};
  values[700] = 1;
  if (quorvel::largestElement(values, 1024) == 1) {
    versionChosenBeforeMain = quorvel::detail::chosen().small->name;
  }
}

#ifdef __ELF__
[[gnu::section(".preinit_array"), gnu::used]] void (*const kBeforeMain)() = searchBeforeMain;
#else
[[gnu::constructor]] void searchInAStaticConstructor() { searchBeforeMain(); }
#endif

TEST(Dispatcher, ChoosesBeforeMainAsItWouldInMain) {
  ASSERT_NE(versionChosenBeforeMain, nullptr) << "the search before main gave a wrong answer";
  EXPECT_STREQ(versionChosenBeforeMain,
               quorvel::detail::choose(quorvel::detail::thisCpu()).small->name);
}

}  // namespace
