# SPDX-License-Identifier: MIT
# Cross-builds for 64-bit Arm Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu) and runs what it builds under qemu-aarch64
# (qemu-user). Libraries for the target come from Debian's multiarch
# packages, such as libgtest-dev:arm64.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
find_program(QUORVEL_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUORVEL_QEMU_AARCH64} -L /usr/aarch64-linux-gnu)
