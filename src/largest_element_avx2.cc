// SPDX-License-Identifier: MIT
// The search for AVX2, built with that instruction set enabled.

#include "largest_element_kernel.h"
#include "largest_element_versions.h"

std::int32_t quorvel::detail::largestElementAvx2(const std::int32_t* elements,
                                                 std::int32_t elementCount) {
  return largestInVectors<32>(elements, elementCount);
}
