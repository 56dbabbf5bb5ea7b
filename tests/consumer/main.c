/* SPDX-License-Identifier: MIT */
/* Another project's C program using the search through its C interface. */
#include <quorvel/largest_element.h>
#include <stdio.h>

int main(void) {
  const int32_t values[] = {3, -8, 41, 7, -2147483647 - 1};
  const int32_t highest = quorvel_largest_element(values, 5);
  printf("%d\n", (int)highest);
  return highest == 41 ? 0 : 1;
}
