// SPDX-License-Identifier: MIT
// quorvel: asks for ten whole numbers, one prompt at a time, and names the
// highest. Exit status 0 on success; 1 when input ends early, a value is not
// a 32-bit whole number, or standard input or output fails.

#include <quorvel/largest_element.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace {

constexpr std::int32_t ARRAY_LENGTH = 10;

// Ends the unanswered prompt's line, so whatever the terminal shows next
// starts on a line of its own (once standard output has failed, the stream
// ignores this), then writes one diagnostic line. The line is built whole
// and written in one call, so it cannot interleave with other writers on a
// shared standard error. Returns the exit status.
[[gnu::format(printf, 1, 2)]] int stop(const char* format, ...) {
  std::cout << '\n' << std::flush;

  static constexpr char kPrefix[] = "quorvel: ";
  char line[256];
  std::memcpy(line, kPrefix, sizeof kPrefix - 1);
  std::size_t length = sizeof kPrefix - 1;
  std::va_list arguments;
  va_start(arguments, format);
  const int formatted = std::vsnprintf(line + length, sizeof line - length, format, arguments);
  va_end(arguments);
  // A message too long for the line is cut short; the newline always ends it.
  length =
      std::min(length + static_cast<std::size_t>(formatted > 0 ? formatted : 0), sizeof line - 1);
  line[length++] = '\n';
  // Nothing more can be said if standard error fails too.
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, length);
  return 1;
}

}  // namespace

int main() {
  std::int32_t userArray[ARRAY_LENGTH]{};

  for (std::int32_t index = 0; index < ARRAY_LENGTH; ++index) {
    // Flushed and checked before the read, so a dead standard output stops
    // the dialogue at once instead of after ten values typed blind.
    std::cout << "Enter the value for array index " << index << ": " << std::flush;
    if (!std::cout) {
      return stop("cannot write to standard output: %s", std::strerror(errno));
    }
    // Skipping blanks first tells the end of input apart from a bad value.
    const bool ended = (std::cin >> std::ws).eof();
    if (!ended) std::cin >> userArray[index];
    // The stream takes a failed read for end of input; only the C stream
    // beneath it tells the two apart. What was read of the value is dropped.
    if (std::ferror(stdin)) {
      return stop("cannot read standard input: %s", std::strerror(errno));
    }
    if (ended) {
      return stop("input ended before the value for array index %" PRId32, index);
    }
    if (std::cin.fail()) {
      return stop("the value for array index %" PRId32
                  " is not a whole number from -2147483648 to 2147483647",
                  index);
    }
  }

  std::cout << "The highest number in the given array is "
            << quorvel::largestElement(userArray, ARRAY_LENGTH) << ".\n"
            << std::flush;
  if (!std::cout) {
    return stop("cannot write to standard output: %s", std::strerror(errno));
  }
  return 0;
}
