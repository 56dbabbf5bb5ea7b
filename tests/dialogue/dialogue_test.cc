// SPDX-License-Identifier: MIT
// The real executable, driven through pipes and on a terminal; every byte
// it writes and its exit status are checked.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "subprocess.h"

namespace {

// How quorvel is started: a cross build's tests start it through the emulator.
std::vector<std::string> quorvel() { return {QUORVEL_COMMAND}; }

#ifdef QUORVEL_DIALOGUE_WINDOWS
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// The C runtime's words for an error: Windows' says "Invalid argument" for
// several that a POSIX system names.
const char* reason(const char* posix, const char* windows) { return kWindows ? windows : posix; }

// `text` with each newline turned into CR LF.
std::string crlf(const std::string& text) {
  std::string turned;
  for (char c : text) turned += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return turned;
}

// What quorvel writes for `text`: a Windows program ends its lines in CR LF.
std::string lines(const std::string& text) { return kWindows ? crlf(text) : text; }

// The prompts for indices `begin` to `end` - 1, back to back.
std::string prompts(int begin, int end) {
  std::string text;
  for (int index = begin; index < end; ++index) {
    text += "Enter the value for array index " + std::to_string(index) + ": ";
  }
  return text;
}

std::string resultLine(const std::string& highest) {
  return "The highest number in the given array is " + highest + ".\n";
}

std::string notAWholeNumber(int index) {
  return "quorvel: the value for array index " + std::to_string(index) +
         " is not a whole number from -2147483648 to 2147483647\n";
}

std::string inputEnded(int index) {
  return "quorvel: input ended before the value for array index " + std::to_string(index) + "\n";
}

constexpr const char* kWorkedExample = "4\n-7\n19\n0\n19\n3\n8\n-100\n2\n5\n";
constexpr const char* kTenLowest =
    "-2147483648 -2147483648 -2147483648 -2147483648 -2147483648\n"
    "-2147483648 -2147483648 -2147483648 -2147483648 -2147483648\n";

// Ten values answered through a pipe: the prompts, then the result line.
struct Answer {
  const char* name;
  std::vector<std::string> arguments;
  const char* input;
  const char* highest;
};

void PrintTo(const Answer& c, std::ostream* os) { *os << c.name; }

class Answers : public testing::TestWithParam<Answer> {};

TEST_P(Answers, NameTheHighest) {
  std::vector<std::string> argv = quorvel();
  argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const subprocess::Result result = subprocess::run(argv, GetParam().input);
  EXPECT_EQ(result.out, lines(prompts(0, 10) + resultLine(GetParam().highest)));
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Piped, Answers,
    testing::Values(Answer{"WorkedExample", {}, kWorkedExample, "19"},
                    Answer{"ArgumentsIgnored", {"--help", "-"}, kWorkedExample, "19"},
                    Answer{"AllOnOneLine", {}, "1 2 3 4 5 6 7 8 9 10\n", "10"},
                    Answer{"AllNegative", {}, "-5 -5 -5 -5 -5 -5 -5 -5 -5 -5", "-5"},
                    Answer{"AllLowest", {}, kTenLowest, "-2147483648"},
                    Answer{"PlusSignTabsCrlfAndTrailingInputLeftUnread",
                           {},
                           "+3\t-2147483648 2147483647\r\n0 0 0 0 0 0 0 seven",
                           "2147483647"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string cannotRead(const std::string& reason) {
  return "quorvel: cannot read standard input: " + reason + "\n";
}

// Input that stops the dialogue at prompt `index`: the prompts so far, the
// unanswered one's line ended, one line on standard error in one write,
// status 1, and no result line.
struct Refusal {
  const char* name;
  const char* input;
  int index;
  std::string err;
  subprocess::Input source = subprocess::Input::kPipe;
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

class Refusals : public testing::TestWithParam<Refusal> {};

TEST_P(Refusals, StopTheDialogue) {
  const Refusal& c = GetParam();
  if (kWindows && c.source == subprocess::Input::kNonBlockingPipeHeldOpen) {
    GTEST_SKIP() << "Windows has no non-blocking pipes";
  }
  const subprocess::Result result = subprocess::run(quorvel(), c.input, {.source = c.source});
  EXPECT_EQ(result.out, lines(prompts(0, c.index + 1) + "\n"));
  EXPECT_EQ(result.err, lines(c.err));
  EXPECT_EQ(result.errWrites, 1);
  EXPECT_EQ(result.status, 1);
}

using enum subprocess::Input;

INSTANTIATE_TEST_SUITE_P(
    Piped, Refusals,
    testing::Values(Refusal{"NoInput", "", 0, inputEnded(0)},
                    Refusal{"EndsAfterThree", "-5 -6 -7\n", 3, inputEnded(3)},
                    Refusal{"Letters", "1 2 x 4 5 6 7 8 9 10", 2, notAWholeNumber(2)},
                    Refusal{"NumberGluedToLetters", "12abc\n", 1, notAWholeNumber(1)},
                    Refusal{"DecimalPoint", "1.5 2 3 4 5 6 7 8 9", 1, notAWholeNumber(1)},
                    Refusal{"OneAboveRange", "2147483648\n", 0, notAWholeNumber(0)},
                    Refusal{"OneBelowRange", "0 -2147483649", 1, notAWholeNumber(1)},
                    Refusal{"LoneSign", "-\n", 0, notAWholeNumber(0)},
                    Refusal{"LoneSignAtEnd", "1 2 +", 2, notAWholeNumber(2)},
                    Refusal{"StdinIsADirectory", "", 0,
                            cannotRead(reason("Is a directory", "Invalid argument")), kDirectory},
                    Refusal{"StdinClosed", "", 0,
                            cannotRead(reason("Bad file descriptor", "Invalid argument")), kClosed},
                    // A read error cut the last value short: 12 may have gone on.
                    Refusal{"PipeRunsDryInTheTenthValue", "1 2 3 4 5 6 7 8 9 12", 9,
                            cannotRead("Resource temporarily unavailable"),
                            kNonBlockingPipeHeldOpen},
                    // The sign alone fails the value too, but the read error
                    // is what happened and the one to report.
                    Refusal{"PipeRunsDryRightAfterASign", "1 2 3 4 5 6 7 8 9 -", 9,
                            cannotRead("Resource temporarily unavailable"),
                            kNonBlockingPipeHeldOpen}),
    [](const auto& info) { return std::string(info.param.name); });

// Standard output that stops taking bytes: quorvel says so and exits 1,
// rather than let the dialogue or its result vanish unreported.
struct WriteFailure {
  const char* name;
  subprocess::Options options;
  const char* input;
  std::string out;
  const char* reason;
};

void PrintTo(const WriteFailure& c, std::ostream* os) { *os << c.name; }

class WriteFailures : public testing::TestWithParam<WriteFailure> {};

TEST_P(WriteFailures, AreReported) {
  const WriteFailure& c = GetParam();
  const subprocess::Result result = subprocess::run(quorvel(), c.input, c.options);
  EXPECT_EQ(result.out, lines(c.out));
  EXPECT_EQ(result.err,
            lines(std::string("quorvel: cannot write to standard output: ") + c.reason + "\n"));
  EXPECT_EQ(result.errWrites, 1);
  EXPECT_EQ(result.status, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Output, WriteFailures,
    testing::Values(
        // The first prompt already fails, so nothing is read: with input
        // that never comes, waiting for it would hang until the time limit.
        WriteFailure{"FullDeviceAtTheFirstPrompt",
                     {.source = kPipeHeldOpen, .stdoutPath = "/dev/full"},
                     "",
                     "",
                     "No space left on device"},
        // Room for the ten prompts and not a byte more: the result line is lost.
        WriteFailure{"FileFullAtTheResultLine",
                     {.stdoutLimit = static_cast<long>(prompts(0, 10).size())},
                     kWorkedExample,
                     prompts(0, 10),
                     reason("File too large", "Invalid argument")}),
    [](const auto& info) { return std::string(info.param.name); });

// The terminal echoes what is typed and turns each newline into CR LF.
std::string onScreen(const std::string& text) { return crlf(text); }

// wine draws a console of its own on a terminal, so a Windows program's
// screen there is wine's, not the program's.
class Terminal : public testing::Test {
 protected:
  void SetUp() override {
    if (kWindows) GTEST_SKIP() << "a terminal shows wine's console, not Windows'";
  }
};

TEST_F(Terminal, EachPromptShowsBeforeItsAnswerIsTyped) {
  const std::vector<std::string> answers = {"4", "-7", "19", "0", "19", "3", "8", "-100", "2", "5"};
  subprocess::Terminal terminal(quorvel());
  std::string expected;
  for (int index = 0; index < 10; ++index) {
    const std::string prompt = prompts(index, index + 1);
    ASSERT_TRUE(terminal.waitFor(prompt)) << terminal.screen();
    terminal.type(answers[index] + "\n");
    expected += prompt + answers[index] + "\n";
  }
  EXPECT_EQ(terminal.finish(), 0);
  EXPECT_EQ(terminal.screen(), onScreen(expected + resultLine("19")));
}

TEST_F(Terminal, CtrlDAtAPromptEndsTheInput) {
  subprocess::Terminal terminal(quorvel());
  ASSERT_TRUE(terminal.waitFor(prompts(0, 1))) << terminal.screen();
  terminal.type("7 8 9\n");
  ASSERT_TRUE(terminal.waitFor(prompts(1, 4))) << terminal.screen();
  terminal.type("\x04");
  EXPECT_EQ(terminal.finish(), 1);
  EXPECT_EQ(terminal.screen(),
            onScreen(prompts(0, 1) + "7 8 9\n" + prompts(1, 4) + "\n" + inputEnded(3)));
}

}  // namespace
