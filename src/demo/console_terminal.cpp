// TabSheet1 (window terminals), the hidden TabSheet5 and TabSheet6 (the
// real-time monitor).
#include <cstdio>
#include <string>

#include "demo/console.h"
#include "demo/convert.h"
#include "icbus.h"

namespace icbus::demo {
namespace {

constexpr char kSampleCard[] = "000001";
constexpr char kSamplePassword[] = "123456";
constexpr char kCardPrompt[] = "请输入一个6位的数字：";

// The texts of the three buttons that RadioGroup1 switches.
struct ModeTexts {
  const char* open;
  const char* close;
  const char* clear;
};
constexpr ModeTexts kAttendance{"卡号开户", "卡号销户", "销户所有"};
constexpr ModeTexts kConsumption{"挂失卡号", "解挂卡号", "解挂所有"};

bool Ok(int result) { return result == 1; }

}  // namespace

void Console::RadioGroup1Click() {
  const bool consumption = Consumption();
  const ModeTexts& texts = consumption ? kConsumption : kAttendance;
  view_->SetText("SpeedButton2", texts.open);
  view_->SetText("SpeedButton25", texts.close);
  view_->SetText("SpeedButton26", texts.clear);
  view_->SetVisible("Button4", consumption);
  view_->SetVisible("SpeedButton9", !consumption);
}

void Console::SpeedButton2Click() {
  auto machine = Machine();
  if (!machine) return;
  const bool consumption = Consumption();
  std::string text =
      consumption ? AskUntilLength("输入卡号", kCardPrompt, "123456", 6)
                  : AskUntilLength("输入卡号和密码", "请输入一个12位的数字(前6位卡号，后6位密码)：",
                                   std::string(kSampleCard) + kSamplePassword, 12);
  auto wire = Wire(text);
  if (!wire) return;
  const bool ok = Ok(SetOpenCard(Port(), *machine, wire->c_str()));
  if (consumption) {
    Report(ok, "卡号挂失成功!", "卡号挂失失败!");
  } else {
    Report(ok, "卡号开户成功!", "卡号开户失败!");
  }
}

void Console::SpeedButton25Click() {
  auto machine = Machine();
  if (!machine) return;
  const bool consumption = Consumption();
  auto wire = Wire(AskUntilLength("输入卡号", kCardPrompt, "123456", 6));
  if (!wire) return;
  const bool ok = Ok(DelOpenCard(Port(), *machine, wire->c_str()));
  if (consumption) {
    Report(ok, "卡号解挂成功!", "卡号解挂失败!");
  } else {
    Report(ok, "卡号销户成功!", "卡号销户失败!");
  }
}

void Console::SpeedButton26Click() {
  auto machine = Machine();
  if (!machine) return;
  const bool consumption = Consumption();
  if (!view_->Confirm(consumption ? "确定要解挂所有已挂失卡号吗？"
                                  : "确定要清除所有已开户卡号吗？"))
    return;
  const bool ok = Ok(ClearOpenCard(Port(), *machine));
  if (consumption) {
    Report(ok, "解挂所有卡号成功!", "解挂所有卡号失败!");
  } else {
    Report(ok, "清除所有卡号成功!", "清除所有卡号失败!");
  }
}

void Console::SpeedButton3Click() {
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetTime(Port(), *machine)), "下传时间成功!", "下传时间失败!");
}

void Console::SpeedButton6Click() {
  auto machine = Machine();
  if (!machine) return;
  char clock[64] = {};
  if (Ok(GetTime(Port(), *machine, clock))) {
    Inform(clock);
  } else {
    view_->Message("取机器时间失败!", Icon::kError);
  }
}

void Console::SpeedButton4Click() {
  auto machine = Machine();
  if (!machine) return;
  if (!view_->Confirm("确定要删除机内数据吗?")) return;
  Report(Ok(Clear(Port(), *machine)), "清除数据成功!", "清除数据失败!");
}

void Console::SpeedButton13Click() {
  auto machine = Machine();
  if (!machine) return;
  const bool consumption = Consumption();
  const int count = GetRecordCount(Port(), *machine);
  // The total is asked for before the count is judged.
  const double total = consumption ? GetTotal(Port(), *machine) : 0;
  if (count == -1) {
    view_->Message("取数据总数失败!", Icon::kError);
    return;
  }
  std::string text = "共有记录" + std::to_string(count) + "条";
  if (consumption) text += ",消费总金额" + GeneralNumber(total) + "元";
  Inform(text);
}

void Console::SpeedButton7Click() {
  const std::string item = view_->Popup("PopupMenu1");
  if (item == "N1") N1Click();
  if (item == "N4") N4Click();
  if (item == "N5") N5Click();
}

void Console::N1Click() {
  auto machine = Machine();
  if (!machine) return;
  switch (GetMachStyle(Port(), *machine)) {
    case 0:
      Inform("挂失型机器");
      break;
    case 1:
      Inform("开户型机器");
      break;
    default:
      break;
  }
}

void Console::N4Click() { SetStyle(0); }
void Console::N5Click() { SetStyle(1); }

void Console::SetStyle(int style) {
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetMachStyle(Port(), *machine, style)), "设置成功!", "设置失败!");
}

void Console::SpeedButton30Click() {
  if (Length(view_->Text("Edit32")) != 3) {
    Inform("请输入一个0~255之间的数字!");
    return;
  }
  auto interval = Integer(Trimmed("Edit32"));
  if (!interval) return;
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetIntervalTime(Port(), *machine, *interval)), "设置刷卡间隔成功!",
         "设置刷卡间隔失败!");
}

void Console::SpeedButton31Click() {
  auto joined = Joined({{"Edit33", 1}, {"Edit34", 2}, {"Edit35", 2}, {"Edit36", 3}},
                       "序号为1位，分为2位，时为2位，响铃时间为3位");
  if (!joined) return;
  auto machine = Machine();
  if (!machine) return;
  auto wire = Wire(*joined);
  if (!wire) return;
  Report(Ok(SetBellTime(Port(), *machine, wire->c_str())), "设置响铃时间成功!",
         "设置响铃时间失败!");
}

void Console::SpeedButton32Click() {
  auto joined = Joined({{"Edit33", 1}, {"Edit34", 2}, {"Edit35", 2}, {"Edit36", 2}, {"Edit37", 2}},
                       "序号为1位，分为2位，时为2位");
  if (!joined) return;
  auto machine = Machine();
  if (!machine) return;
  auto wire = Wire(*joined);
  if (!wire) return;
  Report(Ok(SetOpenTime(Port(), *machine, wire->c_str())), "设置开门时段成功!",
         "设置开门时段失败!");
}

void Console::Button26Click() {
  auto machine = Machine();
  if (!machine) return;
  if (view_->Text("ComboBox1").empty()) view_->SetText("ComboBox1", "A");
  if (view_->Text("Edit49").empty()) view_->SetText("Edit49", std::string(16, ' '));
  auto wire = Wire(view_->Text("ComboBox1") + view_->Text("Edit49"));
  if (!wire) return;
  Report(Ok(SetScreenDisplayText(Port(), *machine, wire->c_str())), "设置屏幕显示文字成功!",
         "设置屏幕显示文字失败!");
}

void Console::BitBtn15Click() {
  auto machine = Machine();
  if (!machine) return;
  auto wire =
      Wire(view_->Text("LabeledEdit1") + view_->Text("LabeledEdit2") + view_->Text("LabeledEdit3"));
  if (!wire) return;
  Report(Ok(SetReadCardName(Port(), *machine, wire->c_str())), "设置读卡姓名成功!",
         "设置读卡姓名失败!");
}

void Console::Button27Click() {
  // Both bounds are converted before anything is sent or written.
  auto machine = Machine();
  if (!machine) return;
  auto first = Integer(view_->Text("MaskEdit6"));
  if (!first) return;
  auto last = Integer(view_->Text("MaskEdit7"));
  if (!last) return;
  const int port = Port();
  std::FILE* errors = std::fopen("Error.txt", "wb");
  // Card number, password and six spaces. The export ends the frame with
  // its own "!" (a text holding "!" would cut the frame short, and the
  // library refuses it), so the terminal hears "SO<card><password>      !".
  const std::string tail = std::string(kSamplePassword) + "      ";
  if (!Ok(SetOpenCard(port, *machine, (std::string(kSampleCard) + tail).c_str()))) {
    view_->Message("卡号开户失败!", Icon::kError);
  } else {
    for (long long n = *first; n <= *last; ++n) {
      const std::string text = SixDigits(n) + tail;
      if (!Ok(SetOpenCard(port, *machine, text.c_str())) && errors) {
        std::fwrite(text.data(), 1, 12, errors);
      }
    }
  }
  if (errors) std::fclose(errors);
}

void Console::SpeedButton14Click() { view_->Close(); }

void Console::SpeedButton5Click() {
  auto machine = Machine();
  if (!machine) return;
  Report(Ok(SetMachRead(Port(), *machine)), "设读写器成功!", "设读写器失败!");
}

void Console::Button10Click() {
  view_->ClearLines("ListBox1");
  if (monitor_tag_ == 0) {
    auto machine = Machine();
    if (!machine) return;
    monitor_ = std::make_unique<records::Monitor>(Port(), *machine, &hand_over_,
                                                  [this](const std::string& line) {
                                                    view_->AddLine("ListBox1", line);
                                                    view_->Repaint("ListBox1");
                                                  });
    view_->SetText("Button10", "停止");
    monitor_tag_ = 1;
  } else {
    // The loop ends after its current poll and pause; Serve releases it.
    if (monitor_) {
      monitor_->RequestStop();
      stopping_.push_back(std::move(monitor_));
    }
    view_->SetText("Button10", "实时");
    monitor_tag_ = 0;
  }
}

}  // namespace icbus::demo
