/* SPDX-License-Identifier: MIT */
#ifndef QUORVEL_LARGEST_ELEMENT_H_
#define QUORVEL_LARGEST_ELEMENT_H_

/* The largest-element search, for C (C99 and later) and C++ (C++11 and
 * later; the range forms need C++20): the highest value of an array, and
 * the position of its first occurrence, for signed and unsigned integers of
 * 8 to 64 bits, float and double; the lowest the same way, and both ends
 * from one read.
 *
 * In every function the array is only read, once, and nothing is
 * allocated. Equal values: the first position. An empty view gives the
 * type's lowest value (minus infinity for floats) and the position 0, the
 * count. Floats follow IEEE 754-2019's maximum: if any element is a NaN the
 * value is a quiet NaN and the position that of the first NaN; otherwise
 * +0.0 ranks above -0.0, and subnormals compare as the numbers they are,
 * whatever the floating-point mode. A position is always below the count of
 * a non-empty view, even if the array changes during the call. */

#if defined(__GNUC__) && !defined(_WIN32)
#define QUORVEL_API __attribute__((visibility("default")))
#else
#define QUORVEL_API
#endif

#ifdef __cplusplus
#include <cstddef>
#include <cstdint>
extern "C" {
#else
#include <stddef.h>
#include <stdint.h>
#endif

/* Returns the highest of the `elementCount` values that start at `elements`.
 * An empty view (`elementCount` below 1) reads nothing and returns
 * -2147483648, since nothing in it can be higher. */
QUORVEL_API int32_t quorvel_largest_element(const int32_t* elements, int32_t elementCount);

/* The highest value, and the position of its first occurrence, of the
 * `elementCount` values that start at `elements`, one pair per type. */
QUORVEL_API int8_t quorvel_largest_element_i8(const int8_t* elements, size_t elementCount);
QUORVEL_API int16_t quorvel_largest_element_i16(const int16_t* elements, size_t elementCount);
QUORVEL_API int32_t quorvel_largest_element_i32(const int32_t* elements, size_t elementCount);
QUORVEL_API int64_t quorvel_largest_element_i64(const int64_t* elements, size_t elementCount);
QUORVEL_API uint8_t quorvel_largest_element_u8(const uint8_t* elements, size_t elementCount);
QUORVEL_API uint16_t quorvel_largest_element_u16(const uint16_t* elements, size_t elementCount);
QUORVEL_API uint32_t quorvel_largest_element_u32(const uint32_t* elements, size_t elementCount);
QUORVEL_API uint64_t quorvel_largest_element_u64(const uint64_t* elements, size_t elementCount);
QUORVEL_API float quorvel_largest_element_f32(const float* elements, size_t elementCount);
QUORVEL_API double quorvel_largest_element_f64(const double* elements, size_t elementCount);

QUORVEL_API size_t quorvel_largest_element_index_i8(const int8_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_i16(const int16_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_i32(const int32_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_i64(const int64_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_u8(const uint8_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_u16(const uint16_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_u32(const uint32_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_u64(const uint64_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_f32(const float* elements, size_t elementCount);
QUORVEL_API size_t quorvel_largest_element_index_f64(const double* elements, size_t elementCount);

/* The highest value of each line of a strided matrix, and the position of
 * its first occurrence in the line, by the same rule, one pair per line:
 * element k of line l is elements[l * lineStride + k * elementStride], the
 * strides counted in elements, of any sign or zero. For each line l,
 * values[l] gets its highest and indices[l] the position k; either may be
 * NULL where that answer is not wanted. Rows of a row-major matrix are
 * lines with elementStride 1; its columns are lines with lineStride 1 and
 * elementStride the row's length. `elements` and the strides must keep
 * every element aligned to its type, and the answers may not overlap the
 * matrix. A line of length 0 gives the empty view's answer. */
QUORVEL_API void quorvel_largest_element_lines_i8(const int8_t* elements, size_t lineCount,
                                                  size_t lineLength, ptrdiff_t lineStride,
                                                  ptrdiff_t elementStride, int8_t* values,
                                                  size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_i16(const int16_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, int16_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_i32(const int32_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, int32_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_i64(const int64_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, int64_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_u8(const uint8_t* elements, size_t lineCount,
                                                  size_t lineLength, ptrdiff_t lineStride,
                                                  ptrdiff_t elementStride, uint8_t* values,
                                                  size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_u16(const uint16_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, uint16_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_u32(const uint32_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, uint32_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_u64(const uint64_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, uint64_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_f32(const float* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, float* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_largest_element_lines_f64(const double* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, double* values,
                                                   size_t* indices);


/* The lowest value of the `elementCount` values that start at `elements`,
 * and the position of its first occurrence, one pair per type, by the
 * mirror of the highest's rule: an empty view gives the type's highest
 * value (plus infinity for floats) and the position 0; floats follow IEEE
 * 754-2019's minimum, a NaN giving a quiet NaN at the first NaN, and -0.0
 * ranks below +0.0. */
QUORVEL_API int8_t quorvel_smallest_element_i8(const int8_t* elements, size_t elementCount);
QUORVEL_API int16_t quorvel_smallest_element_i16(const int16_t* elements, size_t elementCount);
QUORVEL_API int32_t quorvel_smallest_element_i32(const int32_t* elements, size_t elementCount);
QUORVEL_API int64_t quorvel_smallest_element_i64(const int64_t* elements, size_t elementCount);
QUORVEL_API uint8_t quorvel_smallest_element_u8(const uint8_t* elements, size_t elementCount);
QUORVEL_API uint16_t quorvel_smallest_element_u16(const uint16_t* elements, size_t elementCount);
QUORVEL_API uint32_t quorvel_smallest_element_u32(const uint32_t* elements, size_t elementCount);
QUORVEL_API uint64_t quorvel_smallest_element_u64(const uint64_t* elements, size_t elementCount);
QUORVEL_API float quorvel_smallest_element_f32(const float* elements, size_t elementCount);
QUORVEL_API double quorvel_smallest_element_f64(const double* elements, size_t elementCount);

QUORVEL_API size_t quorvel_smallest_element_index_i8(const int8_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_i16(const int16_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_i32(const int32_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_i64(const int64_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_u8(const uint8_t* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_u16(const uint16_t* elements,
                                                      size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_u32(const uint32_t* elements,
                                                      size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_u64(const uint64_t* elements,
                                                      size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_f32(const float* elements, size_t elementCount);
QUORVEL_API size_t quorvel_smallest_element_index_f64(const double* elements, size_t elementCount);

/* The lowest value of each line of a strided matrix, and its first
 * position, as quorvel_largest_element_lines_<t> has the highest. */
QUORVEL_API void quorvel_smallest_element_lines_i8(const int8_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, int8_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_i16(const int16_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, int16_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_i32(const int32_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, int32_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_i64(const int64_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, int64_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_u8(const uint8_t* elements, size_t lineCount,
                                                   size_t lineLength, ptrdiff_t lineStride,
                                                   ptrdiff_t elementStride, uint8_t* values,
                                                   size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_u16(const uint16_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, uint16_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_u32(const uint32_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, uint32_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_u64(const uint64_t* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, uint64_t* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_f32(const float* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, float* values,
                                                    size_t* indices);
QUORVEL_API void quorvel_smallest_element_lines_f64(const double* elements, size_t lineCount,
                                                    size_t lineLength, ptrdiff_t lineStride,
                                                    ptrdiff_t elementStride, double* values,
                                                    size_t* indices);

/* Both ends from one read of the `elementCount` values that start at
 * `elements`: ends[0] gets the lowest value and ends[1] the highest, and
 * positions[0] and positions[1] their first positions, each by its own
 * search's rule (a NaN is both ends, at the first NaN); either pointer may
 * be NULL where that answer is not wanted. An empty view gives the type's
 * highest and lowest values, and the positions 0. */
QUORVEL_API void quorvel_extremes_i8(const int8_t* elements, size_t elementCount, int8_t ends[2],
                                     size_t positions[2]);
QUORVEL_API void quorvel_extremes_i16(const int16_t* elements, size_t elementCount,
                                      int16_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_i32(const int32_t* elements, size_t elementCount,
                                      int32_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_i64(const int64_t* elements, size_t elementCount,
                                      int64_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_u8(const uint8_t* elements, size_t elementCount, uint8_t ends[2],
                                     size_t positions[2]);
QUORVEL_API void quorvel_extremes_u16(const uint16_t* elements, size_t elementCount,
                                      uint16_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_u32(const uint32_t* elements, size_t elementCount,
                                      uint32_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_u64(const uint64_t* elements, size_t elementCount,
                                      uint64_t ends[2], size_t positions[2]);
QUORVEL_API void quorvel_extremes_f32(const float* elements, size_t elementCount, float ends[2],
                                      size_t positions[2]);
QUORVEL_API void quorvel_extremes_f64(const double* elements, size_t elementCount, double ends[2],
                                      size_t positions[2]);

#ifdef __cplusplus
}  // extern "C"

#include <type_traits>

namespace quorvel {

/// The same search as quorvel_largest_element.
QUORVEL_API std::int32_t largestElement(const std::int32_t* elements, std::int32_t elementCount);

namespace detail {

// The C functions by type, for the forms below.
template <typename T>
struct CSearch {};
#define QUORVEL_C_SEARCH(type, id)                                                                 \
  template <>                                                                                      \
  struct CSearch<type> {                                                                           \
    static type largest(const type* e, std::size_t n) {                                            \
      return quorvel_largest_element_##id(e, n);                                                   \
    }                                                                                              \
    static std::size_t index(const type* e, std::size_t n) {                                       \
      return quorvel_largest_element_index_##id(e, n);                                             \
    }                                                                                              \
    static void lines(const type* e, std::size_t n, std::size_t length, std::ptrdiff_t lineStride, \
                      std::ptrdiff_t step, type* values, std::size_t* indices) {                   \
      quorvel_largest_element_lines_##id(e, n, length, lineStride, step, values, indices);         \
    }                                                                                              \
    static type smallest(const type* e, std::size_t n) {                                           \
      return quorvel_smallest_element_##id(e, n);                                                 \
    }                                                                                              \
    static std::size_t smallestIndex(const type* e, std::size_t n) {                               \
      return quorvel_smallest_element_index_##id(e, n);                                            \
    }                                                                                              \
    static void smallestLines(const type* e, std::size_t n, std::size_t length,                    \
                              std::ptrdiff_t lineStride, std::ptrdiff_t step, type* values,        \
                              std::size_t* indices) {                                              \
      quorvel_smallest_element_lines_##id(e, n, length, lineStride, step, values, indices);        \
    }                                                                                              \
    static void extremes(const type* e, std::size_t n, type* ends, std::size_t* positions) {       \
      quorvel_extremes_##id(e, n, ends, positions);                                                \
    }                                                                                              \
  };
QUORVEL_C_SEARCH(std::int8_t, i8)
QUORVEL_C_SEARCH(std::int16_t, i16)
QUORVEL_C_SEARCH(std::int32_t, i32)
QUORVEL_C_SEARCH(std::int64_t, i64)
QUORVEL_C_SEARCH(std::uint8_t, u8)
QUORVEL_C_SEARCH(std::uint16_t, u16)
QUORVEL_C_SEARCH(std::uint32_t, u32)
QUORVEL_C_SEARCH(std::uint64_t, u64)
QUORVEL_C_SEARCH(float, f32)
QUORVEL_C_SEARCH(double, f64)
#undef QUORVEL_C_SEARCH

// The standard integer types besides the fixed-width ones (long long where
// int64_t is long, long where it is 32 bits), searched as the fixed-width
// type of their size and signedness. Plain char is not among them: its
// signedness differs between architectures.
template <typename T>
struct IsStandardInteger
    : std::integral_constant<
          bool, std::is_same<T, signed char>::value || std::is_same<T, short>::value ||
                    std::is_same<T, int>::value || std::is_same<T, long>::value ||
                    std::is_same<T, long long>::value || std::is_same<T, unsigned char>::value ||
                    std::is_same<T, unsigned short>::value || std::is_same<T, unsigned>::value ||
                    std::is_same<T, unsigned long>::value ||
                    std::is_same<T, unsigned long long>::value> {};

template <std::size_t kSize, bool kSigned>
struct FixedOfSize {};
template <>
struct FixedOfSize<1, true> {
  typedef std::int8_t type;
};
template <>
struct FixedOfSize<2, true> {
  typedef std::int16_t type;
};
template <>
struct FixedOfSize<4, true> {
  typedef std::int32_t type;
};
template <>
struct FixedOfSize<8, true> {
  typedef std::int64_t type;
};
template <>
struct FixedOfSize<1, false> {
  typedef std::uint8_t type;
};
template <>
struct FixedOfSize<2, false> {
  typedef std::uint16_t type;
};
template <>
struct FixedOfSize<4, false> {
  typedef std::uint32_t type;
};
template <>
struct FixedOfSize<8, false> {
  typedef std::uint64_t type;
};

// What an element of type T is searched as; no `type` where it is none of
// the ten types.
template <typename T, bool = IsStandardInteger<T>::value>
struct Searched : FixedOfSize<sizeof(T), std::is_signed<T>::value> {};
template <typename T>
struct Searched<T, false> {};
template <>
struct Searched<float, false> {
  typedef float type;
};
template <>
struct Searched<double, false> {
  typedef double type;
};

// The value's form takes every type but int32_t, whose pointer form is the
// one above, with its signed 32-bit count.
template <typename T, typename Result = T>
struct ValueForm : std::enable_if<!std::is_same<T, std::int32_t>::value, Result> {};

}  // namespace detail

/// The highest of the `elementCount` values starting at `elements`, for
/// every type but int32_t (which has the form above).
template <typename T>
inline typename detail::ValueForm<T, typename detail::Searched<T>::type>::type largestElement(
    const T* elements, std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  return static_cast<T>(
      detail::CSearch<Fixed>::largest(reinterpret_cast<const Fixed*>(elements), elementCount));
}

/// The position of the first highest of the `elementCount` values starting
/// at `elements`; `elementCount` for an empty view.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0, std::size_t>::type
largestElementIndex(const T* elements, std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  return detail::CSearch<Fixed>::index(reinterpret_cast<const Fixed*>(elements), elementCount);
}

/// The highest of each line of a strided matrix into `values`, and where
/// `indices` is not null the position of its first occurrence in the line;
/// as quorvel_largest_element_lines_<t>.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0>::type
largestOfLines(const T* elements, std::size_t lineCount, std::size_t lineLength,
               std::ptrdiff_t lineStride, std::ptrdiff_t elementStride, T* values,
               std::size_t* indices = nullptr) {
  typedef typename detail::Searched<T>::type Fixed;
  detail::CSearch<Fixed>::lines(reinterpret_cast<const Fixed*>(elements), lineCount, lineLength,
                                lineStride, elementStride, reinterpret_cast<Fixed*>(values),
                                indices);
}

/// The lowest of the `elementCount` values starting at `elements`, for
/// every type, int32_t too.
template <typename T>
inline typename detail::Searched<T>::type smallestElement(const T* elements,
                                                          std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  return static_cast<T>(
      detail::CSearch<Fixed>::smallest(reinterpret_cast<const Fixed*>(elements), elementCount));
}

/// The position of the first lowest of the `elementCount` values starting
/// at `elements`; 0 for an empty view.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0, std::size_t>::type
smallestElementIndex(const T* elements, std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  return detail::CSearch<Fixed>::smallestIndex(reinterpret_cast<const Fixed*>(elements),
                                               elementCount);
}

/// The lowest of each line of a strided matrix, as largestOfLines has the
/// highest.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0>::type
smallestOfLines(const T* elements, std::size_t lineCount, std::size_t lineLength,
                std::ptrdiff_t lineStride, std::ptrdiff_t elementStride, T* values,
                std::size_t* indices = nullptr) {
  typedef typename detail::Searched<T>::type Fixed;
  detail::CSearch<Fixed>::smallestLines(reinterpret_cast<const Fixed*>(elements), lineCount,
                                        lineLength, lineStride, elementStride,
                                        reinterpret_cast<Fixed*>(values), indices);
}

/// Both ends of a search: the lowest, then the highest.
template <typename T>
struct Ends {
  T lowest;
  T highest;
};

/// The lowest and the highest of the `elementCount` values starting at
/// `elements`, from one read; as quorvel_extremes_<t>.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0, Ends<T> >::type
extremes(const T* elements, std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  Fixed ends[2];
  detail::CSearch<Fixed>::extremes(reinterpret_cast<const Fixed*>(elements), elementCount, ends,
                                   0);
  Ends<T> result = {static_cast<T>(ends[0]), static_cast<T>(ends[1])};
  return result;
}

/// The first positions of the lowest and the highest, from one read.
template <typename T>
inline typename std::enable_if<sizeof(typename detail::Searched<T>::type) != 0,
                               Ends<std::size_t> >::type
extremesIndex(const T* elements, std::size_t elementCount) {
  typedef typename detail::Searched<T>::type Fixed;
  std::size_t positions[2];
  detail::CSearch<Fixed>::extremes(reinterpret_cast<const Fixed*>(elements), elementCount, 0,
                                   positions);
  Ends<std::size_t> result = {positions[0], positions[1]};
  return result;
}

}  // namespace quorvel

#if __cplusplus >= 202002L && defined(__has_include)
#if __has_include(<span>) && __has_include(<ranges>)
#include <ranges>
#include <span>

namespace quorvel {
namespace detail {

// Searches `elements` in pieces of at most `piece` elements each.
inline std::int32_t largestInPieces(std::span<const std::int32_t> elements, std::int32_t piece) {
  std::int32_t highest = -2147483647 - 1;
  while (!elements.empty()) {
    const std::size_t length = elements.size() < static_cast<std::size_t>(piece)
                                   ? elements.size()
                                   : static_cast<std::size_t>(piece);
    const std::int32_t pieceHighest =
        largestElement(elements.data(), static_cast<std::int32_t>(length));
    if (pieceHighest > highest) highest = pieceHighest;
    elements = elements.subspan(length);
  }
  return highest;
}

template <typename Range>
using RangeValue = std::remove_cv_t<std::ranges::range_value_t<Range>>;

template <typename Range>
concept SearchedRange =
    std::ranges::contiguous_range<Range> && std::ranges::sized_range<Range> && requires {
  typename Searched<RangeValue<Range>>::type;
};

// int32_t ranges take the span form, below, for their value.
template <typename Range>
concept ValueRange = SearchedRange<Range> && !std::is_same_v<RangeValue<Range>, std::int32_t>;

}  // namespace detail

/// The same search for a view of any length a span can hold: one longer
/// than 2147483647 elements is searched whole, in pieces. An empty span
/// gives -2147483648, as an empty view does.
inline std::int32_t largestElement(std::span<const std::int32_t> elements) {
  return detail::largestInPieces(elements, 2147483647);
}

/// The highest value of any contiguous range (a span, a vector, an array)
/// of the other types.
template <detail::ValueRange Range>
inline detail::RangeValue<Range> largestElement(Range&& elements) {
  return largestElement(std::ranges::data(elements), std::ranges::size(elements));
}

/// The position of the first highest value of any contiguous range.
template <detail::SearchedRange Range>
inline std::size_t largestElementIndex(Range&& elements) {
  return largestElementIndex(std::ranges::data(elements), std::ranges::size(elements));
}

/// The lowest value of any contiguous range.
template <detail::SearchedRange Range>
inline detail::RangeValue<Range> smallestElement(Range&& elements) {
  return smallestElement(std::ranges::data(elements), std::ranges::size(elements));
}

/// The position of the first lowest value of any contiguous range.
template <detail::SearchedRange Range>
inline std::size_t smallestElementIndex(Range&& elements) {
  return smallestElementIndex(std::ranges::data(elements), std::ranges::size(elements));
}

/// The lowest and the highest of any contiguous range, from one read.
template <detail::SearchedRange Range>
inline Ends<detail::RangeValue<Range>> extremes(Range&& elements) {
  return extremes(std::ranges::data(elements), std::ranges::size(elements));
}

/// The first positions of the lowest and the highest of any contiguous
/// range, from one read.
template <detail::SearchedRange Range>
inline Ends<std::size_t> extremesIndex(Range&& elements) {
  return extremesIndex(std::ranges::data(elements), std::ranges::size(elements));
}

}  // namespace quorvel
#endif
#endif

#endif  // __cplusplus

#endif  // QUORVEL_LARGEST_ELEMENT_H_
