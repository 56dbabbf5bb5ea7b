# SPDX-License-Identifier: MIT
# Cross-builds for another Debian architecture with Debian's cross compiler
# (g++-TRIPLET) and runs what it builds under qemu-user. Nothing run under
# qemu forks: qemu-user 7.2 has crashed or hung forked children (armhf,
# i386), so the dialogue tests are built for this machine and only the
# quorvel they start is emulated. Libraries for the target come from
# Debian's multiarch packages, such as libgtest-dev:armhf.
#
# QUORVEL_CROSS names the target by its GNU triplet (the presets set it):
# aarch64-linux-gnu, arm-linux-gnueabihf, arm-linux-gnueabi (armel),
# s390x-linux-gnu, i686-linux-gnu, mipsel-linux-gnu, mips64el-linux-gnuabi64,
# powerpc64le-linux-gnu or riscv64-linux-gnu.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEL_CROSS)
if(NOT QUORVEL_CROSS MATCHES "^([a-z0-9_]+)-linux-gnu")
  message(FATAL_ERROR "Set QUORVEL_CROSS to a target triplet, such as aarch64-linux-gnu")
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${QUORVEL_CROSS}-gcc)
set(CMAKE_CXX_COMPILER ${QUORVEL_CROSS}-g++)
set(sysroot /usr/${QUORVEL_CROSS})

# Per architecture: the processor's name, the multiarch folder of its
# libraries and qemu's name for it. The emulated CPUs that the search's test
# also runs on are in the table of variants (cmake/variants.cmake).
set(arch ${CMAKE_MATCH_1})
set(CMAKE_SYSTEM_PROCESSOR ${arch})
set(CMAKE_LIBRARY_ARCHITECTURE ${QUORVEL_CROSS})
set(qemu ${arch})
if(arch STREQUAL "i686")
  set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
  set(qemu i386)
elseif(arch STREQUAL "powerpc64le")
  set(qemu ppc64le)
endif()

find_program(QUORVEL_QEMU qemu-${qemu} REQUIRED)
set(QUORVEL_QEMU_ARGS -L ${sysroot})
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_QEMU} ${QUORVEL_QEMU_ARGS})
