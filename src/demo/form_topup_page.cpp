// TabSheet7: the self-service top-up machine.
#include "demo/form_builders.h"

namespace icbus::demo::form {

void AddTopUpPage(std::vector<Control>* controls) {
  constexpr int kRow = 25;
  PageBuilder p(controls, "TabSheet7");
  p.Label("lblTopUpCard", "卡号：", {6, 12, 70, 16});
  p.Edit("Edit22", "000001", 6, KeyFilter::kDigits, {80, 8, 80, 21});
  p.Label("lblOverwrite", "是否覆盖：", {6, 40, 70, 16});
  p.Edit("Edit23", "1", 0, KeyFilter::kDigits, {80, 36, 30, 21});
  p.Label("lblOverwriteHint", "0表示覆盖，1表示增款", {114, 40, 150, 16});
  p.Label("lblTopUpAmount", "加款金额：", {6, 68, 70, 16});
  p.Edit("Edit24", "0", 0, KeyFilter::kNone, {80, 64, 80, 21});
  p.Label("lblPersonName", "人员名称：", {6, 96, 70, 16});
  p.Edit("Edit25", "张三", 6, KeyFilter::kNone, {80, 92, 80, 21});
  p.Button("BitBtn2", "下传&T", {280, 8, 120, kRow});
  p.Label("Label23", "消息框", {280, 40, 120, 16});
  p.Label("Label24", "", {280, 58, 120, 56}, kRed | kWordWrap);

  p.Label("lblTopUpMaster", "管理卡号：", {6, 136, 70, 16});
  p.Edit("Edit26", "", 6, KeyFilter::kDigits, {80, 132, 80, 21});
  p.Button("SpeedButton12", "下载管理卡", {170, 130, 110, kRow});

  p.Button("BitBtn3", "下载加款数据&D", {6, 176, 130, kRow});
  p.Button("BitBtn11", "下载台式加款机", {140, 176, 130, kRow});
  p.Label("Label42", "0", {280, 178, 120, 22}, kBlue | kLargeFont);
  p.Button("BitBtn4", "设置时间&S", {6, 210, 130, kRow});
  p.Button("BitBtn5", "清除数据&C", {140, 210, 130, kRow});
  p.Button("BitBtn6", "获取时间&G", {6, 244, 130, kRow});
  p.Button("BitBtn7", "数据总数&R", {140, 244, 130, kRow});
  p.Button("BitBtn12", "台式数据总数1", {274, 244, 130, kRow});
}

}  // namespace icbus::demo::form
