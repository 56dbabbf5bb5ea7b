// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_MATRIX_H_
#define QUORVEL_LARGEST_ELEMENT_MATRIX_H_

// The search of a strided matrix: one answer per line, where a line's
// elements lie `step` elements apart and lines lie `lineStride` apart, by
// the whole-array search's rule, for either end. Which loop reads it is decided once per
// call, by the layout: lines whose elements are adjacent, long ones by the
// whole-array scan and short ones a line at a time with vectors no wider
// than a line; lines that are adjacent to each other (each answer a column
// of a row-major matrix) by a running highest for a vector of lines at
// once, reading each of their elements' rows once, in order; anything else
// element by element. Compiled once per variant and type, as the kernel is.

#include <utility>

#include "largest_element_kernel.h"

namespace quorvel::detail {
namespace {

template <typename T>
using Position = std::make_unsigned_t<Bits<T>>;

template <typename T>
inline T quietIfNaN(T value) {
  if (isNaN(value)) return std::numeric_limits<T>::quiet_NaN();
  return value;
}

// The first end of one line of any step, element by element.
template <End kEnd, typename T>
inline Found<T> lineOneByOne(const T* line, std::size_t length, std::ptrdiff_t step) {
  Found<T> found{emptyOf<kEnd, T>(), 0};
  for (std::size_t index = 0; index < length; ++index) {
    const T element = line[static_cast<std::ptrdiff_t>(index) * step];
    if (isNaN(element)) return {std::numeric_limits<T>::quiet_NaN(), index};
    if (index == 0 || beats<kEnd>(element, found.value)) found = {element, index};
  }
  return found;
}

// Each line from `first`, `lineStride` apart, answered alone by `answer`
// (a line's first element, and whether its position is wanted), into
// `values` and `indices` where each is not null.
template <typename T, typename Answer>
inline void eachLine(const T* first, std::size_t from, std::size_t lines, std::ptrdiff_t lineStride,
                     T* values, std::size_t* indices, Answer answer) {
  for (std::size_t line = from; line < lines; ++line) {
    const Found<T> found =
        answer(first + static_cast<std::ptrdiff_t>(line) * lineStride, indices != nullptr);
    if (values) values[line] = found.value;
    if (indices) indices[line] = found.index;
  }
}

// A line of adjacent elements, `kLanes` to `4 * kLanes` of them, read as up
// to four vectors from both ends, with no loop and nothing set up: its
// end, and where asked its first position, the lowest lane index of the
// lanes that hold it.
template <End kEnd, int kBytes, typename T>
inline Found<T> shortLine(const T* line, std::size_t length, bool wantIndex) {
  using Flags = Vector<Bits<T>, kBytes>;
  using Lanes = Vector<T, kBytes>;
  using Indices = Vector<Position<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  const auto load = [&](std::size_t index) {
    Flags bits;
    std::memcpy(&bits, line + index, sizeof bits);
    return bits;
  };
  const std::size_t at[4] = {0, length - kLanes, length > 2 * kLanes ? kLanes : 0,
                             length > 2 * kLanes ? length - 2 * kLanes : length - kLanes};
  // Arrays of vectors are aligned whole: a type deduced from a vector (a
  // lambda's result) drops its element alignment, and an unoptimised build
  // then stores it aligned.
  alignas(kBytes) const Flags bits[4] = {load(at[0]), load(at[1]), load(at[2]), load(at[3])};
  const auto lanes = [&](int which) { return reinterpret_cast<Lanes>(bits[which]); };
  const Lanes top = beyond<kEnd>(beyond<kEnd>(lanes(0), lanes(1)),
                                 beyond<kEnd>(lanes(2), lanes(3)));
  T highest = bestLane<kEnd, T, kBytes>(top);
  bool nan = false;
  if constexpr (kFloat<T>) {
    Flags unordered{};
    for (int which = 0; which < 4; ++which) unordered |= lanes(which) != lanes(which);
    nan = anyLane<Bits<T>, kBytes>(unordered);
    if (!nan && highest == 0) {
      // The end's own zero, +0 for the highest and -0 for the lowest.
      const T own = kEnd == End::highest ? T{0} : -T{0};
      const Bits<T> ownBits = bitsOf(own);
      const Flags found =
          (bits[0] == ownBits) | (bits[1] == ownBits) | (bits[2] == ownBits) | (bits[3] == ownBits);
      highest = anyLane<Bits<T>, kBytes>(found) ? own : -own;
    }
  }
  if (nan) highest = std::numeric_limits<T>::quiet_NaN();
  if (!wantIndex) return {highest, 0};
  const Bits<T> wanted = bitsOf(highest);
  Indices first = ~Indices{}, iota;
  for (std::size_t lane = 0; lane < kLanes; ++lane) iota[lane] = static_cast<Position<T>>(lane);
  for (int which = 0; which < 4; ++which) {
    Flags hit = bits[which] == wanted;
    if constexpr (kFloat<T>) {
      if (nan) {
        constexpr Bits<T> kInfinity = bitsOf(std::numeric_limits<T>::infinity());
        hit = (bits[which] & std::numeric_limits<Bits<T>>::max()) > kInfinity;
      }
    }
    const Indices place =
        (iota + static_cast<Position<T>>(at[which])) | ~reinterpret_cast<Indices>(hit);
    first = first < place ? first : place;
  }
  const std::size_t index =
      foldLanes<Position<T>, kBytes>(first, [](auto a, auto b) { return a < b ? a : b; });
  // The line changed while it was read, and holds the highest no more.
  if (index >= length) return firstBestOneByOne<kEnd>(line, length);
  return {highest, index};
}

// Keys that order every element by the rule as signed integers of its
// size, the end sought the highest key: unsigned ones with the sign bit
// turned, floats with the rest of a negative one's bits turned, so that -0
// ranks below +0, and for the lowest every bit of a number turned; every
// NaN the highest key of all, which no number has.
template <End kEnd, typename T, typename Keys>
inline Keys keysOf(Keys bits) {
  constexpr Bits<T> kTop = std::numeric_limits<Bits<T>>::min();
  constexpr Bits<T> kRest = std::numeric_limits<Bits<T>>::max();
  constexpr Bits<T> kTurn = kEnd == End::lowest ? ~Bits<T>{0} : Bits<T>{0};
  if constexpr (kFloat<T>) {
    const Keys nan = (bits & kRest) > bitsOf(std::numeric_limits<T>::infinity());
    const Keys keys = (bits ^ ((bits >> (8 * sizeof(T) - 1)) & kRest)) ^ kTurn;
    return (keys & ~nan) | (nan & kRest);
  } else if constexpr (std::is_unsigned_v<T>) {
    return bits ^ (kTop ^ kTurn);
  } else {
    return bits ^ kTurn;
  }
}

// The elements that keysOf turned into `keys`; a quiet NaN for a NaN's.
template <End kEnd, typename T, typename Keys>
inline Keys elementsOf(Keys keys) {
  constexpr Bits<T> kTop = std::numeric_limits<Bits<T>>::min();
  constexpr Bits<T> kRest = std::numeric_limits<Bits<T>>::max();
  constexpr Bits<T> kTurn = kEnd == End::lowest ? ~Bits<T>{0} : Bits<T>{0};
  if constexpr (kFloat<T>) {
    const Keys nan = keys == kRest;
    const Keys turned = keys ^ kTurn;
    const Keys bits = turned ^ ((turned >> (8 * sizeof(T) - 1)) & kRest);
    return (bits & ~nan) | (nan & bitsOf(std::numeric_limits<T>::quiet_NaN()));
  } else if constexpr (std::is_unsigned_v<T>) {
    return keys ^ (kTop ^ kTurn);
  } else {
    return keys ^ kTurn;
  }
}

// For output lane `lane` of a shuffle of two vectors of `lanes` lanes, each
// holding rows of `segment` lanes: the source lane of the low (or high) half
// of its row, the first vector's rows before the second's.
constexpr int halfOf(std::size_t lanes, std::size_t segment, bool high, std::size_t lane) {
  const std::size_t half = segment / 2, row = lane / half, within = lane % half;
  const std::size_t rows = lanes / segment;
  const std::size_t source =
      row < rows ? row * segment + within : lanes + (row - rows) * segment + within;
  return static_cast<int>(source + (high ? half : 0));
}

template <std::size_t kLanes, std::size_t kSegment, bool kHigh, typename V, std::size_t... kLane>
inline V halves(V a, V b, std::index_sequence<kLane...>) {
  return (V)__builtin_shufflevector(a, b, halfOf(kLanes, kSegment, kHigh, kLane)...);
}

// Folds `rows`, kSegment vectors each holding kLanes / kSegment rows, into
// one vector whose lane j is `fold` over the lanes of row j: each step
// halves every row, two vectors into one, so kLanes rows take kLanes - 1
// folds in all rather than a fold of each row's lanes apart.
template <std::size_t kLanes, std::size_t kSegment, typename V, typename Fold>
inline V foldRows(V* rows, Fold fold) {
  if constexpr (kSegment == 1) {
    return rows[0];
  } else {
    constexpr auto kAll = std::make_index_sequence<kLanes>{};
    for (std::size_t i = 0; i < kSegment / 2; ++i) {
      rows[i] = fold(halves<kLanes, kSegment, false>(rows[2 * i], rows[2 * i + 1], kAll),
                     halves<kLanes, kSegment, true>(rows[2 * i], rows[2 * i + 1], kAll));
    }
    return foldRows<kLanes, kSegment / 2>(rows, fold);
  }
}

// Short lines of adjacent elements, `kLanes` to `4 * kLanes` each, kLanes
// lines a step: each line's loads from both ends (as shortLine has them)
// folded into one vector of keys, then the step's lines folded together
// into a vector of their highest keys; where positions are asked, each
// line's lane indices that hold its key, folded the same way to their
// lowest. Lines past the last whole step, by shortLine.
template <End kEnd, int kBytes, typename T>
inline void shortLines(const T* elements, std::size_t lines, std::size_t length,
                       std::ptrdiff_t lineStride, T* values, std::size_t* indices) {
  using Keys = Vector<Bits<T>, kBytes>;
  using Indices = Vector<Position<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  const bool four = length > 2 * kLanes;
  const std::size_t at[4] = {0, length - kLanes, four ? kLanes : 0,
                             four ? length - 2 * kLanes : length - kLanes};
  const auto keysAt = [&](const T* row, int which) {
    Keys bits;
    std::memcpy(&bits, row + at[which], sizeof bits);
    return keysOf<kEnd, T>(bits);
  };
  Indices iota;
  for (std::size_t lane = 0; lane < kLanes; ++lane) iota[lane] = static_cast<Position<T>>(lane);
  std::size_t line = 0;
  for (; line + kLanes <= lines; line += kLanes) {
    const auto row = [&](std::size_t j) {
      return elements + static_cast<std::ptrdiff_t>(line + j) * lineStride;
    };
    // Aligned to a whole vector: foldRows takes them by a pointer to a
    // vector type, which template deduction strips of Keys' alignment.
    alignas(kBytes) Keys keys[kLanes][4];
    alignas(kBytes) Keys tops[kLanes];
    for (std::size_t j = 0; j < kLanes; ++j) {
      keys[j][0] = keysAt(row(j), 0);
      keys[j][1] = keysAt(row(j), 1);
      tops[j] = beyond<End::highest>(keys[j][0], keys[j][1]);
      if (four) {
        keys[j][2] = keysAt(row(j), 2);
        keys[j][3] = keysAt(row(j), 3);
        tops[j] = beyond<End::highest>(tops[j], beyond<End::highest>(keys[j][2], keys[j][3]));
      }
    }
    const Keys highest = foldRows<kLanes, kLanes>(
        tops, [](Keys a, Keys b) { return beyond<End::highest>(a, b); });
    if (values) {
      const Keys out = elementsOf<kEnd, T>(highest);
      std::memcpy(values + line, &out, sizeof out);
    }
    if (!indices) continue;
    alignas(kBytes) Indices firsts[kLanes];
    for (std::size_t j = 0; j < kLanes; ++j) {
      const Keys wanted = Keys{} + highest[j];
      Indices first = ~Indices{};
      for (int which = 0; which < (four ? 4 : 2); ++which) {
        const Indices place = (iota + static_cast<Position<T>>(at[which])) |
                              ~reinterpret_cast<Indices>(keys[j][which] == wanted);
        first = first < place ? first : place;
      }
      firsts[j] = first;
    }
    const Indices positions =
        foldRows<kLanes, kLanes>(firsts, [](Indices a, Indices b) { return a < b ? a : b; });
    for (std::size_t j = 0; j < kLanes; ++j) {
      // A line that changed while it was read, and holds its end no more.
      indices[line + j] =
          positions[j] < length ? positions[j] : firstBestOneByOne<kEnd>(row(j), length).index;
    }
  }
  eachLine(elements, line, lines, lineStride, values, indices, [&](const T* row, bool wantIndex) {
    return shortLine<kEnd, kBytes>(row, length, wantIndex);
  });
}

// Lines of adjacent elements: long ones each by the whole array's search,
// short ones by shortLines at the widest vector the line fills
// (doc/performance.md), or one by one below 16 bytes.
template <End kEnd, int kBytes, typename T>
inline void alongLines(const T* elements, std::size_t lines, std::size_t length,
                       std::ptrdiff_t lineStride, T* values, std::size_t* indices) {
  const auto each = [&](auto answer) {
    eachLine(elements, 0, lines, lineStride, values, indices, answer);
  };
  const std::size_t bytes = length * sizeof(T);
  if (!kVectorsFor<T> || bytes < 16) {
    each([&](const T* line, bool) { return lineOneByOne<kEnd>(line, length, 1); });
  } else if (bytes >= 4 * kBytes) {
    each([&](const T* line, bool wantIndex) {
      if (!wantIndex) return Found<T>{bestValue<kEnd, kBytes>(line, length), 0};
      const std::size_t index = bestIndex<kEnd, kBytes>(line, length);
      return Found<T>{quietIfNaN(line[index]), index};
    });
  } else if (kBytes >= 64 && bytes >= 64) {
    shortLines<kEnd, (kBytes >= 64 ? 64 : 16)>(elements, lines, length, lineStride, values,
                                               indices);
  } else if (kBytes >= 32 && bytes >= 32) {
    shortLines<kEnd, (kBytes >= 32 ? 32 : 16)>(elements, lines, length, lineStride, values,
                                               indices);
  } else {
    shortLines<kEnd, 16>(elements, lines, length, lineStride, values, indices);
  }
}

// Whether each lane of `x` lies beyond the same lane of `best` towards the
// end sought, as the rule has it: +0 above -0, and a NaN beyond any number;
// an equal value or a later NaN does not.
template <End kEnd, typename T, typename Flags>
inline Flags beatsLanes(Flags x, Flags best) {
  using Lanes = Vector<T, sizeof(Flags)>;
  const Lanes a = reinterpret_cast<Lanes>(x), b = reinterpret_cast<Lanes>(best);
  if constexpr (kEnd == End::lowest) {
    Flags wins = a < b;
    if constexpr (kFloat<T>) wins |= ((a == b) & (x < best)) | ((a != a) & (b == b));
    return wins;
  }
  Flags wins = a > b;
  if constexpr (kFloat<T>) wins |= ((a == b) & (x > best)) | ((a != a) & (b == b));
  return wins;
}

// How the lines are read, by the matrix's size (doc/performance.md has the
// measurements). A block of adjacent lines, up to 8 KiB of each row, so that
// a block holds a whole row where it can: reading part of each row and then
// the next was much slower. While the matrix fits in cache, kInCacheRows
// rows at a time and those kGroup vectors at a time, so that each vector's
// state stays in registers down the rows and goes to memory once a tile.
// From memory that order fell far behind the memory's speed, and row by
// row, the state in the first-level cache, kept up with it. The processor's
// own prefetcher fell behind either, so the rows kAhead on are asked for
// ahead of their reads.
constexpr std::size_t kBlockBytes = 8192;
constexpr std::size_t kInCacheRows = 4;
constexpr std::uint64_t kFromMemoryBytes = std::uint64_t{16} << 20;
constexpr std::size_t kGroup = 4;
constexpr std::size_t kAhead = 8;
// How downColumns reads: by the matrix's size, or as a line's span, whose
// rows lie one after another, so that it reads in order in tiles of
// kSpanRows rows whatever its size; the tests choose the others.
enum class Reading { bySize, inCache, fromMemory, span };
constexpr std::size_t kSpanRows = 16;

// A prefetch `bytes` past `at`, the address reckoned as a number: it may lie
// past the matrix, where a prefetch is harmless but a pointer may not point.
// From memory, into the second-level cache only, where wide rows read row
// by row ran faster than when asked into the first (doc/performance.md).
template <bool kFromMemory, typename T>
inline void prefetch(const T* at, std::ptrdiff_t bytes) {
  const auto* address = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(at) + bytes);
  __builtin_prefetch(address, 0, kFromMemory ? 1 : 3);
}

// Lines that lie next to each other (`reversed`: the last line first), each
// of `length` elements `step` apart: a vector of lines at once. The row of
// each lane's highest is kept in lanes of the element's size, so rows are
// taken in chunks that such a lane can count, and each chunk's answer
// merged into the lines' answer.
template <End kEnd, int kBytes, bool kWantIndex, typename T>
inline void downColumns(const T* first, std::size_t lines, std::size_t length, std::ptrdiff_t step,
                        bool reversed, T* values, std::size_t* indices, Reading reading) {
  using Flags = Vector<Bits<T>, kBytes>;
  using Indices = Vector<Position<T>, kBytes>;
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  constexpr std::size_t kBlock = kBlockBytes / sizeof(T);
  constexpr std::size_t kVectors = kBlock / kLanes;
  const bool fromMemory = reading == Reading::bySize
                              ? std::uint64_t{lines} * length * sizeof(T) >= kFromMemoryBytes
                              : reading == Reading::fromMemory;
  const std::size_t kRowTile = fromMemory ? 1 : reading == Reading::span ? kSpanRows : kInCacheRows;
  constexpr std::size_t kChunk =
      sizeof(T) >= 4 ? std::size_t{1} << 31 : std::size_t{1} << (8 * sizeof(T));
  alignas(kBytes) Flags best[kVectors];
  alignas(kBytes) Indices rowOf[kVectors];
  T merged[kBlock];
  // The block: its first line, its width, and the vectors that cover it,
  // the last ending at its last line.
  std::size_t begin = 0, width = 0, vectors = 0;
  const auto offsetOf = [&](std::size_t v) {
    return v + 1 < vectors ? v * kLanes : width - kLanes;
  };
  // Rows `row` to `row + count` of the chunk at `top`, for kG vectors from v.
  const auto tile = [&]<std::size_t kG, bool kFromMemory>(const T* top, std::size_t v,
                                                          std::size_t row, std::size_t count,
                                                          std::ptrdiff_t ahead) {
    alignas(kBytes) Flags b[kG];
    alignas(kBytes) Indices r[kG];
    for (std::size_t g = 0; g < kG; ++g) b[g] = best[v + g], r[g] = rowOf[v + g];
    for (std::size_t k = 0; k < count; ++k) {
      const T* const part = top + static_cast<std::ptrdiff_t>(row + k) * step;
      const Indices here = Indices{} + static_cast<Position<T>>(row + k);
      for (std::size_t g = 0; g < kG; ++g) {
        Flags x;
        std::memcpy(&x, part + offsetOf(v + g), sizeof x);
        prefetch<kFromMemory>(part + offsetOf(v + g), ahead);
        if constexpr (!kWantIndex && !kFloat<T>) {
          using Lanes = Vector<T, kBytes>;
          b[g] = reinterpret_cast<Flags>(
              beyond<kEnd>(reinterpret_cast<Lanes>(b[g]), reinterpret_cast<Lanes>(x)));
          continue;
        }
        const Flags wins = beatsLanes<kEnd, T>(x, b[g]);
        b[g] = (b[g] & ~wins) | (x & wins);
        if constexpr (kWantIndex) {
          const Indices taken = reinterpret_cast<Indices>(wins);
          r[g] = (r[g] & ~taken) | (here & taken);
        }
      }
    }
    for (std::size_t g = 0; g < kG; ++g) best[v + g] = b[g], rowOf[v + g] = r[g];
  };
  for (std::size_t start = 0; start < lines; start += kBlock) {
    // Whole vectors: the last ends at the block's last line, overlapping the
    // one before, and a last block narrower than a vector ends at the last
    // line, overlapping the block before.
    begin = start, width = lines - start < kBlock ? lines - start : kBlock;
    if (width < kLanes) begin = lines - kLanes, width = kLanes;
    vectors = (width + kLanes - 1) / kLanes;
    const auto lineOf = [&](std::size_t column) {
      return reversed ? lines - 1 - (begin + column) : begin + column;
    };
    for (std::size_t chunk = 0; chunk < length; chunk += kChunk) {
      const std::size_t rows = length - chunk < kChunk ? length - chunk : kChunk;
      const T* const top = first + begin + static_cast<std::ptrdiff_t>(chunk) * step;
      for (std::size_t v = 0; v < vectors; ++v) {
        std::memcpy(&best[v], top + offsetOf(v), sizeof(Flags));
        rowOf[v] = Indices{};
      }
      for (std::size_t row = 1; row < rows; row += kRowTile) {
        const std::size_t count = rows - row < kRowTile ? rows - row : kRowTile;
        const std::ptrdiff_t ahead =
            row + kAhead < rows ? static_cast<std::ptrdiff_t>(kAhead * sizeof(T)) * step : 0;
        std::size_t v = 0;
        if (fromMemory) {
          for (; v + kGroup <= vectors; v += kGroup)
            tile.template operator()<kGroup, true>(top, v, row, count, ahead);
          for (; v < vectors; ++v) tile.template operator()<1, true>(top, v, row, count, ahead);
        } else {
          for (; v + kGroup <= vectors; v += kGroup)
            tile.template operator()<kGroup, false>(top, v, row, count, ahead);
          for (; v < vectors; ++v) tile.template operator()<1, false>(top, v, row, count, ahead);
        }
      }
      // Each chunk's answer into the lines' own; a line that two vectors
      // overlap takes the same answer twice, which changes nothing.
      for (std::size_t v = 0; v < vectors; ++v) {
        if (length <= kChunk && !reversed) {
          // The one chunk's answers are the lines', a vector at a time.
          const std::size_t line = begin + offsetOf(v);
          if (values) {
            Flags out = best[v];
            if constexpr (kFloat<T>) {
              constexpr Bits<T> kQuiet = bitsOf(std::numeric_limits<T>::quiet_NaN()) ^
                                         bitsOf(std::numeric_limits<T>::infinity());
              const Vector<T, kBytes> lanes = reinterpret_cast<Vector<T, kBytes>>(out);
              out |= (lanes != lanes) & kQuiet;
            }
            std::memcpy(values + line, &out, sizeof out);
          }
          if constexpr (kWantIndex) {
            Position<T> rows[kLanes];
            std::memcpy(rows, &rowOf[v], sizeof rows);
            for (std::size_t lane = 0; lane < kLanes; ++lane) indices[line + lane] = rows[lane];
          }
          continue;
        }
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
          const std::size_t column = offsetOf(v) + lane;
          const T value = std::bit_cast<T>(best[v][lane]);
          if (length <= kChunk) {
            if (values) values[lineOf(column)] = quietIfNaN(value);
            if constexpr (kWantIndex) indices[lineOf(column)] = rowOf[v][lane];
          } else if (chunk == 0 || (!isNaN(merged[column]) &&
                                    (isNaN(value) || beats<kEnd>(value, merged[column])))) {
            merged[column] = value;
            if constexpr (kWantIndex) indices[lineOf(column)] = chunk + rowOf[v][lane];
          }
        }
      }
    }
    if (values && length > kChunk) {
      for (std::size_t column = 0; column < width; ++column) {
        values[lineOf(column)] = quietIfNaN(merged[column]);
      }
    }
  }
}

// A line whose elements lie `step` apart, a few to a cache line, which
// every cache line of the line's span holds: the span read whole, as a
// matrix of rows of `width` elements, a multiple of the step, whose columns
// the down-columns loop answers; the line's elements are the columns that
// are multiples of the step, and the first highest among them is the one
// of the lowest row, then column. Elements past the last whole row, one by
// one. Element by element, such a line fell far behind the memory's speed
// (doc/performance.md).
constexpr std::size_t kSteppedLineBytes = 64;

template <End kEnd, int kBytes, typename T>
inline Found<T> steppedLine(const T* line, std::size_t length, std::size_t step, bool wantIndex,
                            Reading reading) {
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  constexpr std::size_t kMost = kGroup * kLanes + kSteppedLineBytes / sizeof(T);
  const std::size_t width = (kGroup * kLanes + step - 1) / step * step;
  const std::size_t rows = ((length - 1) * step + 1) / width;
  if (rows < 2) return lineOneByOne<kEnd>(line, length, static_cast<std::ptrdiff_t>(step));
  T values[kMost] = {};
  std::size_t found[kMost] = {};
  const auto w = static_cast<std::ptrdiff_t>(width);
  if (reading == Reading::bySize) reading = Reading::span;
  if (wantIndex) {
    downColumns<kEnd, kBytes, true>(line, width, rows, w, false, values, found, reading);
  } else {
    downColumns<kEnd, kBytes, false>(line, width, rows, w, false, values, nullptr, reading);
  }
  Found<T> best{values[0], wantIndex ? found[0] * width / step : 0};
  for (std::size_t column = step; column < width; column += step) {
    const T value = values[column];
    const std::size_t index = wantIndex ? (found[column] * width + column) / step : 0;
    const bool earlier = index < best.index;
    if (isNaN(best.value) ? isNaN(value) && earlier
                          : isNaN(value) || beats<kEnd>(value, best.value) ||
                                (bitsOf(value) == bitsOf(best.value) && earlier)) {
      best = {value, index};
    }
  }
  if (isNaN(best.value)) return best;
  for (std::size_t index = rows * width / step; index < length; ++index) {
    const T element = line[index * step];
    if (isNaN(element)) return {std::numeric_limits<T>::quiet_NaN(), index};
    if (beats<kEnd>(element, best.value)) best = {element, index};
  }
  return best;
}

// The search of a strided matrix, one answer per line, into `values` and
// `indices` where each is not null.
template <End kEnd, int kBytes, typename T>
inline void bestOfLines(const T* elements, std::size_t lines, std::size_t length,
                           std::ptrdiff_t lineStride, std::ptrdiff_t step, T* values,
                           std::size_t* indices, Reading reading = Reading::bySize) {
  if (lines == 0 || (!values && !indices)) return;
  if (length == 0) {
    for (std::size_t line = 0; line < lines; ++line) {
      if (values) values[line] = emptyOf<kEnd, T>();
      if (indices) indices[line] = 0;
    }
    return;
  }
  if (length == 1) step = 1;  // one element, whatever the step
  constexpr std::size_t kLanes = kBytes / sizeof(T);
  const bool adjacentLines = (lineStride == 1 || lineStride == -1) && lines >= kLanes;
  if (step == 1) {
    alongLines<kEnd, kBytes>(elements, lines, length, lineStride, values, indices);
  } else if (kVectorsFor<T> && !adjacentLines && step > 1 &&
             static_cast<std::size_t>(step) * sizeof(T) <= kSteppedLineBytes) {
    eachLine(elements, 0, lines, lineStride, values, indices, [&](const T* line, bool wantIndex) {
      return steppedLine<kEnd, kBytes>(line, length, static_cast<std::size_t>(step), wantIndex,
                                       reading);
    });
  } else if (kVectorsFor<T> && adjacentLines) {
    const bool reversed = lineStride == -1;
    const T* const first = reversed ? elements - (lines - 1) : elements;
    if (indices) {
      downColumns<kEnd, kBytes, true>(first, lines, length, step, reversed, values, indices,
                                      reading);
    } else {
      downColumns<kEnd, kBytes, false>(first, lines, length, step, reversed, values, indices,
                                       reading);
    }
  } else {
    eachLine(elements, 0, lines, lineStride, values, indices,
             [&](const T* line, bool) { return lineOneByOne<kEnd>(line, length, step); });
  }
}

}  // namespace
}  // namespace quorvel::detail

// The variant's entry points for the element type it is built for: the
// build's generated source for each variant and type names the variant
// (QUORVEL_VARIANT), the type (QUORVEL_ELEMENT) and the variant's width
// (QUORVEL_VECTOR_BYTES), and includes this header.
#if defined(QUORVEL_VARIANT) && defined(QUORVEL_ELEMENT) && defined(QUORVEL_VECTOR_BYTES)
#include "largest_element_dispatch.h"

namespace quorvel::detail::QUORVEL_VARIANT {

using Element = QUORVEL_ELEMENT;
constexpr int kVectorBytes = QUORVEL_VECTOR_BYTES;

Element largest(const Element* elements, std::size_t count) {
  return bestValue<End::highest, kVectorBytes>(elements, count);
}

std::size_t largestIndex(const Element* elements, std::size_t count) {
  return bestIndex<End::highest, kVectorBytes>(elements, count);
}

void largestOfLines(const Element* elements, std::size_t lines, std::size_t length,
                    std::ptrdiff_t lineStride, std::ptrdiff_t step, Element* values,
                    std::size_t* indices) {
  bestOfLines<End::highest, kVectorBytes>(elements, lines, length, lineStride, step, values,
                                          indices);
}

Element smallest(const Element* elements, std::size_t count) {
  return bestValue<End::lowest, kVectorBytes>(elements, count);
}

std::size_t smallestIndex(const Element* elements, std::size_t count) {
  return bestIndex<End::lowest, kVectorBytes>(elements, count);
}

void smallestOfLines(const Element* elements, std::size_t lines, std::size_t length,
                     std::ptrdiff_t lineStride, std::ptrdiff_t step, Element* values,
                     std::size_t* indices) {
  bestOfLines<End::lowest, kVectorBytes>(elements, lines, length, lineStride, step, values,
                                         indices);
}

void extremes(const Element* elements, std::size_t count, Element* ends, std::size_t* positions) {
  if (!ends && !positions) return;
  const BothFound<Element> found = searchBoth<kVectorBytes>(elements, count, positions != nullptr);
  if (ends) ends[0] = found.lowest.value, ends[1] = found.highest.value;
  if (positions) positions[0] = found.lowest.index, positions[1] = found.highest.index;
}

}  // namespace quorvel::detail::QUORVEL_VARIANT
#endif

#endif  // QUORVEL_LARGEST_ELEMENT_MATRIX_H_
