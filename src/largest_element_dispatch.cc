// SPDX-License-Identifier: MIT
// The dispatcher: what the CPU reports, and which variant serves which view.

#include "largest_element_dispatch.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__GLIBC__)
#include <unistd.h>  // environ
#endif

#if defined(__x86_64__)
#include <cpuid.h>
#elif defined(__linux__) && (defined(__arm__) || defined(__s390x__) || defined(__riscv))
#include <sys/auxv.h>
#endif

namespace quorvel::detail {

constexpr Variant kVariants[] = {
#define QUORVEL_VARIANT_ENTRY(id, name, bytes, needs, cpuinfo) {name, bytes, needs, cpuinfo},
    QUORVEL_FOR_EACH_VARIANT(QUORVEL_VARIANT_ENTRY)
#undef QUORVEL_VARIANT_ENTRY
};

std::span<const Variant> variants() { return kVariants; }

Cpu thisCpu() {
  Cpu cpu;
#if defined(__x86_64__)
  __builtin_cpu_init();  // in case the first call comes before the C++ runtime's start-up
  const struct {
    bool has;
    std::uint32_t feature;
  } reported[] = {{__builtin_cpu_supports("sse4.2") != 0, feature::sse4_2},
                  {__builtin_cpu_supports("avx2") != 0, feature::avx2},
                  {__builtin_cpu_supports("avx512f") != 0, feature::avx512f},
                  {__builtin_cpu_supports("avx512bw") != 0, feature::avx512bw}};
  for (const auto& one : reported) {
    if (one.has) cpu.features |= one.feature;
  }
  unsigned eax, ebx, ecx, edx;
  if (__builtin_cpu_is("amd") && __get_cpuid(1, &eax, &ebx, &ecx, &edx)) {
    const unsigned baseFamily = eax >> 8 & 0xf;
    const unsigned family = baseFamily == 0xf ? baseFamily + (eax >> 20 & 0xff) : baseFamily;
    cpu.amdFamily19h = family == 0x19;
  }
#elif defined(__i386__)
  __builtin_cpu_init();
  if (__builtin_cpu_supports("sse2")) cpu.features |= feature::vector_unit;
#elif defined(__linux__) && defined(__arm__)
  if (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) cpu.features |= feature::vector_unit;
#elif defined(__linux__) && defined(__s390x__)
  if (getauxval(AT_HWCAP) & HWCAP_S390_VXRS) cpu.features |= feature::vector_unit;
#elif defined(__linux__) && defined(__riscv)
  // RISC-V's hardware capabilities are its single-letter extensions, one
  // bit each from 'A'.
  if (getauxval(AT_HWCAP) & (1UL << ('V' - 'A'))) cpu.features |= feature::vector_unit;
#endif
  return cpu;
}

Choice choose(const Cpu& cpu, const char* forced) {
  // The variants the CPU runs, widest first; the baseline runs everywhere.
  std::size_t supported[std::size(kVariants)];
  std::size_t count = 0;
  for (std::size_t index = 0; index < std::size(kVariants); ++index) {
    if (runs(cpu, kVariants[index])) supported[count++] = index;
  }
  // A short view fills a vector or two, so the widest vectors gain it
  // nothing, but the baseline's can cost it: SSE2 has no pmaxsd, and its
  // compare-and-blend ran ten elements slower than a plain loop, where
  // x86-64-v2 ran them fastest of all (doc/performance.md). So short views
  // take the narrowest variant above the baseline that the CPU runs, if any.
  Choice choice{supported[count > 1 ? count - 2 : 0], supported[0], supported[0],
                std::numeric_limits<std::uint64_t>::max()};
  // Zen 4 runs 512-bit vectors in 256-bit halves: its 512-bit loop leads
  // while the view is in cache and trails the 256-bit one once it comes
  // from main memory, from 16 MiB. Zen 5 (family 1Ah) runs them whole and
  // does not trail. Measured in doc/performance.md.
  if (cpu.amdFamily19h && count > 1 && kVariants[supported[0]].vectorBytes == 64) {
    choice.large = supported[1];
    choice.largeFromBytes = std::uint64_t{16} << 20;
  }
  // A variant asked for by name serves every view, if the CPU runs it.
  for (std::size_t index = 0; forced && index < count; ++index) {
    if (std::strcmp(kVariants[supported[index]].name, forced) == 0) {
      const std::size_t only = supported[index];
      choice = {only, only, only, std::numeric_limits<std::uint64_t>::max()};
    }
  }
  return choice;
}

const char* forcedVariant() {
  // Not from a set-user-ID program's caller, where the C library has it.
#if defined(__GLIBC__)
  return secure_getenv("QUORVEL_FORCE_VARIANT");
#else
  return std::getenv("QUORVEL_FORCE_VARIANT");
#endif
}

const Choice* processChoice() {
  // A search from .preinit_array runs before the C library has the
  // environment: the process's choice waits for it.
#if defined(__GLIBC__)
  if (environ == nullptr) return nullptr;
#endif
  static const Choice choice = choose(thisCpu(), forcedVariant());
  return &choice;
}

const Choice& chosen() {
  if (const Choice* choice = processChoice()) return *choice;
  static const Choice early = choose(thisCpu());
  return early;
}

}  // namespace quorvel::detail
