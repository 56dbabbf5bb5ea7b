// SPDX-License-Identifier: MIT
// The search for x86-64-v2 (its vector instructions, up to SSE4.2).
#define QUORVEL_VECTOR_BYTES 16
#include "largest_element_matrix.h"
