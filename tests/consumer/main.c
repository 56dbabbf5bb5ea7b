/* SPDX-License-Identifier: MIT */
/* Another project's C program using the search through its C interface. */
#include <quorvel/largest_element.h>
#include <stdio.h>

int main(void) {
  /* The highest last, so that a search that stops one short is caught. */
  const int32_t values[] = {3, -8, 7, -2147483647 - 1, 41};
  const int32_t highest = quorvel_largest_element(values, 5);
  /* Ties go to the first. */
  const double measures[] = {0.5, -2.0, 8.25, 8.25};
  const size_t where = quorvel_largest_element_index_f64(measures, 4);
  printf("%d %u\n", (int)highest, (unsigned)where);
  return highest == 41 && where == 2 ? 0 : 1;
}
