// SPDX-License-Identifier: MIT
// The search for AVX-512 (AVX512F, and AVX512BW for 8- and 16-bit lanes).
#define QUORVEL_VECTOR_BYTES 64
#include "largest_element_matrix.h"
