#include "largest_element.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();

// By value, unlike std::max, so the running maxima below stay in registers.
constexpr std::int32_t higher(std::int32_t a, std::int32_t b) { return a > b ? a : b; }

}  // namespace

// Starting from the lowest value rather than from element 0 gives the same
// answer for every non-empty view and keeps an empty one in bounds.
//
// The loops are plain C++ for the compiler to vectorise. The middle one keeps
// 64 running maxima (four 512-bit registers) so that no wide comparison waits
// for the one before it, and it starts on a cache-line boundary because wide
// loads that straddle two lines run at half speed. On x86-64 the widest
// instruction set the CPU has is picked at load time; the binary still runs
// on any x86-64 CPU.
#if defined(__x86_64__) && defined(__GLIBC__) && defined(__has_attribute)
#if __has_attribute(target_clones)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
#endif
std::int32_t
largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  constexpr std::int32_t kLanes = 64;
  constexpr std::uintptr_t kCacheLine = 64;
  std::int32_t highest = kLowest;
  std::int32_t index = 0;
  for (;
       index < elementCount && reinterpret_cast<std::uintptr_t>(elements + index) % kCacheLine != 0;
       ++index) {
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
