/* SPDX-License-Identifier: MIT */
#ifndef QUORVEL_LARGEST_ELEMENT_H_
#define QUORVEL_LARGEST_ELEMENT_H_

/* The largest-element search, for C (C99 and later) and C++ (C++11 and
 * later; the span overload needs C++20). */

#if defined(__GNUC__) && !defined(_WIN32)
#define QUORVEL_API __attribute__((visibility("default")))
#else
#define QUORVEL_API
#endif

#ifdef __cplusplus
#include <cstdint>
extern "C" {
#else
#include <stdint.h>
#endif

/* Returns the highest of the `elementCount` values that start at `elements`,
 * reading each once and writing none. An empty view (`elementCount` below 1)
 * reads nothing and returns -2147483648, since nothing in it can be higher. */
QUORVEL_API int32_t quorvel_largest_element(const int32_t* elements, int32_t elementCount);

#ifdef __cplusplus
}  // extern "C"

namespace quorvel {

/// The same search as quorvel_largest_element.
QUORVEL_API std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount);

}  // namespace quorvel

#if __cplusplus >= 202002L && defined(__has_include)
#if __has_include(<span>)
#include <cstddef>
#include <span>

namespace quorvel {
namespace detail {

// Searches `elements` in pieces of at most `piece` elements each.
inline std::int32_t largestInPieces(std::span<const std::int32_t> elements, std::int32_t piece) {
  std::int32_t highest = -2147483647 - 1;
  while (!elements.empty()) {
    const std::size_t length = elements.size() < static_cast<std::size_t>(piece)
                                   ? elements.size()
                                   : static_cast<std::size_t>(piece);
    const std::int32_t pieceHighest =
        largestElement(elements.data(), static_cast<std::int32_t>(length));
    if (pieceHighest > highest) highest = pieceHighest;
    elements = elements.subspan(length);
  }
  return highest;
}

}  // namespace detail

/// The same search for a view of any length a span can hold: one longer
/// than 2147483647 elements is searched whole, in pieces. An empty span
/// gives -2147483648, as an empty view does.
inline std::int32_t largestElement(std::span<const std::int32_t> elements) {
  return detail::largestInPieces(elements, 2147483647);
}

}  // namespace quorvel
#endif
#endif

#endif  // __cplusplus

#endif  // QUORVEL_LARGEST_ELEMENT_H_
