// SPDX-License-Identifier: MIT
#ifndef QUORVEL_TESTS_LARGEST_ELEMENT_REFERENCE_H_
#define QUORVEL_TESTS_LARGEST_ELEMENT_REFERENCE_H_

// The search's rule, stated plainly, for the tests and the fuzzer to hold
// every variant against: a NaN wins at its first position; otherwise the
// first of the highest, +0 above -0; an empty view gives the type's lowest
// value at position 0.

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
bool ranksAbove(T a, T b) {
  return a > b || (a == 0 && b == 0 && !std::signbit(static_cast<double>(a)) &&
                   std::signbit(static_cast<double>(b)));
}

template <typename T>
std::pair<T, std::size_t> reference(const T* elements, std::size_t count) {
  std::pair<T, std::size_t> best{lowest<T>(), 0};
  for (std::size_t index = 0; index < count; ++index) {
    if (elements[index] != elements[index]) return {elements[index], index};
    if (index == 0 || ranksAbove(elements[index], best.first)) best = {elements[index], index};
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
