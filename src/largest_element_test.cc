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

// The widest version the CPU runs is the one used; where the CPU is known
// (CI runs this under emulated CPUs), QUORVEL_EXPECTED_VERSION names it.
TEST(Dispatcher, UsesTheWidestVersionTheCpuRuns) {
  const auto supported = quorvel::detail::supportedVersions();
  ASSERT_FALSE(supported.empty());
  EXPECT_STREQ(supported.back().name, "baseline");
  if (const char* expected = std::getenv("QUORVEL_EXPECTED_VERSION")) {
    EXPECT_STREQ(quorvel::detail::chosenVersion().name, expected);
  }
}

}  // namespace
