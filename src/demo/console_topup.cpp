// TabSheet7: the self-service top-up machine, through the exports that
// carry a management card number (asked for before anything else).
#include <string>

#include "demo/console.h"
#include "demo/convert.h"
#include "icbus.h"

namespace icbus::demo {
namespace {

bool Ok(int result) { return result == 1; }

}  // namespace

void Console::SpeedButton12Click() {
  auto card = ManagementCard();
  if (!card) return;
  const std::string number = view_->Text("Edit26");
  if (Length(Trim(number)) != 6) {
    Inform("请输入一个6位的卡号!");
    return;
  }
  auto machine = Machine();
  if (!machine) return;
  auto wire = Wire(number);
  if (!wire) return;
  Report(Ok(SetMasterCardA(Port(), *machine, wire->c_str(), *card)), "设置管理卡成功!",
         "设置管理卡失败!");
}

void Console::BitBtn2Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  auto number = Integer(view_->Text("Edit22"));
  if (!number) return;
  auto mode = Integer(view_->Text("Edit23"));
  if (!mode) return;
  auto amount = Decimal(view_->Text("Edit24"));
  if (!amount) return;
  auto name = Wire(view_->Text("Edit25"));
  if (!name) return;
  const bool ok = Ok(TransmitATM(Port(), *machine, *number, *mode, *amount, name->c_str(), *card));
  view_->SetText("Label24", ok ? "下传成功!" : "下传失败!");
}

void Console::BitBtn4Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetTimeA(Port(), *machine, *card)), "下传时间成功!", "下传时间失败!");
}

void Console::BitBtn5Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  if (!view_->Confirm("确定要删除机内加款数据吗?")) return;
  Report(Ok(ClearA(Port(), *machine, *card)), "清除数据成功!", "清除数据失败!");
}

void Console::BitBtn6Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  char clock[64] = {};
  if (Ok(GetTimeA(Port(), *machine, clock, *card))) {
    Inform(clock);
  } else {
    view_->Message("取机器时间失败!", Icon::kError);
  }
}

void Console::BitBtn7Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  ShowCountA(GetRecordCountA(Port(), *machine, *card));
}

void Console::BitBtn12Click() {
  auto card = ManagementCard();
  if (!card) return;
  auto machine = Machine();
  if (!machine) return;
  ShowCountA(GetRecordCountAt(Port(), *machine, *card));
}

void Console::ShowCountA(int count) {
  if (count == -1) {
    view_->Message("取数据总数失败!", Icon::kError);
  } else {
    Inform("共有记录" + std::to_string(count) + "条，");
  }
}

}  // namespace icbus::demo
