// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <quorvel/largest_element.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "largest_element_versions.h"

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

// What the dispatcher makes of CPUs it may meet: the widest version each
// runs, but on Zen 4 AVX2 once a view outgrows the cache.
TEST(Dispatcher, ChoosesByWhatTheCpuReports) {
  struct Case {
    const char* name;
    quorvel::detail::Cpu cpu;
    const char* small;
    const char* large;
    std::int64_t largeFrom;
  };
  constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
#if defined(QUORVEL_X86_64_VERSIONS)
  const Case cases[] = {
      {"Zen 5", {.avx512f = true, .avx2 = true, .sse42 = true}, "avx512f", "avx512f", kNever},
      {"Zen 4", {true, true, true, true}, "avx512f", "avx2", std::int64_t{4} << 20},
      {"Zen 3", {.avx2 = true, .sse42 = true, .amdFamily19h = true}, "avx2", "avx2", kNever},
      {"Nehalem", {.sse42 = true}, "x86-64-v2", "x86-64-v2", kNever},
      {"first x86-64", {}, "baseline", "baseline", kNever},
  };
#elif defined(QUORVEL_VECTOR_UNIT)
  const Case cases[] = {
      {"with the vector unit",
       {.vectorUnit = true},
       QUORVEL_VECTOR_UNIT,
       QUORVEL_VECTOR_UNIT,
       kNever},
      {"without it", {true, true, true, true}, "baseline", "baseline", kNever},
  };
#else
  const Case cases[] = {{"any", {true, true, true, true, true}, "baseline", "baseline", kNever}};
#endif
  for (const Case& c : cases) {
    const quorvel::detail::Choice choice = quorvel::detail::choose(c.cpu);
    EXPECT_STREQ(choice.small->name, c.small) << c.name;
    EXPECT_STREQ(choice.large->name, c.large) << c.name;
    EXPECT_EQ(choice.largeFrom, c.largeFrom) << c.name;
  }
}

// This CPU's choice is among the versions it runs; where the CPU is known
// (CI runs this under emulated CPUs), QUORVEL_EXPECTED_VERSION names it.
TEST(Dispatcher, UsesAVersionTheCpuRuns) {
  const auto supported = quorvel::detail::supportedVersions();
  ASSERT_FALSE(supported.empty());
  EXPECT_STREQ(supported.back().name, "baseline");
  const quorvel::detail::Choice& choice = quorvel::detail::chosen();
  EXPECT_EQ(choice.small, &supported.front());
  EXPECT_GE(choice.large, supported.data());
  EXPECT_LT(choice.large, supported.data() + supported.size());
  if (const char* expected = std::getenv("QUORVEL_EXPECTED_VERSION")) {
    EXPECT_STREQ(choice.small->name, expected);
  }
}

}  // namespace
