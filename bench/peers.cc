// SPDX-License-Identifier: MIT
#include "peers.h"

#include <algorithm>
#include <execution>
#include <numeric>

#ifdef QUORVEL_BENCH_HIGHWAY
#include <hwy/highway.h>
#endif

std::int32_t rangesMaxElement(const std::int32_t* elements, std::int32_t count) {
  return *std::ranges::max_element(elements, elements + count);
}

std::int32_t reduceUnseq(const std::int32_t* elements, std::int32_t count) {
  return std::reduce(std::execution::unseq, elements + 1, elements + count, elements[0],
                     [](std::int32_t a, std::int32_t b) { return std::max(a, b); });
}

#ifdef QUORVEL_BENCH_HIGHWAY
// The plain loop from Highway's documentation, for the one target
// -march=native selects.
std::int32_t highwayLoop(const std::int32_t* elements, std::int32_t count) {
  namespace hn = hwy::HWY_NAMESPACE;
  const hn::ScalableTag<std::int32_t> d;
  const auto lanes = static_cast<std::int32_t>(hn::Lanes(d));
  auto highest = hn::Set(d, elements[0]);
  std::int32_t index = 0;
  for (; index + lanes <= count; index += lanes) {
    highest = hn::Max(highest, hn::LoadU(d, elements + index));
  }
  std::int32_t result = hn::GetLane(hn::MaxOfLanes(d, highest));
  for (; index < count; ++index) result = std::max(result, elements[index]);
  return result;
}
#endif
