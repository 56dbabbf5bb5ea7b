// SPDX-License-Identifier: MIT
// The search's dispatcher, and its baseline version, which every CPU of the
// architecture runs: SSE2 on x86-64, NEON on 64-bit Arm.

#include "quorvel/largest_element.h"

#include "largest_element_kernel.h"
#include "largest_element_versions.h"

namespace quorvel {
namespace detail {

std::int32_t largestElementBaseline(const std::int32_t* elements, std::int32_t elementCount) {
  return largestInVectors<16>(elements, elementCount);
}

std::span<const Version> supportedVersions() {
#ifdef QUORVEL_X86_64_VERSIONS
  // Widest first. A CPU with one of these instruction sets has all the
  // narrower ones, so the supported versions run from the first to the end.
  static const Version kVersions[] = {{"avx512f", largestElementAvx512},
                                      {"avx2", largestElementAvx2},
                                      {"x86-64-v2", largestElementX86_64V2},
                                      {"baseline", largestElementBaseline}};
  static const std::span<const Version> kSupported = [] {
    __builtin_cpu_init();  // in case the first call comes before the C++ runtime's start-up
    const std::size_t first = __builtin_cpu_supports("avx512f")  ? 0
                              : __builtin_cpu_supports("avx2")   ? 1
                              : __builtin_cpu_supports("sse4.2") ? 2
                                                                 : 3;
    return std::span<const Version>(kVersions).subspan(first);
  }();
  return kSupported;
#else
  static const Version kVersions[] = {{"baseline", largestElementBaseline}};
  return kVersions;
#endif
}

const Version& chosenVersion() { return supportedVersions().front(); }

}  // namespace detail

std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount) {
  // A view shorter than the widest vector gains nothing from the wider
  // versions, so it skips the dispatch.
  if (elementCount < 16) return detail::largestElementBaseline(elements, elementCount);
  static const detail::Search chosen = detail::chosenVersion().search;
  return chosen(elements, elementCount);
}

}  // namespace quorvel
