// SPDX-License-Identifier: MIT
// The C interface for one element type, built once per type: QUORVEL_ELEMENT
// is the type and QUORVEL_ELEMENT_ID its name in the functions' names.

#include "largest_element_dispatch.h"
#include "quorvel/largest_element.h"

#define QUORVEL_PASTE_(a, b) a##b
#define QUORVEL_PASTE(a, b) QUORVEL_PASTE_(a, b)

namespace {

using Element = QUORVEL_ELEMENT;
using quorvel::detail::kernelsFor;

// The variant for a matrix's size, as for a view of as many elements.
const quorvel::detail::Kernels<Element>& kernelsForMatrix(size_t lineCount, size_t lineLength) {
  std::size_t count;
  if (__builtin_mul_overflow(lineCount, lineLength, &count)) count = SIZE_MAX / 8;
  return kernelsFor<Element>(count);
}

}  // namespace

Element QUORVEL_PASTE(quorvel_largest_element_, QUORVEL_ELEMENT_ID)(const Element* elements,
                                                                    size_t elementCount) {
  return kernelsFor<Element>(elementCount).largest(elements, elementCount);
}

size_t QUORVEL_PASTE(quorvel_largest_element_index_, QUORVEL_ELEMENT_ID)(const Element* elements,
                                                                         size_t elementCount) {
  return kernelsFor<Element>(elementCount).largestIndex(elements, elementCount);
}

void QUORVEL_PASTE(quorvel_largest_element_lines_, QUORVEL_ELEMENT_ID)(
    const Element* elements, size_t lineCount, size_t lineLength, ptrdiff_t lineStride,
    ptrdiff_t elementStride, Element* values, size_t* indices) {
  kernelsForMatrix(lineCount, lineLength)
      .largestOfLines(elements, lineCount, lineLength, lineStride, elementStride, values, indices);
}

Element QUORVEL_PASTE(quorvel_smallest_element_, QUORVEL_ELEMENT_ID)(const Element* elements,
                                                                     size_t elementCount) {
  return kernelsFor<Element>(elementCount).smallest(elements, elementCount);
}

size_t QUORVEL_PASTE(quorvel_smallest_element_index_, QUORVEL_ELEMENT_ID)(const Element* elements,
                                                                          size_t elementCount) {
  return kernelsFor<Element>(elementCount).smallestIndex(elements, elementCount);
}

void QUORVEL_PASTE(quorvel_smallest_element_lines_, QUORVEL_ELEMENT_ID)(
    const Element* elements, size_t lineCount, size_t lineLength, ptrdiff_t lineStride,
    ptrdiff_t elementStride, Element* values, size_t* indices) {
  kernelsForMatrix(lineCount, lineLength)
      .smallestOfLines(elements, lineCount, lineLength, lineStride, elementStride, values, indices);
}

void QUORVEL_PASTE(quorvel_extremes_, QUORVEL_ELEMENT_ID)(const Element* elements,
                                                         size_t elementCount, Element* ends,
                                                         size_t* positions) {
  kernelsFor<Element>(elementCount).extremes(elements, elementCount, ends, positions);
}
