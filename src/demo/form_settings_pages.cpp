// TabSheet2 (basic settings) and TabSheet3 (password management).
#include "demo/form_builders.h"

namespace icbus::demo::form {
namespace {

constexpr int kRow = 25;

void AddBasicSettingsPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet2");
  p.Label("Label11", "串口号：", {8, 12, 56, 16});
  p.Combo("cmbPort", {"Com1", "Com2", "Com3", "Com4"}, 0, {66, 8, 80, 120});

  p.Label("lblMealIndex", "序号", {6, 40, 40, 14});
  p.Label("lblMealHour1", "时", {50, 40, 40, 14});
  p.Label("lblMealMinute1", "分", {94, 40, 40, 14});
  p.Label("lblMealHour2", "时", {138, 40, 40, 14});
  p.Label("lblMealMinute2", "分", {182, 40, 40, 14});
  p.Edit("Edit2", "", 1, KeyFilter::kNone, {6, 56, 40, 21});
  p.Edit("Edit3", "", 2, KeyFilter::kNone, {50, 56, 40, 21});
  p.Edit("Edit4", "", 2, KeyFilter::kNone, {94, 56, 40, 21});
  p.Edit("Edit5", "", 3, KeyFilter::kNone, {138, 56, 40, 21});
  p.Edit("Edit6", "", 2, KeyFilter::kNone, {182, 56, 40, 21});
  p.Button("SpeedButton10", "下载消费时段", {260, 54, 146, kRow});

  p.Label("lblMealTimes", "消费限次", {6, 94, 60, 16});
  p.Edit("Edit21", "", 2, KeyFilter::kNone, {70, 90, 40, 21});
  p.Button("SpeedButton11", "下载消费限次", {260, 88, 146, kRow});

  p.Label("lblKeyIndex", "序号", {6, 128, 30, 16});
  p.Edit("Edit1", "", 1, KeyFilter::kDigits, {38, 124, 30, 21});
  p.Label("lblKeyAmount", "金额", {78, 128, 30, 16});
  p.MaskEdit("MaskEdit1", "00.0;1;_", "", {110, 124, 60, 21});
  p.Button("SpeedButton8", "下载键盘菜单", {260, 122, 146, kRow});

  p.Button("BitBtn1", "版本信息", {6, 160, 98, kRow});
  p.Button("SpeedButton9", "查询开户卡号", {260, 160, 146, kRow}).visible = false;
  p.Button("BitBtn8", "暂停机器", {6, 194, 98, kRow});
  p.Button("BitBtn9", "恢复机器", {106, 194, 98, kRow});
  p.Button("BitBtn10", "机器状态", {206, 194, 98, kRow});

  p.Label("lblCategory1", "部类", {6, 232, 40, 14});
  p.Label("lblMenu1", "菜单", {50, 232, 40, 14});
  p.Label("lblMenuAmount", "金额", {94, 232, 60, 14});
  p.Edit("Edit44", "", 1, KeyFilter::kNone, {6, 248, 40, 21});
  p.Edit("Edit45", "", 1, KeyFilter::kNone, {50, 248, 40, 21});
  p.MaskEdit("MaskEdit5", "99\\.99;1;_", "", {94, 248, 60, 21});
  p.Button("BitBtn13", "设置部类菜单金额", {260, 246, 146, kRow});

  p.Label("lblCategory2", "部类", {6, 280, 40, 14});
  p.Label("lblMenu2", "菜单", {50, 280, 40, 14});
  p.Label("lblMenuName", "名称", {94, 280, 60, 14});
  p.Edit("Edit46", "", 1, KeyFilter::kNone, {6, 296, 40, 21});
  p.Edit("Edit47", "", 1, KeyFilter::kNone, {50, 296, 40, 21});
  p.Edit("Edit48", "", 12, KeyFilter::kNone, {94, 296, 120, 21});
  p.Button("BitBtn14", "设置部类菜单名称", {260, 294, 146, kRow});
}

void AddPasswordPage(std::vector<Control>* controls) {
  PageBuilder p(controls, "TabSheet3");
  struct Row {
    const char* label_name;
    const char* label;
    const char* edit;
    int max_length;
    KeyFilter filter;
    unsigned style;
    const char* button;
    const char* caption;
  };
  const Row rows[] = {
      {"lblMachNo", "机器编号：", "Edit8", 4, KeyFilter::kDigitsOrK, kPlain, "SpeedButton15",
       "写机器编号"},
      {"lblMasterCard", "管理卡号：", "Edit9", 6, KeyFilter::kDigits, kPlain, "SpeedButton16",
       "下载管理卡"},
      {"lblOldPass", "旧密码：", "Edit10", 12, KeyFilter::kHexCapitals, kPassword, "SpeedButton17",
       "注销卡密码"},
      {"lblNewPass", "新密码：", "Edit11", 12, KeyFilter::kHexCapitals, kPassword, "", ""},
      {"lblConfirmPass", "确定新密码：", "Edit12", 12, KeyFilter::kHexCapitals, kPassword,
       "SpeedButton18", "下载卡密码"},
      {"lblWriterPass", "发卡器密码：", "Edit30", 12, KeyFilter::kHexCapitals, kPassword,
       "SpeedButton29", "下载发卡器密码"},
  };
  int y = 16;
  for (const Row& row : rows) {
    p.Label(row.label_name, row.label, {6, y + 4, 84, 16});
    p.Edit(row.edit, "", row.max_length, row.filter, {92, y, 130, 21}, row.style);
    if (*row.button) p.Button(row.button, row.caption, {240, y - 2, 130, kRow});
    y += 40;
  }
}

}  // namespace

void AddSettingsPages(std::vector<Control>* controls) {
  AddBasicSettingsPage(controls);
  AddPasswordPage(controls);
}

}  // namespace icbus::demo::form
