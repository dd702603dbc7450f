// The harness's checks must catch the faults they are there for: each row
// plants one fault (a success without a reply, a write past a buffer, a
// malformed block write...) in a child process, which must abort with the
// check's report; the clean rows must pass.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "harness.h"
#include "icbus.h"
#include "link/session.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ICBUS_OUT_OF_BOUNDS_REPORT "AddressSanitizer: use-after-poison"
#endif
#endif
#ifndef ICBUS_OUT_OF_BOUNDS_REPORT
#define ICBUS_OUT_OF_BOUNDS_REPORT "wrote outside an output buffer"
#endif

namespace icbus::fuzz {
namespace {

void Send(const std::string& frame) {
  WritePort(reinterpret_cast<const std::uint8_t*>(frame.data()),
            static_cast<std::uint32_t>(frame.size()));
}

// Opens port 1 in address mode, sends the address frame and reads a reply,
// as a terminal transaction begins.
void Select() {
  DevInit("1");
  ChangeDevSettings(0);
  Send("SA005!");
  std::uint8_t reply[8] = {};
  ReadPort(reply, 4);
}

struct Case {
  const char* name;
  Family family;
  std::vector<std::optional<std::string>> answers;  // the device's answers in turn
  // A text of the expected report (AddressSanitizer's, or the guard check's
  // where the sanitizer is absent); null: the call passes.
  const char* report;
  void (*plant)(Call& call);
};

const Case kCases[] = {
    {"success without any reply",
     Family::kTerminal,
     {},
     "without a reply that has \"!\"",
     [](Call& c) {
       Select();
       DevClose();
       c.Succeeded(true);
     }},
    {"success on a reply with NUL before \"!\"",
     Family::kTerminal,
     {std::string("OK\0!", 4)},
     "without a reply that has \"!\"",
     [](Call& c) {
       Select();
       DevClose();
       c.Answered(true);
     }},
    {"write past an output buffer",
     Family::kTerminal,
     {},
     ICBUS_OUT_OF_BOUNDS_REPORT,
     [](Call& c) {
       char* out = c.Out(8);
       std::memset(out, 'x', 9);
     }},
    {"output written on failure",
     Family::kTerminal,
     {},
     "although the call failed",
     [](Call& c) {
       char* out = c.Out(8);
       out[0] = '\0';
     }},
    {"empty output allowed on failure",
     Family::kTerminal,
     {},
     nullptr,
     [](Call& c) {
       char* out = c.Out(6);
       c.EmptyOutputOnFailure();
       out[0] = '\0';
     }},
    {"block write that is not card data",
     Family::kCardWriter,
     {},
     "not card data",
     [](Call& c) {
       c.Block(1, 1);
       DevInit("1");
       Send("SW0105" + std::string(31, '0') + "G!");
       DevClose();
     }},
    {"block write of the account number",
     Family::kCardWriter,
     {},
     nullptr,
     [](Call& c) {
       c.Block(1, 1);
       c.AllowWrite("12340000000000000");
       DevInit("1");
       Send("SW010512340000000000000!");
       DevClose();
     }},
    {"block read of another block",
     Family::kCardWriter,
     {},
     "names another block",
     [](Call& c) {
       c.Block(1, 1);
       DevInit("1");
       Send("SR0106!");
       DevClose();
     }},
    {"frame with two \"!\"",
     Family::kTerminal,
     {},
     "its only \"!\"",
     [](Call&) {
       Select();
       Send("SO12!3!");
       DevClose();
     }},
    {"refused arguments on the wire",
     Family::kTerminal,
     {},
     "refuses reached the wire",
     [](Call& c) {
       c.Refuses(true);
       Select();
       DevClose();
     }},
    {"transaction that keeps the port",
     Family::kTerminal,
     {},
     "left the port held",
     [](Call&) { Select(); }},
    {"output text no reply carried",
     Family::kTerminal,
     {"OK!", "20260101!"},
     "no reply carried",
     [](Call& c) {
       char* out = c.Out(15);
       std::strcpy(out, "20991231");
       c.Succeeded(true);
       c.OutputFromReply(out);
       Select();
       Send("SD!");
       std::uint8_t reply[16] = {};
       ReadPort(reply, 15);
       DevClose();
     }},
    {"success on another word than the command's",
     Family::kTerminal,
     {"OK!", "DONX!"},
     "without the answer \"DONE\"",
     [](Call& c) {
       c.RequireReply("DONE");
       c.Succeeded(true);
       Select();
       Send("SJ!");
       std::uint8_t reply[8] = {};
       ReadPort(reply, 5);
       DevClose();
     }},
    {"call that blocks too long",
     Family::kTerminal,
     {},
     "longer than any documented wait",
     [](Call& c) { c.harness().line().SleepMillis(12000); }},
    {"a real GetTime",
     Family::kTerminal,
     {"OK!", "20260101080000!"},
     nullptr,
     [](Call& c) {
       char* out = c.Out(15);
       c.Succeeded(GetTime(1, 5, out) == 1);
       c.OutputFromReply(out);
     }},
};

// Runs the case in a child; its report (standard error) comes back.
bool RunCase(const Case& test, std::string* report) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipe_ends[1], 2);
    close(pipe_ends[0]);
    AnswerWriter answers;
    for (const auto& answer : test.answers) answers.Add(answer);
    const std::string input = JoinStreams("", answers.bytes());
    Harness harness(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    {
      Call call(&harness, test.name, test.family);
      test.plant(call);
      call.Check();
    }
    _exit(0);
  }
  close(pipe_ends[1]);
  char buffer[4096];
  ssize_t got;
  while ((got = read(pipe_ends[0], buffer, sizeof buffer)) > 0) report->append(buffer, got);
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace
}  // namespace icbus::fuzz

int main() {
  using namespace icbus::fuzz;
  int failures = 0;
  for (const Case& test : kCases) {
    std::string report;
    const bool passed = RunCase(test, &report);
    const bool right =
        test.report ? !passed && report.find(test.report) != std::string::npos : passed;
    std::printf("%-4s %s\n", right ? "ok" : "FAIL", test.name);
    if (!right) {
      std::printf("  expected %s; the child %s and reported:\n%s\n",
                  test.report ? test.report : "a pass", passed ? "passed" : "aborted",
                  report.c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
