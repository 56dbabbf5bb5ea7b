// SPDX-License-Identifier: MIT
// The C interface for one element type, built once per type: QUORVEL_ELEMENT
// is the type and QUORVEL_ELEMENT_ID its name in the functions' names.

#include "largest_element_variants.h"
#include "quorvel/largest_element.h"

#define QUORVEL_PASTE_(a, b) a##b
#define QUORVEL_PASTE(a, b) QUORVEL_PASTE_(a, b)

QUORVEL_ELEMENT QUORVEL_PASTE(quorvel_largest_element_,
                              QUORVEL_ELEMENT_ID)(const QUORVEL_ELEMENT* elements,
                                                  size_t elementCount) {
  return quorvel::detail::kernelsFor<QUORVEL_ELEMENT>(elementCount).largest(elements, elementCount);
}

size_t QUORVEL_PASTE(quorvel_largest_element_index_,
                     QUORVEL_ELEMENT_ID)(const QUORVEL_ELEMENT* elements, size_t elementCount) {
  return quorvel::detail::kernelsFor<QUORVEL_ELEMENT>(elementCount)
      .largestIndex(elements, elementCount);
}

void QUORVEL_PASTE(quorvel_largest_element_lines_,
                   QUORVEL_ELEMENT_ID)(const QUORVEL_ELEMENT* elements, size_t lineCount,
                                       size_t lineLength, ptrdiff_t lineStride,
                                       ptrdiff_t elementStride, QUORVEL_ELEMENT* values,
                                       size_t* indices) {
  // The variant for the matrix's size, as for a view of as many elements.
  std::size_t count;
  if (__builtin_mul_overflow(lineCount, lineLength, &count)) count = SIZE_MAX / 8;
  quorvel::detail::kernelsFor<QUORVEL_ELEMENT>(count).largestOfLines(
      elements, lineCount, lineLength, lineStride, elementStride, values, indices);
}
