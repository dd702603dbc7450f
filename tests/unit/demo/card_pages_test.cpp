// TabSheet4 (card writer) and TabSheet8 (water control) against a simulated
// card writer: the sector and block on the wire, the status lines, the
// amount conversions and formats.
#include "demo/console_fixture.h"
#include "line_fixture.h"
#include "sim/card_writer.h"

namespace icbus::test {
namespace {

using sim::Mode;

class CardPages : public ConsoleTest {
 protected:
  CardPages() {
    writer_ = &AddCardWriter(*line_, 1);
  }
  ~CardPages() override {
    // The target sector and block live for the process: put them back.
    view_.texts["Edit41"] = "2";
    console_.Changed("Edit41");
    view_.texts["Edit42"] = "2";
    console_.Changed("Edit42");
  }
  // The block reads and writes that went to the writer.
  Frames WriterFrames() const {
    Frames writer;
    for (const auto& frame : frames())
      if (frame.rfind("N SR", 0) == 0 || frame.rfind("N SW", 0) == 0)
        writer.push_back(frame.substr(2, 6));
    return writer;
  }
  void Issue(const char* number) {
    view_.texts["Edit19"] = number;
    Click("Button2");
  }

  sim::CardWriter* writer_;
};

TEST_F(CardPages, WriteCardNumberThenTheNextOneIsReady) {
  Issue("000123");
  EXPECT_EQ(view_.texts["Label19"], "写卡成功!");
  EXPECT_EQ(view_.texts["Edit19"], "000124");
  EXPECT_EQ(WriterFrames(), (Frames{"SR0210", "SW0210"}));
  Reset();
  Click("Button1");
  EXPECT_EQ(view_.texts["Edit19"], "000123");
  EXPECT_EQ(WriterFrames(), (Frames{"SR0210"}));
  Issue("999999");
  EXPECT_EQ(view_.texts["Edit19"], "1000000");
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(CardPages, CardNumberMustHaveSixCharacters) {
  Issue("12345");
  EXPECT_EQ(view_.messages, Messages{Info("请输入一个6位的卡号!")});
  EXPECT_TRUE(frames().empty());
}

TEST_F(CardPages, ResultCodesGoToTheStatusLine) {
  writer_->Present(-1);
  Click("Button1");
  EXPECT_EQ(view_.texts["Label19"], "防冲突错误!");
  Click("Button8");
  EXPECT_EQ(view_.texts["Edit20"], "0000.00");
  EXPECT_EQ(view_.texts["Label19"], "读卡失败!");
  writer_->Present(0);
  writer_->state().key = "000000000000";
  Issue("000001");
  EXPECT_EQ(view_.texts["Label19"], "密码校对失败!");
  EXPECT_EQ(view_.texts["Edit19"], "000001");
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(CardPages, TopUpTakesTheOneDecimalEditUnlessTwoDecimals) {
  Issue("000001");
  view_.texts["MaskEdit4"] = "  12.5";
  view_.texts["Edit20"] = "0003.00";
  Click("Button5");
  EXPECT_EQ(view_.texts["Label19"], "加款成功!");
  Click("Button8");
  EXPECT_EQ(view_.texts["Edit20"], "0012.50");
  view_.texts["Edit43"] = "2";
  view_.texts["Edit20"] = "0003.00";
  Click("Button5");
  view_.texts["Edit43"] = "";
  Click("Button8");
  EXPECT_EQ(view_.texts["Edit20"], "0015.50");
}

TEST_F(CardPages, TopUpOfABlankEditSendsZero) {
  Issue("000001");
  view_.texts["MaskEdit4"] = "    . ";
  Reset();
  Click("Button5");
  EXPECT_EQ(view_.texts["Label19"], "加款成功!");
  EXPECT_EQ(WriterFrames(), (Frames{"SR0210", "SW0210"}));
  Click("Button8");
  EXPECT_EQ(view_.texts["Edit20"], "0000.00");
}

TEST_F(CardPages, RefundAndDebitRefuseTextThatIsNoNumber) {
  view_.texts["Edit20"] = "    .  ";
  Click("Button7");
  Click("Button6");
  EXPECT_EQ(view_.messages, (Messages{Error("请输入一个正确的格式，如'0123.1'"),
                                      Error("请输入一个正确的格式，如'0123.1'")}));
  EXPECT_TRUE(frames().empty());
}

TEST_F(CardPages, DebitBeyondTheBalanceAndRefund) {
  Issue("000001");
  view_.texts["Edit20"] = "0002.00";
  Click("Button6");
  EXPECT_EQ(view_.texts["Label19"], "卡内余额不足减款!");
  Click("Button7");
  EXPECT_EQ(view_.texts["Label19"], "退款成功!");
  Click("Button6");
  EXPECT_EQ(view_.texts["Label19"], "减款成功!");
}

TEST_F(CardPages, CancelAsksFirst) {
  Issue("000001");
  Reset();
  view_.confirmations = {false, true};
  Click("Button11");
  EXPECT_TRUE(frames().empty());
  Click("Button11");
  EXPECT_EQ(view_.confirmed, (std::vector<std::string>{"确实要消卡吗？", "确实要消卡吗？"}));
  EXPECT_EQ(view_.texts["Label19"], "消卡成功!");
}

TEST_F(CardPages, TargetSectorAndBlockFollowTheirEdits) {
  view_.texts["Edit41"] = "5";
  console_.Changed("Edit41");
  view_.texts["Edit42"] = "1";
  console_.Changed("Edit42");
  view_.texts["Edit41"] = "";
  console_.Changed("Edit41");  // no number: the sector stays 5
  EXPECT_EQ(view_.messages, Messages{Error("''不是有效的整数值!")});
  EXPECT_EQ(demo::TargetSector(), 5);
  Click("Button1");
  Click("Button12");  // the water page keeps sector 0, block 1
  EXPECT_EQ(WriterFrames(), (Frames{"SR0521", "SR0001"}));
}

TEST_F(CardPages, PasswordBlockFollowsTheDecimalSetting) {
  view_.texts["Edit40"] = "1234";
  Click("Button22");
  EXPECT_EQ(view_.messages, Messages{Info("请输入一个5位的密码!")});
  EXPECT_EQ(view_.focused, "Edit40");
  EXPECT_TRUE(frames().empty());
  Click("Button21");
  view_.texts["Edit43"] = "2";
  Click("Button21");
  EXPECT_EQ(WriterFrames(), (Frames{"SR0210", "SR0209"}));
}

TEST_F(CardPages, PasswordWrittenAndReadBack) {
  Issue("000001");
  view_.texts["Edit40"] = "54321";
  Click("Button22");
  EXPECT_EQ(view_.texts["Label19"], "改写成功");
  view_.texts["Edit40"] = "";
  Click("Button21");
  EXPECT_EQ(view_.texts["Edit40"], "54321");
  EXPECT_EQ(view_.texts["Label19"], "读取成功");
}

TEST_F(CardPages, DailyLimitFormatted) {
  Issue("000001");
  view_.texts["MaskEdit3"] = "100 .5 ";
  Click("Button24");
  EXPECT_EQ(view_.messages, Messages{Error("'100 .5'不是有效的浮点数值!")});
  view_.texts["MaskEdit3"] = "  80.50";
  Click("Button24");
  EXPECT_EQ(view_.texts["Label19"], "改写成功");
  view_.texts["MaskEdit3"] = "";
  Click("Button23");
  EXPECT_EQ(view_.texts["MaskEdit3"], "0080.50");
  EXPECT_EQ(view_.texts["Label19"], "读取成功");
}

TEST_F(CardPages, CountersShowWhateverTheyRead) {
  Issue("000001");
  view_.texts["Edit7"] = "7";
  Click("Button9");
  view_.texts["Edit7"] = "";
  Click("Button3");
  EXPECT_EQ(view_.texts["Edit7"], "7");
  writer_->Present(-1);
  Click("Button19");
  EXPECT_EQ(view_.texts["Edit39"], "-1");
  view_.texts["Edit39"] = "3";
  Click("Button20");
  view_.texts["Label19"] = "";
  Click("Button25");
  EXPECT_EQ(view_.texts["Label19"], "");
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(CardPages, WaterPurseOnSectorZeroBlockOne) {
  Reset();
  view_.texts["Edit29"] = "000042";
  Click("Button13");
  EXPECT_EQ(view_.texts["Label30"], "写卡成功!");
  EXPECT_EQ(view_.texts["Edit29"], "000043");
  view_.texts["MaskEdit2"] = "  1.50";
  Click("Button15");
  EXPECT_EQ(view_.texts["Label30"], "加款成功!");
  Click("Button18");
  EXPECT_EQ(view_.texts["MaskEdit2"], "001.50");
  // A refund adds to the water purse, with its own words.
  view_.texts["MaskEdit2"] = "  0.25";
  Click("Button16");
  EXPECT_EQ(view_.texts["Label30"], "退款成功!");
  Click("Button18");
  EXPECT_EQ(view_.texts["MaskEdit2"], "001.75");
  view_.texts["MaskEdit2"] = "   .  ";
  Click("Button14");
  EXPECT_EQ(view_.messages, Messages{Error("请输入一个正确的格式，如'0123.1'")});
  view_.confirmations = {true};
  Click("Button17");
  EXPECT_EQ(view_.texts["Label30"], "消卡成功!");
  for (const auto& frame : WriterFrames()) EXPECT_EQ(frame.substr(2, 4), "0001") << frame;
  writer_->Present(-1);
  Click("Button18");
  EXPECT_EQ(view_.texts["MaskEdit2"], "000.00");
  EXPECT_EQ(view_.texts["Label30"], "读卡失败!");
}

TEST_F(ConsoleTest, WaterParameters) {
  view_.texts["Edit27"] = "05";
  view_.texts["Edit31"] = "10";
  view_.texts["Edit28"] = "30";
  Click("SpeedButton27");
  EXPECT_EQ(view_.messages, Messages{Info("每分钟扣款为3位，每次总时长为2位，最小单位为2位")});
  EXPECT_TRUE(frames().empty());
  Reset();
  view_.texts["Edit27"] = "005";
  device_->On(Mode::kData, "SU005000501030!", "DONE!");
  Click("SpeedButton27");
  EXPECT_EQ(frames(), Exchange("SU005000501030!"));
  EXPECT_EQ(view_.messages, Messages{Info("设置控水参数成功!")});
}

}  // namespace
}  // namespace icbus::test
