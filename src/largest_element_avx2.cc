// SPDX-License-Identifier: MIT
// The search for AVX2.
#define QUORVEL_VECTOR_BYTES 32
#include "largest_element_matrix.h"
