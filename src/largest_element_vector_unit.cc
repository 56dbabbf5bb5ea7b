// SPDX-License-Identifier: MIT
// The search for an architecture whose vector unit is optional (SSE2 on
// i386, NEON on 32-bit Arm, the z13 vector facility on s390x, RVV on
// riscv64), built with that unit enabled.

#include "largest_element_kernel.h"
#include "largest_element_versions.h"

std::int32_t quorvel::detail::largestElementVectorUnit(const std::int32_t* elements,
                                                       std::int32_t elementCount) {
  return largestInVectors<16>(elements, elementCount);
}
