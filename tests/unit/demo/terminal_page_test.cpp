// TabSheet1 (window terminals), TabSheet5 and TabSheet6: each button's
// checks, dialogs, frames on the wire and report.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "demo/console_fixture.h"

namespace icbus::test {
namespace {

using sim::Mode;

struct Row {
  const char* name;
  const char* control;
  bool consumption;
  std::vector<std::string> inputs;  // input box answers ("" cancels: default)
  bool confirm;                     // a confirmation is asked and answered Yes
  const char* command;              // the data frame
  const char* success;
  const char* failure;
};

// clang-format off
const Row kRows[] = {
    {"OpenCardAttendance", "SpeedButton2", false, {}, false, "SO000001123456!", "卡号开户成功!",
     "卡号开户失败!"},
    {"LossReport", "SpeedButton2", true, {"654321"}, false, "SO654321!", "卡号挂失成功!",
     "卡号挂失失败!"},
    {"CloseCard", "SpeedButton25", false, {"000777"}, false, "SN000777!", "卡号销户成功!",
     "卡号销户失败!"},
    {"CancelLoss", "SpeedButton25", true, {}, false, "SN123456!", "卡号解挂成功!",
     "卡号解挂失败!"},
    {"CloseAll", "SpeedButton26", false, {}, true, "SP!", "清除所有卡号成功!",
     "清除所有卡号失败!"},
    {"CancelAllLosses", "SpeedButton26", true, {}, true, "SP!", "解挂所有卡号成功!",
     "解挂所有卡号失败!"},
    {"SendTime", "SpeedButton3", false, {}, false, "SE20260102030405!", "下传时间成功!",
     "下传时间失败!"},
    {"ClearData", "SpeedButton4", false, {}, true, "SJ!", "清除数据成功!", "清除数据失败!"},
    {"ReaderMode", "SpeedButton5", false, {}, false, "SX!", "设读写器成功!", "设读写器失败!"},
};
// clang-format on

class TerminalRows : public ConsoleTest, public ::testing::WithParamInterface<Row> {};

TEST_P(TerminalRows, SendsAndReportsBothOutcomes) {
  const Row& row = GetParam();
  view_.selected["RadioGroup1"] = row.consumption ? 1 : 0;
  for (const char* reply : {"DONE!", "ERR!"}) {
    Reset();
    device_->On(Mode::kData, row.command, reply);
    for (const auto& input : row.inputs) view_.inputs.push_back(input);
    if (row.confirm) view_.confirmations.push_back(true);
    Click(row.control);
    EXPECT_EQ(frames(), Exchange(row.command)) << reply;
    const bool ok = std::string(reply) == "DONE!";
    EXPECT_EQ(view_.messages, Messages{ok ? Info(row.success) : Error(row.failure)});
  }
  if (row.confirm) {
    Reset();
    view_.confirmations.push_back(false);
    Click(row.control);
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(view_.messages.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(TabSheet1, TerminalRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleTest, RadioGroupSwitchesCaptionsAndButtons) {
  EXPECT_EQ(view_.texts["SpeedButton2"], "卡号开户");
  EXPECT_FALSE(view_.visible["Button4"]);
  EXPECT_FALSE(view_.visible["SpeedButton9"]);
  view_.selected["RadioGroup1"] = 1;
  Click("RadioGroup1");
  EXPECT_EQ(view_.texts["SpeedButton2"], "挂失卡号");
  EXPECT_EQ(view_.texts["SpeedButton25"], "解挂卡号");
  EXPECT_EQ(view_.texts["SpeedButton26"], "解挂所有");
  EXPECT_TRUE(view_.visible["Button4"]);
  EXPECT_FALSE(view_.visible["SpeedButton9"]);
  view_.selected["RadioGroup1"] = 0;
  Click("RadioGroup1");
  EXPECT_EQ(view_.texts["SpeedButton2"], "卡号开户");
  EXPECT_EQ(view_.texts["SpeedButton25"], "卡号销户");
  EXPECT_EQ(view_.texts["SpeedButton26"], "销户所有");
  EXPECT_FALSE(view_.visible["Button4"]);
  EXPECT_TRUE(view_.visible["SpeedButton9"]);
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, OpenCardAsksUntilTheAnswerHasTwelveCharacters) {
  device_->On(Mode::kData, "SO000002654321!", "DONE!");
  view_.inputs = {"12345", "0000026543210", "000002654321"};
  Click("SpeedButton2");
  ASSERT_EQ(view_.asked.size(), 3u);
  EXPECT_EQ(view_.asked[0], (Asked{"输入卡号和密码", "请输入一个12位的数字(前6位卡号，后6位密码)：",
                                   "000001123456"}));
  EXPECT_EQ(frames(), Exchange("SO000002654321!"));
}

TEST_F(ConsoleTest, LossReportAsksForSixCharactersUntrimmed) {
  view_.selected["RadioGroup1"] = 1;
  device_->On(Mode::kData, "SO 1234 !", "DONE!");
  view_.inputs = {"1234", " 1234 "};
  Click("SpeedButton2");
  ASSERT_EQ(view_.asked.size(), 2u);
  EXPECT_EQ(view_.asked[0], (Asked{"输入卡号", "请输入一个6位的数字：", "123456"}));
  EXPECT_EQ(frames(), Exchange("SO 1234 !"));
}

TEST_F(ConsoleTest, ConfirmationTextsFollowTheMode) {
  view_.confirmations = {false, false, false};
  Click("SpeedButton26");
  view_.selected["RadioGroup1"] = 1;
  Click("SpeedButton26");
  Click("SpeedButton4");
  EXPECT_EQ(view_.confirmed,
            (std::vector<std::string>{"确定要清除所有已开户卡号吗？",
                                      "确定要解挂所有已挂失卡号吗？", "确定要删除机内数据吗?"}));
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, ReadTimeShowsTheBufferOrFails) {
  device_->On(Mode::kData, "SD!", "20260102030405!");
  Click("SpeedButton6");
  EXPECT_EQ(frames(), Exchange("SD!"));
  device_->On(Mode::kData, "SD!", "");
  Click("SpeedButton6");
  EXPECT_EQ(view_.messages, (Messages{Info("20260102030405"), Error("取机器时间失败!")}));
}

TEST_F(ConsoleTest, RecordCountWithTotalInConsumptionMode) {
  device_->On(Mode::kData, "SK!", "00012!");
  Click("SpeedButton13");
  EXPECT_EQ(frames(), Exchange("SK!"));
  view_.selected["RadioGroup1"] = 1;
  device_->On(Mode::kData, "SK!", "00012001235!");
  Click("SpeedButton13");
  device_->On(Mode::kData, "SK!", "ERR!");
  Click("SpeedButton13");
  ASSERT_EQ(view_.messages.size(), 3u);
  EXPECT_EQ(view_.messages[0], Info("共有记录12条"));
  EXPECT_EQ(view_.messages[1], Info("共有记录12条,消费总金额123.5元"));
  // The total is asked for before the failed count is judged.
  EXPECT_EQ(view_.messages[2], Error("取数据总数失败!"));
  EXPECT_EQ(device_->Heard(Mode::kData, "SK!"), 5);
}

TEST_F(ConsoleTest, MachineTypeMenu) {
  view_.popup_choice = "N1";
  for (const char* reply : {"0!", "1!", "7!"}) {
    device_->On(Mode::kData, "SW5!", reply);
    Click("SpeedButton7");
  }
  EXPECT_EQ(view_.popups, (std::vector<std::string>{"PopupMenu1", "PopupMenu1", "PopupMenu1"}));
  // Any other style shows nothing.
  EXPECT_EQ(view_.messages, (Messages{Info("挂失型机器"), Info("开户型机器")}));
  Reset();
  for (const char* item : {"N4", "N5"}) {
    view_.popup_choice = item;
    device_->On(Mode::kData, std::string("SW") + (item[1] == '4' ? "0" : "1") + "!", "DONE!");
    Click("SpeedButton7");
  }
  EXPECT_EQ(frames(), (Frames{"M SA001!", "S SW0!", "S SZ!", "M SA001!", "S SW1!", "S SZ!"}));
  EXPECT_EQ(view_.messages, (Messages{Info("设置成功!"), Info("设置成功!")}));
  Reset();
  view_.popup_choice = "";
  Click("SpeedButton7");
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, IntervalNeedsThreeCharactersButNoRange) {
  view_.texts["Edit32"] = "7";
  Click("SpeedButton30");
  EXPECT_EQ(view_.messages, Messages{Info("请输入一个0~255之间的数字!")});
  EXPECT_TRUE(frames().empty());
  Reset();
  view_.texts["Edit32"] = "300";
  device_->On(Mode::kData, "SU300!", "DONE!");
  Click("SpeedButton30");
  EXPECT_EQ(frames(), Exchange("SU300!"));
  EXPECT_EQ(view_.messages, Messages{Info("设置刷卡间隔成功!")});
}

TEST_F(ConsoleTest, BellAndDoorTimesJoinTrimmedEdits) {
  view_.texts["Edit33"] = "1";
  view_.texts["Edit34"] = "30";
  view_.texts["Edit35"] = " 08";
  view_.texts["Edit36"] = "010";
  view_.texts["Edit37"] = "45";
  device_->On(Mode::kData, "SH13008010!", "DONE!");
  Click("SpeedButton31");
  EXPECT_EQ(frames(), Exchange("SH13008010!"));
  Reset();
  Click("SpeedButton32");  // Edit36 has three characters: refused
  EXPECT_EQ(view_.messages, Messages{Info("序号为1位，分为2位，时为2位")});
  EXPECT_TRUE(frames().empty());
  Reset();
  view_.texts["Edit36"] = "09";
  device_->On(Mode::kData, "SI130080945!", "ERR!");
  Click("SpeedButton32");
  EXPECT_EQ(frames(), Exchange("SI130080945!"));
  EXPECT_EQ(view_.messages, Messages{Error("设置开门时段失败!")});
  Reset();
  view_.texts["Edit34"] = "3";
  Click("SpeedButton31");
  EXPECT_EQ(view_.messages, Messages{Info("序号为1位，分为2位，时为2位，响铃时间为3位")});
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, DisplayTextFillsEmptyLineAndText) {
  const std::string text = "A" + std::string(16, ' ');
  device_->On(Mode::kData, "SH" + text + "!", "DONE!");
  Click("Button26");
  EXPECT_EQ(view_.texts["ComboBox1"], "A");
  EXPECT_EQ(view_.texts["Edit49"], std::string(16, ' '));
  EXPECT_EQ(frames(), Exchange("SH" + text + "!"));
  EXPECT_EQ(view_.messages, Messages{Info("设置屏幕显示文字成功!")});
}

TEST_F(ConsoleTest, SwipeNameIsSentInGbk) {
  // 张三 in GBK.
  const std::string text = "000004123456\xD5\xC5\xC8\xFD";
  device_->On(Mode::kData, "SO" + text + "  !", "DONE!");
  Click("BitBtn15");
  EXPECT_EQ(frames(), Exchange("SO" + text + "  !"));
  EXPECT_EQ(view_.messages, Messages{Info("设置读卡姓名成功!")});
}

TEST_F(ConsoleTest, ComThreeAndMachineTwelve) {
  auto& com3 = line_->bus(3).Add(std::make_unique<ScriptedDevice>());
  com3.On(Mode::kAddress, "SA012!", "OK!").On(Mode::kData, "SE20260102030405!", "DONE!");
  com3.On(Mode::kData, "SK!", "00004!");
  view_.selected["cmbPort"] = 2;
  view_.texts["Edit38"] = "12";
  Click("SpeedButton3");
  Click("SpeedButton13");
  EXPECT_EQ(view_.messages, (Messages{Info("下传时间成功!"), Info("共有记录4条")}));
  EXPECT_EQ(com3.Heard(Mode::kData, "SE20260102030405!"), 1);
  EXPECT_EQ(com3.Heard(Mode::kData, "SZ!"), 2);
  EXPECT_EQ(device_->Heard(Mode::kAddress, "SA012!"), 0);
}

TEST_F(ConsoleTest, MachineNumberThatIsNoNumberSendsNothing) {
  view_.texts["Edit38"] = "";
  Click("SpeedButton3");
  view_.texts["Edit38"] = "1x";
  Click("SpeedButton6");
  EXPECT_EQ(view_.messages,
            (Messages{Error("''不是有效的整数值!"), Error("'1x'不是有效的整数值!")}));
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, QuitClosesTheForm) {
  Click("SpeedButton14");
  EXPECT_EQ(view_.closes, 1);
}

class CardRun : public ConsoleTest {
 protected:
  CardRun() { std::remove("Error.txt"); }
  ~CardRun() override { std::remove("Error.txt"); }
  static std::string ErrorFile() {
    std::ifstream in("Error.txt", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }
};

TEST_F(CardRun, ProbeThenEveryCardFailuresLogged) {
  device_->On(Mode::kData, "SO000001123456      !", "DONE!");
  for (const char* card : {"000002", "000003", "000005", "000006"})
    device_->On(Mode::kData, std::string("SO") + card + "123456      !", "DONE!");
  view_.texts["MaskEdit6"] = "000002";
  view_.texts["MaskEdit7"] = "000007";
  Click("Button27");
  EXPECT_EQ(frames().size(), 7u * 3u);
  EXPECT_EQ(ErrorFile(), "000004123456000007123456");
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(CardRun, StartAboveEndSendsOnlyTheProbe) {
  device_->On(Mode::kData, "SO000001123456      !", "DONE!");
  view_.texts["MaskEdit6"] = "000005";
  view_.texts["MaskEdit7"] = "000003";
  Click("Button27");
  EXPECT_EQ(frames(), Exchange("SO000001123456      !"));
  EXPECT_EQ(ErrorFile(), "");
}

TEST_F(CardRun, FailedProbeReportsAndStops) {
  device_->On(Mode::kData, "SO000001123456      !", "ERR!");
  Click("Button27");
  EXPECT_EQ(frames(), Exchange("SO000001123456      !"));
  EXPECT_EQ(view_.messages, Messages{Error("卡号开户失败!")});
  EXPECT_EQ(ErrorFile(), "");
}

}  // namespace
}  // namespace icbus::test
