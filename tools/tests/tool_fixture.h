// Runs the tool in-process against the fake bus, for the table-driven
// command tests.
#pragma once
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "cli/command.h"
#include "fake_bus.h"
#include "host/host.h"

namespace icbus::tool {

struct Ran {
  int code = -1;
  std::vector<std::string> calls;
  std::string out;
  std::string err;
};

// A stop signal that is SIGINT (Ctrl-C) once `condition` holds.
std::function<int()> CtrlCWhen(std::function<bool()> condition);

// One run of the tool with `args` over `bus` (its calls are cleared first).
Ran RunTool(const std::vector<std::string>& args, FakeBus* bus, const Host& host = Host());

// A successful command: the arguments, the exports it must call with their
// arguments, and what it must print.
struct CallRow {
  std::vector<std::string> args;
  std::vector<std::string> calls;
  std::string out;
};

// A command line the tool must refuse before calling anything.
struct UsageRow {
  std::vector<std::string> args;
  std::string error;  // the first line on standard error, without "icbus: "
};

// A command whose export answered `answer` (result of every export named
// in `calls`), ending in exit code 1 and this message.
struct FailureRow {
  std::vector<std::string> args;
  int answer;
  std::string error;
};

// "list add --port 1", for failure messages of the table tests.
std::string Typed(const std::vector<std::string>& args);

void ExpectCalls(const std::vector<CallRow>& rows);
void ExpectUsageErrors(const std::vector<UsageRow>& rows);
void ExpectFailures(const std::vector<FailureRow>& rows);

}  // namespace icbus::tool
