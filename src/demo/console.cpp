#include "demo/console.h"

#include <atomic>

#include "demo/convert.h"
#include "demo/form.h"
#include "common/gbk.h"

namespace icbus::demo {
namespace {

std::atomic<int> target_sector{2};
std::atomic<int> target_block{2};

}  // namespace

int TargetSector() { return target_sector; }
int TargetBlock() { return target_block; }

const std::map<std::string, Console::Handler>& Console::Handlers() {
  static const std::map<std::string, Handler> handlers = {
      {"RadioGroup1", &Console::RadioGroup1Click},
      {"SpeedButton1", &Console::SpeedButton1Click},
      {"Button4", &Console::Button4Click},
      {"SpeedButton2", &Console::SpeedButton2Click},
      {"SpeedButton25", &Console::SpeedButton25Click},
      {"SpeedButton26", &Console::SpeedButton26Click},
      {"SpeedButton3", &Console::SpeedButton3Click},
      {"SpeedButton6", &Console::SpeedButton6Click},
      {"SpeedButton4", &Console::SpeedButton4Click},
      {"SpeedButton13", &Console::SpeedButton13Click},
      {"SpeedButton7", &Console::SpeedButton7Click},
      {"N1", &Console::N1Click},
      {"N4", &Console::N4Click},
      {"N5", &Console::N5Click},
      {"SpeedButton30", &Console::SpeedButton30Click},
      {"SpeedButton31", &Console::SpeedButton31Click},
      {"SpeedButton32", &Console::SpeedButton32Click},
      {"Button26", &Console::Button26Click},
      {"BitBtn15", &Console::BitBtn15Click},
      {"Button27", &Console::Button27Click},
      {"SpeedButton14", &Console::SpeedButton14Click},
      {"SpeedButton5", &Console::SpeedButton5Click},
      {"Button10", &Console::Button10Click},
      {"SpeedButton10", &Console::SpeedButton10Click},
      {"SpeedButton11", &Console::SpeedButton11Click},
      {"SpeedButton8", &Console::SpeedButton8Click},
      {"SpeedButton9", &Console::SpeedButton9Click},
      {"BitBtn1", &Console::BitBtn1Click},
      {"BitBtn8", &Console::BitBtn8Click},
      {"BitBtn9", &Console::BitBtn9Click},
      {"BitBtn10", &Console::BitBtn10Click},
      {"BitBtn13", &Console::BitBtn13Click},
      {"BitBtn14", &Console::BitBtn14Click},
      {"SpeedButton15", &Console::SpeedButton15Click},
      {"SpeedButton16", &Console::SpeedButton16Click},
      {"SpeedButton17", &Console::SpeedButton17Click},
      {"SpeedButton18", &Console::SpeedButton18Click},
      {"SpeedButton29", &Console::SpeedButton29Click},
      {"SpeedButton12", &Console::SpeedButton12Click},
      {"BitBtn2", &Console::BitBtn2Click},
      {"BitBtn3", &Console::BitBtn3Click},
      {"BitBtn11", &Console::BitBtn11Click},
      {"BitBtn4", &Console::BitBtn4Click},
      {"BitBtn5", &Console::BitBtn5Click},
      {"BitBtn6", &Console::BitBtn6Click},
      {"BitBtn7", &Console::BitBtn7Click},
      {"BitBtn12", &Console::BitBtn12Click},
      {"Button1", &Console::Button1Click},
      {"Button2", &Console::Button2Click},
      {"Button5", &Console::Button5Click},
      {"Button7", &Console::Button7Click},
      {"Button6", &Console::Button6Click},
      {"Button11", &Console::Button11Click},
      {"Button8", &Console::Button8Click},
      {"Button3", &Console::Button3Click},
      {"Button9", &Console::Button9Click},
      {"Button19", &Console::Button19Click},
      {"Button20", &Console::Button20Click},
      {"Button21", &Console::Button21Click},
      {"Button22", &Console::Button22Click},
      {"Button23", &Console::Button23Click},
      {"Button24", &Console::Button24Click},
      {"Button25", &Console::Button25Click},
      {"SpeedButton27", &Console::SpeedButton27Click},
      {"SpeedButton28", &Console::SpeedButton28Click},
      {"Button12", &Console::Button12Click},
      {"Button13", &Console::Button13Click},
      {"Button15", &Console::Button15Click},
      {"Button14", &Console::Button14Click},
      {"Button16", &Console::Button16Click},
      {"Button17", &Console::Button17Click},
      {"Button18", &Console::Button18Click},
  };
  return handlers;
}

Console::Console(View* view) : view_(view) {}

Console::~Console() { FormClose(); }

bool Console::Acts(const std::string& control) { return Handlers().count(control) != 0; }

void Console::Click(const std::string& control) {
  if (downloading_) return;
  auto it = Handlers().find(control);
  if (it == Handlers().end()) return;
  // While the monitor holds the port only its own button may act, and the
  // quit button, which closes the form (and so stops the monitor).
  if (PortBusy() && control != "Button10" && control != "SpeedButton14") return;
  (this->*(it->second))();
  UpdateEnabled();
}

void Console::Changed(const std::string& control) {
  std::atomic<int>* target = control == "Edit41"   ? &target_sector
                             : control == "Edit42" ? &target_block
                                                   : nullptr;
  if (!target) return;
  // A text that is no number leaves the value as it was.
  if (auto value = Integer(view_->Text(control))) *target = *value;
}

bool Console::PortBusy() const {
  return downloading_ || (monitor_ && monitor_->Running()) || !stopping_.empty();
}

void Console::Serve() {
  hand_over_.Serve(0);
  for (auto it = stopping_.begin(); it != stopping_.end();) {
    if ((*it)->Running()) {
      ++it;
    } else {
      it = stopping_.erase(it);  // the loop has ended: joining is immediate
    }
  }
  UpdateEnabled();
}

void Console::FormClose() {
  if (monitor_) {
    monitor_->StopAndWait();
    monitor_.reset();
  }
  for (auto& monitor : stopping_) monitor->StopAndWait();
  stopping_.clear();
}

// Every acting control is disabled while another transaction holds the
// port. The monitor's own button stays usable while the monitor runs (not
// while a stopped monitor is still closing its port); the quit button stays
// usable except during a download.
void Console::UpdateEnabled() {
  const bool busy = PortBusy();
  const int state = (busy ? 1 : 0) | (downloading_ ? 2 : 0) | (stopping_.empty() ? 0 : 4);
  if (state == enabled_state_) return;
  enabled_state_ = state;
  for (const Control& c : FormControls()) {
    if (!(c.style & kActing) || c.kind == Kind::kMenuItem || c.kind == Kind::kEdit) continue;
    bool enabled = !busy;
    if (c.name == "Button10") enabled = !downloading_ && stopping_.empty();
    if (c.name == "SpeedButton14") enabled = !downloading_;
    view_->SetEnabled(c.name, enabled);
  }
}

int Console::Port() {
  int index = view_->Selected("cmbPort");
  return index < 0 ? 1 : index + 1;
}

std::optional<int> Console::Integer(const std::string& text) {
  auto value = StrictInteger(text);
  if (!value) view_->Message(NotAnInteger(text), Icon::kError);
  return value;
}

std::optional<double> Console::Decimal(const std::string& text) {
  auto value = StrictDecimal(text);
  if (!value) view_->Message(NotADecimal(text), Icon::kError);
  return value;
}

std::optional<int> Console::Machine() { return Integer(view_->Text("Edit38")); }

std::optional<int> Console::ManagementCard() {
  return Integer(view_->InputBox("输入", "请输入管理卡号：", "0"));
}

// Text for a terminal goes out in GBK; a character GBK lacks cannot be sent.
std::optional<std::string> Console::Wire(const std::string& text) {
  auto gbk = Utf8ToGbk(text);
  if (!gbk) view_->Message("'" + text + "'含有无法发送的字符!", Icon::kError);
  return gbk;
}

std::string Console::Trimmed(const std::string& control) { return Trim(view_->Text(control)); }

std::optional<std::string> Console::Joined(std::initializer_list<Field> fields,
                                           const std::string& message) {
  std::string joined;
  for (const Field& field : fields) {
    std::string part = Trimmed(field.control);
    if (Length(part) != field.length) {
      Inform(message);
      return std::nullopt;
    }
    joined += part;
  }
  return joined;
}

void Console::Report(bool ok, const std::string& success, const std::string& failure) {
  view_->Message(ok ? success : failure, ok ? Icon::kInformation : Icon::kError);
}

std::string Console::AskUntilLength(const std::string& title, const std::string& prompt,
                                    const std::string& default_text, int length) {
  std::string answer;
  while (Length(answer) != length) answer = view_->InputBox(title, prompt, default_text);
  return answer;
}

bool Console::Consumption() { return view_->Selected("RadioGroup1") == 1; }

}  // namespace icbus::demo
