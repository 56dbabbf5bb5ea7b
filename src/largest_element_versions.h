// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_VERSIONS_H_
#define QUORVEL_LARGEST_ELEMENT_VERSIONS_H_

// The search's versions for each instruction set, and the dispatcher that
// picks among them, for the public function, the tests and the benchmark.
// Each version keeps largestElement's contract, and may only run on a CPU
// that has its instruction set.

#include <cstdint>
#include <span>

namespace quorvel::detail {

using Search = std::int32_t (*)(const std::int32_t* elements, std::int32_t elementCount);

struct Version {
  const char* name;
  Search search;
};

// What the dispatcher goes by, as the CPU reports it.
struct Cpu {
  bool avx512f = false;
  bool avx2 = false;
  bool sse42 = false;
  bool amdFamily19h = false;  // AMD Zen 3 and Zen 4
  // Where the architecture's vector unit is optional: SSE2 on i386, NEON on
  // 32-bit Arm, the vector facility on s390x, the V extension on riscv64.
  bool vectorUnit = false;
};

Cpu thisCpu();

// The versions this build has that `cpu` can execute, widest first; the
// last, "baseline", runs on every CPU of the architecture.
std::span<const Version> supportedVersions(const Cpu& cpu);
std::span<const Version> supportedVersions();  // on this CPU

// Which version serves a view of a given length: `shortViews` below
// kShortView elements, `small` from there to below `largeFrom`, `large`
// from there on.
constexpr std::int32_t kShortView = 16;
struct Choice {
  const Version* shortViews;
  const Version* small;
  const Version* large;
  std::int64_t largeFrom;
};

Choice choose(const Cpu& cpu);
const Choice& chosen();  // for this CPU, decided once per process

std::int32_t largestElementBaseline(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementX86_64V2(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementAvx2(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementAvx512(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementVectorUnit(const std::int32_t* elements, std::int32_t elementCount);

}  // namespace quorvel::detail

#endif  // QUORVEL_LARGEST_ELEMENT_VERSIONS_H_
