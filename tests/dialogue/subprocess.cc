// SPDX-License-Identifier: MIT
#include "subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace subprocess {
namespace {

using Clock = std::chrono::steady_clock;

// Built before fork: the child only execs.
std::vector<char*> argvOf(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  return args;
}

// In the child: 127 if the program cannot be started, as a shell says.
[[noreturn]] void exec(const std::vector<char*>& args) {
  if (signal(SIGPIPE, SIG_DFL) == SIG_ERR) _exit(126);
  execvp(args[0], args.data());
  _exit(127);
}

// Makes `fd` the child's descriptor `target`, open across exec.
bool moveTo(int fd, int target) {
  if (fd == target) return fcntl(fd, F_SETFD, 0) == 0;
  return dup2(fd, target) == target;
}

// Where a size-limited standard output starts in its file: far enough in
// that other files the child writes, such as a coverage build's counts,
// stay below the limit.
constexpr off_t kLimitedFrom = off_t{1} << 20;

bool limitFileSize(off_t bytes) {
  const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
  return setrlimit(RLIMIT_FSIZE, &limit) == 0 && signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
}

// What a child wrote to a size-limited standard output.
std::string contents(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = pread(fd, buffer, sizeof buffer, kLimitedFrom + static_cast<off_t>(text.size()))) >
         0) {
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

// What the harness itself could not do, with the system's reason.
Result failed(const char* what) {
  Result result;
  result.err = std::string("test harness: cannot ") + what + ": " + std::strerror(errno) + "\n";
  return result;
}

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the child to exit, killing it once the deadline has passed.
int reap(pid_t pid, Clock::time_point deadline) {
  if (pid <= 0) return -1;  // fork failed
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

Result run(const std::vector<std::string>& argv, std::string_view input, Options options) {
  const auto deadline = Clock::now() + kTimeLimit;
  const std::vector<char*> args = argvOf(argv);
  // The child may exit before taking all input.
  if (signal(SIGPIPE, SIG_IGN) == SIG_ERR) return failed("ignore SIGPIPE");
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
      socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, err) != 0) {
    return failed("make pipes");
  }
  const bool heldOpen =
      options.source == Input::kPipeHeldOpen || options.source == Input::kNonBlockingPipeHeldOpen;
  if (heldOpen) {
    // All of it goes in before the child starts, so what the child reads
    // does not depend on timing; the pipe's buffer holds far more than tests send.
    if (write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
      return failed("fill the input pipe");
    }
    input = {};
    if (options.source == Input::kNonBlockingPipeHeldOpen &&
        fcntl(in[0], F_SETFL, O_NONBLOCK) != 0) {
      return failed("make the input pipe non-blocking");
    }
  }
  int inSource = in[0];
  if (options.source == Input::kDirectory) {
    inSource = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (inSource < 0) return failed("open /");
  }
  int outTarget = out[1];
  if (options.stdoutPath) {
    outTarget = open(options.stdoutPath, O_WRONLY | O_CLOEXEC);
    if (outTarget < 0) return failed("open the file for standard output");
  } else if (options.stdoutLimit > 0) {
    char path[] = "/tmp/quorvel-stdout-XXXXXX";
    outTarget = mkostemp(path, O_CLOEXEC);
    if (outTarget < 0 || unlink(path) != 0 || lseek(outTarget, kLimitedFrom, SEEK_SET) < 0) {
      return failed("make a file for standard output");
    }
  }

  const pid_t pid = fork();
  if (pid == 0) {
    // stdin may be closed already, and a file size limit must not kill the
    // child but fail its write.
    const bool ready =
        (options.source == Input::kClosed ? close(STDIN_FILENO) == 0 || errno == EBADF
                                          : moveTo(inSource, STDIN_FILENO)) &&
        moveTo(outTarget, STDOUT_FILENO) && moveTo(err[1], STDERR_FILENO) &&
        (outTarget == out[1] || options.stdoutPath ||
         limitFileSize(kLimitedFrom + options.stdoutLimit));
    if (!ready) _exit(126);
    exec(args);
  }
  for (int fd : {in[0], out[1], err[1]}) close(fd);
  if (inSource != in[0]) close(inSource);
  if (pid < 0) return failed("fork");

  Result result;
  fcntl(in[1], F_SETFL, O_NONBLOCK);
  const bool feeding = options.source == Input::kPipe && !input.empty();
  pollfd fds[] = {{feeding ? in[1] : -1, POLLOUT, 0}, {out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  if (!feeding && !heldOpen) close(in[1]);
  while (fds[0].fd >= 0 || fds[1].fd >= 0 || fds[2].fd >= 0) {
    if (poll(fds, 3, msLeft(deadline)) <= 0) break;
    if (fds[0].revents != 0) {
      const ssize_t n = write(fds[0].fd, input.data(), input.size());
      if (n > 0) input.remove_prefix(static_cast<size_t>(n));
      if (n < 0 || input.empty()) {
        close(fds[0].fd);
        fds[0].fd = -1;
      }
    }
    for (int i = 1; i < 3; ++i) {
      if (fds[i].revents == 0) continue;
      // Standard error is a packet socket: one read takes one write's bytes.
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 1 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
        if (i == 2) ++result.errWrites;
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
  for (const pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  if (heldOpen) close(in[1]);
  result.status = reap(pid, deadline);
  if (outTarget != out[1]) {
    // A file's contents are read once the child has written them all.
    if (!options.stdoutPath) result.out = contents(outTarget);
    close(outTarget);
  }
  return result;
}

Terminal::Terminal(const std::vector<std::string>& argv) {
  const std::vector<char*> args = argvOf(argv);
  pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
  if (pid_ == 0) exec(args);
}

Terminal::~Terminal() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
}

bool Terminal::readSome(Clock::time_point deadline) {
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, msLeft(deadline)) <= 0) return false;
  char buffer[4096];
  const ssize_t n = read(master_, buffer, sizeof buffer);
  if (n <= 0) return false;  // EIO once the child has closed the terminal
  screen_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool Terminal::waitFor(std::string_view text) {
  const auto deadline = Clock::now() + kTimeLimit;
  while (!screen_.ends_with(text)) {
    if (!readSome(deadline)) return false;
  }
  return true;
}

void Terminal::type(std::string_view keys) {
  while (!keys.empty()) {
    const ssize_t n = write(master_, keys.data(), keys.size());
    if (n <= 0) return;
    keys.remove_prefix(static_cast<size_t>(n));
  }
}

int Terminal::finish() {
  const auto deadline = Clock::now() + kTimeLimit;
  while (readSome(deadline)) {
  }
  const int status = reap(pid_, deadline);
  pid_ = -1;
  return status;
}

}  // namespace subprocess
