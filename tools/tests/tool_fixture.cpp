#include "tool_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <utility>

#include "cli/run.h"
#include "commands/catalog.h"

namespace icbus::tool {

std::function<int()> CtrlCWhen(std::function<bool()> condition) {
  return [condition = std::move(condition)] { return condition() ? SIGINT : 0; };
}

Ran RunTool(const std::vector<std::string>& args, FakeBus* bus, const Host& host) {
  bus->calls.clear();
  std::ostringstream out;
  std::ostringstream err;
  Ran ran;
  ran.code = Run(args, AllCommands(), UseFakeBus(bus), out, err, host);
  ran.calls = bus->calls;
  ran.out = out.str();
  ran.err = err.str();
  return ran;
}

std::string Typed(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& arg : args) text += (text.empty() ? "" : " ") + arg;
  return text;
}

void ExpectCalls(const std::vector<CallRow>& rows) {
  for (const CallRow& row : rows) {
    FakeBus bus;
    Ran ran = RunTool(row.args, &bus);
    SCOPED_TRACE(Typed(row.args));
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_EQ(ran.calls, row.calls);
    EXPECT_EQ(ran.out, row.out);
    EXPECT_EQ(ran.err, "");
  }
}

void ExpectUsageErrors(const std::vector<UsageRow>& rows) {
  for (const UsageRow& row : rows) {
    FakeBus bus;
    Ran ran = RunTool(row.args, &bus);
    SCOPED_TRACE(Typed(row.args));
    EXPECT_EQ(ran.code, 2);
    EXPECT_EQ(ran.err.substr(0, ran.err.find('\n')), "icbus: " + row.error);
    EXPECT_NE(ran.err.find("Try 'icbus "), std::string::npos) << ran.err;
    // SetDecLen sends nothing; anything else would have reached the line.
    for (const std::string& call : ran.calls) EXPECT_EQ(call.rfind("SetDecLen(", 0), 0u) << call;
    EXPECT_EQ(ran.out, "");
  }
}

void ExpectFailures(const std::vector<FailureRow>& rows) {
  for (const FailureRow& row : rows) {
    FakeBus bus;
    bus.result = row.answer;
    bus.amount = row.answer;
    Ran ran = RunTool(row.args, &bus);
    SCOPED_TRACE(Typed(row.args));
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(ran.err, "icbus: " + row.error + "\n");
    EXPECT_EQ(ran.out, "");
  }
}

}  // namespace icbus::tool
