// TabSheet4 (card writer, at the target sector and block) and TabSheet8
// (water control, at sector 0 and block 1). Card results go to the page's
// status line; only input checks use message boxes.
#include <string>

#include "demo/console.h"
#include "demo/convert.h"
#include "icbus.h"

namespace icbus::demo {
namespace {

constexpr char kCardStatus[] = "Label19";
constexpr char kWaterStatus[] = "Label30";
constexpr int kWaterSector = 0;
constexpr int kWaterBlock = 1;

// Status texts for the card results 0 to 5; nullptr leaves the line as it was.
struct Outcomes {
  const char* text[6];
};
constexpr const char* kAnticollision = "防冲突错误!";
constexpr const char* kKey = "密码校对失败!";
constexpr const char* kReadWrite = "读或写失败!";
constexpr Outcomes kTopUp{
    {"加款失败!", "加款成功!", kAnticollision, kKey, kReadWrite, "加款金额超出!"}};
constexpr Outcomes kRefund{
    {"退款失败!", "退款成功!", kAnticollision, kKey, kReadWrite, "退款金额超出!"}};
constexpr Outcomes kDebit{
    {"减款失败!", "减款成功!", kAnticollision, kKey, kReadWrite, "卡内余额不足减款!"}};
constexpr Outcomes kCancel{{"消卡失败!", "消卡成功!", kAnticollision, kKey, kReadWrite, nullptr}};
constexpr Outcomes kReadNumber{{"读卡失败!", nullptr, kAnticollision, kKey, "读失败!", nullptr}};
constexpr Outcomes kWriteNumber{
    {"写卡失败!", "写卡成功!", kAnticollision, kKey, "写失败!", nullptr}};

void Show(View* view, const char* status, const Outcomes& outcomes, int result) {
  if (result >= 0 && result <= 5 && outcomes.text[result])
    view->SetText(status, outcomes.text[result]);
}

constexpr char kAmountFormat[] = "请输入一个正确的格式，如'0123.1'";

}  // namespace

// The amount of refund, debit and the water page's purse buttons: a text
// that is not a number shows the format message and sends nothing.
static std::optional<double> CheckedAmount(View* view, const std::string& text) {
  auto amount = StrictDecimal(text);
  if (!amount) view->Message(kAmountFormat, Icon::kError);
  return amount;
}

void Console::Button1Click() { ReadCardInto(TargetSector(), TargetBlock(), "Edit19", kCardStatus); }
void Console::Button12Click() { ReadCardInto(kWaterSector, kWaterBlock, "Edit29", kWaterStatus); }

void Console::ReadCardInto(int sector, int block, const std::string& edit,
                           const std::string& status) {
  char number[64] = {};
  const int result = ReadCard(Port(), sector, block, number);
  if (result == 1) {
    view_->SetText(edit, number);
  } else {
    Show(view_, status.c_str(), kReadNumber, result);
  }
}

void Console::Button2Click() {
  WriteCardFrom(TargetSector(), TargetBlock(), "Edit19", kCardStatus);
}
void Console::Button13Click() { WriteCardFrom(kWaterSector, kWaterBlock, "Edit29", kWaterStatus); }

void Console::WriteCardFrom(int sector, int block, const std::string& edit,
                            const std::string& status) {
  const std::string text = view_->Text(edit);
  if (Length(Trim(text)) != 6) {
    Inform("请输入一个6位的卡号!");
    return;
  }
  // Converted before the write, so a text that is no number sends nothing.
  auto number = Integer(text);
  if (!number) return;
  auto wire = Wire(text);
  if (!wire) return;
  const int result = WriteCard(Port(), sector, block, wire->c_str());
  Show(view_, status.c_str(), kWriteNumber, result);
  if (result == 1) view_->SetText(edit, SixDigits(static_cast<long long>(*number) + 1));
}

void Console::Button5Click() {
  const std::string text = view_->Text("Edit43") == "2" ? Trimmed("Edit20") : Trimmed("MaskEdit4");
  const double amount = LeadingNumber(text);
  Show(view_, kCardStatus, kTopUp, Increase(Port(), 0, TargetSector(), TargetBlock(), amount, 0));
}

void Console::Button7Click() {
  auto amount = CheckedAmount(view_, Trimmed("Edit20"));
  if (!amount) return;
  Show(view_, kCardStatus, kRefund, Increase(Port(), 1, TargetSector(), TargetBlock(), *amount, 0));
}

void Console::Button6Click() {
  auto amount = CheckedAmount(view_, Trimmed("Edit20"));
  if (!amount) return;
  Show(view_, kCardStatus, kDebit, Decrease(Port(), 0, TargetSector(), TargetBlock(), *amount, 0));
}

void Console::Button11Click() {
  if (!view_->Confirm("确实要消卡吗？")) return;
  Show(view_, kCardStatus, kCancel, Decrease(Port(), 1, TargetSector(), TargetBlock(), 0, 0));
}

void Console::Button8Click() {
  const double balance = ReadBalance(Port(), TargetSector(), TargetBlock(), 0);
  if (balance == -1.0) {
    view_->SetText("Edit20", "0000.00");
    view_->SetText(kCardStatus, "读卡失败!");
  } else {
    view_->SetText("Edit20", ZeroPattern(balance, 4));
  }
}

void Console::Button3Click() {
  view_->SetText("Edit7", std::to_string(ReadCardAddCount(Port(), TargetSector(), TargetBlock())));
}

void Console::Button9Click() {
  auto count = Integer(view_->Text("Edit7"));
  if (!count) return;
  WriteCardAddCount(Port(), TargetSector(), TargetBlock(), *count);
}

void Console::Button19Click() {
  view_->SetText("Edit39", std::to_string(ReadCardMaxCC(Port(), TargetSector(), 1)));
}

void Console::Button20Click() {
  auto limit = Integer(view_->Text("Edit39"));
  if (!limit) return;
  WriteCardMaxCC(Port(), TargetSector(), 1, *limit);
}

// The card password's block: 1 with two decimal places, else 2.
int Console::PasswordBlock() { return view_->Text("Edit43") == "2" ? 1 : 2; }

void Console::Button21Click() {
  char password[64] = {};
  if (ReadCardPass(Port(), TargetSector(), PasswordBlock(), password) == 1) {
    view_->SetText("Edit40", password);
    view_->SetText(kCardStatus, "读取成功");
  } else {
    view_->SetText(kCardStatus, "读取失败");
  }
}

void Console::Button22Click() {
  const std::string password = view_->Text("Edit40");
  if (Length(password) != 5) {
    Inform("请输入一个5位的密码!");
    view_->Focus("Edit40");
    return;
  }
  auto wire = Wire(password);
  if (!wire) return;
  const bool ok = WriteCardPass(Port(), TargetSector(), PasswordBlock(), wire->c_str()) == 1;
  view_->SetText(kCardStatus, ok ? "改写成功" : "改写失败");
}

void Console::Button23Click() {
  const double limit = ReadCardMaxConsume(Port(), TargetSector(), TargetBlock());
  if (limit == -1.0) {
    view_->SetText(kCardStatus, "读取失败");
  } else {
    view_->SetText("MaskEdit3", Fixed7(limit));
    view_->SetText(kCardStatus, "读取成功");
  }
}

void Console::Button24Click() {
  auto limit = Decimal(Trimmed("MaskEdit3"));
  if (!limit) return;
  const bool ok = WriteCardMaxConsume(Port(), TargetSector(), TargetBlock(), *limit) == 1;
  view_->SetText(kCardStatus, ok ? "改写成功" : "改写失败");
}

void Console::Button25Click() {
  auto wire = Wire(view_->Text("Edit43"));
  if (!wire) return;
  SetDecLen(wire->c_str());
}

void Console::SpeedButton27Click() {
  const std::string price = Trimmed("Edit27"), units = Trimmed("Edit31"),
                    seconds = Trimmed("Edit28");
  if (Length(price) != 3 || Length(units) != 2 || Length(seconds) != 2) {
    Inform("每分钟扣款为3位，每次总时长为2位，最小单位为2位");
    return;
  }
  auto machine = Machine();
  if (!machine) return;
  auto a = Integer(price);
  if (!a) return;
  auto b = Integer(units);
  if (!b) return;
  auto c = Integer(seconds);
  if (!c) return;
  Report(SetWaterParam(Port(), *machine, *a, *b, *c) == 1, "设置控水参数成功!",
         "设置控水参数失败!");
}

void Console::Button15Click() {
  auto amount = CheckedAmount(view_, Trimmed("MaskEdit2"));
  if (!amount) return;
  Show(view_, kWaterStatus, kTopUp, Increase(Port(), 0, kWaterSector, kWaterBlock, *amount, 1));
}

void Console::Button14Click() {
  auto amount = CheckedAmount(view_, Trimmed("MaskEdit2"));
  if (!amount) return;
  Show(view_, kWaterStatus, kDebit, Decrease(Port(), 0, kWaterSector, kWaterBlock, *amount, 1));
}

void Console::Button16Click() {
  auto amount = CheckedAmount(view_, Trimmed("MaskEdit2"));
  if (!amount) return;
  Show(view_, kWaterStatus, kRefund, Increase(Port(), 1, kWaterSector, kWaterBlock, *amount, 1));
}

void Console::Button17Click() {
  if (!view_->Confirm("确实要消卡吗？")) return;
  Show(view_, kWaterStatus, kCancel, Decrease(Port(), 1, kWaterSector, kWaterBlock, 0, 1));
}

void Console::Button18Click() {
  const double balance = ReadBalance(Port(), kWaterSector, kWaterBlock, 1);
  if (balance == -1.0) {
    view_->SetText("MaskEdit2", "000.00");
    view_->SetText(kWaterStatus, "读卡失败!");
  } else {
    view_->SetText("MaskEdit2", ZeroPattern(balance, 3));
  }
}

}  // namespace icbus::demo
