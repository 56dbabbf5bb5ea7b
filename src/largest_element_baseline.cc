// SPDX-License-Identifier: MIT
// The search every CPU of the architecture runs: SSE2 on x86-64, NEON on
// 64-bit Arm, VSX on ppc64el, and plain code where the vector unit is
// optional.
#define QUORVEL_VECTOR_BYTES 16
#include "largest_element_matrix.h"
