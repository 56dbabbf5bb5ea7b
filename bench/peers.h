// SPDX-License-Identifier: MIT
#ifndef QUORVEL_BENCH_PEERS_H_
#define QUORVEL_BENCH_PEERS_H_

// What a user chasing speed would write instead of calling the library,
// built with -O3 -march=native. Each takes a non-empty view.

#include <cstdint>

std::int32_t rangesMaxElement(const std::int32_t* elements, std::int32_t count);
std::int32_t reduceUnseq(const std::int32_t* elements, std::int32_t count);
#ifdef QUORVEL_BENCH_HIGHWAY
std::int32_t highwayLoop(const std::int32_t* elements, std::int32_t count);
#endif

#endif  // QUORVEL_BENCH_PEERS_H_
