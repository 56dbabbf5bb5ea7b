// SPDX-License-Identifier: MIT
#ifndef QUORVEL_TESTS_LARGEST_ELEMENT_REFERENCE_H_
#define QUORVEL_TESTS_LARGEST_ELEMENT_REFERENCE_H_

// The search's rule, stated plainly, for the tests and the fuzzer to hold
// every variant against: a NaN wins at its first position; otherwise the
// first of the highest (or lowest), +0 above -0; an empty view gives the
// type's lowest (or highest) value at position 0.

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace quorvel::testing {

template <typename T>
constexpr T lowest() {
  if constexpr (std::is_floating_point_v<T>) return -std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::lowest();
}

template <typename T>
constexpr T highest() {
  if constexpr (std::is_floating_point_v<T>) return std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::max();
}

template <typename T>
bool ranksAbove(T a, T b) {
  return a > b || (a == 0 && b == 0 && !std::signbit(static_cast<double>(a)) &&
                   std::signbit(static_cast<double>(b)));
}

// The first highest, or with `lowest` set the first lowest.
template <typename T>
std::pair<T, std::size_t> reference(const T* elements, std::size_t count, bool lowest = false) {
  std::pair<T, std::size_t> best{lowest ? highest<T>() : testing::lowest<T>(), 0};
  for (std::size_t index = 0; index < count; ++index) {
    const T element = elements[index];
    if (element != element) return {element, index};
    if (index == 0 || (lowest ? ranksAbove(best.first, element) : ranksAbove(element, best.first)))
      best = {element, index};
  }
  return best;
}

// The same value: bit for bit, or both NaN.
template <typename T>
bool sameValue(T a, T b) {
  if constexpr (std::is_floating_point_v<T>) {
    if (a != a || b != b) return a != a && b != b;
  }
  return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace quorvel::testing

#endif  // QUORVEL_TESTS_LARGEST_ELEMENT_REFERENCE_H_
