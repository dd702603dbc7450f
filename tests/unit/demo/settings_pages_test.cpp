// TabSheet2 (basic settings), TabSheet3 (passwords) and TabSheet7 (top-up
// machine): checks in order, confirmations, frames and reports.
#include "demo/console_fixture.h"

namespace icbus::test {
namespace {

using sim::Mode;
using Edits = std::vector<std::pair<const char*, const char*>>;

struct Row {
  const char* name;
  const char* control;
  Edits edits;
  std::vector<std::string> inputs;
  bool confirm;
  Mode mode;            // where the command is heard
  const char* command;  // answered "DONE!" or "ERR!"
  Frames sent;
  const char* success;
  const char* failure;
};

// clang-format off
const Row kRows[] = {
    {"MealPeriod", "SpeedButton10",
     {{"Edit2", "1"}, {"Edit3", "07"}, {"Edit4", "30"}, {"Edit5", " 08"}, {"Edit6", "30"}}, {},
     false, Mode::kData, "SI107300830!", {"M SA001!", "S SI107300830!", "S SZ!"},
     "设置消费时段成功!", "设置消费时段失败!"},
    {"MealLimit", "SpeedButton11", {{"Edit21", "50"}}, {}, false, Mode::kData, "SU050!",
     {"M SA001!", "S SU050!", "S SZ!"}, "设置消费限次成功!", "设置消费限次失败!"},
    {"Keyboard", "SpeedButton8", {{"Edit1", "3"}, {"MaskEdit1", "12.5"}}, {}, false, Mode::kData,
     "SH3125!", {"M SA001!", "S SH3125!", "S SZ!"}, "设置菜单成功!", "设置菜单失败!"},
    {"Pause", "BitBtn8", {}, {}, false, Mode::kAddress, "SL0010!", {"M SL0010!", "S SZ!"},
     "设置成功!", "设置失败!"},
    {"Resume", "BitBtn9", {}, {}, false, Mode::kAddress, "SL0011!", {"M SL0011!", "S SZ!"},
     "设置成功!", "设置失败!"},
    {"MenuAmount", "BitBtn13", {{"Edit44", "F"}, {"Edit45", "2"}, {"MaskEdit5", "12.50"}}, {},
     false, Mode::kData, "SHF21250!", {"M SA001!", "S SHF21250!", "S SZ!"}, "设置菜单成功!",
     "设置菜单失败!"},
    {"MenuNameEmpty", "BitBtn14", {{"Edit46", "A"}, {"Edit47", "1"}, {"Edit48", ""}}, {}, false,
     Mode::kData, "SHAA             !", {"M SA001!", "S SHAA             !", "S SZ!"},
     "设置菜单成功!", "设置菜单失败!"},
    {"MachineNumber", "SpeedButton15", {{"Edit8", "001K"}}, {}, true, Mode::kAddress, "SV001K!",
     {"M SV001K!"}, "更改机号成功!", "更改机号失败!"},
    {"MasterCard", "SpeedButton16", {{"Edit9", "000123"}}, {}, true, Mode::kAddress,
     "SM000123!", {"M SM000123!"}, "设置管理卡成功!", "设置管理卡失败!"},
    {"CancelPassword", "SpeedButton17", {{"Edit10", "FFFFFFFFFFFF"}}, {}, false, Mode::kAddress,
     "SFFFFFFFFFFFFF!", {"M SFFFFFFFFFFFFF!"}, "注销卡密码成功!", "注销卡密码失败!"},
    {"SetPassword", "SpeedButton18", {{"Edit11", "A1B2C3D4E5F6"}, {"Edit12", "A1B2C3D4E5F6"}},
     {}, false, Mode::kAddress, "SGA1B2C3D4E5F6!", {"M SGA1B2C3D4E5F6!"}, "设置卡密码成功!",
     "设置卡密码失败!"},
    {"WriterPassword", "SpeedButton29", {{"Edit30", "0123456789AB"}}, {}, false, Mode::kNone,
     "SG0123456789AB!", {"N SG0123456789AB!", "S SZ!"}, "设置发卡器密码成功!", "设置发卡器密码失败!"},
    {"MasterCardA", "SpeedButton12", {{"Edit26", "000777"}}, {"123456"}, false, Mode::kData,
     "SM000777!", {"M SA001123456!", "S SM000777!", "S SZ!"}, "设置管理卡成功!",
     "设置管理卡失败!"},
    {"SetTimeA", "BitBtn4", {}, {"123456"}, false, Mode::kData, "SE20260102030405!",
     {"M SA001123456!", "S SE20260102030405!", "S SZ!"}, "下传时间成功!", "下传时间失败!"},
    {"ClearA", "BitBtn5", {}, {"123456"}, true, Mode::kData, "SJ!",
     {"M SA001123456!", "S SJ!", "S SZ!"}, "清除数据成功!", "清除数据失败!"},
};
// clang-format on

class SettingRows : public ConsoleTest, public ::testing::WithParamInterface<Row> {
 protected:
  SettingRows() { device_->On(Mode::kAddress, "SA001123456!", "OK!"); }
};

TEST_P(SettingRows, SendsAndReportsBothOutcomes) {
  const Row& row = GetParam();
  for (const auto& [edit, text] : row.edits) view_.texts[edit] = text;
  for (const char* reply : {"DONE!", "ERR!"}) {
    Reset();
    device_->On(row.mode, row.command, reply);
    for (const auto& input : row.inputs) view_.inputs.push_back(input);
    if (row.confirm) view_.confirmations.push_back(true);
    Click(row.control);
    EXPECT_EQ(frames(), row.sent) << reply;
    const bool ok = std::string(reply) == "DONE!";
    EXPECT_EQ(view_.messages, Messages{ok ? Info(row.success) : Error(row.failure)});
  }
  if (row.confirm) {
    Reset();
    for (const auto& input : row.inputs) view_.inputs.push_back(input);
    view_.confirmations.push_back(false);
    Click(row.control);
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(view_.messages.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, SettingRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct Refusal {
  const char* name;
  const char* control;
  Edits edits;
  std::string message;
};

// clang-format off
const Refusal kRefusals[] = {
    {"MealPeriodShortHour", "SpeedButton10",
     {{"Edit2", "1"}, {"Edit3", "7"}, {"Edit4", "30"}, {"Edit5", "08"}, {"Edit6", "30"}},
     "序号为1位，时为2位，分为2位"},
    {"MealLimitEmpty", "SpeedButton11", {{"Edit21", " "}}, "请输入一个0~50之间的数字!"},
    {"MealLimit51", "SpeedButton11", {{"Edit21", "51"}}, "请输入一个0~50之间的数字!"},
    {"KeyboardBlankAmount", "SpeedButton8", {{"Edit1", "3"}, {"MaskEdit1", "  . "}},
     "序号为1位，金额为3位"},
    {"CategoryLowerCase", "BitBtn13", {{"Edit44", "a"}, {"Edit45", "2"}, {"MaskEdit5", "12.50"}},
     "部类为1位A~F"},
    {"CategoryG", "BitBtn13", {{"Edit44", "G"}, {"Edit45", "2"}, {"MaskEdit5", "12.50"}},
     "部类为1位A~F"},
    {"AmountBlank", "BitBtn13", {{"Edit44", "A"}, {"Edit45", "2"}, {"MaskEdit5", "  .  "}},
     "部类为1位A~F，菜单为1位，金额为3位"},
    {"NameCategoryTooLong", "BitBtn14", {{"Edit46", "AB"}, {"Edit47", "1"}},
     "部类为1位A~F，菜单为1位，金额为3位"},
    {"NameCategoryLow", "BitBtn14", {{"Edit46", "0"}, {"Edit47", "1"}}, "部类为1位A~F"},
    {"MachineNumberShort", "SpeedButton15", {{"Edit8", "01K"}},
     "请输入一个4位的编号,如001K表示考勤，非K结尾为门禁!"},
    {"MasterCardShort", "SpeedButton16", {{"Edit9", "12345"}}, "请输入一个6位的卡号!"},
    {"OldPasswordShort", "SpeedButton17", {{"Edit10", "FFFF"}},
     "IC密码必须为12位! 000000000000-FFFFFFFFFFFF"},
    {"NewPasswordsDiffer", "SpeedButton18",
     {{"Edit11", "111111111111"}, {"Edit12", "222222222222"}},
     "确定密码与输入密码不符，请重新输入!"},
    {"WriterPasswordShort", "SpeedButton29", {{"Edit30", ""}},
     "IC密码必须为12位! 000000000000-FFFFFFFFFFFF"},
};
// clang-format on

class RefusedRows : public ConsoleTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedRows, ShowTheirMessageAndSendNothing) {
  for (const auto& [edit, text] : GetParam().edits) view_.texts[edit] = text;
  Click(GetParam().control);
  EXPECT_EQ(view_.messages, Messages{Info(GetParam().message)});
  EXPECT_TRUE(frames().empty());
}

INSTANTIATE_TEST_SUITE_P(Pages, RefusedRows, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConsoleTest, ConversionErrorsNameTheTextAndSendNothing) {
  view_.texts["Edit21"] = "4x";
  Click("SpeedButton11");
  view_.texts["Edit1"] = "3";
  view_.texts["MaskEdit1"] = "1 .5";
  Click("SpeedButton8");
  EXPECT_EQ(view_.messages,
            (Messages{Error("'4x'不是有效的整数值!"), Error("'1 .5'不是有效的浮点数值!")}));
  EXPECT_TRUE(frames().empty());
}

TEST_F(ConsoleTest, QueryCardAnswers) {
  view_.selected["RadioGroup1"] = 0;
  device_->On(Mode::kData, "SQ123456!", "1!");
  Click("SpeedButton9");
  device_->On(Mode::kData, "SQ123456!", "0!");
  Click("SpeedButton9");
  device_->On(Mode::kData, "SQ123456!", "");
  Click("SpeedButton9");
  EXPECT_EQ(view_.messages,
            (Messages{Info("该卡号已开户!"), Info("该卡号未开户!"), Info("通讯失败!")}));
  EXPECT_EQ(view_.asked.size(), 3u);
}

TEST_F(ConsoleTest, MachineStateAnswers) {
  for (const char* reply : {"1!", "0!", ""}) {
    device_->On(Mode::kAddress, "ST001!", reply);
    Click("BitBtn10");
  }
  EXPECT_EQ(view_.messages,
            (Messages{Info("机器正常状态!"), Info("机器停用状态!"), Error("通讯失败!")}));
}

class TopUpPage : public ConsoleTest {
 protected:
  TopUpPage() { device_->On(Mode::kAddress, "SA001123456!", "OK!"); }
};

TEST_F(TopUpPage, MasterCardAsksForTheCardFirst) {
  view_.texts["Edit26"] = "12345";
  view_.inputs = {"123456"};
  Click("SpeedButton12");
  EXPECT_EQ(view_.asked, (std::vector<Asked>{{"输入", "请输入管理卡号：", "0"}}));
  EXPECT_EQ(view_.messages, Messages{Info("请输入一个6位的卡号!")});
  EXPECT_TRUE(frames().empty());
}

TEST_F(TopUpPage, TimeAndCountsWithTheCard) {
  device_->On(Mode::kData, "SD!", "20260102030405!");
  device_->On(Mode::kData, "SK!", "00000!");
  view_.inputs = {"123456", "123456", "123456"};
  Click("BitBtn6");
  Click("BitBtn7");
  Click("BitBtn12");
  EXPECT_EQ(view_.messages,
            (Messages{Info("20260102030405"), Info("共有记录0条，"), Info("共有记录0条，")}));
  device_->On(Mode::kData, "SK!", "ERR!");
  device_->On(Mode::kData, "SD!", "");
  view_.inputs = {"123456", "123456"};
  Click("BitBtn7");
  Click("BitBtn6");
  EXPECT_EQ(view_.messages[3], Error("取数据总数失败!"));
  EXPECT_EQ(view_.messages[4], Error("取机器时间失败!"));
}

TEST_F(TopUpPage, OrderGoesToTheMachineAndTheStatusLine) {
  view_.inputs = {"123456"};
  Click("BitBtn2");
  const Frames sent = frames();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), "M SA001123456!");
  EXPECT_EQ(sent.back(), "S SZ!");
  // The scripted device does not know the order: it fails.
  EXPECT_EQ(view_.texts["Label24"], "下传失败!");
  EXPECT_TRUE(view_.messages.empty());
  Reset();
  view_.texts["Edit24"] = "";
  view_.inputs = {"123456"};
  Click("BitBtn2");
  EXPECT_EQ(view_.messages, Messages{Error("''不是有效的浮点数值!")});
  EXPECT_TRUE(frames().empty());
}

TEST_F(TopUpPage, CancelledCardBoxGivesZero) {
  device_->On(Mode::kAddress, "SA001000000!", "OK!");
  device_->On(Mode::kData, "SE20260102030405!", "DONE!");
  Click("BitBtn4");
  EXPECT_EQ(frames(), (Frames{"M SA001000000!", "S SE20260102030405!", "S SZ!"}));
}

TEST_F(ConsoleTest, VersionShowsNothingOfItsOwn) {
  Click("BitBtn1");
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_TRUE(frames().empty());
}

}  // namespace
}  // namespace icbus::test
