/* SPDX-License-Identifier: MIT */
/* Another project's C program using the search through its C interface. */
#include <quorvel/largest_element.h>
#include <stdio.h>

int main(void) {
  /* The highest last, so that a search that stops one short is caught. */
  const int32_t values[] = {3, -8, 7, -2147483647 - 1, 41};
  const int32_t highest = quorvel_largest_element(values, 5);
  printf("%d\n", (int)highest);
  return highest == 41 ? 0 : 1;
}
