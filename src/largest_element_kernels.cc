// SPDX-License-Identifier: MIT
// One element type's kernels, a variant each, built once per type
// (QUORVEL_ELEMENT) in the table's order.

#include "largest_element_dispatch.h"

namespace quorvel::detail {

template <>
std::span<const Kernels<QUORVEL_ELEMENT>> variantKernels() {
  static constexpr Kernels<QUORVEL_ELEMENT> kKernels[] = {
#define QUORVEL_KERNELS(id, ...)                                                   \
  {id::largest,  id::largestIndex,  id::largestOfLines, id::smallest, id::smallestIndex, \
   id::smallestOfLines, id::extremes},
      QUORVEL_FOR_EACH_VARIANT(QUORVEL_KERNELS)
#undef QUORVEL_KERNELS
  };
  return kKernels;
}

}  // namespace quorvel::detail
