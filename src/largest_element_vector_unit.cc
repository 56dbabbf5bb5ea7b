// SPDX-License-Identifier: MIT
// The search for an architecture's optional vector unit (SSE2 on i386, NEON
// on 32-bit Arm, the z13 vector facility on s390x, RVV on riscv64).
#define QUORVEL_VECTOR_BYTES 16
#include "largest_element_matrix.h"
