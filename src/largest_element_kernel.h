// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_KERNEL_H_
#define QUORVEL_LARGEST_ELEMENT_KERNEL_H_

// The search's loops, written once with the compiler's vector types for
// every element type, and compiled once per variant and type by the file
// that includes it. Everything here has internal linkage, so the linker
// cannot swap one instruction set's copy for another's.
//
// The rule, in every variant: the highest value, and the position of its
// first occurrence. Floats follow IEEE 754-2019's maximum: any NaN wins (at
// the first NaN), and +0 ranks above -0. Equal floats are told apart by
// their bits, so the answer does not depend on the floating-point mode.

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

template <typename T>
constexpr T lowestOf() {
  if constexpr (kFloat<T>) return -std::numeric_limits<T>::infinity();
  return std::numeric_limits<T>::lowest();
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

// By value, unlike std::max, so the running maxima stay in registers. A NaN
// in `b` is passed over; the scans track NaNs apart.
template <typename Value>
inline Value higher(Value a, Value b) {
  return b > a ? b : a;
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

// Whether `a` ranks above `b`, neither a NaN.
template <typename T>
inline bool beats(T a, T b) {
  if constexpr (kFloat<T>) {
    return a > b || (a == b && bitsOf(a) > bitsOf(b));  // +0 over -0
  }
  return a > b;
}

// The highest of a stretch, NaNs passed over, and whether it held a NaN.
template <typename T>
struct Summary {
  T highest;
  bool unordered;
};

template <typename T>
inline Summary<T> scanOneByOne(const T* elements, std::size_t count) {
  Summary<T> summary{lowestOf<T>(), false};
  for (std::size_t index = 0; index < count; ++index) {
    summary.highest = higher(summary.highest, elements[index]);
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

template <typename T, int kBytes>
inline T highestLane(Vector<T, kBytes> lanes) {
  return foldLanes<T, kBytes>(lanes, [](auto a, auto b) { return higher(a, b); });
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
template <int kBytes, typename T>
inline Summary<T> scan(const T* elements, std::size_t count) {
  using Lanes = Vector<T, kBytes>;
  using Flags = Vector<Bits<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  if (!kVectorsFor<T> || count < kLanes) return scanOneByOne(elements, count);

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
      return Summary<T>{highestLane<T, kBytes>(lanes), anyLane<Bits<T>, kBytes>(unordered)};
    return Summary<T>{highestLane<T, kBytes>(lanes), false};
  };
  // Up to four vectors' worth: two or four loads from the two ends cover
  // it, with no loop and no alignment to work out.
  if (count <= 4 * kLanes) {
    Lanes front = load(0), back = load(count - kLanes);
    if (count > 2 * kLanes) {
      front = higher(front, load(kLanes));
      back = higher(back, load(count - 2 * kLanes));
    }
    return summary(higher(front, back));
  }
  Lanes a = load(0);
  Lanes b = a, c = a, d = a;
  const auto address = reinterpret_cast<std::uintptr_t>(elements);
  std::size_t index = kLanes - address / sizeof(T) % kLanes;
  for (; count - index >= 8 * kLanes; index += 8 * kLanes) {
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
  for (; count - index >= kLanes; index += kLanes) {
    a = higher(a, load(index));
  }
  b = higher(b, load(count - kLanes));
  return summary(higher(higher(a, b), higher(c, d)));
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
// position is asked for, the loop keeps the first block whose highest beats
// every block before it, and afterwards looks for the highest in that block
// alone, so the array is read once, not twice; small blocks keep that second
// look short. A float block whose highest is zero is read again, while in
// cache, for the sign of its zero; where only the value is asked for, large
// blocks keep the cost of each block's end small (doc/performance.md).
constexpr std::size_t kIndexBlockBytes = std::size_t{4} << 10;
constexpr std::size_t kValueBlockBytes = std::size_t{16} << 10;

template <typename T>
struct Found {
  T value;
  std::size_t index;
};

// The position of the first highest element, one by one: where the array
// changed while it was searched, so that the block no longer holds what was
// found there.
template <typename T>
inline Found<T> firstHighestOneByOne(const T* elements, std::size_t count) {
  Found<T> found{elements[0], 0};
  for (std::size_t index = 0; index < count; ++index) {
    const T element = elements[index];
    if (isNaN(element)) return {std::numeric_limits<T>::quiet_NaN(), index};
    if (beats(element, found.value)) found = {element, index};
  }
  return found;
}

// The first position in the block of `length` elements from `start` that
// holds `value`, or a NaN if `nan`. Where the array changed since the block
// was scanned and it holds neither, the first highest of the whole array as
// it is now.
template <int kBytes, typename T>
inline Found<T> locate(const T* elements, std::size_t count, std::size_t start, std::size_t length,
                       T value, bool nan) {
  const std::size_t at = findFirst<kBytes>(elements + start, length, value, nan);
  if (at == length) return firstHighestOneByOne(elements, count);
  return {nan ? std::numeric_limits<T>::quiet_NaN() : value, start + at};
}

template <int kBytes, typename T>
inline Found<T> search(const T* elements, std::size_t count, bool wantIndex) {
  const std::size_t kBlock = (wantIndex ? kIndexBlockBytes : kValueBlockBytes) / sizeof(T);
  Found<T> best{lowestOf<T>(), count};
  std::size_t bestLength = 0;
  for (std::size_t start = 0; start < count; start += kBlock) {
    const std::size_t length = count - start < kBlock ? count - start : kBlock;
    const T* const block = elements + start;
    Summary<T> summary = scan<kBytes>(block, length);
    if constexpr (kFloat<T>) {
      if (summary.unordered) return locate<kBytes>(elements, count, start, length, T{}, true);
      if (summary.highest == 0) {
        const bool positive = findFirst<kBytes>(block, length, T{0}, false) < length;
        summary.highest = positive ? T{0} : -T{0};
      }
    }
    if (best.index == count || beats(summary.highest, best.value)) {
      best = {summary.highest, start};
      bestLength = length;
    }
  }
  if (!wantIndex || count == 0) return best;
  return locate<kBytes>(elements, count, best.index, bestLength, best.value, false);
}

// The highest value: integers in one scan, floats through the blocks for
// their NaNs and signed zeros.
template <int kBytes, typename T>
inline T largest(const T* elements, std::size_t count) {
  if constexpr (kFloat<T>) {
    return search<kBytes>(elements, count, false).value;
  } else {
    return scan<kBytes>(elements, count).highest;
  }
}

template <int kBytes, typename T>
inline std::size_t largestIndex(const T* elements, std::size_t count) {
  return search<kBytes>(elements, count, true).index;
}

}  // namespace
}  // namespace quorvel::detail

#undef QUORVEL_KEEP_IN_REGISTERS

#endif  // QUORVEL_LARGEST_ELEMENT_KERNEL_H_
