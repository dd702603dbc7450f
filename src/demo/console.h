// The console's behaviour without any window: one handler per acting
// control, written against the View interface and the library's exported
// operations, exactly as a host would call them.
#pragma once
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo/view.h"
#include "records/realtime.h"

namespace icbus::demo {

// The card writer page's target sector and block: process-wide, 2 at first,
// kept across console windows for the life of the library.
int TargetSector();
int TargetBlock();

class Console {
 public:
  explicit Console(View* view);
  // Stops a running monitor and waits for it (as closing the form does).
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // A click on a button, menu item or radio group. Ignored while a
  // download runs (its record calls dispatch window messages).
  void Click(const std::string& control);
  // A change of an edit's text (Edit41, Edit42).
  void Changed(const std::string& control);
  // True when the control has a click handler.
  static bool Acts(const std::string& control);

  // GUI thread, from its message loop: runs the monitor's pending list
  // updates and releases monitors that have stopped.
  void Serve();
  // The form's OnClose: stops a running monitor and waits until its port
  // is closed, serving its hand-overs meanwhile.
  void FormClose();
  // False while a download runs: the window must not close under it.
  bool CanClose() const { return !downloading_; }
  bool MonitorRunning() const { return monitor_tag_ == 1; }
  // True while a download or a monitor holds the port.
  bool PortBusy() const;

 private:
  using Handler = void (Console::*)();
  static const std::map<std::string, Handler>& Handlers();

  // Shared course.
  int Port();
  std::optional<int> Integer(const std::string& text);
  std::optional<double> Decimal(const std::string& text);
  std::optional<int> Machine();
  std::optional<int> ManagementCard();
  std::optional<std::string> Wire(const std::string& text);
  std::string Trimmed(const std::string& control);
  // The trimmed texts of the controls, joined, when each has its exact
  // length; the first that has not tells `message` and gives nothing.
  struct Field {
    const char* control;
    int length;
  };
  std::optional<std::string> Joined(std::initializer_list<Field> fields,
                                    const std::string& message);
  void Inform(const std::string& text) { view_->Message(text, Icon::kInformation); }
  void Report(bool ok, const std::string& success, const std::string& failure);
  std::string AskUntilLength(const std::string& title, const std::string& prompt,
                             const std::string& default_text, int length);
  void UpdateEnabled();
  bool Consumption();

  // TabSheet1: window terminals.
  void RadioGroup1Click();
  void SpeedButton2Click();
  void SpeedButton25Click();
  void SpeedButton26Click();
  void SpeedButton3Click();
  void SpeedButton6Click();
  void SpeedButton4Click();
  void SpeedButton13Click();
  void SpeedButton7Click();
  void N1Click();
  void N4Click();
  void N5Click();
  void SetStyle(int style);
  void SpeedButton30Click();
  void SpeedButton31Click();
  void SpeedButton32Click();
  void Button26Click();
  void BitBtn15Click();
  void Button27Click();
  void SpeedButton14Click();
  // TabSheet5 and TabSheet6.
  void SpeedButton5Click();
  void Button10Click();

  // Record collection to file.
  void SpeedButton1Click();
  void Button4Click();
  void CountedDownload(bool backup);
  void BitBtn3Click();
  void BitBtn11Click();
  void TopUpDownload(bool desktop);
  void SpeedButton28Click();

  // TabSheet2: basic settings.
  void SpeedButton10Click();
  void SpeedButton11Click();
  void SpeedButton8Click();
  void SpeedButton9Click();
  void BitBtn1Click();
  void BitBtn8Click();
  void BitBtn9Click();
  void Pause(int tag);
  void BitBtn10Click();
  void BitBtn13Click();
  void BitBtn14Click();
  bool CategoryChecked(const std::string& category, const std::string& menu, int menu_length,
                       const std::string& menu_text);
  // TabSheet3: passwords.
  void SpeedButton15Click();
  void SpeedButton16Click();
  void SpeedButton17Click();
  void SpeedButton18Click();
  void SpeedButton29Click();
  // TabSheet7: top-up machine.
  void SpeedButton12Click();
  void BitBtn2Click();
  void BitBtn4Click();
  void BitBtn5Click();
  void BitBtn6Click();
  void BitBtn7Click();
  void BitBtn12Click();
  void ShowCountA(int count);

  // TabSheet4 and TabSheet8: card writer and water control.
  void Button1Click();
  void Button12Click();
  void ReadCardInto(int sector, int block, const std::string& edit, const std::string& status);
  void Button2Click();
  void Button13Click();
  void WriteCardFrom(int sector, int block, const std::string& edit, const std::string& status);
  void Button5Click();
  void Button7Click();
  void Button6Click();
  void Button11Click();
  void Button8Click();
  void Button3Click();
  void Button9Click();
  void Button19Click();
  void Button20Click();
  void Button21Click();
  void Button22Click();
  void Button23Click();
  void Button24Click();
  void Button25Click();
  void SpeedButton27Click();
  void Button15Click();
  void Button14Click();
  void Button16Click();
  void Button17Click();
  void Button18Click();
  int PasswordBlock();

  View* view_;
  bool downloading_ = false;
  int monitor_tag_ = 0;  // Button10's Tag: 1 while the monitor runs
  records::HandOver hand_over_;
  std::unique_ptr<records::Monitor> monitor_;
  std::vector<std::unique_ptr<records::Monitor>> stopping_;
  int enabled_state_ = 0;  // what UpdateEnabled last applied
};

}  // namespace icbus::demo
