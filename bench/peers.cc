// SPDX-License-Identifier: MIT
#include "peers.h"

#include <algorithm>
#include <cstring>
#include <execution>
#include <numeric>
#include <span>

#ifdef QUORVEL_BENCH_HIGHWAY
#include <hwy/highway.h>
#endif

#if defined(__AVX512F__)
constexpr std::size_t kWidest = 64;
#elif defined(__AVX__)
constexpr std::size_t kWidest = 32;
#else
constexpr std::size_t kWidest = 16;
#endif

template <std::size_t kWidth>
using Wide [[gnu::vector_size(kWidth)]] = std::uint64_t;

template <std::size_t kWidth>
std::uint64_t bareRead(const void* bytes, std::size_t size) {
  using Lanes = Wide<kWidth>;
  const auto* at = static_cast<const unsigned char*>(bytes);
  const auto load = [](const unsigned char* from) {
    Lanes lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return lanes;
  };
  Lanes a{}, b{}, c{}, d{}, e{}, f{}, g{}, h{};
  std::size_t index = 0;
  for (; index + 8 * kWidth <= size; index += 8 * kWidth) {
    a |= load(at + index);
    b |= load(at + index + kWidth);
    c |= load(at + index + 2 * kWidth);
    d |= load(at + index + 3 * kWidth);
    e |= load(at + index + 4 * kWidth);
    f |= load(at + index + 5 * kWidth);
    g |= load(at + index + 6 * kWidth);
    h |= load(at + index + 7 * kWidth);
  }
  const Lanes all = (a | b) | (c | d) | (e | f) | (g | h);
  std::uint64_t result = 0;
  for (std::size_t lane = 0; lane < kWidth / 8; ++lane) result |= all[lane];
  for (; index < size; ++index) result |= at[index];
  return result;
}

std::size_t widestVector() { return kWidest; }

std::uint64_t bareRead(const void* bytes, std::size_t size, std::size_t width) {
  if (width == 64 && kWidest == 64) return bareRead<kWidest>(bytes, size);
  if (width == 32 && kWidest >= 32) return bareRead<(kWidest >= 32 ? 32 : 16)>(bytes, size);
  return bareRead<16>(bytes, size);
}

template <typename T>
T rangesMax(const T* elements, std::size_t count) {
  // A span: Clang 14 finds no begin() in libstdc++ 12's subrange.
  return std::ranges::max(std::span<const T>(elements, count));
}

template <typename T>
std::size_t rangesMaxElement(const T* elements, std::size_t count) {
  return static_cast<std::size_t>(std::ranges::max_element(elements, elements + count) - elements);
}

template <typename T>
T reduceUnseq(const T* elements, std::size_t count) {
  return std::reduce(std::execution::unseq, elements + 1, elements + count, elements[0],
                     [](T a, T b) { return std::max(a, b); });
}

#ifdef QUORVEL_BENCH_HIGHWAY
// The plain loop from Highway's documentation, for the one target
// -march=native selects.
template <typename T>
T highwayLoop(const T* elements, std::size_t count) {
  namespace hn = hwy::HWY_NAMESPACE;
  const hn::ScalableTag<T> d;
  const std::size_t lanes = hn::Lanes(d);
  auto highest = hn::Set(d, elements[0]);
  std::size_t index = 0;
  for (; index + lanes <= count; index += lanes) {
    highest = hn::Max(highest, hn::LoadU(d, elements + index));
  }
  T result;
  if constexpr (sizeof(T) == 1) {
    // Highway 1.0.3 has no MaxOfLanes for 8-bit lanes.
    HWY_ALIGN T lanesOf[hn::MaxLanes(d)];
    hn::Store(highest, d, lanesOf);
    result = *std::max_element(lanesOf, lanesOf + lanes);
  } else {
    result = hn::GetLane(hn::MaxOfLanes(d, highest));
  }
  for (; index < count; ++index) result = std::max(result, elements[index]);
  return result;
}
#endif

#ifdef QUORVEL_BENCH_HIGHWAY
#define QUORVEL_HIGHWAY(type) template type highwayLoop(const type*, std::size_t);
#else
#define QUORVEL_HIGHWAY(type)
#endif
#define QUORVEL_PEERS(type)                                        \
  template type rangesMax(const type*, std::size_t);               \
  template std::size_t rangesMaxElement(const type*, std::size_t); \
  template type reduceUnseq(const type*, std::size_t);             \
  QUORVEL_HIGHWAY(type)
QUORVEL_PEERS(std::int8_t)
QUORVEL_PEERS(std::int16_t)
QUORVEL_PEERS(std::int32_t)
QUORVEL_PEERS(std::int64_t)
QUORVEL_PEERS(std::uint8_t)
QUORVEL_PEERS(std::uint16_t)
QUORVEL_PEERS(std::uint32_t)
QUORVEL_PEERS(std::uint64_t)
QUORVEL_PEERS(float)
QUORVEL_PEERS(double)
