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

struct Result {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or -1 if the child did not exit normally
};

// Runs `argv` with `input` on standard input and collects both output
// streams. With `stdoutPath` set, standard output goes to that file instead.
Result run(const std::vector<std::string>& argv, std::string_view input,
           const char* stdoutPath = nullptr);

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
