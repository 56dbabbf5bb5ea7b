#include "largest_element.h"

#include <limits>

// Starting from the lowest value rather than element 0 gives the same answer
// for every non-empty view and keeps an empty one in bounds. The loop is kept
// plain so the compiler vectorises it; on x86-64 the widest instruction set
// the CPU offers is picked at load time, while the binary still runs anywhere.
#if defined(__x86_64__) && defined(__GLIBC__) && defined(__has_attribute)
#if __has_attribute(target_clones)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
#endif
std::int32_t
largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  std::int32_t highest = std::numeric_limits<std::int32_t>::min();
  for (std::int32_t index = 0; index < elementCount; ++index) {
    highest = elements[index] > highest ? elements[index] : highest;
  }
  return highest;
}
