// The terminal administration commands, one row per export: the frames and
// their modes, the read lengths, and the result for success, refusal (an
// answer other than the expected word) and silence.
#include <functional>
#include <memory>

#include "icbus.h"
#include "line_fixture.h"
#include "sim/card_writer.h"

namespace icbus::test {
namespace {

struct AdminRow {
  const char* name;
  std::function<int()> call;
  Frames wire;
  std::vector<std::uint32_t> reads;
  const char* command;  // prefix of the frame a refusal or silence is injected into
  int ok, refused, silent;
  std::function<void(sim::VirtualLine&, sim::Terminal&)> arrange = nullptr;
};

const Frames Plain(const std::string& frame) { return {"M SA005!", "S " + frame, "S SZ!"}; }
const std::vector<std::uint32_t> k4and5 = {4, 5};

void AddWriter(sim::VirtualLine& line, sim::Terminal&) {
  line.bus(1).Add(std::make_unique<sim::CardWriter>(sim::CardWriterConfig{}));
}

const AdminRow kRows[] = {
    // Card lists
    {"SetOpenCard", [] { return SetOpenCard(1, 5, "123456"); }, Plain("SO123456!"), k4and5, "SO", 1, 0, 0},
    {"DelOpenCard", [] { return DelOpenCard(1, 5, "123456"); }, Plain("SN123456!"), k4and5, "SN", 1, 0, 0},
    {"ClearOpenCard", [] { return ClearOpenCard(1, 5); }, Plain("SP!"), k4and5, "SP", 1, 0, 0},
    {"SetOpenCardEx", [] { return SetOpenCardEx(1, 5, "123456654321"); }, Plain("SR123456654321!"), k4and5, "SR", 1, 0, 0},
    {"DelOpenCardEx", [] { return DelOpenCardEx(1, 5, "123456"); }, Plain("SQ123456!"), k4and5, "SQ", 1, 0, 0,
     [](auto&, auto& t) { t.state().answers_query = false; }},
    {"ClearOpenCardEx", [] { return ClearOpenCardEx(1, 5); }, Plain("SS!"), k4and5, "SS", 1, 0, 0},
    {"QueryCard", [] { return QueryCard(1, 5, "123456"); }, Plain("SQ123456!"), k4and5, "SQ", 1, 0, -1,
     [](auto&, auto& t) { t.state().cards.insert("123456"); }},
    // Identity, passwords and state
    {"SetMachNo", [] { return SetMachNo(1, "001K"); }, {"M SV001K!"}, {5}, "SV", 1, 0, 0},
    {"SetMasterCard", [] { return SetMasterCard(1, "654321"); }, {"M SM654321!"}, {5}, "SM", 1, 0, 0},
    {"SetMasterCardA", [] { return SetMasterCardA(1, 5, "654321", 123456); },
     {"M SA005123456!", "S SM654321!", "S SZ!"}, k4and5, "SM", 1, 0, 0},
    {"Log_onPass", [] { return Log_onPass(1, "FFFFFFFFFFFF"); }, {"M SFFFFFFFFFFFFF!"}, {5}, "SF", 1, 0, 0},
    {"SetPass", [] { return SetPass(1, "0123456789AB"); }, {"M SG0123456789AB!"}, {5}, "SG", 1, 0, 0},
    {"SetPassA", [] { return SetPassA(1, "0123456789AB"); }, {"N SG0123456789AB!", "S SZ!"}, {5}, "SG", 1, 0, 0,
     AddWriter},
    {"SetMachRead", [] { return SetMachRead(1, 5); }, Plain("SX!"), k4and5, "SX", 1, 0, 0},
    {"GetMachStyle", [] { return GetMachStyle(1, 5); }, Plain("SW5!"), {4, 2}, "SW", 1, -1, -1,
     [](auto&, auto& t) { t.state().style = 1; }},
    {"SetMachStyle", [] { return SetMachStyle(1, 5, 1); }, Plain("SW1!"), k4and5, "SW", 1, 0, 0},
    // A 2-byte read cannot hold "ERR!": any longer answer is no answer.
    {"GetState", [] { return GetState(1, 5); }, {"M ST005!", "S SZ!"}, {2}, "ST", 1, -1, -1},
    {"SetPause", [] { return SetPause(1, 5, 1); }, {"M SL0050!", "S SZ!"}, {5}, "SL", 1, 0, 0},
    {"SetPause_resume", [] { return SetPause(1, 5, 2); }, {"M SL0051!", "S SZ!"}, {5}, "SL", 1, 0, 0},
    // Schedules, tariffs and display
    {"SetMealTimes", [] { return SetMealTimes(1, 5, 5); }, Plain("SU005!"), k4and5, "SU", 1, 0, 0},
    {"SetMealTime", [] { return SetMealTime(1, 5, "106300830"); }, Plain("SI106300830!"), k4and5, "SI", 1, 0, 0},
    {"SetKeyboard", [] { return SetKeyboard(1, 5, 3, 12.5); }, Plain("SH3125!"), k4and5, "SH", 1, 0, 0},
    {"SetClassMenuMoney", [] { return SetClassMenuMoney(1, 5, "B", "1", 12.50); }, Plain("SHB11250!"),
     k4and5, "SH", 1, 0, 0},
    {"SetClassMenuName", [] { return SetClassMenuName(1, 5, "A", "1", "Rice"); },
     Plain("SHAARice         !"), k4and5, "SH", 1, 0, 0},
    {"SetReserveParam", [] { return SetReserveParam(1, 5, 2, "xyz"); }, Plain("SH2xyz!"), k4and5, "SH", 1, 0, 0},
    {"SetIntervalTime", [] { return SetIntervalTime(1, 5, 30); }, Plain("SU030!"), {3, 5}, "SU", 1, 0, 0},
    {"SetScreenDisplayText", [] { return SetScreenDisplayText(1, 5, "Ahell"); },
     Plain("SHAhell            !"), k4and5, "SH", 1, 0, 0},
    {"SetBellTime", [] { return SetBellTime(1, 5, "10800005"); }, Plain("SH10800005!"), k4and5, "SH", 1, 0, 0},
    {"SetOpenTime", [] { return SetOpenTime(1, 5, "107000730"); }, Plain("SI107000730!"), {3, 5}, "SI", 1, 0, 0},
    {"SetWaterParam", [] { return SetWaterParam(1, 5, 20, 5, 10); }, Plain("SU020001000510!"), k4and5, "SU", 1, 0, 0},
    {"SetReadCardName", [] { return SetReadCardName(1, 5, "000123456789Li"); },
     Plain("SO000123456789Li    !"), k4and5, "SO", 1, 0, 0},
};

class Admin : public LineTest, public ::testing::WithParamInterface<AdminRow> {
 protected:
  void SetUp() override {
    if (GetParam().arrange) GetParam().arrange(line(), terminal());
  }
  void Inject(sim::Fault::Kind kind) {
    sim::Fault fault;
    fault.kind = kind;
    fault.frame_prefix = GetParam().command;
    fault.text = "ERR";
    for (auto& device : line().bus(1).devices()) device->AddFault(fault);
  }
  void ExpectWire() {
    EXPECT_EQ(frames(), GetParam().wire);
    std::vector<std::uint32_t> reads;
    for (const auto& read : line().reads()) reads.push_back(read.count);
    EXPECT_EQ(reads, GetParam().reads);
    EXPECT_FALSE(line().IsOpen());
  }
};

TEST_P(Admin, Succeeds) {
  EXPECT_EQ(GetParam().call(), GetParam().ok);
  ExpectWire();
}

TEST_P(Admin, Refused) {
  Inject(sim::Fault::Kind::kWrongWord);
  EXPECT_EQ(GetParam().call(), GetParam().refused);
  ExpectWire();
}

TEST_P(Admin, Silent) {
  Inject(sim::Fault::Kind::kSilence);
  EXPECT_EQ(GetParam().call(), GetParam().silent);
  ExpectWire();
}

INSTANTIATE_TEST_SUITE_P(Exports, Admin, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace icbus::test
