#include "largest_element.h"

#include <algorithm>
#include <iterator>
#include <limits>

// On x86-64 with glibc, GCC and Clang build one version of the search per
// instruction set and the loader picks the widest the CPU has, so the same
// binary runs on every x86-64 CPU. Elsewhere there is one portable version.
#if defined(__x86_64__) && defined(__GLIBC__) && defined(__has_attribute)
#if __has_attribute(target_clones)
#define EACH_INSTRUCTION_SET __attribute__((target_clones("avx512f", "avx2", "default")))
#endif
#endif
#ifndef EACH_INSTRUCTION_SET
#define EACH_INSTRUCTION_SET
#endif

namespace {

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();

// By value, unlike std::max, so the running maxima below stay in registers.
constexpr std::int32_t higher(std::int32_t a, std::int32_t b) { return a > b ? a : b; }

// Wide loads that straddle two cache lines run at half speed.
bool startsCacheLine(const std::int32_t* element) {
  return reinterpret_cast<std::uintptr_t>(element) % 64 == 0;
}

}  // namespace

// Starting from the lowest value rather than from element 0 gives the same
// answer for every non-empty view and keeps an empty one in bounds.
//
// The loops are plain C++ for the compiler to vectorise: one by one up to a
// cache-line boundary, then 64 running maxima (four 512-bit registers) so
// that no wide comparison waits for the one before it, then the rest.
EACH_INSTRUCTION_SET
std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  constexpr std::int32_t kLanes = 64;
  std::int32_t highest = kLowest;
  std::int32_t index = 0;
  for (; index < elementCount && !startsCacheLine(elements + index); ++index) {
    highest = higher(highest, elements[index]);
  }
  std::int32_t lanes[kLanes];
  std::fill(std::begin(lanes), std::end(lanes), kLowest);
  for (; elementCount - index >= kLanes; index += kLanes) {
    for (std::int32_t lane = 0; lane < kLanes; ++lane) {
      lanes[lane] = higher(lanes[lane], elements[index + lane]);
    }
  }
  for (; index < elementCount; ++index) {
    highest = higher(highest, elements[index]);
  }
  for (const std::int32_t lane : lanes) {
    highest = higher(highest, lane);
  }
  return highest;
}
