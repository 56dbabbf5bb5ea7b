// SPDX-License-Identifier: MIT
#include <quorvel/largest_element.h>
#include <quorvel/version.h>

#include <cstdint>
#include <cstdio>

int main() {
  const std::int32_t values[] = {3, -8, 41, 7, -2147483647 - 1};
  const std::int32_t highest = quorvel::largestElement(values, 5);
  std::printf("%d %d.%d.%d\n", static_cast<int>(highest), QUORVEL_VERSION_MAJOR,
              QUORVEL_VERSION_MINOR, QUORVEL_VERSION_PATCH);
  return highest == 41 ? 0 : 1;
}
