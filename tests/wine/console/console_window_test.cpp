// The console in a real window: ShowDemo on this thread, a person's hands
// on another thread sending window messages only, and icbus-sim's wire log
// as the judge. Every page shown is saved as console-<page>.png.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "console/console_driver.h"
#include "library.h"
#include "sim_log.h"

namespace icbus::wine {
namespace {

const std::wstring kSystemInfo = L"\u7cfb\u7edf\u4fe1\u606f";  // 系统信息

// What the hands saw, checked on the test's thread once ShowDemo returned.
struct Seen {
  bool form = false;
  std::map<std::string, std::wstring> texts;
  std::map<std::string, bool> flags;
};

using Scenario = std::function<void(ConsoleDriver&, Seen&)>;

struct Run {
  Scenario scenario;
  ConsoleDriver driver;
  Seen seen;
};

DWORD WINAPI Hands(void* parameter) {
  auto* run = static_cast<Run*>(parameter);
  if (!run->driver.WaitForForm()) return 1;
  run->seen.form = true;
  run->scenario(run->driver, run->seen);
  // Whatever happened, the window is closed so that ShowDemo returns.
  for (int attempt = 0; attempt < 100 && IsWindow(run->driver.form()); ++attempt) {
    if (auto box = run->driver.WaitForBox(kSystemInfo, 50)) run->driver.Press(*box, IDOK);
    run->driver.Close();
    Sleep(100);
  }
  return 0;
}

// Opens the console, lets `scenario` drive it and returns what it saw, the
// frames the host sent meanwhile ("M SA001!") and the time ShowDemo took.
Seen RunConsole(Scenario scenario, std::vector<std::string>* sent = nullptr) {
  SimLog log;
  const std::size_t before = log.Frames().size();
  Run run{std::move(scenario), {}, {}};
  HANDLE hands = CreateThread(nullptr, 0, Hands, &run, 0, nullptr);
  EXPECT_NE(hands, nullptr);
  Library::Get().Call("ShowDemo", {});
  EXPECT_EQ(WaitForSingleObject(hands, 60000), WAIT_OBJECT_0) << "the hands did not finish";
  CloseHandle(hands);
  EXPECT_FALSE(IsWindow(run.driver.form())) << "ShowDemo returned with its window open";
  if (sent) {
    for (const auto& line : log.FramesAfter(before, 0, std::chrono::milliseconds(0))) {
      if (line.rfind("> ", 0) == 0) sent->push_back(line.substr(2));
    }
  }
  return run.seen;
}

// Presses OK on the next "系统信息" box and returns its text.
std::wstring Acknowledge(ConsoleDriver& d) {
  auto box = d.WaitForBox(kSystemInfo);
  if (!box) return L"(no message box)";
  d.Press(*box, IDOK);
  return box->text;
}

bool Contains(const std::vector<std::string>& frames, const std::vector<std::string>& run) {
  return std::search(frames.begin(), frames.end(), run.begin(), run.end()) != frames.end();
}

std::string FileText(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ConsoleWindow, ClockAndRecordsOnTheWindowTerminalPage) {
  std::remove("rec.txt");
  std::vector<std::string> sent;
  Seen seen = RunConsole(
      [](ConsoleDriver& d, Seen& s) {
        s.flags["screenshot"] = d.Screenshot("console-TabSheet1.png");
        s.texts["title"] = [&] {
          wchar_t title[64] = {};
          GetWindowTextW(d.form(), title, 64);
          return std::wstring(title);
        }();
        d.Click("SpeedButton6");
        s.texts["clock"] = Acknowledge(d);
        d.Click("SpeedButton3");
        s.texts["set"] = Acknowledge(d);
        d.SetText("Edit38", L"9");
        d.Click("SpeedButton1");
        auto box = d.WaitForBox(kSystemInfo);
        s.texts["progress"] = d.Text("Label41");
        s.texts["download"] = box ? box->text : L"";
        if (box) d.Press(*box, IDOK);
        d.Click("SpeedButton4");  // clear the records: asks first
        auto question = d.WaitForBox(kSystemInfo);
        s.texts["question"] = question ? question->text : L"";
        if (question) d.Press(*question, IDYES);
        s.texts["cleared"] = Acknowledge(d);
        d.Click("SpeedButton14");
      },
      &sent);
  ASSERT_TRUE(seen.form) << "ShowDemo showed no window";
  EXPECT_TRUE(seen.flags["screenshot"]);
  EXPECT_EQ(seen.texts["title"], L"icbus V4.31");
  EXPECT_EQ(seen.texts["clock"].size(), 14u) << "clock text";
  EXPECT_EQ(seen.texts["set"], L"\u4e0b\u4f20\u65f6\u95f4\u6210\u529f!");  // 下传时间成功!
  // 数据下载已完成!请查看目录下的'rec.txt'
  EXPECT_EQ(seen.texts["download"],
            L"\u6570\u636e\u4e0b\u8f7d\u5df2\u5b8c\u6210!"
            L"\u8bf7\u67e5\u770b\u76ee\u5f55\u4e0b\u7684'rec.txt'");
  // 共有记录2条，已下载2条...
  EXPECT_EQ(seen.texts["progress"],
            L"\u5171\u6709\u8bb0\u5f552\u6761\uff0c\u5df2\u4e0b\u8f7d2\u6761...");
  EXPECT_TRUE(Contains(sent, {"M SA001!", "S SD!", "S SZ!"}));
  ASSERT_TRUE(Contains(sent, {"M SA001!"}));
  EXPECT_TRUE(std::any_of(sent.begin(), sent.end(),
                          [](const std::string& f) { return f.rfind("S SE", 0) == 0; }));
  EXPECT_TRUE(Contains(
      sent, {"M SA009!", "S SK!", "S SZ!", "M SA009!", "S SC!", "S SC!", "S SC!", "S SZ!"}));
  EXPECT_EQ(
      seen.texts["question"],
      L"\u786e\u5b9a\u8981\u5220\u9664\u673a\u5185\u6570\u636e\u5417?");  // 确定要删除机内数据吗?
  EXPECT_EQ(seen.texts["cleared"], L"\u6e05\u9664\u6570\u636e\u6210\u529f!");  // 清除数据成功!
  EXPECT_TRUE(Contains(sent, {"M SA009!", "S SJ!", "S SZ!"}));
  EXPECT_EQ(FileText("rec.txt"), "2026010108001234561009\r\n2026010108050000422009\r\n");
}

TEST(ConsoleWindow, CardIssueTopUpAndBalanceOnTheCardWriterPage) {
  std::vector<std::string> sent;
  Seen seen = RunConsole(
      [](ConsoleDriver& d, Seen& s) {
        d.SelectPage("TabSheet4");
        d.SetText("Edit19", L"000123");
        d.Click("Button2");
        s.flags["written"] = d.WaitForText("Label19", L"\u5199\u5361\u6210\u529f!");  // 写卡成功!
        s.texts["next"] = d.Text("Edit19");
        d.Type("MaskEdit4", L"x12");  // x is refused by the mask
        s.texts["typed"] = d.Text("MaskEdit4");
        d.Click("Button5");
        s.flags["topped"] = d.WaitForText("Label19", L"\u52a0\u6b3e\u6210\u529f!");  // 加款成功!
        d.Click("Button8");
        s.flags["balance"] = d.WaitForText("Edit20", L"0012.00");
        d.Type("Edit19", L"a");  // digits only
        s.texts["filtered"] = d.Text("Edit19");
        d.Click("Button22");  // an empty password: refused, focus to Edit40
        s.texts["password"] = Acknowledge(d);
        s.flags["screenshot"] = d.Screenshot("console-TabSheet4.png");
      },
      &sent);
  ASSERT_TRUE(seen.form);
  EXPECT_TRUE(seen.flags["written"]);
  EXPECT_EQ(seen.texts["next"], L"000124");
  EXPECT_EQ(seen.texts["typed"], L"12__._");
  EXPECT_TRUE(seen.flags["topped"]);
  EXPECT_TRUE(seen.flags["balance"]);
  EXPECT_EQ(seen.texts["filtered"], L"000124");
  EXPECT_EQ(seen.texts["password"], L"\u8bf7\u8f93\u5165\u4e00\u4e2a5\u4f4d\u7684\u5bc6\u7801!");
  EXPECT_TRUE(seen.flags["screenshot"]);
  EXPECT_TRUE(Contains(sent, {"N SR0210!"}));
  EXPECT_TRUE(std::any_of(sent.begin(), sent.end(),
                          [](const std::string& f) { return f.rfind("N SW0210", 0) == 0; }));
}

TEST(ConsoleWindow, TopUpOrderAndThePasswordFilter) {
  std::vector<std::string> sent;
  Seen seen = RunConsole(
      [](ConsoleDriver& d, Seen& s) {
        d.SelectPage("TabSheet3");
        d.Type("Edit10", L"gaAF0");
        s.texts["hex"] = d.Text("Edit10");
        s.flags["shot3"] = d.Screenshot("console-TabSheet3.png");
        d.SelectPage("TabSheet2");
        s.flags["shot2"] = d.Screenshot("console-TabSheet2.png");
        d.SelectPage("TabSheet8");
        s.flags["shot8"] = d.Screenshot("console-TabSheet8.png");
        d.SelectPage("TabSheet7");
        d.SetText("Edit38", L"3");
        d.Click("BitBtn2");
        s.flags["asked"] = d.AnswerInput(L"\u8f93\u5165", L"4321");                // 输入
        s.flags["sent"] = d.WaitForText("Label24", L"\u4e0b\u4f20\u6210\u529f!");  // 下传成功!
        s.texts["status"] = d.Text("Label24");
        s.flags["shot7"] = d.Screenshot("console-TabSheet7.png");
      },
      &sent);
  ASSERT_TRUE(seen.form);
  EXPECT_EQ(seen.texts["hex"], L"AF0");
  EXPECT_TRUE(seen.flags["asked"]);
  EXPECT_TRUE(seen.flags["sent"]) << "Label24 reads "
                                  << std::string(seen.texts["status"].begin(),
                                                 seen.texts["status"].end());
  EXPECT_TRUE(seen.flags["shot2"] && seen.flags["shot3"] && seen.flags["shot7"] &&
              seen.flags["shot8"]);
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(Contains(sent, {"M SA003004321!"}));
  EXPECT_EQ(sent.back(), "S SZ!");
}

TEST(ConsoleWindow, MonitorListsASwipeAndStopsWhenTheWindowCloses) {
  std::vector<std::string> sent;
  Seen seen = RunConsole(
      [](ConsoleDriver& d, Seen& s) {
        d.SelectPage("TabSheet6");
        d.Click("Button10");
        for (int waited = 0; waited < 10000 && d.ListCount("ListBox1") < 2; waited += 50) Sleep(50);
        s.texts["stamped"] = d.ListLine("ListBox1", 0);
        s.texts["bare"] = d.ListLine("ListBox1", 1);
        s.texts["caption"] = d.Text("Button10");
        s.flags["others off"] = !d.Enabled("SpeedButton3");
        s.flags["shot6"] = d.Screenshot("console-TabSheet6.png");
        d.Close();  // while the monitor runs
      },
      &sent);
  ASSERT_TRUE(seen.form);
  const std::wstring swipe = L"ABCDEFGHIJ0123456789";
  EXPECT_EQ(seen.texts["bare"], swipe);
  ASSERT_EQ(seen.texts["stamped"].size(), 32u);
  EXPECT_EQ(seen.texts["stamped"].substr(12), swipe);
  EXPECT_EQ(seen.texts["caption"], L"\u505c\u6b62");  // 停止
  EXPECT_TRUE(seen.flags["others off"]);
  EXPECT_TRUE(seen.flags["shot6"]);
  ASSERT_FALSE(sent.empty());
  for (const auto& frame : sent) EXPECT_EQ(frame, "M SY001!");
  // The port was closed before ShowDemo returned: another call can open it.
  EXPECT_EQ(Library::Get().Call("GetState", {Word(1), Word(1)}), 1);
}

// icbus-console.exe lies beside the DLL the tests load.
std::string LauncherPath() {
  const char* dll = std::getenv("ICBUS_DLL");
  std::string path = WindowsPath(dll && *dll ? dll : "icbus.dll");
  const std::size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
         "icbus-console.exe";
}

TEST(ConsoleWindow, LauncherOpensTheConsoleAndEndsWhenItIsClosed) {
  std::string command = "\"" + LauncherPath() + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << command;
  ConsoleDriver d;
  const bool shown = d.WaitForForm();
  EXPECT_TRUE(shown) << "icbus-console.exe showed no console";
  // Still running while the console is open.
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  if (shown) d.Click("SpeedButton14");
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  if (code == STILL_ACTIVE) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
}  // namespace icbus::wine
