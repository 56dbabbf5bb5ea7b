// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_KERNEL_H_
#define QUORVEL_LARGEST_ELEMENT_KERNEL_H_

// The search's loop, written once with the compiler's vector types and
// compiled once per instruction set by the file that includes it. Everything
// here has internal linkage, so the linker cannot swap one instruction set's
// copy for another's.

#include <cstdint>
#include <cstring>

namespace quorvel::detail {
namespace {

// Four bytes aligned, so that a vector may be loaded from any element.
template <int kBytes>
using Vector [[gnu::vector_size(kBytes), gnu::aligned(4)]] = std::int32_t;

constexpr std::int32_t kLowest = -2147483647 - 1;

// The main loop's eight comparisons a step come in two forms, and each
// compiler turns a different one into the faster loop: with 512-bit vectors
// the other form ran 10-20% slower from L3 or memory (AMD Zen 5, GCC 12 and
// Clang 14); with narrower vectors Clang, too, does better with pairs.
#ifdef __clang__
constexpr bool kSequentialChains = true;
#else
constexpr bool kSequentialChains = false;
#endif

// By value, unlike std::max, so the running maxima stay in registers.
template <typename Value>
inline Value higher(Value a, Value b) {
  return a > b ? a : b;
}

// Starting from the lowest value rather than from element 0 gives the same
// answer for every non-empty view and keeps an empty one in bounds.
inline std::int32_t largestOneByOne(const std::int32_t* elements, std::int32_t elementCount) {
  std::int32_t highest = kLowest;
  for (std::int32_t index = 0; index < elementCount; ++index) {
    highest = higher(highest, elements[index]);
  }
  return highest;
}

template <int kBytes>
inline std::int32_t highestLane(Vector<kBytes> lanes) {
  if constexpr (kBytes == sizeof(std::int32_t)) {
    return lanes[0];
  } else {
    Vector<kBytes / 2> low, high;
    std::memcpy(&low, &lanes, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&lanes) + sizeof low, sizeof high);
    return highestLane<kBytes / 2>(higher(low, high));
  }
}

// The search with vectors of `kBytes`. Views shorter than one vector go one
// by one. Longer ones: a first vector from element 0, then whole vectors
// from the next vector-aligned element (a load that straddles two cache
// lines runs at half speed), eight a step into four independent chains, so
// that no comparison waits long for the one before it and the loop's own
// work stays small beside the loads; then single vectors, and a last vector
// ending at the last element covers what is left. Overlapping loads do no
// harm to a maximum.
template <int kBytes>
inline std::int32_t largestInVectors(const std::int32_t* elements, std::int32_t elementCount) {
  using Lanes = Vector<kBytes>;
  constexpr std::int32_t kLanes = kBytes / sizeof(std::int32_t);
  if (elementCount < kLanes) return largestOneByOne(elements, elementCount);

  const auto load = [elements](std::int32_t index) {
    Lanes lanes;
    std::memcpy(&lanes, elements + index, sizeof lanes);
    return lanes;
  };
  Lanes a = load(0);
  Lanes b = a, c = a, d = a;
  const auto address = reinterpret_cast<std::uintptr_t>(elements);
  std::int32_t index = kLanes - static_cast<std::int32_t>(address / sizeof(std::int32_t) % kLanes);
  for (; elementCount - index >= 8 * kLanes; index += 8 * kLanes) {
    if constexpr (kSequentialChains && kBytes == 64) {
      a = higher(a, load(index));
      b = higher(b, load(index + kLanes));
      c = higher(c, load(index + 2 * kLanes));
      d = higher(d, load(index + 3 * kLanes));
      a = higher(a, load(index + 4 * kLanes));
      b = higher(b, load(index + 5 * kLanes));
      c = higher(c, load(index + 6 * kLanes));
      d = higher(d, load(index + 7 * kLanes));
    } else {
      a = higher(a, higher(load(index), load(index + 4 * kLanes)));
      b = higher(b, higher(load(index + kLanes), load(index + 5 * kLanes)));
      c = higher(c, higher(load(index + 2 * kLanes), load(index + 6 * kLanes)));
      d = higher(d, higher(load(index + 3 * kLanes), load(index + 7 * kLanes)));
    }
  }
  for (; elementCount - index >= kLanes; index += kLanes) {
    a = higher(a, load(index));
  }
  b = higher(b, load(elementCount - kLanes));
  return highestLane<kBytes>(higher(higher(a, b), higher(c, d)));
}

}  // namespace
}  // namespace quorvel::detail

#endif  // QUORVEL_LARGEST_ELEMENT_KERNEL_H_
