// The form as data: pages, captions, defaults, limits, filters and masks;
// the masked edit's rules and the console's conversions.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "demo/console.h"
#include "demo/convert.h"
#include "demo/form.h"
#include "demo/mask.h"
#include "icbus.h"

namespace icbus::test {
namespace {

using demo::FindControl;
using demo::KeyFilter;
using demo::Kind;

TEST(FormTable, PagesInTabOrderWithTabSheet5Hidden) {
  std::vector<std::string> pages, captions;
  for (const auto& c : demo::FormControls()) {
    if (c.kind != Kind::kPage) continue;
    pages.push_back(c.name);
    captions.push_back(c.caption);
  }
  EXPECT_EQ(pages, (std::vector<std::string>{"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet5",
                                             "TabSheet4", "TabSheet6", "TabSheet7", "TabSheet8"}));
  EXPECT_EQ(captions, (std::vector<std::string>{"窗口机操作", "基本设置", "密码管理", "写卡机操作",
                                                "写卡机操作", "实时通讯", "自动加款机", "控水"}));
  EXPECT_FALSE(FindControl("TabSheet5")->visible);
  EXPECT_EQ(std::string(demo::kFormTitle).find("V4.31") != std::string::npos, true);
}

TEST(FormTable, NamesAreUniqueAndEveryHandlerHasItsControl) {
  std::set<std::string> names;
  for (const auto& c : demo::FormControls()) {
    EXPECT_TRUE(names.insert(c.name).second) << c.name;
    const bool acting = (c.style & demo::kActing) != 0;
    // Edit41 and Edit42 act on a change, not a click.
    const bool clicked = acting && c.kind != Kind::kEdit;
    EXPECT_EQ(demo::Console::Acts(c.name), clicked) << c.name;
    const bool top = c.kind == Kind::kPage || c.kind == Kind::kMenu;
    EXPECT_EQ(FindControl(c.parent) != nullptr, !top) << c.name;
  }
}

struct Expected {
  const char* name;
  const char* caption;
  const char* text;
  int max_length;
  KeyFilter filter;
  const char* mask;
};

// clang-format off
const Expected kControls[] = {
    {"Edit38", "", "1", 3, KeyFilter::kDigits, ""},
    {"Label1", "机器编号：", "", 0, KeyFilter::kNone, ""},
    {"Label11", "串口号：", "", 0, KeyFilter::kNone, ""},
    {"SpeedButton14", "退出演示", "", 0, KeyFilter::kNone, ""},
    {"SpeedButton1", "采集数据", "", 0, KeyFilter::kNone, ""},
    {"Button4", "采集备份数据", "", 0, KeyFilter::kNone, ""},
    {"SpeedButton13", "机内数据总数", "", 0, KeyFilter::kNone, ""},
    {"Button26", "打印文字到考勤机显示屏", "", 0, KeyFilter::kNone, ""},
    {"Button27", "连续下传卡号", "", 0, KeyFilter::kNone, ""},
    {"LabeledEdit1", "卡号", "000004", 6, KeyFilter::kNone, ""},
    {"LabeledEdit2", "密码", "123456", 6, KeyFilter::kNone, ""},
    {"LabeledEdit3", "用户名", "张三", 6, KeyFilter::kNone, ""},
    {"MaskEdit6", "", "000001", 0, KeyFilter::kNone, "000000;0;_"},
    {"MaskEdit7", "", "000010", 0, KeyFilter::kNone, "000000;0;_"},
    {"Edit32", "", "", 3, KeyFilter::kDigits, ""},
    {"Button10", "实时", "", 0, KeyFilter::kNone, ""},
    {"SpeedButton5", "设读写器", "", 0, KeyFilter::kNone, ""},
    {"Edit13", "", "", 32, KeyFilter::kNone, ""},
    {"Edit2", "", "", 1, KeyFilter::kNone, ""},
    {"Edit5", "", "", 3, KeyFilter::kNone, ""},
    {"Edit21", "", "", 2, KeyFilter::kNone, ""},
    {"Edit1", "", "", 1, KeyFilter::kDigits, ""},
    {"MaskEdit1", "", "", 0, KeyFilter::kNone, "00.0;1;_"},
    {"MaskEdit5", "", "", 0, KeyFilter::kNone, "99\\.99;1;_"},
    {"Edit48", "", "", 12, KeyFilter::kNone, ""},
    {"SpeedButton9", "查询开户卡号", "", 0, KeyFilter::kNone, ""},
    {"Edit8", "", "", 4, KeyFilter::kDigitsOrK, ""},
    {"Edit9", "", "", 6, KeyFilter::kDigits, ""},
    {"Edit10", "", "", 12, KeyFilter::kHexCapitals, ""},
    {"Edit30", "", "", 12, KeyFilter::kHexCapitals, ""},
    {"Edit22", "", "000001", 6, KeyFilter::kDigits, ""},
    {"Edit23", "", "1", 0, KeyFilter::kDigits, ""},
    {"Edit24", "", "0", 0, KeyFilter::kNone, ""},
    {"Edit25", "", "张三", 6, KeyFilter::kNone, ""},
    {"Label42", "0", "", 0, KeyFilter::kNone, ""},
    {"BitBtn2", "下传&T", "", 0, KeyFilter::kNone, ""},
    {"Edit41", "", "2", 2, KeyFilter::kDigits, ""},
    {"Edit42", "", "2", 1, KeyFilter::kDigits, ""},
    {"Edit43", "", "", 0, KeyFilter::kNone, ""},
    {"Edit19", "", "", 6, KeyFilter::kDigits, ""},
    {"Edit7", "", "", 5, KeyFilter::kDigits, ""},
    {"Edit39", "", "", 3, KeyFilter::kDigits, ""},
    {"Edit40", "", "", 5, KeyFilter::kDigits, ""},
    {"Edit20", "", "", 0, KeyFilter::kNone, "9999\\.99;1;_"},
    {"MaskEdit4", "", "", 0, KeyFilter::kNone, "9999\\.9;1;_"},
    {"MaskEdit3", "", "", 0, KeyFilter::kNone, "9999.99;2;_"},
    {"MaskEdit2", "", "", 0, KeyFilter::kNone, "999\\.99;1;_"},
    {"Panel1", "", "0", 0, KeyFilter::kNone, ""},
    {"SpeedButton27", "下载控水参数&P", "", 0, KeyFilter::kNone, ""},
    {"Edit27", "", "", 3, KeyFilter::kDigits, ""},
    {"N1", "读取机器类型", "", 0, KeyFilter::kNone, ""},
    {"N4", "挂失型机器", "", 0, KeyFilter::kNone, ""},
    {"N5", "开户型机器", "", 0, KeyFilter::kNone, ""},
};
// clang-format on

class Controls : public ::testing::TestWithParam<Expected> {};

TEST_P(Controls, AsStored) {
  const auto* c = FindControl(GetParam().name);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->caption, GetParam().caption);
  EXPECT_EQ(c->text, GetParam().text);
  EXPECT_EQ(c->max_length, GetParam().max_length);
  EXPECT_EQ(c->filter, GetParam().filter);
  EXPECT_EQ(c->mask, GetParam().mask);
}

INSTANTIATE_TEST_SUITE_P(Form, Controls, ::testing::ValuesIn(kControls),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FormTable, StartState) {
  EXPECT_EQ(FindControl("cmbPort")->items,
            (std::vector<std::string>{"Com1", "Com2", "Com3", "Com4"}));
  EXPECT_EQ(FindControl("cmbPort")->selected, 0);
  EXPECT_EQ(FindControl("RadioGroup1")->items, (std::vector<std::string>{"考勤", "消费"}));
  EXPECT_EQ(FindControl("RadioGroup1")->selected, 0);
  EXPECT_EQ(FindControl("ComboBox1")->items, (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_FALSE(FindControl("Button4")->visible);
  EXPECT_FALSE(FindControl("SpeedButton9")->visible);
  EXPECT_TRUE(FindControl("Edit10")->style & demo::kPassword);
  EXPECT_TRUE(FindControl("Label19")->style & demo::kRed);
  EXPECT_EQ(FindControl("N4")->parent, "N3");
}

TEST(KeyFilters, AcceptAndRefuse) {
  const auto hex = FindControl("Edit10")->filter;
  for (char32_t ch : {U'A', U'F', U'0', char32_t{8}}) EXPECT_TRUE(demo::KeyAccepted(hex, ch));
  for (char32_t ch : {U'g', U'a', U'G', U' '}) EXPECT_FALSE(demo::KeyAccepted(hex, ch));
  const auto k = FindControl("Edit8")->filter;
  EXPECT_TRUE(demo::KeyAccepted(k, U'K'));
  EXPECT_FALSE(demo::KeyAccepted(k, U'k'));
  const auto digits = FindControl("Edit38")->filter;
  EXPECT_TRUE(demo::KeyAccepted(digits, U'9'));
  EXPECT_FALSE(demo::KeyAccepted(digits, U'K'));
  EXPECT_FALSE(demo::KeyAccepted(digits, U'-'));
}

TEST(Masks, TypingAndTexts) {
  demo::MaskedText amount("00.0;1;_");
  EXPECT_EQ(amount.Display(), "__._");
  EXPECT_EQ(amount.Text(), "  . ");
  EXPECT_FALSE(amount.Type('x'));
  EXPECT_TRUE(amount.Type('1'));
  EXPECT_TRUE(amount.Type('2'));
  EXPECT_TRUE(amount.Type('5'));
  EXPECT_FALSE(amount.Type('6'));  // at the end
  EXPECT_EQ(amount.Text(), "12.5");
  amount.Backspace();
  EXPECT_EQ(amount.Display(), "12._");
  amount.Backspace();  // steps over the literal
  EXPECT_EQ(amount.Display(), "1_._");

  demo::MaskedText card("000000;0;_");
  for (char c : std::string("000005")) card.Type(c);
  EXPECT_EQ(card.Text(), "000005");

  demo::MaskedText limit("9999.99;2;_");
  limit.Type('2');
  limit.Type('0');
  EXPECT_EQ(limit.Text(), "20  .  ");
  EXPECT_EQ(demo::Trim(limit.Text()), "20  .");

  demo::MaskedText escaped("999\\.99;1;_");
  escaped.SetText("001.50");
  EXPECT_EQ(escaped.Display(), "001.50");
  escaped.MoveTo(0);
  escaped.Delete();
  EXPECT_EQ(escaped.Text(), " 01.50");

  demo::MaskedText saved("000000;0;_");
  saved.SetText("000001");
  EXPECT_EQ(saved.Display(), "000001");
}

TEST(Conversions, StrictAndLeading) {
  EXPECT_EQ(demo::StrictInteger(" 42 "), 42);
  EXPECT_EQ(demo::StrictInteger("-7"), -7);
  for (const char* bad : {"", " ", "4 2", "1x", "99999999999", "+", "0x10"})
    EXPECT_FALSE(demo::StrictInteger(bad)) << bad;
  EXPECT_EQ(demo::StrictDecimal("12.5"), 12.5);
  EXPECT_EQ(demo::StrictDecimal(" 1e2 "), 100.0);
  EXPECT_EQ(demo::StrictDecimal(".5"), 0.5);
  for (const char* bad : {"", "    .  ", "20  .", "1,5", "1e", "."})
    EXPECT_FALSE(demo::StrictDecimal(bad)) << bad;
  EXPECT_EQ(demo::LeadingNumber("20  ."), 20.0);
  EXPECT_EQ(demo::LeadingNumber("    . "), 0.0);
  EXPECT_EQ(demo::LeadingNumber("12.5abc"), 12.5);
  EXPECT_EQ(demo::LeadingNumber("1e"), 1.0);
  EXPECT_EQ(demo::LeadingNumber("x1"), 0.0);
}

TEST(Conversions, Formats) {
  EXPECT_EQ(demo::ZeroPattern(12.5, 4), "0012.50");
  EXPECT_EQ(demo::ZeroPattern(1.005, 3), "001.00");
  EXPECT_EQ(demo::ZeroPattern(12345.678, 4), "12345.68");
  EXPECT_EQ(demo::ZeroPattern(1.5, 3), "001.50");
  EXPECT_EQ(demo::Fixed7(80.5), "0080.50");
  EXPECT_EQ(demo::SixDigits(124), "000124");
  EXPECT_EQ(demo::SixDigits(1000000), "1000000");
  EXPECT_EQ(demo::GeneralNumber(123.5), "123.5");
  EXPECT_EQ(demo::GeneralNumber(0.1 * 3), "0.3");
  EXPECT_EQ(demo::GeneralNumber(100), "100");
  EXPECT_EQ(demo::Trim("\t a b \r\n"), "a b");
  EXPECT_EQ(demo::Length("张三ab"), 4);
}

TEST(ShowDemo, OutsideWindowsSaysSoAndReturns) {
  ::testing::internal::CaptureStderr();
  ShowDemo();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("needs Windows"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
  EXPECT_EQ(_frmDemo, nullptr);
}

}  // namespace
}  // namespace icbus::test
