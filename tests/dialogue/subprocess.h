// SPDX-License-Identifier: MIT
#ifndef QUORVEL_TESTS_SUBPROCESS_H_
#define QUORVEL_TESTS_SUBPROCESS_H_

// Runs the real executable the ways people do: behind pipes, or on a
// pseudo-terminal answered prompt by prompt. Every wait gives up after a
// time limit and kills the child, so a stuck program fails a test instead of
// hanging it.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace subprocess {

constexpr std::chrono::seconds kTimeLimit{20};

// A failure of the harness itself comes back as a Result whose `err` says
// what failed, so the test that asked for the run fails with that reason.
struct Result {
  std::string out;
  std::string err;
  int errWrites = 0;  // how many write calls standard error took
  int status = -1;    // exit status, or -1 if the child did not exit normally
};

// What the child gets as standard input.
enum class Input {
  kPipe,                     // a pipe that closes once the input is taken
  kPipeHeldOpen,             // a pipe holding the input, its writer kept open
  kNonBlockingPipeHeldOpen,  // the same, but a read finding it empty fails with EAGAIN
  kDirectory,                // "/", which every read fails on with EISDIR
  kClosed,                   // no standard input at all: reads fail with EBADF
};

struct Options {
  Input source = Input::kPipe;
  const char* stdoutPath = nullptr;  // a file to take standard output instead of a pipe
  // Above 0 (and with no stdoutPath): standard output is a new file that may
  // grow to this many bytes, past which writes fail with EFBIG.
  long stdoutLimit = 0;
};

// Runs `argv` with `input` on standard input and collects both output
// streams. Standard error is a packet socket, so each write is counted.
Result run(const std::vector<std::string>& argv, std::string_view input, Options options = {});

// A child on a pseudo-terminal; `screen` holds everything it has shown,
// typed characters echoed by the terminal included.
class Terminal {
 public:
  explicit Terminal(const std::vector<std::string>& argv);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Waits until the screen ends with `text`; false on timeout or exit.
  bool waitFor(std::string_view text);
  void type(std::string_view keys);
  // Reads what is left until the child closes the terminal, then reaps it.
  int finish();

  const std::string& screen() const { return screen_; }

 private:
  bool readSome(std::chrono::steady_clock::time_point deadline);

  int master_ = -1;
  pid_t pid_ = -1;
  std::string screen_;
};

}  // namespace subprocess

#endif  // QUORVEL_TESTS_SUBPROCESS_H_
