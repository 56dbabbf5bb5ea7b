// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <quorvel/largest_element.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "largest_element_matrix.h"
#include "largest_element_reference.h"
#include "largest_element_dispatch.h"

#if defined(__linux__) && defined(__x86_64__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

using quorvel::detail::End;
using quorvel::detail::Variant;

constexpr End kEnds[] = {End::highest, End::lowest};

std::string nameOf(End end) { return end == End::highest ? "highest" : "lowest"; }

// One way to search views of T for one end: the public C functions, the
// first int32_t function, both ends from one read, or one variant's
// functions. `lines` is null where there is no matrix form.
template <typename T>
struct Search {
  std::string name;
  std::function<T(const T*, std::size_t)> value;
  std::function<std::size_t(const T*, std::size_t)> index;
  void (*lines)(const T*, std::size_t, std::size_t, std::ptrdiff_t, std::ptrdiff_t, T*,
                std::size_t*);
};

// One end of the answer from one read of both, by the given extremes
// function: the values asked for alone, and the values that come with the
// positions.
template <typename T, typename Extremes>
void addOneEndOfBoth(std::vector<Search<T>>& all, const std::string& name, End end,
                     Extremes extremes) {
  const int which = end == End::lowest ? 0 : 1;
  const auto position = [=](const T* elements, std::size_t count) {
    T ends[2];
    std::size_t positions[2];
    extremes(elements, count, ends, positions);
    return positions[which];
  };
  all.push_back({name + ", both ends",
                 [=](const T* elements, std::size_t count) {
                   T ends[2];
                   extremes(elements, count, ends, nullptr);
                   return ends[which];
                 },
                 position, nullptr});
  all.push_back({name + ", both ends with their positions",
                 [=](const T* elements, std::size_t count) {
                   T ends[2];
                   std::size_t positions[2];
                   extremes(elements, count, ends, positions);
                   return ends[which];
                 },
                 [=](const T* elements, std::size_t count) {
                   std::size_t positions[2];
                   extremes(elements, count, nullptr, positions);
                   return positions[which];
                 },
                 nullptr});
}

// For one end: the public functions, then every variant this CPU runs, each
// alone and both ends at once.
template <typename T>
std::vector<Search<T>> searches(End end) {
  using C = quorvel::detail::CSearch<T>;
  const bool high = end == End::highest;
  std::vector<Search<T>> all = {
      {"public", high ? C::largest : C::smallest, high ? C::index : C::smallestIndex,
       high ? C::lines : C::smallestLines}};
  addOneEndOfBoth(all, "public", end, C::extremes);
  if constexpr (std::is_same_v<T, std::int32_t>) {
    if (high) {
      all.push_back({"largestElement(const int32_t*, int32_t)",
                     [](const T* elements, std::size_t count) {
                       return quorvel::largestElement(elements, static_cast<std::int32_t>(count));
                     },
                     C::index, C::lines});
    }
  }
  quorvel::detail::forEachVariantThisCpuRuns([&](const Variant& variant, std::size_t index) {
    const auto& k = quorvel::detail::variantKernels<T>()[index];
    all.push_back({variant.name, high ? k.largest : k.smallest,
                   high ? k.largestIndex : k.smallestIndex,
                   high ? k.largestOfLines : k.smallestOfLines});
    addOneEndOfBoth(all, variant.name, end, k.extremes);
  });
  for (Search<T>& search : all) search.name += ", " + nameOf(end);
  return all;
}

// A value's mirror, which ranks below where the value ranks above: the
// tests of the lowest are those of the highest, on mirrored views.
template <typename T>
T mirror(T value, End end) {
  if (end == End::highest) return value;
  if constexpr (std::is_floating_point_v<T>) {
    return -value;
  } else {
    return static_cast<T>(~value);
  }
}

using quorvel::detail::kFloat;

using quorvel::testing::lowest;
using quorvel::testing::reference;
using quorvel::testing::sameValue;

template <typename T>
std::string show(const T* elements, std::size_t count) {
  std::ostringstream text;
  text << count << " elements:";
  for (std::size_t index = 0; index < count && index < 40; ++index) {
    text << ' ' << +elements[index];
  }
  if (count > 40) text << " ...";
  return text.str();
}

// Every search agrees with the rule on the view, and leaves it alone.
// Returns false at the first search that does not, having said which.
template <typename T>
bool agree(const std::vector<Search<T>>& all, const T* view, std::size_t count,
           const std::string& what, End end) {
  const auto [value, index] = reference(view, count, end == End::lowest);
  const std::vector<T> before(view, view + count);
  for (const Search<T>& search : all) {
    const T found = search.value(view, count);
    EXPECT_TRUE(sameValue(found, value)) << search.name << ", " << what << ": value " << +found
                                         << ", not " << +value << "; " << show(view, count);
    const std::size_t at = search.index(view, count);
    EXPECT_EQ(at, index) << search.name << ", " << what << ": position; " << show(view, count);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), view, sameValue<T>))
        << search.name << ", " << what << ": the view changed";
    if (testing::Test::HasFailure()) return false;
  }
  return true;
}

template <typename T>
class LargestElement : public testing::Test {};
// Every element type of the build's table.
template <typename Tuple>
struct TypesOf;
template <typename... T>
struct TypesOf<std::tuple<void, T...>> {
  using type = testing::Types<T...>;
};
#define QUORVEL_TYPE_ARGUMENT(id, type) , type
using Types = TypesOf<std::tuple<void QUORVEL_FOR_EACH_TYPE(QUORVEL_TYPE_ARGUMENT)>>::type;
#undef QUORVEL_TYPE_ARGUMENT
TYPED_TEST_SUITE(LargestElement, Types);

// An element with the given bits, which byte order cannot change.
template <typename T>
T fromBits(std::uint64_t bits) {
  using Unsigned = std::make_unsigned_t<quorvel::detail::Bits<T>>;
  return std::bit_cast<T>(static_cast<Unsigned>(bits));
}

TYPED_TEST(LargestElement, FollowsTheRuleOnEachCase) {
  using T = TypeParam;
  constexpr T kLow = lowest<T>();
  constexpr T kHigh =
      kFloat<T> ? std::numeric_limits<T>::infinity() : std::numeric_limits<T>::max();
  const auto v = [](int value) { return static_cast<T>(value); };
  std::vector<std::vector<T>> cases = {
      {v(42)},                         // one element
      {v(7), v(7), v(7), v(7)},        // all equal
      {kHigh, kHigh, kHigh},           // all the highest
      {v(-9), v(-3), v(-5)},           // all negative: never 0
      {kLow, kLow, kLow, kLow, kLow},  // all the lowest
      {kLow, kHigh},                   // the extremes side by side
      {kHigh, kLow},
      {std::numeric_limits<T>::lowest(), std::numeric_limits<T>::max()},
      {v(9), v(1), v(2), v(8)},        // highest first
      {v(1), v(2), v(8), v(4), v(9)},  // highest last
      {v(5), v(9), v(3), v(9), v(9)},  // highest repeated: the first
  };
  // Bytes that rank one way in memory and another as values, so that byte
  // order (s390x is big-endian) cannot leak into the comparison.
  std::vector<T> bytes;
  for (std::size_t byte = 0; byte < sizeof(T); ++byte) {
    bytes.push_back(fromBits<T>(std::uint64_t{0x3f} << (8 * byte)));
    bytes.push_back(fromBits<T>(std::uint64_t{0xc1} << (8 * byte)));
  }
  cases.push_back(bytes);
  if constexpr (kFloat<T>) {
    constexpr T kNaN = std::numeric_limits<T>::quiet_NaN();
    constexpr T kTiny = std::numeric_limits<T>::denorm_min();
    const T minusNaN = -kNaN;
    cases.insert(cases.end(), {
                                  {kNaN, v(1), v(2)},      // NaN first
                                  {v(1), v(2), kNaN},      // NaN last
                                  {kNaN},                  // NaN alone
                                  {v(3), minusNaN, kNaN},  // a NaN with its sign bit set
                                  {kHigh, kNaN, kHigh},    // NaN beats infinity
                                  {-kHigh, -kHigh},        // only minus infinity
                                  {kTiny, T{0}, -kTiny},   // subnormals are numbers
                                  {-kTiny, -T{0}},
                                  {T{-0.0}, T{0.0}},  // +0 above -0, both orders
                                  {T{0.0}, T{-0.0}},
                                  {T{-0.0}, T{-0.0}, v(-1)},
                                  {v(-2), T{-0.0}, T{0.0}, T{-0.0}, T{0.0}},
                              });
  }
  for (const End end : kEnds) {
    const auto all = searches<T>(end);
    for (const std::vector<T>& values : cases) {
      if (!agree(all, values.data(), values.size(), "case", end)) return;
    }
  }
}

// How the elements of a view are made.
template <typename T>
struct Fill {
  const char* name;
  std::function<T(std::mt19937_64&)> value;
};

// Random values of every kind below the type's highest (for floats: any
// number, infinities and both zeros, no NaN), so that a guard beyond the view
// holding the highest, or a NaN, shows any read past its ends.
template <typename T>
T below(std::mt19937_64& random) {
  const std::uint64_t bits = random();
  if constexpr (kFloat<T>) {
    switch (bits % 8) {
      case 0:
        return (bits & 8) ? T{0.0} : T{-0.0};
      case 1:
        return (bits & 8) ? std::numeric_limits<T>::infinity() : lowest<T>();
      default: {
        const T value = fromBits<T>(bits >> 3);
        return value != value ? T{1} : value;
      }
    }
  } else {
    const T value = fromBits<T>(bits);
    return value == std::numeric_limits<T>::max() ? T{0} : value;
  }
}

template <typename T>
std::vector<Fill<T>> fills() {
  std::vector<Fill<T>> all = {
      {"random", below<T>},
      {"all the lowest", [](std::mt19937_64&) { return lowest<T>(); }},
      {"all -1", [](std::mt19937_64&) { return static_cast<T>(-1); }},
      {"all 7", [](std::mt19937_64&) { return T{7}; }},
  };
  if constexpr (std::is_signed_v<T>) {
    all.push_back({"all negative", [](std::mt19937_64& random) {
                     const T value = below<T>(random);
                     return value < 0 ? value : value == 0 ? T{-1} : static_cast<T>(-value);
                   }});
  }
  if constexpr (kFloat<T>) {
    all.push_back({"zeros of both signs",
                   [](std::mt19937_64& random) { return random() % 2 ? T{0.0} : T{-0.0}; }});
  }
  return all;
}

// Views in an array whose elements outside the view are the highest value,
// or NaN, so that reading past either end changes the answer: every length
// that the short paths of each width take (up to four 64-byte vectors), and
// lengths one below, at and one past each 64-byte line up to three of the
// widest loop's steps (eight 64-byte vectors), each starting at the first,
// second and last element of a 64-byte line; lengths that go once and twice
// round the loop starting at every element of a line; and lengths around
// each block boundary. Each fill reaches each path of each width: one by
// one, from both ends, the loop, its single steps, the last vector, the
// blocks.
TYPED_TEST(LargestElement, AgreesWithTheRuleOnViewsOfEveryLengthAndPlace) {
  using T = TypeParam;
  constexpr std::size_t kLine = 64 / sizeof(T);
  constexpr std::size_t kStep = 8 * kLine;
  constexpr std::size_t kBlock = quorvel::detail::kValueBlockBytes / sizeof(T);
  constexpr std::size_t kIndexBlock = quorvel::detail::kIndexBlockBytes / sizeof(T);
  constexpr T kGuard =
      kFloat<T> ? std::numeric_limits<T>::quiet_NaN() : std::numeric_limits<T>::max();
  std::vector<std::pair<std::size_t, std::size_t>> places;  // offset, length
  for (std::size_t length = 0; length <= 3 * kStep + 2; ++length) {
    const std::size_t inLine = length % kLine;
    if (length > 4 * kLine + 2 && inLine > 1 && inLine < kLine - 1) continue;
    for (std::size_t offset : {std::size_t{0}, std::size_t{1}, kLine - 1})
      places.push_back({offset, length});
  }
  for (std::size_t length : {kStep + 3, 2 * kStep + 5}) {
    for (std::size_t offset = 0; offset < kLine; ++offset) places.push_back({offset, length});
  }
  for (std::size_t block : {kIndexBlock, kBlock}) {
    for (std::size_t blocks : {1, 2, 3}) {
      for (std::size_t length : {blocks * block - 1, blocks * block, blocks * block + 1}) {
        places.push_back({length % kLine, length});
      }
    }
  }
  places.push_back({3, kBlock + kLine + 1});
  std::vector<T> array(3 * kBlock + 4 * kLine);
  std::mt19937_64 random(20261210);
  for (const End end : kEnds) {
    const auto all = searches<T>(end);
    for (const Fill<T>& fill : fills<T>()) {
      for (const auto& [offset, length] : places) {
        std::fill(array.begin(), array.end(), mirror(kGuard, end));
        T* const view = array.data() + kLine + offset;
        std::generate(view, view + length, [&] { return mirror(fill.value(random), end); });
        std::ostringstream what;
        what << fill.name << ", offset " << offset << ", length " << length;
        if (!agree(all, length == 0 ? nullptr : view, length, what.str(), end)) return;
      }
    }
  }
}

// The highest value, or a float's NaN or +0 among -0s, at each place in
// views of the lengths that change a path: first, last, in the last lane of
// a vector of each width, and in each block; and their mirrors for the
// lowest.
TYPED_TEST(LargestElement, FindsTheHighestWhereverItIs) {
  using T = TypeParam;
  constexpr std::size_t kBlock = quorvel::detail::kIndexBlockBytes / sizeof(T);
  std::vector<T> specials = {std::numeric_limits<T>::max()};
  T background = std::is_signed_v<T> ? static_cast<T>(-1) : T{0};
  if constexpr (kFloat<T>) {
    specials = {std::numeric_limits<T>::quiet_NaN(), T{0.0}, std::numeric_limits<T>::infinity()};
    background = T{-0.0};
  }
  // A view from memory, searched in large blocks: the highest in the second.
  constexpr std::size_t kLarge = quorvel::detail::kLargeViewBytes / sizeof(T) + 5;
  constexpr std::size_t kLargeBlock = quorvel::detail::kLargeIndexBlockBytes / sizeof(T);
  std::vector<std::size_t> lengths = {1, 2, 3, 2 * kBlock + 5,
                                      2 * quorvel::detail::kValueBlockBytes / sizeof(T) + 5,
                                      kLarge};
  for (std::size_t bytes : {16, 32, 64, 128, 256, 512, 1024, 1536}) {
    lengths.push_back(bytes / sizeof(T));
    lengths.push_back(bytes / sizeof(T) + 1);
  }
  for (const End end : kEnds) {
  const auto all = searches<T>(end);
  for (T special : specials) {
    special = mirror(special, end);
    const T low = mirror(background, end);
    for (const std::size_t length : lengths) {
      std::vector<T> view(length, low);
      std::set<std::size_t> positions = {0, length - 1, length / 2};
      if (length == kLarge) positions = {kLargeBlock + 3, length - 1};
      for (std::size_t bytes : {16, 32, 64}) {
        if (length == kLarge) break;
        for (std::size_t at = bytes / sizeof(T) - 1; at < length && at < 4 * kBlock; at += kBlock) {
          positions.insert(at);
        }
      }
      for (const std::size_t at : positions) {
        view[at] = special;
        view[length - 1 - at / 2] = special;  // a second, later one
        std::ostringstream what;
        what << +special << " at " << at << " of " << length;
        if (!agree(all, view.data(), length, what.str(), end)) return;
        view[at] = low;
        view[length - 1 - at / 2] = low;
      }
    }
  }
  }
}

// A strided matrix over a buffer of guards: line l's element k is at
// origin + l * lineStride + k * step.
struct Matrix {
  std::size_t lines, length;
  std::ptrdiff_t lineStride, step;
};

// The layouts a matrix of `lines` lines of `length` elements can take: rows
// of a row-major matrix, each read forwards or the last row first; columns,
// rows read downwards or upwards, and lines in reverse; a row repeated
// (step 0); and every other element, lines further apart than a row.
std::vector<std::pair<const char*, Matrix>> layouts(std::size_t lines, std::size_t length) {
  const auto n = static_cast<std::ptrdiff_t>(lines), k = static_cast<std::ptrdiff_t>(length);
  return {{"rows", {lines, length, k + 3, 1}},
          {"rows, the last first", {lines, length, -(k + 3), 1}},
          {"columns", {lines, length, 1, n + 2}},
          {"columns read upwards", {lines, length, 1, -(n + 2)}},
          {"columns, the last first", {lines, length, -1, n + 2}},
          {"one row repeated", {lines, length, 1, 0}},
          {"every other element", {lines, length, 2 * k + 5, 2}}};
}

// Every search answers each line of the matrix as the rule does for the line
// alone, with the value alone and with both answers asked for.
template <typename T>
bool agreeOnLines(const std::vector<Search<T>>& all, const T* origin, const Matrix& m,
                  const std::string& what, End end) {
  std::vector<T> line(m.length), values(m.lines);
  std::vector<std::size_t> indices(m.lines);
  for (const Search<T>& search : all) {
    if (!search.lines) continue;
    std::fill(values.begin(), values.end(), T{3});
    search.lines(origin, m.lines, m.length, m.lineStride, m.step, values.data(), nullptr);
    const std::vector<T> alone = values;
    search.lines(origin, m.lines, m.length, m.lineStride, m.step, values.data(), indices.data());
    for (std::size_t l = 0; l < m.lines; ++l) {
      for (std::size_t k = 0; k < m.length; ++k) {
        line[k] = origin[static_cast<std::ptrdiff_t>(l) * m.lineStride +
                         static_cast<std::ptrdiff_t>(k) * m.step];
      }
      const auto [value, index] = reference(line.data(), m.length, end == End::lowest);
      EXPECT_TRUE(sameValue(values[l], value) && sameValue(alone[l], value))
          << search.name << ", " << what << ", line " << l << ": value " << +values[l] << " and "
          << +alone[l] << ", not " << +value << "; " << show(line.data(), m.length);
      EXPECT_EQ(indices[l], index)
          << search.name << ", " << what << ", line " << l << "; " << show(line.data(), m.length);
      if (testing::Test::HasFailure()) return false;
    }
  }
  return true;
}

// Matrices of every layout, with counts of lines and of elements from 0 to
// past each vector width, the short lines' limit, the block of lines read
// at once and the rows an 8-bit lane can count; random, all equal, and with
// the highest (NaN, +0 among -0s) in each line's first, last or a middle
// place, and again later in the line. Elements outside the matrix are
// higher than any in it, so reading one shows.
TYPED_TEST(LargestElement, AnswersEachLineOfAStridedMatrix) {
  using T = TypeParam;
  constexpr std::size_t kLanes = 64 / sizeof(T), kSmall = 16 / sizeof(T);
  constexpr std::size_t kBlock = quorvel::detail::kBlockBytes / sizeof(T);
  constexpr T kGuard =
      kFloat<T> ? std::numeric_limits<T>::quiet_NaN() : std::numeric_limits<T>::max();
  // Under an emulator, which runs this test on many CPUs at a fraction of
  // the speed, the counts either side of each limit rather than every one.
  const bool emulated = std::getenv("QUORVEL_EMULATED") || std::getenv("QUORVEL_EMULATED_CPU");
  std::vector<std::size_t> lineCounts = {1, 2, 3, kLanes - 1, kLanes, kLanes + 1, 2 * kLanes + 3};
  std::vector<std::size_t> lengths = {0,
                                      1,
                                      2,
                                      3,
                                      kSmall - 1,
                                      kSmall,
                                      kSmall + 1,
                                      kLanes - 1,
                                      kLanes,
                                      kLanes + 1,
                                      2 * kLanes + 1,
                                      4 * kLanes - 1,
                                      4 * kLanes,
                                      4 * kLanes + 1};
  if (emulated) {
    lineCounts = {1, kLanes - 1, 2 * kLanes + 3};
    lengths = {0, 1, 3, kSmall + 1, kLanes - 1, kLanes + 1, 4 * kLanes - 1, 4 * kLanes + 1};
  }
  std::vector<std::pair<std::size_t, std::size_t>> shapes;  // lines, length
  for (const std::size_t lines : lineCounts) {
    for (const std::size_t length : lengths) shapes.push_back({lines, length});
  }
  for (std::size_t length : {2, 5}) {
    shapes.push_back({kBlock + kLanes + 3, length});
  }
  for (std::size_t length : {255, 256, 257, 513}) shapes.push_back({kLanes + 1, length});
  shapes.push_back({0, 5});

  std::vector<T> specials = {std::numeric_limits<T>::max()};
  T low = std::is_signed_v<T> ? static_cast<T>(-1) : T{0};
  if constexpr (kFloat<T>) {
    specials = {std::numeric_limits<T>::quiet_NaN(), T{0.0}};
    low = T{-0.0};
  }
  std::vector<Fill<T>> contents = {{"random", below<T>},
                                   {"all equal", [](std::mt19937_64&) { return T{7}; }}};
  std::mt19937_64 random(20261210);
  std::vector<T> buffer;
  for (const End end : kEnds) {
  auto all = searches<T>(end);
  // The order a matrix too large for the cache is read in, here on small
  // ones, by the kernel built plain: for the highest, since its tiles are
  // the same code for either end, and each end built plain here doubles the
  // time a cross compiler without the vector unit takes over this file.
  using quorvel::detail::Reading;
  if (end == End::highest) {
    all.push_back({"read as from memory", nullptr, nullptr,
                   [](const T* e, std::size_t n, std::size_t k, std::ptrdiff_t ls,
                      std::ptrdiff_t st, T* v, std::size_t* i) {
                     quorvel::detail::bestOfLines<End::highest, 16>(e, n, k, ls, st, v, i,
                                                                     Reading::fromMemory);
                   }});
  }
  // Not structured bindings: Clang 14's lambdas cannot capture one.
  for (const auto& shape : shapes) {
    const std::size_t lines = shape.first, length = shape.second;
    for (const auto& entry : layouts(lines, length)) {
      const char* const layout = entry.first;
      const Matrix m = entry.second;
      // Where the matrix's elements lie, around an origin with guards beyond.
      const std::ptrdiff_t last = static_cast<std::ptrdiff_t>(lines) - 1;
      const std::ptrdiff_t lastElement = static_cast<std::ptrdiff_t>(length) - 1;
      const std::ptrdiff_t corners[] = {0, last * m.lineStride, lastElement * m.step,
                                        last * m.lineStride + lastElement * m.step};
      const std::ptrdiff_t low_end = *std::min_element(std::begin(corners), std::end(corners));
      const std::ptrdiff_t high_end = *std::max_element(std::begin(corners), std::end(corners));
      buffer.assign(static_cast<std::size_t>(high_end - low_end) + 2 * kLanes + 1,
                    mirror(kGuard, end));
      T* const origin = buffer.data() + kLanes - low_end;
      const auto at = [&](std::size_t l, std::size_t k) -> T& {
        return origin[static_cast<std::ptrdiff_t>(l) * m.lineStride +
                      static_cast<std::ptrdiff_t>(k) * m.step];
      };
      const auto fill = [&](auto value) {
        for (std::size_t l = 0; l < lines; ++l)
          for (std::size_t k = 0; k < length; ++k) at(l, k) = value();
      };
      for (const Fill<T>& content : contents) {
        fill([&] { return mirror(content.value(random), end); });
        std::ostringstream what;
        what << content.name << ", " << layout << ", " << lines << " lines of " << length;
        if (!agreeOnLines(all, origin, m, what.str(), end)) return;
      }
      if (length == 0) continue;
      for (T one : specials) {
        one = mirror(one, end);
        fill([&] { return mirror(low, end); });
        for (std::size_t l = 0; l < lines; ++l) {
          const std::size_t place = l % 3 == 0 ? length - 1 : l % 3 == 1 ? 0 : (l * 5) % length;
          at(l, place) = one;
          at(l, length - 1) = one;  // and again later, or the same place
        }
        std::ostringstream what;
        what << +one << " in each line, " << layout << ", " << lines << " lines of " << length;
        if (!agreeOnLines(all, origin, m, what.str(), end)) return;
      }
    }
  }
  }
}

// While another thread writes the view, each search gives a position inside
// it, and a block that no longer holds what was found there gives the
// first highest of the array as it now is.
TYPED_TEST(LargestElement, GivesAPositionInsideAViewThatChanges) {
  using T = TypeParam;
  constexpr std::size_t kBlock = quorvel::detail::kValueBlockBytes / sizeof(T);
  std::vector<T> values(3 * kBlock, T{1});
  values[kBlock + 3] = T{5};
  const auto moved = quorvel::detail::locate<End::highest, 16>(values.data(), values.size(), 0,
                                                               kBlock, T{5}, false);
  EXPECT_EQ(moved.index, kBlock + 3);
  EXPECT_TRUE(sameValue(moved.value, T{5}));
  if constexpr (kFloat<T>) {
    values[2 * kBlock] = std::numeric_limits<T>::quiet_NaN();
    const auto nan = quorvel::detail::locate<End::highest, 16>(values.data(), values.size(), 0,
                                                               kBlock, T{}, true);
    EXPECT_EQ(nan.index, 2 * kBlock);
    EXPECT_TRUE(nan.value != nan.value);
  }

  // qemu-user 7.2 hangs in pthread_create for i386.
  if (std::getenv("QUORVEL_EMULATED") || std::getenv("QUORVEL_EMULATED_CPU")) {
    GTEST_SKIP() << "no second thread under an emulator";
  }
  std::atomic<bool> done = false;
  std::thread writer([&] {
    std::mt19937_64 random(7);
    // A byte at a time, which every architecture stores whole without a
    // library's help.
    auto* const bytes = reinterpret_cast<unsigned char*>(values.data());
    while (!done) {
      __atomic_store_n(bytes + random() % (values.size() * sizeof(T)),
                       static_cast<unsigned char>(random()), __ATOMIC_RELAXED);
    }
  });
  for (int round = 0; round < 20; ++round) {
    for (const End end : kEnds) {
      for (const Search<T>& search : searches<T>(end)) {
        EXPECT_LT(search.index(values.data(), values.size()), values.size()) << search.name;
      }
    }
  }
  done = true;
  writer.join();
}

// The first function keeps its contract: a count below 1 reads nothing and
// gives -2147483648.
TEST(LargestElementInt32, EmptyViewReadsNothingAndGivesTheLowestValue) {
  constexpr std::int32_t kLowest = std::numeric_limits<std::int32_t>::min();
  for (std::int32_t count : {0, -1, kLowest}) {
    EXPECT_EQ(quorvel::largestElement(nullptr, count), kLowest) << count;
    EXPECT_EQ(quorvel_largest_element(nullptr, count), kLowest) << count;
  }
}

// The C++ forms take each type, and arrays of the standard integer types of
// the same size, and keep the first function's calls as they were.
TEST(LargestElementForms, TakeEveryTypeAndKeepTheFirstCalls) {
  const std::int32_t ints[] = {3, -8, 41};
  EXPECT_EQ(quorvel::largestElement(ints, std::size_t{3}), 41);
  EXPECT_EQ(quorvel::largestElement(ints, 3L), 41);
  EXPECT_EQ(quorvel::largestElement({}), std::numeric_limits<std::int32_t>::min());
  const long long longs[] = {-5, 1LL << 40, 7};
  EXPECT_EQ(quorvel::largestElement(longs, 3), 1LL << 40);
  EXPECT_EQ(quorvel::largestElementIndex(longs, 3), 1u);
  const std::vector<double> doubles = {0.5, -2.0, 8.25, 8.25};
  static_assert(std::is_same_v<decltype(quorvel::largestElement(doubles)), double>);
  EXPECT_EQ(quorvel::largestElement(doubles), 8.25);
  EXPECT_EQ(quorvel::largestElementIndex(doubles), 2u);
  EXPECT_EQ(quorvel::largestElementIndex(std::span<const std::int32_t>(ints)), 2u);
  const std::vector<unsigned char> bytes = {1, 255, 3};
  EXPECT_EQ(quorvel::largestElement(bytes), 255);
  EXPECT_EQ(quorvel::largestElementIndex(std::vector<float>()), 0u);
  // The lowest takes int32_t in the template form, and both ends come as a
  // pair of the range's own type.
  EXPECT_EQ(quorvel::smallestElement(ints, 3), -8);
  EXPECT_EQ(quorvel::smallestElement(std::span<const std::int32_t>(ints)), -8);
  EXPECT_EQ(quorvel::smallestElementIndex(longs, 3), 0u);
  const auto [low, high] = quorvel::extremes(longs, 3);
  static_assert(std::is_same_v<decltype(low), const long long>);
  EXPECT_EQ(low, -5);
  EXPECT_EQ(high, 1LL << 40);
  const auto ends = quorvel::extremesIndex(doubles);
  EXPECT_EQ(ends.lowest, 1u);
  EXPECT_EQ(ends.highest, 2u);
  EXPECT_EQ(quorvel::extremes(bytes).lowest, 1);
  std::int32_t rowLows[2];
  quorvel::smallestOfLines(ints, 2, 2, 1, 1, rowLows);
  EXPECT_EQ(rowLows[1], -8);
}

// A span is searched in pieces that each fit the pointer-and-count search:
// a highest value anywhere, at a seam or not, is found, and an empty span
// gives the lowest value.
TEST(LargestElementSpan, SearchesEveryPiece) {
  std::vector<std::int32_t> values(100, -50);
  for (std::int32_t piece : {1, 3, 16, 99, 100, 2147483647}) {
    for (std::size_t at : {0, 2, 3, 15, 16, 50, 98, 99}) {
      values[at] = 9;
      EXPECT_EQ(quorvel::detail::largestInPieces(values, piece), 9)
          << "piece " << piece << ", highest at " << at;
      values[at] = -50;
    }
  }
  EXPECT_EQ(quorvel::largestElement(values), -50);
  EXPECT_EQ(quorvel::largestElement(std::span<const std::int32_t>()),
            std::numeric_limits<std::int32_t>::min());
}

#if defined(__linux__) && defined(__x86_64__)
// A view of more elements than an int32_t can count, without 8 GiB of
// memory: a 2 MiB block of -1s mapped over and over, then a block holding
// the highest value once, which a count cut to 32 bits never reaches.
TEST(LargestElementSpan, SearchesAViewLongerThanAnInt32Counts) {
  if (std::getenv("QUORVEL_EMULATED") || std::getenv("QUORVEL_EMULATED_CPU")) {
    GTEST_SKIP() << "too slow under an emulator";
  }
  constexpr std::size_t kBlock = std::size_t{2} << 20;
  constexpr std::size_t kBlocks = (std::size_t{1} << 31) * sizeof(std::int32_t) / kBlock + 1;
  const int file = memfd_create("quorvel-test", 0);
  ASSERT_GE(file, 0);
  ASSERT_EQ(ftruncate(file, 2 * kBlock), 0);
  void* const view = mmap(nullptr, kBlocks * kBlock, PROT_NONE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(view, MAP_FAILED);
  auto* const bytes = static_cast<char*>(view);
  for (std::size_t block = 0; block < kBlocks; ++block) {
    const off_t offset = block + 1 < kBlocks ? 0 : kBlock;
    ASSERT_NE(mmap(bytes + block * kBlock, kBlock, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED,
                   file, offset),
              MAP_FAILED);
  }
  const std::span<std::int32_t> elements(static_cast<std::int32_t*>(view),
                                         kBlocks * kBlock / sizeof(std::int32_t));
  std::fill_n(elements.begin(), kBlock / sizeof(std::int32_t), -1);
  std::fill_n(elements.end() - kBlock / sizeof(std::int32_t), kBlock / sizeof(std::int32_t), -7);
  elements[elements.size() - 3] = 5;
  ASSERT_GT(elements.size(), std::size_t{2147483647});
  EXPECT_EQ(elements[0], elements[kBlock / sizeof(std::int32_t)]);  // the same block, again
  EXPECT_EQ(quorvel::largestElement(elements), 5);
  EXPECT_EQ(quorvel::largestElementIndex(elements), elements.size() - 3);
  munmap(view, kBlocks * kBlock);
  close(file);
}
#endif

// A variant's name, or "baseline" where this build does not have it (GCC
// 12 builds no RVV variant).
std::string orBaseline(const std::string& name) {
  for (const Variant& variant : quorvel::detail::variants()) {
    if (variant.name == name) return name;
  }
  return "baseline";
}

std::string nameOf(std::size_t index) { return quorvel::detail::variants()[index].name; }

// What the dispatcher makes of CPUs it may meet: the widest variant each
// runs, but on Zen 4 AVX2 once a view outgrows the cache, and for short
// views the narrowest above the baseline.
TEST(Dispatcher, ChoosesByWhatTheCpuReports) {
  namespace feature = quorvel::detail::feature;
  struct Case {
    const char* name;
    quorvel::detail::Cpu cpu;
    const char* shortViews;
    const char* mostViews;
    const char* large;
    std::uint64_t largeFromBytes;
  };
  constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
#if defined(__x86_64__)
  constexpr std::uint32_t kAvx512 =
      feature::avx512f | feature::avx512bw | feature::avx2 | feature::sse4_2;
  const Case cases[] = {
      {"Zen 5", {kAvx512}, "x86-64-v2", "avx512", "avx512", kNever},
      {"Zen 4", {kAvx512, true}, "x86-64-v2", "avx512", "avx2", std::uint64_t{16} << 20},
      {"Zen 3", {feature::avx2 | feature::sse4_2, true}, "x86-64-v2", "avx2", "avx2", kNever},
      {"AVX512F without BW",
       {feature::avx512f | feature::avx2 | feature::sse4_2},
       "x86-64-v2",
       "avx2",
       "avx2",
       kNever},
      {"Nehalem", {feature::sse4_2}, "x86-64-v2", "x86-64-v2", "x86-64-v2", kNever},
      {"first x86-64", {}, "baseline", "baseline", "baseline", kNever},
  };
#else
#if defined(__i386__)
  const std::string unit = "sse2";
#elif defined(__arm__)
  const std::string unit = "neon";
#elif defined(__s390x__)
  const std::string unit = "z13";
#elif defined(__riscv)
  const std::string unit = orBaseline("rvv");
#else
  const std::string unit = "baseline";
#endif
  const Case cases[] = {
      {"with the vector unit",
       {feature::vector_unit},
       unit.c_str(),
       unit.c_str(),
       unit.c_str(),
       kNever},
      {"without it", {~feature::vector_unit, true}, "baseline", "baseline", "baseline", kNever},
  };
#endif
  for (const Case& c : cases) {
    const quorvel::detail::Choice choice = quorvel::detail::choose(c.cpu);
    EXPECT_EQ(nameOf(choice.shortViews), c.shortViews) << c.name;
    EXPECT_EQ(nameOf(choice.mostViews), c.mostViews) << c.name;
    EXPECT_EQ(nameOf(choice.large), c.large) << c.name;
    EXPECT_EQ(choice.largeFromBytes, c.largeFromBytes) << c.name;
    // A variant asked for by name serves every view where the CPU runs it,
    // and is passed over where it does not, or where the build lacks it.
    for (const Variant& variant : quorvel::detail::variants()) {
      const quorvel::detail::Choice forced = quorvel::detail::choose(c.cpu, variant.name);
      if (quorvel::detail::runs(c.cpu, variant)) {
        for (const std::size_t each : {forced.shortViews, forced.mostViews, forced.large}) {
          EXPECT_EQ(nameOf(each), variant.name) << c.name;
        }
        EXPECT_EQ(forced.largeFromBytes, kNever) << c.name << ", " << variant.name;
      } else {
        EXPECT_EQ(nameOf(forced.mostViews), c.mostViews) << c.name << ", " << variant.name;
        EXPECT_EQ(nameOf(forced.large), c.large) << c.name << ", " << variant.name;
      }
    }
    EXPECT_EQ(nameOf(quorvel::detail::choose(c.cpu, "avx1024").mostViews), c.mostViews) << c.name;
  }
}

// The variant each emulated CPU that CI runs the suite on must get; the
// suite names the CPU in QUORVEL_EMULATED_CPU.
const std::map<std::string, std::string> kEmulatedPicks = {
    {"Haswell", "avx2"},
    {"SandyBridge", "x86-64-v2"},
    {"Nehalem", "x86-64-v2"},
    {"Penryn", "baseline"},
    {"qemu64", "baseline"},
    {"coreduo", "sse2"},
    {"pentium3", "baseline"},
    {"cortex-a15", "neon"},
    {"cortex-r5f", "baseline"},
    {"arm926", "baseline"},
    {"qemu,vx=on", "z13"},
    {"qemu,vx=off,vxeh=off,vxeh2=off", "baseline"},
    {"rv64,v=true,vlen=128", "rvv"},
    {"rv64,v=true,vlen=512", "rvv"},
    {"rv64,v=false", "baseline"},
};

std::set<std::string> words(const char* text) {
  std::istringstream in(text ? text : "");
  return {std::istream_iterator<std::string>(in), {}};
}

// The variant the dispatcher should pick on this CPU: the one expected of
// the emulated CPU the suite runs on, else, on x86-64, the first whose
// flags /proc/cpuinfo lists, read apart from the compiler's CPU probe that
// the dispatcher uses. Empty where neither says.
std::string expectedVariant() {
  if (const char* cpu = std::getenv("QUORVEL_EMULATED_CPU")) {
    const auto pick = kEmulatedPicks.find(cpu);
    return pick == kEmulatedPicks.end() ? "unknown CPU " + std::string(cpu)
                                        : orBaseline(pick->second);
  }
#ifdef __x86_64__
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line) && !line.starts_with("flags")) {
  }
  if (cpuinfo) {
    const std::set<std::string> flags = words(line.substr(line.find(':') + 1).c_str());
    for (const Variant& variant : quorvel::detail::variants()) {
      const std::set<std::string> needs = words(variant.cpuinfo);
      if (std::includes(flags.begin(), flags.end(), needs.begin(), needs.end()))
        return variant.name;
    }
  }
#endif
  return {};
}

// This CPU's choice is among the variants it runs, and is the one expected;
// the variants the table says an emulated CPU has run there, and those it
// lacks do not.
TEST(Dispatcher, UsesTheWidestVariantTheCpuRuns) {
  const auto all = quorvel::detail::variants();
  ASSERT_FALSE(all.empty());
  EXPECT_STREQ(all.back().name, "baseline");
  const auto cpu = quorvel::detail::thisCpu();
  const quorvel::detail::Choice& choice = quorvel::detail::chosen();
  const char* const named = std::getenv("QUORVEL_FORCE_VARIANT");
  const std::string forced = named ? named : "";
  for (std::size_t index = 0; index < all.size(); ++index) {
    if (all[index].name == forced && quorvel::detail::runs(cpu, all[index])) {
      // Asked for by name, and run: it serves every view.
      for (const std::size_t each : {choice.shortViews, choice.mostViews, choice.large}) {
        EXPECT_EQ(nameOf(each), forced);
      }
      return;
    }
  }
  for (std::size_t index = 0; index < all.size(); ++index) {
    if (quorvel::detail::runs(cpu, all[index])) {
      EXPECT_EQ(choice.mostViews, index) << "the widest variant this CPU runs is " << all[index].name;
      break;
    }
  }
  for (const Variant& variant : all) {
    const bool runs = quorvel::detail::runs(cpu, variant);
    EXPECT_TRUE(!words(std::getenv("QUORVEL_CPU_HAS")).contains(variant.name) || runs)
        << variant.name;
    EXPECT_TRUE(!words(std::getenv("QUORVEL_CPU_LACKS")).contains(variant.name) || !runs)
        << variant.name;
  }
  const std::string expected = expectedVariant();
  if (expected.empty()) GTEST_SKIP() << "nothing here says which variant this CPU should run";
  EXPECT_EQ(nameOf(choice.mostViews), expected);
}

// A caller's code can search before main: from a static constructor, or at
// the very earliest from .preinit_array, which runs before the C runtime has
// probed the CPU for the compiler's __builtin_cpu_supports, and before it
// has the environment. The variant chosen then is the CPU's own, whatever
// QUORVEL_FORCE_VARIANT says.
std::size_t variantChosenBeforeMain = std::numeric_limits<std::size_t>::max();

void searchBeforeMain() {
  std::int32_t values[1024] = {};
  values[700] = 1;
  if (quorvel::largestElement(values, 1024) == 1) {
    variantChosenBeforeMain = quorvel::detail::chosen().mostViews;
  }
}

#ifdef __ELF__
[[gnu::section(".preinit_array"), gnu::used]] void (*const kBeforeMain)() = searchBeforeMain;
#else
[[gnu::constructor]] void searchInAStaticConstructor() { searchBeforeMain(); }
#endif

TEST(Dispatcher, ChoosesBeforeMainAsItWouldInMain) {
  ASSERT_NE(variantChosenBeforeMain, std::numeric_limits<std::size_t>::max())
      << "the search before main gave a wrong answer";
  EXPECT_EQ(nameOf(variantChosenBeforeMain),
            nameOf(quorvel::detail::choose(quorvel::detail::thisCpu()).mostViews));
}

}  // namespace
