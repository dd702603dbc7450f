// Runs icbus.exe as a user would, with its standard output and error
// captured, for the tests of the tool under Wine.
#pragma once
#include <string>
#include <vector>

namespace icbus::wine {

struct CliRun {
  int code = -1;  // the exit code; -1 when the program could not be started or hung
  std::string out;
  std::string err;
};

// The program named by the environment variable ICBUS_CLI (a Linux or a
// Windows path), run with `args` and waited for at most 60 s.
CliRun RunCli(const std::vector<std::string>& args);

// Why RunCli cannot work here, or empty.
std::string CliProblem();

}  // namespace icbus::wine
