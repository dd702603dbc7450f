// TabSheet1 (window terminals), the hidden TabSheet5 and TabSheet6 (the
// real-time monitor).
#include "demo/form_builders.h"

namespace icbus::demo::form {
namespace {

constexpr int kRow = 25;  // button height

void AddWindowTerminalPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet1");
  p.Label("Label1", "机器编号：", {8, 12, 62, 16});
  p.Edit("Edit38", "1", 3, KeyFilter::kDigits, {72, 8, 40, 21});
  Control& radio = p.Add(Control{Kind::kRadioGroup, "RadioGroup1"}, {122, 0, 170, 38});
  radio.items = {"考勤", "消费"};
  radio.selected = 0;
  radio.style |= kActing;
  p.Button("SpeedButton14", "退出演示", {304, 8, 102, kRow});

  p.Button("SpeedButton1", "采集数据", {6, 46, 98, kRow});
  p.Button("Button4", "采集备份数据", {106, 46, 98, kRow}).visible = false;
  p.Button("SpeedButton3", "下传时间", {206, 46, 98, kRow});
  p.Button("SpeedButton6", "返回时间", {306, 46, 100, kRow});
  p.Button("SpeedButton2", "卡号开户", {6, 74, 98, kRow});
  p.Button("SpeedButton25", "卡号销户", {106, 74, 98, kRow});
  p.Button("SpeedButton26", "销户所有", {206, 74, 98, kRow});
  p.Button("SpeedButton4", "清除数据", {306, 74, 100, kRow});
  p.Button("SpeedButton13", "机内数据总数", {6, 102, 98, kRow});
  p.Button("SpeedButton7", "机器类型", {106, 102, 98, kRow});
  p.Button("SpeedButton30", "下载考勤打卡间隔", {206, 102, 150, kRow});
  p.Edit("Edit32", "", 3, KeyFilter::kDigits, {360, 104, 46, 21});

  p.Label("lblIndex", "序号", {6, 134, 40, 14});
  p.Label("lblHour", "时", {50, 134, 40, 14});
  p.Label("lblMinute", "分", {94, 134, 40, 14});
  p.Label("lblBellSeconds", "打铃秒数", {138, 134, 60, 14});
  p.Edit("Edit33", "", 1, KeyFilter::kDigits, {6, 150, 40, 21});
  p.Edit("Edit34", "", 2, KeyFilter::kDigits, {50, 150, 40, 21});
  p.Edit("Edit35", "", 2, KeyFilter::kDigits, {94, 150, 40, 21});
  p.Edit("Edit36", "", 3, KeyFilter::kDigits, {138, 150, 50, 21});
  p.Edit("Edit37", "", 2, KeyFilter::kDigits, {192, 150, 40, 21});
  p.Button("SpeedButton31", "下载打铃时间", {238, 148, 84, kRow});
  p.Button("SpeedButton32", "下载开门时间", {324, 148, 82, kRow});

  p.Combo("ComboBox1", {"A", "B", "C"}, -1, {6, 184, 44, 120});
  p.Edit("Edit49", "", 16, KeyFilter::kNone, {54, 184, 160, 21});
  p.Button("Button26", "打印文字到考勤机显示屏", {218, 182, 188, kRow});

  p.LabeledEdit("LabeledEdit1", "卡号", "000004", 6, {6, 230, 60, 21});
  p.LabeledEdit("LabeledEdit2", "密码", "123456", 6, {72, 230, 60, 21});
  p.LabeledEdit("LabeledEdit3", "用户名", "张三", 6, {138, 230, 76, 21});
  p.Button("BitBtn15", "显示刷卡信息", {218, 228, 188, kRow});

  p.MaskEdit("MaskEdit6", "000000;0;_", "000001", {6, 262, 60, 21});
  p.Label("lblCardRange", "-", {70, 266, 10, 14});
  p.MaskEdit("MaskEdit7", "000000;0;_", "000010", {82, 262, 60, 21});
  p.Button("Button27", "连续下传卡号", {218, 260, 188, kRow});

  p.Label("Label10", "信息：", {6, 300, 40, 16});
  p.Label("Label41", "", {48, 296, 358, 22}, kBlue | kLargeFont);
  p.Add(Control{Kind::kProgressBar, "ProgressBar1"}, {6, 324, 400, 18});
  p.Label("labMessage", "", {6, 348, 400, 14});
}

void AddHiddenReaderPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet5");
  p.Button("SpeedButton5", "设读写器", {6, 8, 98, kRow});
  // Block buttons whose clicks do nothing, and edits that nothing reads.
  for (int block = 1; block <= 3; ++block) {
    const std::string n = std::to_string(block);
    const int x = 6 + (block - 1) * 134;
    p.InertButton("btnReadBlock" + n, "读IC卡" + n + "块", {x, 44, 64, kRow});
    p.InertButton("btnWriteBlock" + n, "写IC卡" + n + "块", {x + 66, 44, 64, kRow});
  }
  for (int i = 0; i < 6; ++i) {
    p.Edit("Edit" + std::to_string(13 + i), "", 32, KeyFilter::kNone, {6, 80 + i * 28, 400, 21});
  }
}

void AddRealTimePage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet6");
  p.Button("Button10", "实时", {6, 8, 98, kRow});
  p.Add(Control{Kind::kListBox, "ListBox1"}, {6, 40, 400, 322});
}

}  // namespace

void AddTerminalPages(std::vector<Control>* controls) {
  AddWindowTerminalPage(controls);
  AddHiddenReaderPage(controls);
  AddRealTimePage(controls);
}

}  // namespace icbus::demo::form
