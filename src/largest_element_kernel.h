// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_KERNEL_H_
#define QUORVEL_LARGEST_ELEMENT_KERNEL_H_

// The search's loops, written once with the compiler's vector types for
// every element type, and compiled once per variant and type by the file
// that includes it. Everything here has internal linkage, so the linker
// cannot swap one instruction set's copy for another's.
//
// The rule, in every variant: the highest (or lowest) value, and the
// position of its first occurrence. Floats follow IEEE 754-2019's maximum
// (or minimum): any NaN wins (at the first NaN), and +0 ranks above -0.
// Equal floats are told apart by their bits, so the answer does not depend
// on the floating-point mode. Each loop is written once, for the end it
// seeks as a template parameter: the lowest is the highest with every
// comparison turned round.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace quorvel::detail {
namespace {

template <typename T>
constexpr bool kFloat = std::is_floating_point_v<T>;

// Aligned to one element, so that a vector may be loaded from any element.
template <typename T, int kBytes>
using Vector [[gnu::vector_size(kBytes), gnu::aligned(sizeof(T))]] = T;

// The signed integer of an element's size: what a vector comparison yields,
// and how a float's bits are compared.
template <typename T>
using Bits = std::make_signed_t<std::conditional_t<
    sizeof(T) == 8, std::uint64_t,
    std::conditional_t<sizeof(T) == 4, std::uint32_t,
                       std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint8_t>>>>;

// Which end of the order a search seeks.
enum class End { highest, lowest };

template <typename T>
constexpr T lowestOf() {
  if constexpr (kFloat<T>) return -std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::lowest();
}

template <typename T>
constexpr T highestOf() {
  if constexpr (kFloat<T>) return std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::max();
}

// The answer for an empty view: the other end, since nothing can be beyond it.
template <End kEnd, typename T>
constexpr T emptyOf() {
  return kEnd == End::highest ? lowestOf<T>() : highestOf<T>();
}

// 32-bit Arm's NEON flushes subnormal floats to zero, and has no double
// vectors: there floats are compared one by one, as the plain build does.
#if defined(__arm__) && defined(__ARM_NEON)
template <typename T>
constexpr bool kVectorsFor = !kFloat<T>;
#else
template <typename T>
constexpr bool kVectorsFor = true;
#endif

// Hands the running maxima to the next step through registers. The compiler
// may not look through this empty asm, so it cannot regroup a step's
// comparisons across it and reorder the loads: GCC, left free, turned
// `a = max(a, x0) ... a = max(a, x4)` into `a = max(a, max(x0, x4))`, loaded
// out of address order, and ran slower from L3 (doc/performance.md). Without
// a vector unit the vectors live in memory, and there is nothing to hold in
// registers. A macro rather than a function: a reference to a vector would
// drop its alignment.
#if defined(__SSE2__) || defined(__VX__) || defined(__ALTIVEC__)
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d) asm("" : "+v"(a), "+v"(b), "+v"(c), "+v"(d))
#elif defined(__ARM_NEON)
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d) asm("" : "+w"(a), "+w"(b), "+w"(c), "+w"(d))
#else
#define QUORVEL_KEEP_IN_REGISTERS(a, b, c, d)
#endif

// By value, unlike std::max, so the running maxima stay in registers: `b`
// where it lies beyond `a` towards the end sought, else `a`. A NaN in `b` is
// passed over; the scans track NaNs apart.
template <End kEnd, typename Value>
inline Value beyond(Value a, Value b) {
  if constexpr (kEnd == End::highest) return b > a ? b : a;
  return b < a ? b : a;
}

template <typename T>
constexpr Bits<T> bitsOf(T value) {
  return std::bit_cast<Bits<T>>(value);
}

template <typename T>
constexpr bool isNaN(T value) {
  if constexpr (kFloat<T>) return value != value;
  return false;
}

// Whether `a` lies beyond `b` towards the end sought, neither a NaN; -0
// ranks below +0, and a negative float's bits are the lower as integers.
template <End kEnd, typename T>
inline bool beats(T a, T b) {
  if constexpr (kEnd == End::lowest) {
    if constexpr (kFloat<T>) return a < b || (a == b && bitsOf(a) < bitsOf(b));
    return a < b;
  }
  if constexpr (kFloat<T>) return a > b || (a == b && bitsOf(a) > bitsOf(b));
  return a > b;
}

// The end of a stretch, NaNs passed over, and whether it held a NaN.
template <typename T>
struct Summary {
  T best;
  bool unordered;
};

template <End kEnd, typename T>
inline Summary<T> scanOneByOne(const T* elements, std::size_t count) {
  Summary<T> summary{emptyOf<kEnd, T>(), false};
  for (std::size_t index = 0; index < count; ++index) {
    summary.best = beyond<kEnd>(summary.best, elements[index]);
    summary.unordered |= isNaN(elements[index]);
  }
  return summary;
}

// Folds a vector's lanes with `fold`, halving it each step.
template <typename T, int kBytes, typename Fold>
inline T foldLanes(Vector<T, kBytes> lanes, Fold fold) {
  if constexpr (kBytes == sizeof(T)) {
    return lanes[0];
  } else {
    Vector<T, kBytes / 2> low, high;
    std::memcpy(&low, &lanes, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&lanes) + sizeof low, sizeof high);
    return foldLanes<T, kBytes / 2>(fold(low, high), fold);
  }
}

template <End kEnd, typename T, int kBytes>
inline T bestLane(Vector<T, kBytes> lanes) {
  return foldLanes<T, kBytes>(lanes, [](auto a, auto b) { return beyond<kEnd>(a, b); });
}

template <typename T, int kBytes>
inline bool anyLane(Vector<T, kBytes> lanes) {
  return foldLanes<T, kBytes>(lanes, [](auto a, auto b) { return a | b; }) != 0;
}

// The scan with vectors of `kBytes`. Stretches shorter than one vector go
// one by one, those of up to four from both ends. Longer ones: a first
// vector from element 0, then whole vectors from the next vector-aligned
// element (a load that straddles two cache lines runs at half speed), eight
// a step into four independent chains, so that no comparison waits long for
// the one before it and the loop's own work stays small beside the loads;
// then single vectors, and a last vector ending at the last element covers
// what is left. Overlapping loads do no harm to a maximum. Floats also OR
// together, per lane, whether each element was a NaN.
template <End kEnd, int kBytes, typename T>
inline Summary<T> scan(const T* elements, std::size_t count) {
  using Lanes = Vector<T, kBytes>;
  using Flags = Vector<Bits<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  if (!kVectorsFor<T> || count < kLanes) return scanOneByOne<kEnd>(elements, count);

  Flags unordered{};
  const auto load = [&](std::size_t index) {
    // Loaded as integers and cast: GCC 12 copies a float vector that is
    // not aligned to its size through the stack, at a tenth of the speed.
    Flags bits;
    std::memcpy(&bits, elements + index, sizeof bits);
    const auto lanes = reinterpret_cast<Lanes>(bits);
    if constexpr (kFloat<T>) unordered |= lanes != lanes;
    return lanes;
  };
  const auto summary = [&](Lanes lanes) {
    if constexpr (kFloat<T>)
      return Summary<T>{bestLane<kEnd, T, kBytes>(lanes), anyLane<Bits<T>, kBytes>(unordered)};
    return Summary<T>{bestLane<kEnd, T, kBytes>(lanes), false};
  };
  // Up to four vectors' worth: two or four loads from the two ends cover
  // it, with no loop and no alignment to work out.
  if (count <= 4 * kLanes) {
    Lanes front = load(0), back = load(count - kLanes);
    if (count > 2 * kLanes) {
      front = beyond<kEnd>(front, load(kLanes));
      back = beyond<kEnd>(back, load(count - 2 * kLanes));
    }
    return summary(beyond<kEnd>(front, back));
  }
  Lanes a = load(0);
  Lanes b = a, c = a, d = a;
  const auto address = reinterpret_cast<std::uintptr_t>(elements);
  std::size_t index = kLanes - address / sizeof(T) % kLanes;
  for (; count - index >= 8 * kLanes; index += 8 * kLanes) {
    a = beyond<kEnd>(a, load(index));
    b = beyond<kEnd>(b, load(index + kLanes));
    c = beyond<kEnd>(c, load(index + 2 * kLanes));
    d = beyond<kEnd>(d, load(index + 3 * kLanes));
    QUORVEL_KEEP_IN_REGISTERS(a, b, c, d);
    a = beyond<kEnd>(a, load(index + 4 * kLanes));
    b = beyond<kEnd>(b, load(index + 5 * kLanes));
    c = beyond<kEnd>(c, load(index + 6 * kLanes));
    d = beyond<kEnd>(d, load(index + 7 * kLanes));
    QUORVEL_KEEP_IN_REGISTERS(a, b, c, d);
  }
  for (; count - index >= kLanes; index += kLanes) {
    a = beyond<kEnd>(a, load(index));
  }
  b = beyond<kEnd>(b, load(count - kLanes));
  return summary(beyond<kEnd>(beyond<kEnd>(a, b), beyond<kEnd>(c, d)));
}

// The first position from 0 below `count` whose element has the bits of
// `value`, or whose element is a NaN if `nan`; `count` if there is none.
// Four vectors a step are tested at once, then lane by lane where one hit.
template <int kBytes, typename T>
inline std::size_t findFirst(const T* elements, std::size_t count, T value,
                             [[maybe_unused]] bool nan) {
  using Lanes = Vector<Bits<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  const Bits<T> wanted = bitsOf(value);
  const auto hit = [&](auto bits) {
    if constexpr (kFloat<T>) {
      if (nan) {
        constexpr Bits<T> kInfinity = bitsOf(std::numeric_limits<T>::infinity());
        return (bits & std::numeric_limits<Bits<T>>::max()) > kInfinity;
      }
    }
    return bits == wanted;
  };
  std::size_t index = 0;
  if constexpr (kVectorsFor<T>) {
    const auto hits = [&](std::size_t at) {
      Lanes bits;
      std::memcpy(&bits, elements + at, sizeof bits);
      return hit(bits);
    };
    for (; count - index >= 4 * kLanes; index += 4 * kLanes) {
      if (anyLane<Bits<T>, kBytes>(hits(index) | hits(index + kLanes) | hits(index + 2 * kLanes) |
                                   hits(index + 3 * kLanes))) {
        break;
      }
    }
  }
  for (; index < count; ++index) {
    if (hit(bitsOf(elements[index]))) return index;
  }
  return count;
}

// Views are searched in blocks that fit in the first-level cache. Where the
// position is asked for, the loop keeps the first block whose end beats
// every block before it, and afterwards looks for that end in that block
// alone, so the array is read once, not twice; small blocks keep that second
// look short. A float block whose end is zero is read again, while in
// cache, for the sign of its zero; where only the value is asked for, large
// blocks keep the cost of each block's end small. Each block's end breaks
// the stream of loads, which on huge pages the prefetcher no longer breaks
// at every 4 KiB itself: so a view too large for the second-level cache is
// searched for its position in blocks of 64 KiB, whose second look costs
// little beside reading it from memory (doc/performance.md).
constexpr std::size_t kIndexBlockBytes = std::size_t{4} << 10;
constexpr std::size_t kLargeIndexBlockBytes = std::size_t{64} << 10;
constexpr std::size_t kLargeViewBytes = std::size_t{1} << 20;
constexpr std::size_t kValueBlockBytes = std::size_t{16} << 10;

// The block of a search of `count` elements of T.
template <typename T>
constexpr std::size_t blockOf(std::size_t count, bool wantIndex) {
  if (!wantIndex) return kValueBlockBytes / sizeof(T);
  return (count >= kLargeViewBytes / sizeof(T) ? kLargeIndexBlockBytes : kIndexBlockBytes) /
         sizeof(T);
}

template <typename T>
struct Found {
  T value;
  std::size_t index;
};

// The position of the first element at the end sought, one by one: where
// the array changed while it was searched, so that the block no longer
// holds what was found there.
template <End kEnd, typename T>
inline Found<T> firstBestOneByOne(const T* elements, std::size_t count) {
  Found<T> found{elements[0], 0};
  for (std::size_t index = 0; index < count; ++index) {
    const T element = elements[index];
    if (isNaN(element)) return {std::numeric_limits<T>::quiet_NaN(), index};
    if (beats<kEnd>(element, found.value)) found = {element, index};
  }
  return found;
}

// The first position in the block of `length` elements from `start` that
// holds `value`, or a NaN if `nan`. Where the array changed since the block
// was scanned and it holds neither, the first end of the whole array as it
// is now.
template <End kEnd, int kBytes, typename T>
inline Found<T> locate(const T* elements, std::size_t count, std::size_t start, std::size_t length,
                       T value, bool nan) {
  const std::size_t at = findFirst<kBytes>(elements + start, length, value, nan);
  if (at == length) return firstBestOneByOne<kEnd>(elements, count);
  return {nan ? std::numeric_limits<T>::quiet_NaN() : value, start + at};
}

// A float block's end, where it is zero: the end's own zero (+0 for the
// highest, -0 for the lowest) if the block holds one, else the other.
template <End kEnd, int kBytes, typename T>
inline T signedZero(const T* block, std::size_t length) {
  const T own = kEnd == End::highest ? T{0} : -T{0};
  return findFirst<kBytes>(block, length, own, false) < length ? own : -own;
}

// The best block so far for one end: its end, where it starts, and its
// length; `start` is the count while there is none.
template <typename T>
struct Best {
  Found<T> found;
  std::size_t length;
};

template <End kEnd, typename T>
inline void keep(Best<T>& best, T value, std::size_t start, std::size_t length,
                 std::size_t count) {
  if (best.found.index == count || beats<kEnd>(value, best.found.value)) {
    best = {{value, start}, length};
  }
}

template <End kEnd, int kBytes, typename T>
inline Found<T> search(const T* elements, std::size_t count, bool wantIndex) {
  const std::size_t kBlock = blockOf<T>(count, wantIndex);
  Best<T> best{{emptyOf<kEnd, T>(), count}, 0};
  for (std::size_t start = 0; start < count; start += kBlock) {
    const std::size_t length = count - start < kBlock ? count - start : kBlock;
    const T* const block = elements + start;
    Summary<T> summary = scan<kEnd, kBytes>(block, length);
    if constexpr (kFloat<T>) {
      if (summary.unordered) return locate<kEnd, kBytes>(elements, count, start, length, T{}, true);
      if (summary.best == 0) summary.best = signedZero<kEnd, kBytes>(block, length);
    }
    keep<kEnd>(best, summary.best, start, length, count);
  }
  if (!wantIndex || count == 0) return best.found;
  return locate<kEnd, kBytes>(elements, count, best.found.index, best.length, best.found.value,
                              false);
}

// The end's value: integers in one scan, floats through the blocks for
// their NaNs and signed zeros.
template <End kEnd, int kBytes, typename T>
inline T bestValue(const T* elements, std::size_t count) {
  if constexpr (kFloat<T>) {
    return search<kEnd, kBytes>(elements, count, false).value;
  } else {
    return scan<kEnd, kBytes>(elements, count).best;
  }
}

template <End kEnd, int kBytes, typename T>
inline std::size_t bestIndex(const T* elements, std::size_t count) {
  return search<kEnd, kBytes>(elements, count, true).index;
}

// Both ends of a stretch, NaNs passed over, and whether it held a NaN.
template <typename T>
struct Ends {
  T lowest;
  T highest;
  bool unordered;
};

// Both ends in one read: scan's loop, each vector loaded once and taken
// into a pair of chains for each end.
template <int kBytes, typename T>
inline Ends<T> scanBoth(const T* elements, std::size_t count) {
  using Lanes = Vector<T, kBytes>;
  using Flags = Vector<Bits<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  constexpr End kLow = End::lowest, kHigh = End::highest;
  if (!kVectorsFor<T> || count < kLanes) {
    const Summary<T> low = scanOneByOne<kLow>(elements, count);
    return {low.best, scanOneByOne<kHigh>(elements, count).best, low.unordered};
  }
  // Aligned whole, and the load's type named: a vector type deduced (a
  // lambda's result) drops its element alignment, and an unoptimised build
  // then stores it aligned.
  alignas(kBytes) Flags unordered{};
  const auto load = [&](std::size_t index) -> Lanes {
    Flags bits;
    std::memcpy(&bits, elements + index, sizeof bits);
    const Lanes lanes = reinterpret_cast<Lanes>(bits);
    if constexpr (kFloat<T>) unordered |= lanes != lanes;
    return lanes;
  };
  alignas(kBytes) Lanes low = load(0);
  alignas(kBytes) Lanes high = low;
  alignas(kBytes) Lanes low2 = low;
  alignas(kBytes) Lanes high2 = low;
  const auto take = [&](Lanes& lowChain, Lanes& highChain, Lanes x) {
    lowChain = beyond<kLow>(lowChain, x);
    highChain = beyond<kHigh>(highChain, x);
  };
  std::size_t index = kLanes;
  if (count > 4 * kLanes) {
    const auto address = reinterpret_cast<std::uintptr_t>(elements);
    index = kLanes - address / sizeof(T) % kLanes;
    for (; count - index >= 4 * kLanes; index += 4 * kLanes) {
      take(low, high, load(index));
      take(low2, high2, load(index + kLanes));
      QUORVEL_KEEP_IN_REGISTERS(low, high, low2, high2);
      take(low, high, load(index + 2 * kLanes));
      take(low2, high2, load(index + 3 * kLanes));
      QUORVEL_KEEP_IN_REGISTERS(low, high, low2, high2);
    }
  }
  for (; count - index >= kLanes; index += kLanes) take(low, high, load(index));
  take(low2, high2, load(count - kLanes));
  const bool nan = kFloat<T> && anyLane<Bits<T>, kBytes>(unordered);
  return {bestLane<kLow, T, kBytes>(beyond<kLow>(low, low2)),
          bestLane<kHigh, T, kBytes>(beyond<kHigh>(high, high2)), nan};
}

template <typename T>
struct BothFound {
  Found<T> lowest;
  Found<T> highest;
};

// Both ends' values and first positions from one read, block by block as
// search has it. A NaN is both ends, at the first NaN.
template <int kBytes, typename T>
inline BothFound<T> searchBoth(const T* elements, std::size_t count, bool wantIndex) {
  constexpr End kLow = End::lowest, kHigh = End::highest;
  const std::size_t kBlock = blockOf<T>(count, wantIndex);
  Best<T> low{{emptyOf<kLow, T>(), count}, 0}, high{{emptyOf<kHigh, T>(), count}, 0};
  for (std::size_t start = 0; start < count; start += kBlock) {
    const std::size_t length = count - start < kBlock ? count - start : kBlock;
    const T* const block = elements + start;
    Ends<T> ends = scanBoth<kBytes>(block, length);
    if constexpr (kFloat<T>) {
      if (ends.unordered) {
        // Where the NaN has gone since (the array changed), each end of the
        // array as it now is.
        const Found<T> high = locate<kHigh, kBytes>(elements, count, start, length, T{}, true);
        return {isNaN(high.value) ? high : firstBestOneByOne<kLow>(elements, count), high};
      }
      if (ends.lowest == 0) ends.lowest = signedZero<kLow, kBytes>(block, length);
      if (ends.highest == 0) ends.highest = signedZero<kHigh, kBytes>(block, length);
    }
    keep<kLow>(low, ends.lowest, start, length, count);
    keep<kHigh>(high, ends.highest, start, length, count);
  }
  if (!wantIndex || count == 0) return {low.found, high.found};
  return {locate<kLow, kBytes>(elements, count, low.found.index, low.length, low.found.value,
                               false),
          locate<kHigh, kBytes>(elements, count, high.found.index, high.length,
                                high.found.value, false)};
}

}  // namespace
}  // namespace quorvel::detail

#undef QUORVEL_KEEP_IN_REGISTERS

#endif  // QUORVEL_LARGEST_ELEMENT_KERNEL_H_
