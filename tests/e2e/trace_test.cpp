// The wire trace on a real pseudo-terminal: the frames the library traces
// are the frames the simulator logged in the same run, in the same notation.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "icbus.h"
#include "icbus.hpp"
#include "sim_process.h"

namespace icbus::e2e {
namespace {

using Lines = std::vector<std::string>;

Lines FrameLines(const Lines& lines) {
  Lines frames;
  for (const std::string& line : lines)
    if (line.rfind("> ", 0) == 0 || line.rfind("< ", 0) == 0) frames.push_back(line);
  return frames;
}

Lines ReadLines(const std::string& path) {
  Lines lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

class TraceE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.running());
    std::remove(path_.c_str());
  }
  void TearDown() override {
    icbus_set_trace_file(nullptr);
    std::remove(path_.c_str());
  }
  SimProcess sim_;
  PortMapping com1_{1, sim_.link()};
  std::string path_ = sim_.directory() + "/trace.log";
};

TEST_F(TraceE2e, TheTraceHoldsTheFramesOfTheSimulatorsLog) {
  ASSERT_EQ(icbus_set_trace_file(path_.c_str()), 1);
  char clock[32];
  EXPECT_EQ(GetTime(1, 5, clock), 1);
  EXPECT_EQ(GetRecordCount(1, 5), 12);
  EXPECT_EQ(GetTime(1, 77, clock), 0);  // silence: a read of nothing
  ASSERT_TRUE(sim_.WaitForFrame("> S SZ!", 6));
  Lines trace = ReadLines(path_);
  EXPECT_EQ(FrameLines(trace), sim_.Frames());
  // Real time: the read of nothing waits out its second, give or take a tick.
  auto silent = std::find_if(trace.begin(), trace.end(), [](const std::string& line) {
    return line.rfind("# read 0 of 4 bytes in 10", 0) == 0 && line.size() > 8 &&
           line.substr(line.size() - 8) == "time-out";
  });
  EXPECT_NE(silent, trace.end()) << ::testing::PrintToString(trace);
}

TEST_F(TraceE2e, ABusHandsItsTraceToItsCallback) {
  Lines lines;
  icbus::Bus bus(sim_.link());
  bus.SetTrace([&](const std::string& line) { lines.push_back(line); });
  EXPECT_TRUE(bus.GetTime(5));
  EXPECT_FALSE(icbus::Bus::LastError());
  EXPECT_FALSE(bus.GetTime(77));
  icbus::Error error = icbus::Bus::LastError();
  EXPECT_EQ(error.code, ICBUS_ERR_SILENT);
  EXPECT_EQ(error.message, "terminal 77 on " + sim_.link() + " did not answer (no reply in 1 s)");
  ASSERT_TRUE(sim_.WaitForFrame("> S SZ!", 4));
  EXPECT_EQ(FrameLines(lines), sim_.Frames());
  EXPECT_EQ(lines.front(), "# at " + lines.front().substr(5));
  EXPECT_EQ(lines[1], "# open " + sim_.link());
}

// Runs the probe with `environment` before it; its standard output and error.
std::string RunProbe(const std::string& environment) {
  std::string command = environment + " '" + ICBUS_PROBE_PATH + "' 1 5 2>&1";
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return output;
  char chunk[256];
  while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
  ::pclose(pipe);
  return output;
}

TEST_F(TraceE2e, IcbusTraceInTheEnvironmentNamesTheFile) {
  std::string output = RunProbe("ICBUS_TRACE='" + path_ + "' ICBUS_COM1='" + sim_.link() + "'");
  EXPECT_EQ(output, "1 0 \n");
  ASSERT_TRUE(sim_.WaitForFrame("> S SZ!"));
  EXPECT_EQ(FrameLines(ReadLines(path_)), sim_.Frames());
}

TEST_F(TraceE2e, IcbusTraceStderrWritesBesideTheProgramsOutput) {
  std::string output = RunProbe("ICBUS_TRACE=stderr ICBUS_COM1='" + sim_.link() + "'");
  EXPECT_NE(output.find("> M SA005!\n"), std::string::npos) << output;
  EXPECT_NE(output.find("\n1 0 \n"), std::string::npos) << output;
}

}  // namespace
}  // namespace icbus::e2e
