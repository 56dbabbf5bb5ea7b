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

// Hands the running maxima to the next step through registers. The compiler
// may not look through this empty asm, so it cannot regroup a step's
// comparisons across it and reorder the loads: GCC, left free, turned
// `a = max(a, x0) ... a = max(a, x4)` into `a = max(a, max(x0, x4))`, loaded
// out of address order, and ran slower from L3 (doc/performance.md). Without
// a vector unit the vectors live in memory, and there is nothing to hold in
// registers. A macro rather than a function: a reference to a vector would
// drop its four-byte alignment.
#if defined(__SSE2__) || defined(__VX__) || defined(__ALTIVEC__)
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d) asm("" : "+v"(a), "+v"(b), "+v"(c), "+v"(d))
#elif defined(__ARM_NEON)
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d) asm("" : "+w"(a), "+w"(b), "+w"(c), "+w"(d))
#else
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d)
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
// by one, views of up to four from both ends. Longer ones: a first vector from element 0, then
// whole vectors from the next vector-aligned element (a load that straddles two cache lines runs at
// half speed), eight a step into four independent chains, so that no comparison waits long for the
// one before it and the loop's own work stays small beside the loads; then single vectors, and a
// last vector ending at the last element covers what is left. Overlapping loads do no harm to a
// maximum.
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
  // Up to four vectors' worth: two or four loads from the two ends cover
  // it, with no loop and no alignment to work out.
  if (elementCount <= 4 * kLanes) {
    Lanes front = load(0), back = load(elementCount - kLanes);
    if (elementCount > 2 * kLanes) {
      front = higher(front, load(kLanes));
      back = higher(back, load(elementCount - 2 * kLanes));
    }
    return highestLane<kBytes>(higher(front, back));
  }
  Lanes a = load(0);
  Lanes b = a, c = a, d = a;
  const auto address = reinterpret_cast<std::uintptr_t>(elements);
  std::int32_t index = kLanes - static_cast<std::int32_t>(address / sizeof(std::int32_t) % kLanes);
  for (; elementCount - index >= 8 * kLanes; index += 8 * kLanes) {
    a = higher(a, load(index));
    b = higher(b, load(index + kLanes));
    c = higher(c, load(index + 2 * kLanes));
    d = higher(d, load(index + 3 * kLanes));
    QUORVEL_KEEP_IN_REGISTERS(a, b, c, d);
    a = higher(a, load(index + 4 * kLanes));
    b = higher(b, load(index + 5 * kLanes));
    c = higher(c, load(index + 6 * kLanes));
    d = higher(d, load(index + 7 * kLanes));
    QUORVEL_KEEP_IN_REGISTERS(a, b, c, d);
  }
  for (; elementCount - index >= kLanes; index += kLanes) {
    a = higher(a, load(index));
  }
  b = higher(b, load(elementCount - kLanes));
  return highestLane<kBytes>(higher(higher(a, b), higher(c, d)));
}

}  // namespace
}  // namespace quorvel::detail

#undef QUORVEL_KEEP_IN_REGISTERS

#endif  // QUORVEL_LARGEST_ELEMENT_KERNEL_H_
