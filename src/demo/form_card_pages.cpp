// TabSheet4 (card writer) and TabSheet8 (water control).
#include "demo/form_builders.h"

namespace icbus::demo::form {
namespace {

constexpr int kRow = 25;

void AddCardWriterPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet4");
  p.Label("lblSector", "目标扇区：", {6, 12, 70, 16});
  p.Edit("Edit41", "2", 2, KeyFilter::kDigits, {78, 8, 36, 21}).style |= kActing;
  p.Label("lblBlock", "目标块：", {124, 12, 56, 16});
  p.Edit("Edit42", "2", 1, KeyFilter::kDigits, {182, 8, 36, 21}).style |= kActing;
  p.Label("lblDecimals", "小数位：", {228, 12, 56, 16});
  p.Edit("Edit43", "", 0, KeyFilter::kNone, {286, 8, 30, 21});
  p.Button("Button25", "设置小数位", {320, 6, 86, kRow});

  p.Label("lblCardNo", "卡号：", {6, 44, 70, 16});
  p.Edit("Edit19", "", 6, KeyFilter::kDigits, {78, 40, 80, 21});
  p.Button("Button1", "读卡号", {170, 38, 80, kRow});
  p.Button("Button2", "写卡号", {254, 38, 80, kRow});

  p.Label("lblAmount2", "金额(2位)：", {6, 76, 70, 16});
  p.MaskEdit("Edit20", "9999\\.99;1;_", "", {78, 72, 80, 21});
  p.Label("lblAmount1", "金额(1位)：", {170, 76, 70, 16});
  p.MaskEdit("MaskEdit4", "9999\\.9;1;_", "", {242, 72, 80, 21});
  p.Button("Button5", "加款", {6, 102, 76, kRow});
  p.Button("Button7", "退款", {86, 102, 76, kRow});
  p.Button("Button6", "减款", {166, 102, 76, kRow});
  p.Button("Button11", "消卡", {246, 102, 76, kRow});
  p.Button("Button8", "余额", {326, 102, 80, kRow});

  struct Row {
    const char* label_name;
    const char* label;
    const char* edit;
    int max_length;
    const char* read;
    const char* read_caption;
    const char* write;
    const char* write_caption;
  };
  const Row rows[] = {
      {"lblAddCount", "加款次数：", "Edit7", 5, "Button3", "读加款次数", "Button9", "写加款次数"},
      {"lblMaxCC", "每餐限次：", "Edit39", 3, "Button19", "读每餐限次", "Button20", "写每餐限次"},
      {"lblCardPass", "卡片密码：", "Edit40", 5, "Button21", "读卡片密码", "Button22",
       "写卡片密码"},
  };
  int y = 140;
  for (const Row& row : rows) {
    p.Label(row.label_name, row.label, {6, y + 4, 70, 16});
    p.Edit(row.edit, "", row.max_length, KeyFilter::kDigits, {78, y, 80, 21});
    p.Button(row.read, row.read_caption, {170, y - 2, 110, kRow});
    p.Button(row.write, row.write_caption, {284, y - 2, 110, kRow});
    y += 32;
  }
  p.Label("lblMaxConsume", "每天限额：", {6, y + 4, 70, 16});
  p.MaskEdit("MaskEdit3", "9999.99;2;_", "", {78, y, 80, 21});
  p.Button("Button23", "读每天限额", {170, y - 2, 110, kRow});
  p.Button("Button24", "写每天限额", {284, y - 2, 110, kRow});

  p.Label("Label18", "状态：", {6, 290, 40, 16});
  p.Label("Label19", "", {48, 290, 350, 16}, kRed);
}

void AddWaterPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet8");
  p.Label("lblWaterPrice", "每单位扣款(分)：", {6, 12, 120, 16});
  p.Edit("Edit27", "", 3, KeyFilter::kDigits, {128, 8, 50, 21});
  p.Label("lblWaterUnits", "每次单位数量(个)：", {6, 40, 120, 16});
  p.Edit("Edit31", "", 2, KeyFilter::kDigits, {128, 36, 50, 21});
  p.Label("lblWaterSeconds", "扣款单位(秒)：", {6, 68, 120, 16});
  p.Edit("Edit28", "", 2, KeyFilter::kDigits, {128, 64, 50, 21});
  p.Button("SpeedButton27", "下载控水参数&P", {200, 6, 130, kRow});
  p.Button("SpeedButton28", "下载控水数据&D", {200, 38, 130, kRow});
  Control panel{Kind::kPanel, "Panel1"};
  panel.text = "0";
  panel.style = kLimeOnBlack | kLargeFont;
  p.Add(std::move(panel), {336, 6, 70, 57});

  p.Label("lblWaterCard", "卡号：", {6, 108, 70, 16});
  p.Edit("Edit29", "", 6, KeyFilter::kDigits, {78, 104, 80, 21});
  p.Button("Button12", "读卡号", {170, 102, 80, kRow});
  p.Button("Button13", "写卡号", {254, 102, 80, kRow});
  p.Label("lblWaterAmount", "金额：", {6, 140, 70, 16});
  p.MaskEdit("MaskEdit2", "999\\.99;1;_", "", {78, 136, 80, 21});
  p.Button("Button15", "加款", {6, 166, 76, kRow});
  p.Button("Button14", "减款", {86, 166, 76, kRow});
  p.Button("Button16", "退款", {166, 166, 76, kRow});
  p.Button("Button17", "消卡", {246, 166, 76, kRow});
  p.Button("Button18", "余额", {326, 166, 80, kRow});

  p.Label("Label31", "状态：", {6, 210, 40, 16});
  p.Label("Label30", "", {48, 210, 350, 16}, kRed);
}

}  // namespace

void AddCardPages(std::vector<Control>* controls) {
  AddCardWriterPage(controls);
  AddWaterPage(controls);
}

}  // namespace icbus::demo::form
