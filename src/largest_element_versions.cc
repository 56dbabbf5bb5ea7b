// SPDX-License-Identifier: MIT
// The search's dispatcher, and its baseline version, which every CPU of the
// architecture runs: SSE2 on x86-64, NEON on 64-bit Arm, and plain code
// where the vector unit is optional.

#include "largest_element_versions.h"

#include <limits>

#include "largest_element_kernel.h"

#if defined(QUORVEL_X86_64_VERSIONS)
#include <cpuid.h>
#elif defined(QUORVEL_VECTOR_UNIT) && (defined(__arm__) || defined(__s390x__) || defined(__riscv))
#include <sys/auxv.h>
#endif

namespace quorvel::detail {

std::int32_t largestElementBaseline(const std::int32_t* elements, std::int32_t elementCount) {
  return largestInVectors<16>(elements, elementCount);
}

#ifdef QUORVEL_X86_64_VERSIONS

// Widest first. A CPU with one of these instruction sets has all the
// narrower ones, so the supported versions run from the first to the end.
constexpr Version kVersions[] = {{"avx512f", largestElementAvx512},
                                 {"avx2", largestElementAvx2},
                                 {"x86-64-v2", largestElementX86_64V2},
                                 {"baseline", largestElementBaseline}};

Cpu thisCpu() {
  __builtin_cpu_init();  // in case the first call comes before the C++ runtime's start-up
  Cpu cpu;
  cpu.avx512f = __builtin_cpu_supports("avx512f");
  cpu.avx2 = __builtin_cpu_supports("avx2");
  cpu.sse42 = __builtin_cpu_supports("sse4.2");
  unsigned eax, ebx, ecx, edx;
  if (__builtin_cpu_is("amd") && __get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    const unsigned baseFamily = eax >> 8 & 0xf;
    const unsigned family = baseFamily == 0xf ? baseFamily + (eax >> 20 & 0xff) : baseFamily;
    cpu.amdFamily19h = family == 0x19;
  }
  return cpu;
}

std::span<const Version> supportedVersions(const Cpu& cpu) {
  const std::size_t first = cpu.avx512f ? 0 : cpu.avx2 ? 1 : cpu.sse42 ? 2 : 3;
  return std::span<const Version>(kVersions).subspan(first);
}

#else

#ifdef QUORVEL_VECTOR_UNIT
constexpr Version kVersions[] = {{QUORVEL_VECTOR_UNIT, largestElementVectorUnit},
                                 {"baseline", largestElementBaseline}};
#else
constexpr Version kVersions[] = {{"baseline", largestElementBaseline}};
#endif

Cpu thisCpu() {
  Cpu cpu;
#if !defined(QUORVEL_VECTOR_UNIT)
#elif defined(__i386__)
  __builtin_cpu_init();
  cpu.vectorUnit = __builtin_cpu_supports("sse2");
#elif defined(__arm__)
  cpu.vectorUnit = (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0;
#elif defined(__s390x__)
  cpu.vectorUnit = (getauxval(AT_HWCAP) & HWCAP_S390_VXRS) != 0;
#elif defined(__riscv)
  // RISC-V's hardware capabilities are its single-letter extensions, one
  // bit each from 'A'.
  cpu.vectorUnit = (getauxval(AT_HWCAP) & (1UL << ('V' - 'A'))) != 0;
#endif
  return cpu;
}

std::span<const Version> supportedVersions(const Cpu& cpu) {
  const std::span<const Version> all(kVersions);
  return cpu.vectorUnit ? all : all.last(1);
}

#endif

Choice choose(const Cpu& cpu) {
  const std::span<const Version> supported = supportedVersions(cpu);
  // A short view fills a vector or two, so the widest vectors gain it
  // nothing, but the baseline's can cost it: SSE2 has no pmaxsd, and its
  // compare-and-blend ran ten elements slower than a plain loop, where
  // x86-64-v2 ran them fastest of all (doc/performance.md). So short views
  // take the narrowest version above the baseline that the CPU runs, if any.
  const Version* shortViews = &supported[supported.size() > 1 ? supported.size() - 2 : 0];
  Choice choice{shortViews, &supported[0], &supported[0], std::numeric_limits<std::int64_t>::max()};
#ifdef QUORVEL_X86_64_VERSIONS
  // Zen 4 runs AVX-512 in 256-bit halves: its 512-bit loop leads while the
  // view is in cache and trails AVX2 once it comes from main memory. Zen 5
  // (family 1Ah) runs them whole and does not trail. Measured in
  // doc/performance.md.
  if (cpu.avx512f && cpu.amdFamily19h) {
    choice.large = &supported[1];
    choice.largeFrom = std::int64_t{4} << 20;
  }
#endif
  return choice;
}

// What this CPU reports, read once per process.
const Cpu& cpuOnce() {
  static const Cpu cpu = thisCpu();
  return cpu;
}

std::span<const Version> supportedVersions() { return supportedVersions(cpuOnce()); }

const Choice& chosen() {
  static const Choice choice = choose(cpuOnce());
  return choice;
}

}  // namespace quorvel::detail
