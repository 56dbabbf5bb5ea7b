// SPDX-License-Identifier: MIT
// The first search, for signed 32-bit integers with a signed 32-bit count,
// in C++ and C: each view goes to the variant the dispatcher chose for its
// size on this CPU.

#include "quorvel/largest_element.h"

#include "largest_element_dispatch.h"

namespace quorvel {

std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  if (elementCount < 1) return -2147483647 - 1;
  const auto count = static_cast<std::size_t>(elementCount);
  return detail::kernelsFor<std::int32_t>(count).largest(elements, count);
}

}  // namespace quorvel

std::int32_t quorvel_largest_element(const std::int32_t* elements, std::int32_t elementCount) {
  return quorvel::largestElement(elements, elementCount);
}
