// SPDX-License-Identifier: MIT
// Runs one search of int32_t for callgrind to count: `search_cost NAME
// COUNT`, where NAME is largestElement, largestElementIndex or the name of a
// variant this CPU runs. Run under callgrind with --collect-atstart=no, only the search's
// second call is counted, so the count leaves out start-up, filling the
// view and the dispatcher's one-time choice. `search_cost --chosen COUNT`
// prints the variant the dispatcher picks for COUNT elements on this CPU
// (and under this environment's QUORVEL_FORCE_VARIANT),
// `search_cost --runs` those this CPU runs.

#include <quorvel/largest_element.h>
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "largest_element_dispatch.h"

int main(int argc, char** argv) {
  namespace detail = quorvel::detail;
  if (argc == 2 && std::strcmp(argv[1], "--runs") == 0) {
    detail::forEachVariantThisCpuRuns(
        [](const detail::Variant& variant, std::size_t) { std::printf("%s\n", variant.name); });
    return 0;
  }
  if (argc != 3) {
    std::fputs("usage: search_cost NAME COUNT | --chosen COUNT | --runs\n", stderr);
    return 2;
  }
  const auto count = static_cast<std::int32_t>(std::atol(argv[2]));
  const auto kernels = detail::variantKernels<std::int32_t>();
  if (std::strcmp(argv[1], "--chosen") == 0) {
    const auto& chosen = detail::kernelsFor<std::int32_t>(static_cast<std::size_t>(count));
    std::printf("%s\n",
                detail::variants()[static_cast<std::size_t>(&chosen - kernels.data())].name);
    return 0;
  }
  std::int32_t (*search)(const std::int32_t*, std::int32_t) = nullptr;
  const detail::Kernels<std::int32_t>* kernel = nullptr;
  if (std::strcmp(argv[1], "largestElement") == 0) search = quorvel::largestElement;
  if (std::strcmp(argv[1], "largestElementIndex") == 0) {
    search = [](const std::int32_t* elements, std::int32_t elementCount) {
      return static_cast<std::int32_t>(
          quorvel::largestElementIndex(elements, static_cast<std::size_t>(elementCount)));
    };
  }
  detail::forEachVariantThisCpuRuns([&](const detail::Variant& variant, std::size_t index) {
    if (std::strcmp(argv[1], variant.name) == 0) kernel = &kernels[index];
  });
  if (search == nullptr && kernel == nullptr) {
    std::fprintf(stderr, "search_cost: this CPU runs no variant named %s\n", argv[1]);
    return 2;
  }
  std::vector<std::int32_t> values(static_cast<std::size_t>(count));
  std::uint32_t value = 1;
  for (std::int32_t& element : values) element = static_cast<std::int32_t>(value *= 2654435761u);
  const auto run = [&] {
    return search ? search(values.data(), count) : kernel->largest(values.data(), values.size());
  };
  std::int32_t highest = run();
  CALLGRIND_TOGGLE_COLLECT;
  highest = run();
  CALLGRIND_TOGGLE_COLLECT;
  std::printf("%d\n", highest);
}
