// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_H_
#define QUORVEL_LARGEST_ELEMENT_H_

#include <cstdint>

namespace quorvel {

/// Returns the highest of the `elementCount` values that start at `elements`,
/// reading each once and writing none. An empty view (`elementCount` below 1)
/// reads nothing and returns -2147483648, since nothing in it can be higher.
std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount);

}  // namespace quorvel

#endif  // QUORVEL_LARGEST_ELEMENT_H_
