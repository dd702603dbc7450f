// Commands that every terminal on the line takes: sent only when exactly one
// terminal answers the scan before them, or when the user vouches with --yes.
#include <gtest/gtest.h>

#include <set>

#include "tool_fixture.h"

namespace icbus::tool {
namespace {

using Calls = std::vector<std::string>;

struct Broadcast {
  std::vector<std::string> args;
  std::string call;  // the export reached once the check passed
  std::string what;  // the change, as the lines name it
};

const std::vector<Broadcast>& Broadcasts() {
  static const std::vector<Broadcast> rows = {
      {{"machine", "number", "set", "--port", "1", "--number", "007K"},
       "SetMachNo(1, \"007K\")",
       "the machine number 007K"},
      {{"machine", "master-card", "set", "--port", "1", "--number", "654321"},
       "SetMasterCard(1, \"654321\")",
       "the management card 654321"},
      {{"machine", "password", "set", "--port", "1", "--password", "0123456789AB"},
       "SetPass(1, \"0123456789AB\")",
       "the new IC-card password"},
      {{"machine", "password", "cancel", "--port", "1", "--password", "0123456789AB"},
       "Log_onPass(1, \"0123456789AB\")",
       "the cancellation of its IC-card password"},
  };
  return rows;
}

// The scan up to and including `last`, the port closed after it.
Calls ScanTo(int last) {
  Calls calls = {"icDevInit(\"1\")", "ChangeicDevSettings(0)"};
  for (int machine = 0; machine <= last; ++machine) {
    calls.push_back("icbus_probe(" + std::to_string(machine) + ")");
  }
  calls.push_back("icDevClose()");
  return calls;
}

TEST(BroadcastCheck, OneTerminalAnsweringTakesTheChange) {
  for (const Broadcast& row : Broadcasts()) {
    SCOPED_TRACE(Typed(row.args));
    FakeBus bus;
    bus.answering = {5};
    Ran ran = RunTool(row.args, &bus);
    EXPECT_EQ(ran.code, 0) << ran.err;
    Calls calls = ScanTo(999);
    calls.push_back(row.call);
    EXPECT_EQ(ran.calls, calls);
    EXPECT_EQ(ran.err,
              "sending " + row.what + " to terminal 5, the only one answering on port 1\n");
    EXPECT_EQ(ran.out, "the terminal on port 1 took " + row.what + "\n");
  }
}

TEST(BroadcastCheck, TwoTerminalsAnsweringStopTheScanAndSendNothing) {
  for (const Broadcast& row : Broadcasts()) {
    SCOPED_TRACE(Typed(row.args));
    FakeBus bus;
    bus.answering = {1, 5, 9};
    Ran ran = RunTool(row.args, &bus);
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(ran.calls, ScanTo(5));
    EXPECT_EQ(ran.err,
              "icbus: terminals 1 and 5 answer on port 1, and every terminal on the "
              "line would take " +
                  row.what +
                  ": connect only the one terminal meant, or give --yes to send it "
                  "anyway; nothing was sent\n");
    EXPECT_EQ(ran.out, "");
  }
}

TEST(BroadcastCheck, NoTerminalOrNoPortSendsNothing) {
  const Broadcast& row = Broadcasts().front();
  FakeBus silent;
  Ran ran = RunTool(row.args, &silent);
  EXPECT_EQ(ran.code, 1);
  EXPECT_EQ(ran.calls, ScanTo(999));
  EXPECT_EQ(ran.err, "icbus: no terminal answers on port 1; nothing was sent\n");

  FakeBus closed;
  closed.results["icDevInit"] = 0;
  ran = RunTool(row.args, &closed);
  EXPECT_EQ(ran.calls, (Calls{"icDevInit(\"1\")"}));
  EXPECT_EQ(ran.err, "icbus: cannot open port 1; nothing was sent\n");

  FakeBus broken;
  broken.answering = {0};
  broken.results["ChangeicDevSettings"] = 0;
  ran = RunTool(row.args, &broken);
  EXPECT_EQ(ran.calls, (Calls{"icDevInit(\"1\")", "ChangeicDevSettings(0)", "icDevClose()"}));
  EXPECT_EQ(ran.err, "icbus: the check of port 1 broke off; nothing was sent\n");
}

// Cut short, the scan has not seen the numbers after the one that
// answered: the command must not go out.
TEST(BroadcastCheck, AnInterruptedOrGarbledScanSendsNothing) {
  struct Row {
    std::set<int> answering, garbled;
    int stop_after;  // probes before Ctrl-C; -1: never
    int code;
    Calls calls;
    std::string err;
  };
  const std::vector<Row> rows = {
      {{1}, {}, 3, kExitSignalBase + SIGINT, ScanTo(2), "icbus: interrupted: nothing was sent\n"},
      {{}, {}, 0, kExitSignalBase + SIGINT, ScanTo(-1), "icbus: interrupted: nothing was sent\n"},
      {{1},
       {42},
       -1,
       1,
       ScanTo(42),
       "icbus: machine 42 on port 1: garbled answer \u2014 two terminals may share this number; "
       "nothing was sent\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.err);
    FakeBus bus;
    bus.answering = row.answering;
    bus.garbled = row.garbled;
    Host host;
    host.stop_signal = CtrlCWhen([&] {
      return row.stop_after >= 0 &&
             static_cast<int>(bus.calls.size()) >= 2 + row.stop_after;  // after the mode switch
    });
    Ran ran = RunTool(Broadcasts().front().args, &bus, host);
    EXPECT_EQ(ran.code, row.code);
    EXPECT_EQ(ran.calls, row.calls);
    EXPECT_EQ(ran.err, row.err);
  }
}

TEST(BroadcastCheck, YesSendsWithoutAScan) {
  for (const Broadcast& row : Broadcasts()) {
    std::vector<std::string> args = row.args;
    args.push_back("--yes");
    FakeBus bus;
    bus.answering = {1, 5};
    Ran ran = RunTool(args, &bus);
    EXPECT_EQ(ran.code, 0) << ran.err;
    EXPECT_EQ(ran.calls, (Calls{row.call}));
  }
}

TEST(BroadcastCheck, TheAddressedMasterCardChangeNeedsNoScan) {
  FakeBus bus;
  Ran ran = RunTool({"machine", "master-card", "set", "--port", "1", "--number", "654321",
                     "--machine", "5", "--card", "123456"},
                    &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.calls, (Calls{"SetMasterCardA(1, 5, \"654321\", 123456)"}));
}

}  // namespace
}  // namespace icbus::tool
