// SPDX-License-Identifier: MIT
// The search for AVX-512 (AVX512F), built with that instruction set enabled.

#include "largest_element_kernel.h"
#include "largest_element_versions.h"

std::int32_t quorvel::detail::largestElementAvx512(const std::int32_t* elements,
                                                   std::int32_t elementCount) {
  return largestInVectors<64>(elements, elementCount);
}
