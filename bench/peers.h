// SPDX-License-Identifier: MIT
#ifndef QUORVEL_BENCH_PEERS_H_
#define QUORVEL_BENCH_PEERS_H_

// What a user chasing speed would write instead of calling the library, and
// the limit for one pass, built with -O3 -march=native. Each search takes a
// non-empty view.

#include <cstddef>
#include <cstdint>

// The limit: a loop that does nothing but read the bytes, ORing them into
// eight independent vectors of `width` bytes (16, 32 or 64; no wider than
// the CPU has), and the widest width it has.
std::uint64_t bareRead(const void* bytes, std::size_t size, std::size_t width);
std::size_t widestVector();

template <typename T>
T rangesMax(const T* elements, std::size_t count);
template <typename T>
std::size_t rangesMaxElement(const T* elements, std::size_t count);
template <typename T>
T reduceUnseq(const T* elements, std::size_t count);
#ifdef QUORVEL_BENCH_HIGHWAY
template <typename T>
T highwayLoop(const T* elements, std::size_t count);
#endif

#endif  // QUORVEL_BENCH_PEERS_H_
