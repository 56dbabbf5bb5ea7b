// SPDX-License-Identifier: MIT
#ifndef QUORVEL_BENCH_PEERS_H_
#define QUORVEL_BENCH_PEERS_H_

// What a user chasing speed would write instead of calling the library, and
// the limit for one pass, built with -O3 -march=native. Each search takes a
// non-empty view.

#include <cstddef>
#include <cstdint>

// The limit: a loop that does nothing but read the bytes, ORing them into
// eight independent vectors of the widest width the CPU has.
std::uint64_t bareRead(const void* bytes, std::size_t size);

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
