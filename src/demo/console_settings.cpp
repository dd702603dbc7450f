// TabSheet2 (basic settings) and TabSheet3 (password management).
#include <string>

#include "demo/console.h"
#include "demo/convert.h"
#include "icbus.h"

namespace icbus::demo {
namespace {

bool Ok(int result) { return result == 1; }

constexpr char kCategoryLengths[] = "部类为1位A~F，菜单为1位，金额为3位";
constexpr char kCategoryRange[] = "部类为1位A~F";
constexpr char kIcPassword[] = "IC密码必须为12位! 000000000000-FFFFFFFFFFFF";
constexpr char kOneMachine[] = "请确定网络上只有一台机器!";

// Byte-wise text comparison, so lower-case letters sort after "F".
bool CategoryInRange(const std::string& category) { return category >= "A" && category <= "F"; }

}  // namespace

void Console::SpeedButton10Click() {
  auto joined = Joined({{"Edit2", 1}, {"Edit3", 2}, {"Edit4", 2}, {"Edit5", 2}, {"Edit6", 2}},
                       "序号为1位，时为2位，分为2位");
  if (!joined) return;
  auto machine = Machine();
  if (!machine) return;
  auto wire = Wire(*joined);
  if (!wire) return;
  Report(Ok(SetMealTime(Port(), *machine, wire->c_str())), "设置消费时段成功!",
         "设置消费时段失败!");
}

void Console::SpeedButton11Click() {
  const std::string text = Trimmed("Edit21");
  if (text.empty()) {
    Inform("请输入一个0~50之间的数字!");
    return;
  }
  auto limit = Integer(text);
  if (!limit) return;
  if (*limit >= 51) {
    Inform("请输入一个0~50之间的数字!");
    return;
  }
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetMealTimes(Port(), *machine, *limit)), "设置消费限次成功!", "设置消费限次失败!");
}

void Console::SpeedButton8Click() {
  const std::string index_text = Trimmed("Edit1");
  const std::string amount_text = Trimmed("MaskEdit1");
  if (Length(index_text) != 1 || Length(amount_text) != 4) {
    Inform("序号为1位，金额为3位");
    return;
  }
  auto index = Integer(index_text);
  if (!index) return;
  auto amount = Decimal(amount_text);
  if (!amount) return;
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetKeyboard(Port(), *machine, *index, *amount)), "设置菜单成功!", "设置菜单失败!");
}

void Console::SpeedButton9Click() {
  auto machine = Machine();
  if (!machine) return;
  auto wire = Wire(AskUntilLength("输入卡号", "请输入一个6位的数字：", "123456", 6));
  if (!wire) return;
  switch (QueryCard(Port(), *machine, wire->c_str())) {
    case 1:
      Inform("该卡号已开户!");
      break;
    case 0:
      Inform("该卡号未开户!");
      break;
    default:
      Inform("通讯失败!");
      break;
  }
}

void Console::BitBtn1Click() { GetDllVersion(); }

void Console::BitBtn8Click() { Pause(1); }
void Console::BitBtn9Click() { Pause(0); }

void Console::Pause(int tag) {
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetPause(Port(), *machine, tag)), "设置成功!", "设置失败!");
}

void Console::BitBtn10Click() {
  auto machine = Machine();
  if (!machine) return;
  switch (GetState(Port(), *machine)) {
    case 1:
      Inform("机器正常状态!");
      break;
    case 0:
      Inform("机器停用状态!");
      break;
    case -1:
      view_->Message("通讯失败!", Icon::kError);
      break;
    default:
      break;
  }
}

bool Console::CategoryChecked(const std::string& category, const std::string& menu,
                              int third_length, const std::string& third) {
  if (Length(category) != 1 || Length(menu) != 1 ||
      (third_length >= 0 && Length(third) != third_length)) {
    Inform(kCategoryLengths);
    return false;
  }
  if (!CategoryInRange(category)) {
    Inform(kCategoryRange);
    return false;
  }
  return true;
}

void Console::BitBtn13Click() {
  const std::string category = Trimmed("Edit44"), menu = Trimmed("Edit45");
  const std::string amount_text = Trimmed("MaskEdit5");
  if (!CategoryChecked(category, menu, 5, amount_text)) return;
  auto amount = Decimal(amount_text);
  if (!amount) return;
  auto machine = Machine();
  if (!machine) return;
  auto wire_category = Wire(category);
  auto wire_menu = wire_category ? Wire(menu) : std::nullopt;
  if (!wire_menu) return;
  Report(
      Ok(SetClassMenuMoney(Port(), *machine, wire_category->c_str(), wire_menu->c_str(), *amount)),
      "设置菜单成功!", "设置菜单失败!");
}

void Console::BitBtn14Click() {
  const std::string category = Trimmed("Edit46"), menu = Trimmed("Edit47");
  if (!CategoryChecked(category, menu, -1, "")) return;
  auto machine = Machine();
  if (!machine) return;
  auto wire_category = Wire(category);
  auto wire_menu = wire_category ? Wire(menu) : std::nullopt;
  auto wire_name = wire_menu ? Wire(Trimmed("Edit48")) : std::nullopt;
  if (!wire_name) return;
  Report(Ok(SetClassMenuName(Port(), *machine, wire_category->c_str(), wire_menu->c_str(),
                             wire_name->c_str())),
         "设置菜单成功!", "设置菜单失败!");
}

void Console::SpeedButton15Click() {
  const std::string number = view_->Text("Edit8");
  if (Length(Trim(number)) != 4) {
    Inform("请输入一个4位的编号,如001K表示考勤，非K结尾为门禁!");
    return;
  }
  if (!view_->Confirm(kOneMachine)) return;
  auto wire = Wire(number);
  if (!wire) return;
  Report(Ok(SetMachNo(Port(), wire->c_str())), "更改机号成功!", "更改机号失败!");
}

void Console::SpeedButton16Click() {
  const std::string card = view_->Text("Edit9");
  if (Length(Trim(card)) != 6) {
    Inform("请输入一个6位的卡号!");
    return;
  }
  if (!view_->Confirm(kOneMachine)) return;
  auto wire = Wire(card);
  if (!wire) return;
  Report(Ok(SetMasterCard(Port(), wire->c_str())), "设置管理卡成功!", "设置管理卡失败!");
}

void Console::SpeedButton17Click() {
  const std::string password = view_->Text("Edit10");
  if (Length(Trim(password)) != 12) {
    Inform(kIcPassword);
    return;
  }
  auto wire = Wire(password);
  if (!wire) return;
  Report(Ok(Log_onPass(Port(), wire->c_str())), "注销卡密码成功!", "注销卡密码失败!");
}

void Console::SpeedButton18Click() {
  const std::string password = view_->Text("Edit11");
  if (Length(Trim(password)) != 12) {
    Inform(kIcPassword);
    return;
  }
  if (view_->Text("Edit12") != password) {
    Inform("确定密码与输入密码不符，请重新输入!");
    return;
  }
  auto wire = Wire(password);
  if (!wire) return;
  Report(Ok(SetPass(Port(), wire->c_str())), "设置卡密码成功!", "设置卡密码失败!");
}

void Console::SpeedButton29Click() {
  const std::string password = view_->Text("Edit30");
  if (Length(Trim(password)) != 12) {
    Inform(kIcPassword);
    return;
  }
  auto wire = Wire(password);
  if (!wire) return;
  Report(Ok(SetPassA(Port(), wire->c_str())), "设置发卡器密码成功!", "设置发卡器密码失败!");
}

}  // namespace icbus::demo
