// SPDX-License-Identifier: MIT
#include <quorvel/largest_element.h>
#include <quorvel/version.h>

#include <cstdint>
#include <cstdio>

int main() {
  const std::int32_t values[] = {3, -8, 41, 7, -2147483647 - 1};
  const std::int32_t highest = quorvel::largestElement(values, 5);
  const float measures[] = {0.5f, -2.0f, 8.25f, 8.25f};
  const std::size_t where = quorvel::largestElementIndex(measures, 4);
  std::printf("%d %u %d.%d.%d\n", static_cast<int>(highest), static_cast<unsigned>(where),
              QUORVEL_VERSION_MAJOR, QUORVEL_VERSION_MINOR, QUORVEL_VERSION_PATCH);
  return highest == 41 && where == 2 ? 0 : 1;
}
