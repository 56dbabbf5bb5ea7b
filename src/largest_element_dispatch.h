// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_DISPATCH_H_
#define QUORVEL_LARGEST_ELEMENT_DISPATCH_H_

// The dispatcher: the search's variants, one per instruction set, as the
// table of variants (cmake/variants.cmake) lists them, what the CPU
// reports, and the choice among them, made once per process, for the
// public functions, the tests and the benchmark. Each variant keeps the
// public functions' contract for every element type, and may only run on a
// CPU that has its instruction set.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

// Generated from the table: QUORVEL_FOR_EACH_VARIANT and QUORVEL_FOR_EACH_TYPE.
#include "largest_element_variant_list.h"

namespace quorvel::detail {

// What a variant may need of the CPU, by the names /proc/cpuinfo gives them.
namespace feature {
constexpr std::uint32_t sse4_2 = 1u << 0;
constexpr std::uint32_t avx2 = 1u << 1;
constexpr std::uint32_t avx512f = 1u << 2;
constexpr std::uint32_t avx512bw = 1u << 3;
// Where the architecture's vector unit is optional: SSE2 on i386, NEON on
// 32-bit Arm, the vector facility on s390x, the V extension on riscv64.
constexpr std::uint32_t vector_unit = 1u << 4;
}  // namespace feature

// What the dispatcher goes by, as the CPU reports it.
struct Cpu {
  std::uint32_t features = 0;
  bool amdFamily19h = false;  // AMD Zen 3 and Zen 4
};

Cpu thisCpu();

struct Variant {
  const char* name;
  int vectorBytes;
  std::uint32_t needs;  // features
  const char* cpuinfo;  // the same, as /proc/cpuinfo spells them
};

// Every variant this build has, widest first; the last, "baseline", runs on
// every CPU of the architecture.
std::span<const Variant> variants();

inline bool runs(const Cpu& cpu, const Variant& variant) {
  return (variant.needs & ~cpu.features) == 0;
}

// Calls `visit(variant, index)` for each variant this CPU runs, widest
// first, `index` its place in variants() and in each type's kernels.
template <typename Visit>
void forEachVariantThisCpuRuns(Visit visit) {
  const Cpu cpu = thisCpu();
  const std::span<const Variant> all = variants();
  for (std::size_t index = 0; index < all.size(); ++index) {
    if (runs(cpu, all[index])) visit(all[index], index);
  }
}

// Which variant serves a view of a given size, as indices into variants():
// `shortViews` below kShortViewBytes, `mostViews` from there to below
// `largeFromBytes`, `large` from there on.
constexpr std::size_t kShortViewBytes = 64;
struct Choice {
  std::size_t shortViews;
  std::size_t mostViews;
  std::size_t large;
  std::uint64_t largeFromBytes;
};

// The choice for `cpu`; where `forced` names a variant that the CPU runs,
// that variant for every view, and otherwise as if it were null.
Choice choose(const Cpu& cpu, const char* forced = nullptr);
// The name in QUORVEL_FORCE_VARIANT, or null.
const char* forcedVariant();
// For this CPU and environment, decided once per process; null while the
// C library has no environment yet (a search from .preinit_array).
const Choice* processChoice();
// The process's choice, or before there is one, the CPU's own.
const Choice& chosen();

// One variant's functions for one element type, with the C interface's
// contracts: the highest, the lowest, and both ends from one read.
template <typename T>
struct Kernels {
  using Lines = void (*)(const T* elements, std::size_t lines, std::size_t length,
                         std::ptrdiff_t lineStride, std::ptrdiff_t step, T* values,
                         std::size_t* indices);
  T (*largest)(const T* elements, std::size_t count);
  std::size_t (*largestIndex)(const T* elements, std::size_t count);
  Lines largestOfLines;
  T (*smallest)(const T* elements, std::size_t count);
  std::size_t (*smallestIndex)(const T* elements, std::size_t count);
  Lines smallestOfLines;
  void (*extremes)(const T* elements, std::size_t count, T* ends, std::size_t* positions);
};

// Each type's kernels in the order of variants(), from an object of that
// type's own, so that a static link takes only the types it calls.
template <typename T>
std::span<const Kernels<T>> variantKernels();

template <typename T>
inline const Kernels<T>& kernelsFor(std::size_t count) {
  // Kept here once made, so that a search pays one load for it.
  static std::atomic<const Choice*> kept{nullptr};
  const Choice* made = kept.load(std::memory_order_acquire);
  if (made == nullptr) {
    made = processChoice();
    if (made) kept.store(made, std::memory_order_release);
  }
  const Choice& choice = made ? *made : chosen();
  const std::uint64_t bytes = std::uint64_t{count} * sizeof(T);
  const std::size_t variant = bytes < kShortViewBytes         ? choice.shortViews
                              : bytes < choice.largeFromBytes ? choice.mostViews
                                                              : choice.large;
  return variantKernels<T>()[variant];
}

// Every variant's functions, for every type.
#define QUORVEL_DECLARE_TYPE(id, type)                                                       \
  type largest(const type* elements, std::size_t count);                                     \
  std::size_t largestIndex(const type* elements, std::size_t count);                         \
  void largestOfLines(const type* elements, std::size_t lines, std::size_t length,           \
                      std::ptrdiff_t lineStride, std::ptrdiff_t step, type* values,          \
                      std::size_t* indices);                                                 \
  type smallest(const type* elements, std::size_t count);                                    \
  std::size_t smallestIndex(const type* elements, std::size_t count);                        \
  void smallestOfLines(const type* elements, std::size_t lines, std::size_t length,          \
                       std::ptrdiff_t lineStride, std::ptrdiff_t step, type* values,         \
                       std::size_t* indices);                                                \
  void extremes(const type* elements, std::size_t count, type* ends, std::size_t* positions);
#define QUORVEL_DECLARE_VARIANT(id, ...)      \
  namespace id {                              \
  QUORVEL_FOR_EACH_TYPE(QUORVEL_DECLARE_TYPE) \
  }
QUORVEL_FOR_EACH_VARIANT(QUORVEL_DECLARE_VARIANT)
#undef QUORVEL_DECLARE_VARIANT
#undef QUORVEL_DECLARE_TYPE

}  // namespace quorvel::detail

#endif  // QUORVEL_LARGEST_ELEMENT_DISPATCH_H_
