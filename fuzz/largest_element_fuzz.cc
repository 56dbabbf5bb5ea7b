// SPDX-License-Identifier: MIT
// A libFuzzer target for the search. The fuzz bytes after the first are the
// view, read as each element type in turn; the public functions and every
// variant this CPU runs must follow the rule (the tests' reference) for the
// value and the position of the highest, of the lowest and of both ends from
// one read, and leave the view as it was. Each view is placed
// three ways, so that a read outside it is caught: in an allocation of
// exactly its size (AddressSanitizer's redzones), between guards higher than
// anything it holds (the type's highest, or NaN), at an offset the first
// byte picks, and against pages that may not be read, on either side.
// The same elements are also searched as a strided matrix, one answer per
// line, whose shape and strides the next three bytes pick.

#include <quorvel/largest_element.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "largest_element_reference.h"
#include "largest_element_dispatch.h"

namespace {

[[noreturn]] void fail(const char* search, const char* type, const char* layout, const char* what,
                       std::size_t count) {
  std::fprintf(stderr, "%s, %s, %s layout, %zu elements: %s\n", search, type, layout, count, what);
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

// Calls `check` with the public functions, held as a variant's are, then
// with every variant this CPU runs.
template <typename T, typename Check>
void eachSearch(Check check) {
  namespace detail = quorvel::detail;
  using C = detail::CSearch<T>;
  check("public", detail::Kernels<T>{C::largest, C::index, C::lines, C::smallest, C::smallestIndex,
                                     C::smallestLines, C::extremes});
  detail::forEachVariantThisCpuRuns([&](const detail::Variant& variant, std::size_t at) {
    check(variant.name, detail::variantKernels<T>()[at]);
  });
}

template <typename T>
void check(const char* type, const T* view, std::size_t count, const std::uint8_t* bytes,
           const char* layout) {
  namespace detail = quorvel::detail;
  using quorvel::testing::sameValue;
  // Not structured bindings: Clang 14's lambdas cannot capture one.
  const std::pair<T, std::size_t> highest = quorvel::testing::reference(view, count);
  const std::pair<T, std::size_t> lowest = quorvel::testing::reference(view, count, true);
  const auto searchWith = [&](const char* name, const detail::Kernels<T>& search) {
    if (!sameValue(search.largest(view, count), highest.first) ||
        !sameValue(search.smallest(view, count), lowest.first)) {
      fail(name, type, layout, "wrong value", count);
    }
    if (search.largestIndex(view, count) != highest.second ||
        search.smallestIndex(view, count) != lowest.second)
      fail(name, type, layout, "wrong position", count);
    T ends[2];
    std::size_t positions[2];
    search.extremes(view, count, ends, positions);
    if (!sameValue(ends[0], lowest.first) || !sameValue(ends[1], highest.first) ||
        positions[0] != lowest.second || positions[1] != highest.second)
      fail(name, type, layout, "wrong ends", count);
    if (std::memcmp(view, bytes, count * sizeof(T)) != 0)
      fail(name, type, layout, "view changed", count);
  };
  eachSearch<T>(searchWith);
}

// The matrix the bytes pick over the `count` elements at `view`: lines of
// adjacent elements, lines next to each other (columns), or small strides of
// either sign; as long as the view holds, its origin placed so that every
// element is inside the view.
template <typename T>
void checkLines(const char* type, const T* view, std::size_t count, const std::uint8_t* picks) {
  namespace detail = quorvel::detail;
  const auto lines = static_cast<std::ptrdiff_t>(1 + picks[0] % 80);
  std::ptrdiff_t lineStride = picks[1] % 11 - 5, step = picks[2] % 11 - 5;
  switch (picks[1] % 3) {
    case 0:
      step = 1;
      break;
    case 1:
      lineStride = picks[2] % 2 ? 1 : -1;
      step = (picks[2] % 4 < 2 ? 1 : -1) * (lines + picks[2] % 3);
      break;
  }
  const std::ptrdiff_t across = (lines - 1) * (lineStride < 0 ? -lineStride : lineStride);
  const std::ptrdiff_t reach = static_cast<std::ptrdiff_t>(count) - 1 - across;
  if (reach < 0) return;
  const std::ptrdiff_t along = step < 0 ? -step : step;
  const std::ptrdiff_t length = step == 0 ? picks[2] % 70 : reach / along + 1;
  const T* const origin =
      view + (lineStride < 0 ? across : 0) + (step < 0 ? (length - 1) * along : 0);
  std::vector<T> line(static_cast<std::size_t>(length)), values(static_cast<std::size_t>(lines));
  std::vector<std::size_t> indices(static_cast<std::size_t>(lines));
  const auto searchWith = [&](const char* name, const detail::Kernels<T>& search) {
    for (const bool lowest : {false, true}) {
      (lowest ? search.smallestOfLines : search.largestOfLines)(
          origin, lines, length, lineStride, step, values.data(), indices.data());
      for (std::ptrdiff_t l = 0; l < lines; ++l) {
        for (std::ptrdiff_t k = 0; k < length; ++k) line[k] = origin[l * lineStride + k * step];
        const std::pair<T, std::size_t> expected =
            quorvel::testing::reference(line.data(), line.size(), lowest);
        if (!quorvel::testing::sameValue(values[l], expected.first) ||
            indices[l] != expected.second)
          fail(name, type, "matrix", "wrong answer for a line", count);
      }
    }
  };
  eachSearch<T>(searchWith);
}

template <typename T>
void checkType(const char* type, std::size_t offset, const std::uint8_t* bytes, std::size_t size) {
  const std::size_t count = size / sizeof(T);
  // An empty view is the tests' to check: memcpy may not be given a null
  // pointer, even for no bytes.
  if (count == 0) return;
  std::vector<T> exact(count);
  std::memcpy(exact.data(), bytes, count * sizeof(T));
  check(type, exact.data(), count, bytes, "exact allocation");
  if (size >= 3) checkLines(type, exact.data(), count, bytes);

  // 64 bytes of guards on each side cover a whole 512-bit vector read too far.
  constexpr std::size_t kGuards = 64 / sizeof(T);
  constexpr T kGuard = std::is_floating_point_v<T> ? std::numeric_limits<T>::quiet_NaN()
                                                   : std::numeric_limits<T>::max();
  std::vector<T> guarded(offset + count + 2 * kGuards, kGuard);
  std::memcpy(guarded.data() + kGuards + offset, bytes, count * sizeof(T));
  check(type, guarded.data() + kGuards + offset, count, bytes, "guarded");

  static const GuardedPages pages;
  const std::size_t length = count * sizeof(T);
  if (length <= GuardedPages::kPageViewBytes) {
    for (char* place : {pages.begin, pages.end - length}) {
      std::memcpy(place, bytes, length);
      check(type, reinterpret_cast<const T*>(place), count, bytes, "page-end");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t offset = data[0] % 16;
  const std::uint8_t* bytes = data + 1;
  size -= 1;
#define QUORVEL_CHECK_TYPE(id, type) checkType<type>(#id, offset, bytes, size);
  QUORVEL_FOR_EACH_TYPE(QUORVEL_CHECK_TYPE)
#undef QUORVEL_CHECK_TYPE
  return 0;
}
