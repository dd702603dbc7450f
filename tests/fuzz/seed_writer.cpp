// Writes the seed corpus: host sessions against the real device models of
// each kind, with every answer the device gave recorded into the input's
// answer stream. Each seed is replayed against the fuzzed device and must
// put the same frames on the wire, so the corpus always speaks the
// harness's current encoding.
//
//   icbus-fuzz-seeds DIR          writes DIR/<seed> for every seed
//   icbus-fuzz-seeds --check DIR  fails unless DIR holds these seeds as they are written
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "harness.h"
#include "hostile_device.h"
#include "sim/card_writer.h"
#include "sim/terminal.h"
#include "sim/topup_machine.h"

namespace icbus::fuzz {
namespace {

// The call stream, by row name.
class Script {
 public:
  Script& Op(const char* name) {
    const int index = RowIndex(name);
    if (index < 0) {
      std::fprintf(stderr, "no row named %s\n", name);
      std::exit(2);
    }
    calls_.Byte(static_cast<std::uint8_t>(index));
    return *this;
  }
  Script& Int(int value) {
    calls_.Int(value);
    return *this;
  }
  Script& Double(double value) {
    calls_.Double(value);
    return *this;
  }
  Script& Text(const std::string& text) {
    calls_.Text(text);
    return *this;
  }
  Script& Out() {
    calls_.Byte(0);
    return *this;
  }
  // port 1, sector 1, block 1: the purse block of the examples.
  Script& Card() { return Int(1).Int(1).Int(1); }
  const std::string& bytes() const { return calls_.bytes(); }

 private:
  CallWriter calls_;
};

// A seed from a device model, or (without one) from answers written here.
struct Seed {
  const char* name;
  std::function<std::unique_ptr<sim::Device>()> device;
  std::function<void(Script&)> calls;
  std::function<void(AnswerWriter&)> answers;
};

std::unique_ptr<sim::Device> MakeTerminal(sim::TerminalKind kind, int decimals) {
  sim::TerminalConfig config;
  config.machine = 5;
  config.management_card = 123456;
  config.kind = kind;
  config.decimals = decimals;
  config.swipes = {"00012320260102030405", "00045620260102030510"};
  sim::FillRecords(&config, 3);
  config.backup = sim::GenerateBackup(decimals, 5, 2);
  return std::make_unique<sim::Terminal>(config);
}

std::unique_ptr<sim::Device> MakeWriter() {
  sim::CardWriterConfig config;
  config.cards.resize(1);
  config.present = 0;
  return std::make_unique<sim::CardWriter>(config);
}

void Download(Script& s, const char* record, int count) {
  s.Op("GetFirst").Int(1).Int(5);
  for (int i = 0; i < count; ++i) s.Op(record).Int(5).Out();
}

// What a broken or hostile device sends: kilobytes of junk without "!",
// NUL bytes before the "!", replies cut short, late and in two pieces, and
// true words followed by noise.
void HostileAnswers(AnswerWriter& a) {
  std::string junk;
  for (int i = 0; junk.size() < kMaxAnswer; ++i) {
    if (char c = static_cast<char>(i * 7); c != '!') junk.push_back(c);
  }
  Answer answer;
  answer.silent = false;
  const auto add = [&](std::string bytes, std::uint32_t delay_ms, std::size_t split_at,
                       std::uint32_t gap_ms) {
    answer.bytes = std::move(bytes);
    answer.delay_ms = delay_ms;
    answer.split_at = split_at;
    answer.gap_ms = gap_ms;
    a.Add(answer);
  };
  add(junk, 0, 0, 0);
  add(std::string("OK\0!", 4), 0, 0, 0);
  add("OK", 0, 0, 0);
  add("OK!", 0, 1, 400);
  add("OK!", 1600, 0, 0);
  add(std::string("\0\0\0!", 4), 0, 0, 0);
  add("DONE!" + junk.substr(0, 100), 0, 0, 0);
  add("OK!", 0, 0, 0);
  add("OVER", 0, 0, 0);
  add("OK!", 0, 0, 0);
  add("20260101080000123456789!", 0, 0, 0);
  add("OK!", 0, 0, 0);
  add("000123!", 0, 2, 150);
  add("R2!", 0, 0, 0);
  add("OK!", 0, 0, 0);
  add("0000000000!0000000000", 0, 0, 0);
}

void HostileCalls(Script& s) {
  s.Op("GetTime").Int(1).Int(5).Out();
  s.Op("GetRecordCount").Int(1).Int(5);
  s.Op("ReadCard").Card().Out();
  s.Op("GetFirst").Int(1).Int(5);
  for (int i = 0; i < 3; ++i) s.Op("GetNext").Int(5).Out();
  s.Op("GetTotal").Int(1).Int(5);
  s.Op("icDevInit").Text("1").Op("ChangeicDevSettings").Int(0);
  s.Op("Real_time").Int(5).Out().Op("icDevClose");
  s.Op("Increase").Int(0).Int(0).Double(1.0).Card();
  s.Op("GetTimeA").Int(1).Int(5).Int(123456).Out();
}

void CardSession(Script& s) {
  s.Op("SetPassA").Int(1).Text("FFFFFFFFFFFF");
  s.Op("WriteCardEx").Text("123456").Text("13579").Double(50.0).Card();
  s.Op("ReadCard").Card().Out();
  s.Op("Increase").Int(0).Int(0).Double(1.15).Card();
  s.Op("ReadBalance").Int(0).Card();
  s.Op("Decrease").Int(0).Int(0).Double(0.5).Card();
  s.Op("WriteCardPass").Text("24680").Card();
  s.Op("ReadCardPass").Card().Out();
  s.Op("WriteCardMaxConsume").Double(30.0).Card();
  s.Op("ReadCardMaxConsume").Card();
  s.Op("WriteCardAddCount").Int(7).Card();
  s.Op("ReadCardAddCount").Card();
  s.Op("WriteCardMaxCC").Int(3).Card();
  s.Op("ReadCardMaxCC").Card();
  s.Op("WriteCard").Text("654321").Card();
  s.Op("BeepAX").Int(1).Int(1);
}

Seed Modelled(const char* name, std::function<std::unique_ptr<sim::Device>()> device,
              std::function<void(Script&)> calls) {
  return Seed{name, std::move(device), std::move(calls), nullptr};
}

Seed Written(const char* name, std::function<void(Script&)> calls,
             std::function<void(AnswerWriter&)> answers) {
  return Seed{name, nullptr, std::move(calls), std::move(answers)};
}

const std::vector<Seed>& Seeds() {
  using sim::TerminalKind;
  static const std::vector<Seed> seeds = {
      Modelled(
          "window-terminal", [] { return MakeTerminal(TerminalKind::kWindow, 1); },
          [](Script& s) {
            s.Op("GetTime").Int(1).Int(5).Out();
            s.Op("GetTimeA").Int(1).Int(5).Int(123456).Out();
            s.Op("SetTime").Int(1).Int(5);
            s.Op("GetRecordCount").Int(1).Int(5);
            s.Op("GetRecordCountR").Int(1).Int(5).Int(1);
            s.Op("GetTotal").Int(1).Int(5);
            s.Op("SetOpenCard").Text("000123").Int(1).Int(5);
            s.Op("QueryCard").Int(1).Int(5).Text("000123");
            s.Op("DelOpenCard").Text("000123").Int(1).Int(5);
            s.Op("SetKeyboard").Int(2).Double(1.5).Int(1).Int(5);
            s.Op("SetClassMenuMoney").Text("A").Text("1").Double(12.34).Int(1).Int(5);
            s.Op("SetClassMenuName").Text("A").Text("1").Text("rice").Int(1).Int(5);
            s.Op("SetMealTimes").Int(3).Int(1).Int(5);
            s.Op("SetMealTime").Text("106301000").Int(1).Int(5);
            s.Op("GetState").Int(1).Int(5);
            s.Op("SetPause").Int(1).Int(1).Int(5);
            s.Op("GetMachStyle").Int(1).Int(5);
            s.Op("SetMachStyle").Int(1).Int(1).Int(5);
            s.Op("SetMachRead").Int(1).Int(5);
            s.Op("SetReserveParam").Int(1).Text("12").Int(1).Int(5);
            Download(s, "GetNext", 4);
            s.Op("GetFirst").Int(1).Int(5).Op("GetNextBak").Int(5).Out().Op("icbus_end_download");
            s.Op("Clear").Int(1).Int(5);
          }),
      Modelled(
          "window-terminal-fen", [] { return MakeTerminal(TerminalKind::kWindow, 2); },
          [](Script& s) {
            s.Op("SetDecLen").Text("2").Op("icbus_set_fast_replies").Int(1);
            s.Op("GetTotal").Int(1).Int(5);
            Download(s, "GetNext", 2);
            s.Op("icbus_end_download");
            s.Op("GetFirst")
                .Int(1)
                .Int(5)
                .Op("GetNextBak")
                .Int(5)
                .Out()
                .Op("GetNextBak")
                .Int(5)
                .Out();
            s.Op("icbus_end_download");
          }),
      Modelled(
          "attendance-terminal", [] { return MakeTerminal(TerminalKind::kAttendance, 1); },
          [](Script& s) {
            s.Op("SetScreenDisplayText").Text("AWelcome").Int(1).Int(5);
            s.Op("SetIntervalTime").Int(5).Int(1).Int(5);
            s.Op("SetOpenCardEx").Text("000123456789").Int(1).Int(5);
            s.Op("DelOpenCardEx").Text("000123456789").Int(1).Int(5);
            s.Op("ClearOpenCardEx").Int(1).Int(5).Op("ClearOpenCard").Int(1).Int(5);
            Download(s, "GetNextK", 4);
          }),
      Modelled(
          "timer", [] { return MakeTerminal(TerminalKind::kTimer, 1); },
          [](Script& s) {
            s.Op("SetBellTime").Text("01080010").Int(1).Int(5);
            s.Op("SetOpenTime").Text("107300800").Int(1).Int(5);
            Download(s, "GetNextR", 4);
          }),
      Modelled(
          "water-controller", [] { return MakeTerminal(TerminalKind::kWater, 1); },
          [](Script& s) {
            s.Op("SetWaterParam").Int(5).Int(2).Int(10).Int(1).Int(5);
            s.Op("SetReadCardName").Text("00012312345 name").Int(1).Int(5);
            Download(s, "GetNextW", 4);
          }),
      Modelled(
          "self-service-top-up-records", [] { return MakeTerminal(TerminalKind::kTopUp, 1); },
          [](Script& s) {
            s.Op("GetRecordCountA").Int(1).Int(5).Int(123456);
            s.Op("GetFirstA").Int(1).Int(5).Int(123456);
            for (int i = 0; i < 4; ++i) s.Op("GetNextA").Int(5).Out();
          }),
      Modelled(
          "desktop-top-up", [] { return MakeTerminal(TerminalKind::kDesktopTopUp, 1); },
          [](Script& s) {
            s.Op("GetRecordCountAt").Int(1).Int(5).Int(123456);
            s.Op("GetFirstA").Int(1).Int(5).Int(123456);
            for (int i = 0; i < 4; ++i) s.Op("GetNextAt").Int(5).Out();
          }),
      Modelled(
          "top-up-order",
          [] {
            sim::TopUpMachineConfig config;
            config.machine = 3;
            config.management_card = 4321;
            return std::make_unique<sim::TopUpMachine>(config);
          },
          [](Script& s) {
            s.Op("TransmitATM").Int(1).Int(3).Int(12345).Int(1).Double(12.3);
            s.Text("\xcd\xf5\xd0\xa1\xc3\xf7").Int(4321);
            s.Op("TransmitATM").Int(1).Int(3).Int(1048575).Int(0).Double(0.1).Text("  ").Int(4321);
          }),
      Modelled(
          "swipe-monitor", [] { return MakeTerminal(TerminalKind::kWindow, 1); },
          [](Script& s) {
            s.Op("icDevInit").Text("1").Op("ChangeicDevSettings").Int(0);
            s.Op("icbus_probe").Int(5);
            for (int i = 0; i < 3; ++i) s.Op("Real_time").Int(5).Out();
            s.Op("icDevClose");
          }),
      Modelled(
          "broadcasts", [] { return MakeTerminal(TerminalKind::kWindow, 1); },
          [](Script& s) {
            s.Op("SetMasterCard").Int(1).Text("654321");
            s.Op("SetMasterCardA").Text("123456").Int(1).Int(5).Int(654321);
            s.Op("SetPass").Int(1).Text("A1B2C3D4E5F6");
            s.Op("Log_onPass").Int(1).Text("A1B2C3D4E5F6");
            s.Op("SetMachNo").Int(1).Text("007K");
          }),
      Modelled("card-writer", MakeWriter, CardSession),
      Modelled("card-writer-fen", MakeWriter,
               [](Script& s) {
                 s.Op("SetDecLen").Text("2");
                 CardSession(s);
                 s.Op("WriteCardAccountNo").Text("12345678").Card();
               }),
      Modelled(
          "own-session", [] { return MakeTerminal(TerminalKind::kWindow, 1); },
          [](Script& s) {
            s.Op("icbus_session").Op("GetFirst").Int(1).Int(5).Op("GetNext").Int(5).Out();
            s.Op("icbus_session");
          }),
      Written("hostile-replies", HostileCalls, HostileAnswers),
  };
  return seeds;
}

std::vector<std::string> Writes(const std::vector<PortEvent>& events) {
  std::vector<std::string> writes;
  for (const PortEvent& e : events)
    if (e.kind == PortEvent::Kind::kWrite)
      writes.push_back(std::string(1, char('0' + e.parity)) + e.bytes);
  return writes;
}

int Answers(const std::vector<PortEvent>& events) {
  int answers = 0;
  std::string text;
  for (const std::string& reply : RepliesSince(events, 0)) answers += ReplyText(reply, &text);
  return answers;
}

// The seed's input; empty (after a message) when the replay differs.
std::string MakeInput(const Seed& seed) {
  Script script;
  seed.calls(script);
  AnswerWriter answers;
  if (!seed.device) {
    seed.answers(answers);
    const std::string input = JoinStreams(script.bytes(), answers.bytes());
    Harness harness(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    harness.Run();
    std::printf("%-28s %3zu frames, %3d answers\n", seed.name, Writes(harness.events()).size(),
                Answers(harness.events()));
    return input;
  }
  const std::string calls_only = JoinStreams(script.bytes(), "");
  std::vector<std::string> recorded;
  {
    Harness harness(reinterpret_cast<const std::uint8_t*>(calls_only.data()), calls_only.size(),
                    std::make_unique<RecordingDevice>(seed.device(), &answers));
    harness.Run();
    recorded = Writes(harness.events());
    std::printf("%-28s %3zu frames, %3d answers\n", seed.name, recorded.size(),
                Answers(harness.events()));
  }
  const std::string input = JoinStreams(script.bytes(), answers.bytes());
  Harness replay(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  replay.Run();
  if (Writes(replay.events()) != recorded) {
    std::fprintf(stderr, "%s: the replay against the fuzzed device sent other frames\n", seed.name);
    return {};
  }
  return input;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return file ? bytes.str() : std::string();
}

}  // namespace
}  // namespace icbus::fuzz

int main(int argc, char** argv) {
  using namespace icbus::fuzz;
  const bool check = argc == 3 && std::strcmp(argv[1], "--check") == 0;
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[argc - 1];
  int failures = 0;
  for (const Seed& seed : Seeds()) {
    const std::string input = MakeInput(seed);
    const std::string path = dir + "/" + seed.name;
    if (input.empty()) {
      ++failures;
    } else if (check) {
      if (ReadFile(path) != input) {
        std::fprintf(stderr, "%s is not the seed this harness writes: run %s %s\n", path.c_str(),
                     argv[0], dir.c_str());
        ++failures;
      }
    } else {
      std::ofstream(path, std::ios::binary) << input;
    }
  }
  return failures ? 1 : 0;
}
