// SPDX-License-Identifier: MIT
// A libFuzzer target for the search. The fuzz bytes after the first are the
// view's values; the public function and every version this CPU runs must
// agree with std::max_element and leave the view as it was. Each view is
// placed three ways, so that a read outside it is caught: in an allocation
// of exactly its size (AddressSanitizer's redzones), between guard values
// higher than anything it holds, at an offset the first byte picks, and
// against pages that may not be read, on either side.

#include <quorvel/largest_element.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "largest_element_versions.h"

namespace {

constexpr std::int32_t kHighest = 2147483647;

[[noreturn]] void fail(const char* search, const char* layout, const char* what,
                       std::size_t count) {
  std::fprintf(stderr, "%s, %s layout, %zu elements: %s\n", search, layout, count, what);
  std::abort();
}

// Room for views of up to kPageViewBytes, between two pages that fault.
struct GuardedPages {
  static constexpr std::size_t kPageViewBytes = std::size_t{64} << 10;
  std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  char* begin = nullptr;  // the first byte that may be read
  char* end = nullptr;    // the first byte past them, which faults

  GuardedPages() {
    const std::size_t readable = (kPageViewBytes + page - 1) / page * page;
    void* mapping =
        mmap(nullptr, readable + 2 * page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) std::abort();
    begin = static_cast<char*>(mapping) + page;
    if (mprotect(begin, readable, PROT_READ | PROT_WRITE) != 0) std::abort();
    end = begin + readable;
  }
};

void check(const std::int32_t* view, std::size_t count, const std::uint8_t* values,
           std::int32_t expected, const char* layout) {
  const auto elementCount = static_cast<std::int32_t>(count);
  const auto searchWith = [&](const char* name, quorvel::detail::Search search) {
    if (search(view, elementCount) != expected) fail(name, layout, "wrong answer", count);
    if (std::memcmp(view, values, count * sizeof *view) != 0) {
      fail(name, layout, "view changed", count);
    }
  };
  searchWith("largestElement", quorvel::largestElement);
  for (const quorvel::detail::Version& version : quorvel::detail::supportedVersions()) {
    searchWith(version.name, version.search);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 + sizeof(std::int32_t)) return 0;
  const std::size_t offset = data[0] % 16;
  const std::uint8_t* values = data + 1;
  const std::size_t count = (size - 1) / sizeof(std::int32_t);

  std::vector<std::int32_t> exact(count);
  std::memcpy(exact.data(), values, count * sizeof(std::int32_t));
  const std::int32_t expected = *std::max_element(exact.begin(), exact.end());
  check(exact.data(), count, values, expected, "exact allocation");

  // 64 guards on each side cover a whole 512-bit step of reading too far.
  std::vector<std::int32_t> guarded(offset + count + 128, kHighest);
  std::copy(exact.begin(), exact.end(), guarded.begin() + 64 + static_cast<std::ptrdiff_t>(offset));
  check(guarded.data() + 64 + offset, count, values, expected, "guarded");

  static const GuardedPages pages;
  const std::size_t bytes = count * sizeof(std::int32_t);
  if (bytes <= GuardedPages::kPageViewBytes) {
    for (char* place : {pages.begin, pages.end - bytes}) {
      std::memcpy(place, values, bytes);
      check(reinterpret_cast<const std::int32_t*>(place), count, values, expected, "page-end");
    }
  }
  return 0;
}
