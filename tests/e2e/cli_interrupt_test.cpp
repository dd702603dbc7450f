// The icbus program itself, stopped by a signal in the middle of a download
// from icbus-sim: the terminal is released, the file keeps every record that
// arrived, the tool says how many and ends with 128 + the signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "sim_process.h"

namespace icbus::e2e {
namespace {

using namespace std::chrono_literals;

std::string Installation(int records) {
  std::string json = R"({"devices": [{"type": "terminal", "machine": 9, "kind": "attendance", )"
                     R"("records": [)";
  for (int i = 0; i < records; ++i) json += std::string(i ? "," : "") + "\"26010108001234561\"";
  return json + "]}]}";
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t Lines(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
    ++lines;
  return lines;
}

// Starts the tool with its standard streams in files; the child's pid.
pid_t StartTool(const std::vector<std::string>& args, const std::string& out,
                const std::string& err) {
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) {
    ::_exit(120);
  }
  std::vector<char*> argv = {const_cast<char*>(ICBUS_TOOL_PATH)};
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execv(ICBUS_TOOL_PATH, argv.data());
  ::_exit(121);
}

// The exit code, or -1 when it did not end within `limit`.
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(20ms);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ctrl-C, kill, a dropped ssh session: the same stop between records.
TEST(CliInterrupt, AStopSignalDuringACollectKeepsTheRecordsAndReleasesTheTerminal) {
  constexpr int kRecords = 400;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    SimProcess sim(Installation(kRecords));
    ASSERT_TRUE(sim.running());
    PortMapping com1(1, sim.link());
    const std::string file = sim.directory() + "/records.txt";
    const std::string out = sim.directory() + "/out.txt", err = sim.directory() + "/err.txt";
    pid_t tool = StartTool({"records", "collect", "--port", "1", "--machine", "9", "--kind",
                            "attendance", "--out", file},
                           out, err);
    ASSERT_GT(tool, 0);
    // Interrupt once a few records are in the file (each line is flushed as
    // it is written, so the file shows them while the download runs).
    auto give_up = std::chrono::steady_clock::now() + 20s;
    while (Lines(Contents(file)) < 3 && std::chrono::steady_clock::now() < give_up) {
      std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(Lines(Contents(file)), 3u) << Contents(err);
    ::kill(tool, signal);
    EXPECT_EQ(WaitFor(tool, 10s), 128 + signal) << Contents(err);

    const std::string records = Contents(file);
    const std::size_t kept = Lines(records);
    EXPECT_LT(kept, static_cast<std::size_t>(kRecords));
    // "20", the record, the machine number, CR LF: no partial line.
    EXPECT_EQ(records.size(), kept * (2 + 17 + 3 + 2)) << records;
    EXPECT_EQ(Contents(err),
              "icbus: interrupted: the download from terminal 9 on port 1 stopped "
              "after " +
                  std::to_string(kept) + " records, which are in " + file +
                  "; the terminal was released\n");
    EXPECT_EQ(Contents(out), "");
    // The terminal was let go: the last frame on the wire is the closing one.
    ASSERT_TRUE(sim.WaitForFrame("> S SZ!"));
    EXPECT_EQ(sim.Frames().back(), "> S SZ!");
  }
}

// "icbus records collect --out - | head": the reader goes away mid-download.
TEST(CliInterrupt, AClosedPipeReleasesTheTerminal) {
  SimProcess sim(Installation(400));
  ASSERT_TRUE(sim.running());
  PortMapping com1(1, sim.link());
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const std::string err = sim.directory() + "/err.txt";
  pid_t tool = ::fork();
  if (tool == 0) {
    ::dup2(pipe_ends[1], STDOUT_FILENO);
    ::close(pipe_ends[0]);
    ::close(pipe_ends[1]);
    if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(120);
    ::execl(ICBUS_TOOL_PATH, ICBUS_TOOL_PATH, "records", "collect", "--port", "1", "--machine", "9",
            "--kind", "attendance", "--out", "-", static_cast<char*>(nullptr));
    ::_exit(121);
  }
  ::close(pipe_ends[1]);
  char first[24];
  ASSERT_EQ(::read(pipe_ends[0], first, sizeof first), static_cast<ssize_t>(sizeof first));
  ::close(pipe_ends[0]);
  EXPECT_EQ(WaitFor(tool, 10s), 128 + SIGPIPE) << Contents(err);
  EXPECT_NE(Contents(err).find("the download was abandoned"), std::string::npos) << Contents(err);
  ASSERT_TRUE(sim.WaitForFrame("> S SZ!"));
  EXPECT_EQ(sim.Frames().back(), "> S SZ!");
}

}  // namespace
}  // namespace icbus::e2e
