// quorvel: asks for ten whole numbers, one prompt at a time, and names the
// highest. Exit status 0 on success; 1 when input ends early, a value is not
// a 32-bit whole number, or standard output cannot be written.

#include <cstdint>
#include <iostream>

#include "largest_element.h"

namespace {

constexpr std::int32_t ARRAY_LENGTH = 10;

// Ends the unanswered prompt's line, so whatever the terminal shows next
// starts on a line of its own, and reports why the dialogue stopped.
int stopAt(const char* before, std::int32_t index, const char* after) {
  std::cout << '\n';
  std::cerr << "quorvel: " << before << index << after << '\n';
  return 1;
}

}  // namespace

int main() {
  std::int32_t userArray[ARRAY_LENGTH]{};

  for (std::int32_t index = 0; index < ARRAY_LENGTH; ++index) {
    // Standard input stays tied to standard output, so each read flushes
    // its prompt before it waits.
    std::cout << "Enter the value for array index " << index << ": ";
    // Skipping blanks first tells the end of input apart from a bad value.
    if ((std::cin >> std::ws).eof()) {
      return stopAt("input ended before the value for array index ", index, "");
    }
    if (!(std::cin >> userArray[index])) {
      return stopAt("the value for array index ", index,
                    " is not a whole number from -2147483648 to 2147483647");
    }
  }

  std::cout << "The highest number in the given array is "
            << largestElement(userArray, ARRAY_LENGTH) << ".\n"
            << std::flush;
  if (!std::cout) {
    std::cerr << "quorvel: cannot write to standard output\n";
    return 1;
  }
  return 0;
}
