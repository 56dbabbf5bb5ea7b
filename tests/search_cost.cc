// SPDX-License-Identifier: MIT
// Runs one search for callgrind to count: `search_cost NAME COUNT`, where
// NAME is largestElement or the name of a version this CPU runs. Run under
// callgrind with --collect-atstart=no, only the search's second call is
// counted, so the count leaves out start-up, filling the view and the
// dispatcher's one-time choice.

#include <quorvel/largest_element.h>
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "largest_element_versions.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: search_cost NAME COUNT\n", stderr);
    return 2;
  }
  quorvel::detail::Search search = nullptr;
  if (std::strcmp(argv[1], "largestElement") == 0) search = quorvel::largestElement;
  for (const quorvel::detail::Version& version : quorvel::detail::supportedVersions()) {
    if (std::strcmp(argv[1], version.name) == 0) search = version.search;
  }
  if (search == nullptr) {
    std::fprintf(stderr, "search_cost: this CPU runs no version named %s\n", argv[1]);
    return 2;
  }
  const auto count = static_cast<std::int32_t>(std::atol(argv[2]));
  std::vector<std::int32_t> values(static_cast<std::size_t>(count));
  std::uint32_t value = 1;
  for (std::int32_t& element : values) element = static_cast<std::int32_t>(value *= 2654435761u);
  std::int32_t highest = search(values.data(), count);
  CALLGRIND_TOGGLE_COLLECT;
  highest = search(values.data(), count);
  CALLGRIND_TOGGLE_COLLECT;
  std::printf("%d\n", highest);
}
