// SPDX-License-Identifier: MIT
#ifndef QUORVEL_LARGEST_ELEMENT_VERSIONS_H_
#define QUORVEL_LARGEST_ELEMENT_VERSIONS_H_

// The search's versions for each instruction set, for the dispatcher, the
// tests and the benchmark. Each version keeps largestElement's contract, and
// may only run on a CPU that has its instruction set.

#include <cstdint>
#include <span>

namespace quorvel::detail {

using Search = std::int32_t (*)(const std::int32_t* elements, std::int32_t elementCount);

struct Version {
  const char* name;
  Search search;
};

// The versions this build has that the running CPU can execute, widest
// first; the last, "baseline", runs on every CPU of the architecture.
std::span<const Version> supportedVersions();

// The version largestElement uses in this process: the first one supported.
const Version& chosenVersion();

std::int32_t largestElementBaseline(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementX86_64V2(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementAvx2(const std::int32_t* elements, std::int32_t elementCount);
std::int32_t largestElementAvx512(const std::int32_t* elements, std::int32_t elementCount);

}  // namespace quorvel::detail

#endif  // QUORVEL_LARGEST_ELEMENT_VERSIONS_H_
