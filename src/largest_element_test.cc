#include "largest_element.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();

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
  for (const std::vector<std::int32_t>& values : cases) {
    std::vector<std::int32_t> array = values;
    EXPECT_EQ(largestElement(array.data(), static_cast<std::int32_t>(array.size())),
              *std::max_element(values.begin(), values.end()));
    EXPECT_EQ(array, values);
  }
}

TEST(LargestElement, EmptyViewReadsNothingAndGivesTheLowestValue) {
  EXPECT_EQ(largestElement(nullptr, 0), kLowest);
  EXPECT_EQ(largestElement(nullptr, -1), kLowest);
  EXPECT_EQ(largestElement(nullptr, kLowest), kLowest);
}

// Views of every length up to a few vector widths, starting at every
// alignment, in an array whose elements outside the view are all higher than
// anything inside: reading past either end of the view changes the answer.
TEST(LargestElement, AgreesWithMaxElementOnRandomViews) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::int32_t> value(kLowest, kHighest - 1);
  alignas(64) std::int32_t array[320];
  for (std::int32_t offset = 0; offset < 17; ++offset) {
    for (std::int32_t length = 1; offset + length < 320; ++length) {
      std::fill(std::begin(array), std::end(array), kHighest);
      std::int32_t* view = array + offset;
      std::generate(view, view + length, [&] { return value(random); });
      ASSERT_EQ(largestElement(view, length), *std::max_element(view, view + length))
          << "offset " << offset << ", length " << length;
    }
  }
}

}  // namespace
