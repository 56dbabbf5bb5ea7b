// SPDX-License-Identifier: MIT
// The public search, for C++ and C: each view goes to the version the
// dispatcher chose for its length on this CPU.

#include "quorvel/largest_element.h"

#include "largest_element_versions.h"

namespace quorvel {

std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  static const detail::Choice& choice = detail::chosen();
  if (elementCount < detail::kShortView) return choice.shortViews->search(elements, elementCount);
  const detail::Version* version = elementCount < choice.largeFrom ? choice.small : choice.large;
  return version->search(elements, elementCount);
}

}  // namespace quorvel

std::int32_t quorvel_largest_element(const std::int32_t* elements, std::int32_t elementCount) {
  return quorvel::largestElement(elements, elementCount);
}
