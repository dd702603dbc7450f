#include <algorithm>

#include "demo/form_builders.h"

namespace icbus::demo {
namespace form {

Control& PageBuilder::Add(Control control, Box box) {
  control.parent = page_;
  control.x = box.x;
  control.y = box.y;
  control.width = box.width;
  control.height = box.height;
  controls_->push_back(std::move(control));
  return controls_->back();
}

Control& PageBuilder::Button(const std::string& name, const std::string& caption, Box box) {
  Control& c = InertButton(name, caption, box);
  c.style |= kActing;
  return c;
}

Control& PageBuilder::InertButton(const std::string& name, const std::string& caption, Box box) {
  Control c{Kind::kButton, name};
  c.caption = caption;
  return Add(std::move(c), box);
}

Control& PageBuilder::Label(const std::string& name, const std::string& caption, Box box,
                            unsigned style) {
  Control c{Kind::kLabel, name};
  c.caption = caption;
  c.style = style;
  return Add(std::move(c), box);
}

Control& PageBuilder::Edit(const std::string& name, const std::string& text, int max_length,
                           KeyFilter filter, Box box, unsigned style) {
  Control c{Kind::kEdit, name};
  c.text = text;
  c.max_length = max_length;
  c.filter = filter;
  c.style = style;
  return Add(std::move(c), box);
}

Control& PageBuilder::MaskEdit(const std::string& name, const std::string& mask,
                               const std::string& text, Box box) {
  Control c{Kind::kMaskEdit, name};
  c.mask = mask;
  c.text = text;
  return Add(std::move(c), box);
}

Control& PageBuilder::LabeledEdit(const std::string& name, const std::string& label,
                                  const std::string& text, int max_length, Box box) {
  Control c{Kind::kLabeledEdit, name};
  c.caption = label;
  c.text = text;
  c.max_length = max_length;
  return Add(std::move(c), box);
}

Control& PageBuilder::Combo(const std::string& name, std::vector<std::string> items, int selected,
                            Box box) {
  Control c{Kind::kComboBox, name};
  c.items = std::move(items);
  c.selected = selected;
  return Add(std::move(c), box);
}

namespace {

void AddPages(std::vector<Control>* controls) {
  struct Page {
    const char* name;
    const char* caption;
    bool tab;
  };
  // Tab order. TabSheet5 keeps its place but has no tab.
  const Page pages[] = {
      {"TabSheet1", "窗口机操作", true}, {"TabSheet2", "基本设置", true},
      {"TabSheet3", "密码管理", true},   {"TabSheet5", "写卡机操作", false},
      {"TabSheet4", "写卡机操作", true}, {"TabSheet6", "实时通讯", true},
      {"TabSheet7", "自动加款机", true}, {"TabSheet8", "控水", true},
  };
  for (const Page& page : pages) {
    Control c{Kind::kPage, page.name};
    c.caption = page.caption;
    c.visible = page.tab;
    if (!page.tab) c.style |= kTabHidden;
    controls->push_back(std::move(c));
  }
}

void AddPopupMenu(std::vector<Control>* controls) {
  controls->push_back(Control{Kind::kMenu, "PopupMenu1"});
  auto item = [&](const char* name, const char* parent, const char* caption, bool acting) {
    Control c{Kind::kMenuItem, name, parent, caption};
    if (acting) c.style |= kActing;
    controls->push_back(std::move(c));
  };
  item("N1", "PopupMenu1", "读取机器类型", true);
  controls->push_back(Control{Kind::kMenuSeparator, "N2", "PopupMenu1"});
  item("N3", "PopupMenu1", "设置机器类型", false);
  item("N4", "N3", "挂失型机器", true);
  item("N5", "N3", "开户型机器", true);
}

std::vector<Control> BuildTable() {
  std::vector<Control> controls;
  AddPages(&controls);
  form::AddTerminalPages(&controls);
  form::AddSettingsPages(&controls);
  form::AddTopUpPage(&controls);
  form::AddCardPages(&controls);
  AddPopupMenu(&controls);
  return controls;
}

}  // namespace
}  // namespace form

const std::vector<Control>& FormControls() {
  static const std::vector<Control> table = form::BuildTable();
  return table;
}

const Control* FindControl(const std::string& name) {
  const auto& table = FormControls();
  auto it =
      std::find_if(table.begin(), table.end(), [&](const Control& c) { return c.name == name; });
  return it == table.end() ? nullptr : &*it;
}

bool KeyAccepted(KeyFilter filter, char32_t ch) {
  constexpr char32_t kBackspace = 8;
  const bool digit = ch >= U'0' && ch <= U'9';
  switch (filter) {
    case KeyFilter::kNone:
      return true;
    case KeyFilter::kDigits:
      return digit || ch == kBackspace;
    case KeyFilter::kDigitsOrK:
      return digit || ch == kBackspace || ch == U'K';
    case KeyFilter::kHexCapitals:
      return digit || ch == kBackspace || (ch >= U'A' && ch <= U'F');
  }
  return false;
}

}  // namespace icbus::demo
