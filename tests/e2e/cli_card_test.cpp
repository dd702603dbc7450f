// The icbus program on the card writer, as a site engineer meets it. Asked to
// overwrite what it cannot bring back, it asks at a terminal and writes only
// after a yes; in a script (no terminal) it writes only with --yes. A top-up
// whose answer the writer lost is read back and counts as done, once. The
// wire log shows how many block writes ("SW") went out.
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
// 50.0 yuan: 500 tenths, little-endian in characters 11 to 14. With
// `lose_answer` it applies the first write but never answers it.
std::string WriterWithMoney(bool lose_answer) {
  const std::string purse = std::string(10, '0') + "F401" + std::string(18, '0');
  return R"({"devices": [{"type": "card_writer", "cards": [{"blocks": {"2/2": ")" + purse +
         R"("}}], "faults": [)" +
         (lose_answer ? R"({"kind": "silence", "frame": "SW", "count": 1})" : "") + "]}]}";
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

TEST(CliCard, NothingIsOverwrittenWithoutAYesAndNothingIsCreditedTwice) {
  const std::vector<std::string> issue = {"card",          "issue", "--port",     "1",
                                          "--number",      "7",     "--password", "12345",
                                          "--daily-limit", "20"};
  const std::vector<std::string> account = {"card", "account",   "set", "--port",
                                            "1",    "--account", "1234"};
  std::vector<std::string> account_yes = account;
  account_yes.push_back("--yes");
  const std::vector<std::string> topup = {"card", "topup", "--port", "1", "--amount", "10"};
  const std::string question =
      "the card on the writer holds 50.0 yuan (sector 2 block 2 on the card writer on port 1): "
      "issuing it as card 7 gives that balance to the new number. Go on? [y/N] ";
  // 60.0 yuan (600 = 0x0258) after one top-up (count 1).
  const std::string credited_once = "0000000100580200" + std::string(16, '0');
  struct Row {
    std::vector<std::string> args;
    bool lose_answer, terminal_input;
    std::string answer;
    int code, writes;
    std::string shown;  // on the tool's terminal
    std::string purse;  // the purse block afterwards ("": not looked at)
  } rows[] = {
      {issue, false, true, "n", 1, 0, question, ""},
      {issue, false, true, "y", 0, 1, question, ""},
      {account, false, false, "", 2, 0, "give --yes to go on", ""},
      {account_yes, false, false, "", 0, 1, "account number 1234 written", ""},
      {topup, true, false, "", 0, 1, "the top-up was applied; do not repeat it", credited_once},
  };
  for (const Row& row : rows) {
    SimProcess sim(WriterWithMoney(row.lose_answer));
    ASSERT_TRUE(sim.running());
    PortMapping com1(1, sim.link());
    std::string screen;
    EXPECT_EQ(RunTool(row.args, row.terminal_input, row.answer, &screen), row.code) << screen;
    EXPECT_NE(screen.find(row.shown), std::string::npos) << screen;
    int writes = 0;
    for (const std::string& frame : sim.Frames()) writes += frame.rfind("> N SW", 0) == 0;
    EXPECT_EQ(writes, row.writes) << screen;
    if (!row.purse.empty()) {
      EXPECT_EQ(sim.Held(1)["cards"][0]["blocks"]["2/2"], row.purse) << sim.Held(1).dump();
    }
  }
}

}  // namespace
}  // namespace icbus::e2e
