// The icbus program asked to overwrite what it cannot bring back, as a site
// engineer meets it: at a terminal it asks and writes only after a yes; in a
// script (no terminal) it writes only with --yes. The wire log shows whether
// a block write ("SW") went out.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim_process.h"

namespace icbus::e2e {
namespace {

using namespace std::chrono_literals;

// A card writer with one card whose purse block (sector 2, block 2) holds
// 50.0 yuan: 500 tenths, little-endian in characters 11 to 14.
std::string WriterWithMoney() {
  const std::string purse = std::string(10, '0') + "F401" + std::string(18, '0');
  return R"({"devices": [{"type": "card_writer", "cards": [{"blocks": {"2/2": ")" + purse +
         R"("}}]}]})";
}

// Runs the tool with a pseudo-terminal of its own as standard output and
// error, and as standard input unless `terminal_input` is false (a script:
// input from /dev/null); types `answer` and Enter once it asks. The exit code.
int RunTool(const std::vector<std::string>& args, bool terminal_input, const std::string& answer,
            std::string* screen) {
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    if (!terminal_input && !std::freopen("/dev/null", "r", stdin)) ::_exit(120);
    std::vector<char*> argv = {const_cast<char*>(ICBUS_TOOL_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(ICBUS_TOOL_PATH, argv.data());
    ::_exit(121);
  }
  if (pid < 0) return -1;
  bool answered = false;
  for (auto end = std::chrono::steady_clock::now() + 15s; std::chrono::steady_clock::now() < end;) {
    pollfd ready = {master, POLLIN, 0};
    char buffer[512];
    ssize_t got = ::poll(&ready, 1, 50) > 0 ? ::read(master, buffer, sizeof buffer) : 0;
    if (got < 0) break;  // the tool ended and its terminal hung up
    screen->append(buffer, static_cast<std::size_t>(got));
    if (!answered && screen->find("[y/N] ") != std::string::npos) {
      const std::string typed = answer + "\n";
      answered = ::write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliConsent, NothingIsOverwrittenWithoutAYes) {
  const std::vector<std::string> issue = {"card",          "issue", "--port",     "1",
                                          "--number",      "7",     "--password", "12345",
                                          "--daily-limit", "20"};
  const std::vector<std::string> account = {"card", "account",   "set", "--port",
                                            "1",    "--account", "1234"};
  std::vector<std::string> account_yes = account;
  account_yes.push_back("--yes");
  const std::string question =
      "the card on the writer holds 50.0 yuan (sector 2 block 2 on the card writer on port 1): "
      "issuing it as card 7 gives that balance to the new number. Go on? [y/N] ";
  struct Row {
    std::vector<std::string> args;
    bool terminal_input;
    std::string answer;
    int code;
    bool written;
  } rows[] = {
      {issue, true, "n", 1, false},      {issue, true, "y", 0, true},
      {issue, false, "", 2, false},      {account, false, "", 2, false},
      {account_yes, false, "", 0, true},
  };
  for (const Row& row : rows) {
    SimProcess sim(WriterWithMoney());
    ASSERT_TRUE(sim.running());
    PortMapping com1(1, sim.link());
    std::string screen;
    EXPECT_EQ(RunTool(row.args, row.terminal_input, row.answer, &screen), row.code) << screen;
    if (row.args == issue && row.terminal_input) {
      EXPECT_NE(screen.find(question), std::string::npos) << screen;
    }
    bool written = false;
    for (const std::string& frame : sim.Frames()) written |= frame.rfind("> N SW", 0) == 0;
    EXPECT_EQ(written, row.written) << screen;
  }
}

}  // namespace
}  // namespace icbus::e2e
