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
#include <cstdlib>
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

struct Answered {
  int code = -1;
  std::string screen;  // all the tool wrote to its terminal
};

// Runs the tool on a pseudo-terminal of its own (standard input, output and
// error), waits for its question and types `answer` and Enter.
Answered RunAtTerminal(const std::vector<std::string>& args, const std::string& answer) {
  Answered result;
  int master = -1;
  pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    std::vector<char*> argv = {const_cast<char*>(ICBUS_TOOL_PATH)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(ICBUS_TOOL_PATH, argv.data());
    ::_exit(121);
  }
  if (pid < 0) return result;
  bool answered = false;
  auto end = std::chrono::steady_clock::now() + 15s;
  while (std::chrono::steady_clock::now() < end) {
    pollfd ready = {master, POLLIN, 0};
    if (::poll(&ready, 1, 50) > 0) {
      char buffer[512];
      ssize_t got = ::read(master, buffer, sizeof buffer);
      if (got <= 0) break;  // the tool ended and the terminal hung up
      result.screen.append(buffer, static_cast<std::size_t>(got));
    }
    if (!answered && result.screen.find("[y/N] ") != std::string::npos) {
      const std::string typed = answer + "\n";
      answered = ::write(master, typed.data(), typed.size()) == static_cast<ssize_t>(typed.size());
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(master);
  result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool WroteABlock(const SimProcess& sim) {
  for (const std::string& frame : sim.Frames()) {
    if (frame.rfind("> N SW", 0) == 0) return true;
  }
  return false;
}

TEST(CliConsent, ACardWithMoneyIsIssuedOnlyAfterAYes) {
  const std::vector<std::string> issue = {"card",          "issue", "--port",     "1",
                                          "--number",      "7",     "--password", "12345",
                                          "--daily-limit", "20"};
  for (const char* answer : {"n", "y"}) {
    SCOPED_TRACE(answer);
    SimProcess sim(WriterWithMoney());
    ASSERT_TRUE(sim.running());
    PortMapping com1(1, sim.link());
    Answered run = RunAtTerminal(issue, answer);
    EXPECT_NE(run.screen.find("the card on the writer holds 50.0 yuan (sector 2 block 2 on the "
                              "card writer on port 1): issuing it as card 7 gives that balance "
                              "to the new number. Go on? [y/N] "),
              std::string::npos)
        << run.screen;
    const bool yes = std::string(answer) == "y";
    EXPECT_EQ(run.code, yes ? 0 : 1) << run.screen;
    EXPECT_EQ(WroteABlock(sim), yes) << run.screen;
  }
}

TEST(CliConsent, WithoutATerminalTheWholeBlockIsWrittenOnlyWithYes) {
  for (bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    SimProcess sim(WriterWithMoney());
    ASSERT_TRUE(sim.running());
    PortMapping com1(1, sim.link());
    std::string command = std::string(ICBUS_TOOL_PATH) +
                          " card account set --port 1 --account 1234 </dev/null >/dev/null 2>&1" +
                          (yes ? " --yes" : "");
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), yes ? 0 : 2);
    EXPECT_EQ(WroteABlock(sim), yes);
  }
}

}  // namespace
}  // namespace icbus::e2e
