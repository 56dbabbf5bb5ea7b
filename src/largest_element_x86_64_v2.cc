// SPDX-License-Identifier: MIT
// The search for x86-64-v2 (its vector instructions, up to SSE4.2), built with
// that instruction set enabled.

#include "largest_element_kernel.h"
#include "largest_element_versions.h"

std::int32_t quorvel::detail::largestElementX86_64V2(const std::int32_t* elements,
                                                     std::int32_t elementCount) {
  return largestInVectors<16>(elements, elementCount);
}
