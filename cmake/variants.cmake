# SPDX-License-Identifier: MIT
# The search's variants, one per instruction set, and the element types it
# searches: the one table that the dispatcher, the tests, the checks of the
# compiled code, coverage and the benchmark's scripts all read, through what
# the build makes of it.
#
# quorvel_variant(NAME
#   TARGET regex     the builds it is for, matched against
#                    "<CMAKE_SYSTEM_PROCESSOR>/<CMAKE_LIBRARY_ARCHITECTURE>"
#   NEEDS feature... what the CPU must report, as /proc/cpuinfo names it
#                    (the features of src/largest_element_dispatch.h)
#   FLAGS flag...    what the compiler needs to build it
#   WIDTH bytes      the vector registers its code must use, and the width
#                    the kernel is built at, once per element type
#   WITH cpu...      emulated CPUs (qemu's -cpu) that have it
#   WITHOUT cpu...   emulated CPUs that lack it)
#
# Variants are listed widest first; a build takes every one whose TARGET
# matches, and the dispatcher the first the CPU runs. The last, baseline,
# runs on every CPU of its architecture: SSE2 on x86-64, NEON on 64-bit
# Arm, VSX on ppc64el, and plain code where the vector unit is optional.
# Configuring stops where a build's variants are out of that order.

# What each type is called in the C functions' names, and its C++ type.
set(QUORVEL_TYPES i8=std::int8_t i16=std::int16_t i32=std::int32_t i64=std::int64_t
  u8=std::uint8_t u16=std::uint16_t u32=std::uint32_t u64=std::uint64_t f32=float f64=double)

set(x86_64 "^(x86_64|AMD64|amd64)/")
quorvel_variant(avx512 TARGET ${x86_64}
  NEEDS avx512f avx512bw FLAGS -mavx512f -mavx512bw WIDTH 64)
quorvel_variant(avx2 TARGET ${x86_64}
  NEEDS avx2 FLAGS -mavx2 WIDTH 32 WITH Haswell WITHOUT SandyBridge)
quorvel_variant(x86-64-v2 TARGET ${x86_64}
  NEEDS sse4_2 FLAGS -msse4.2 WIDTH 16 WITH Nehalem SandyBridge WITHOUT Penryn qemu64)
quorvel_variant(sse2 TARGET "^i[3-6]86/"
  NEEDS vector_unit FLAGS -msse2 WIDTH 16 WITH coreduo WITHOUT pentium3)
quorvel_variant(neon TARGET "/arm-linux-gnueabihf$"
  NEEDS vector_unit FLAGS -mfpu=neon WIDTH 16 WITH cortex-a15 WITHOUT cortex-r5f)
# armel's baseline is ARMv5TE with soft float, as on the ARM926. NEON comes
# with ARMv7-A, and the variant's functions pass no floating-point values in
# registers, so the soft-float calling convention holds.
quorvel_variant(neon TARGET "/arm-linux-gnueabi$"
  NEEDS vector_unit FLAGS -march=armv7-a -mfpu=neon -mfloat-abi=softfp WIDTH 16
  WITH cortex-a15 WITHOUT arm926)
# qemu emulates no real machine's model in full, so its own, with the
# vector facility and without. Without, its enhancements go too: qemu 10
# leaves vxeh2 on and reports both enhancements to the program, and glibc
# then picks string functions that use vectors, which trap.
quorvel_variant(z13 TARGET "^s390x/"
  NEEDS vector_unit FLAGS -march=z13 WIDTH 16
  WITH qemu,vx=on WITHOUT qemu,vx=off,vxeh=off,vxeh2=off)
# RVV 1.0, at two vector lengths, since vector code can be right at one and
# wrong at another. GCC makes vector code of the kernel from 14 on; GCC 12
# accepts -march=rv64gcv but emits none, so there the search stays plain.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 14)
  quorvel_variant(rvv TARGET "^riscv64/"
    NEEDS vector_unit FLAGS -march=rv64gcv WIDTH 16
    WITH rv64,v=true,vlen=128 rv64,v=true,vlen=512 WITHOUT rv64,v=false)
endif()
quorvel_variant(baseline TARGET "." WIDTH 16)
