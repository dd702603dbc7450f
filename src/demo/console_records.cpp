// The buttons that download a terminal's records into a text file.
#include <algorithm>
#include <cstring>
#include <string>

#include "demo/console.h"
#include "demo/convert.h"
#include "demo/record_file.h"
#include "icbus.h"

namespace icbus::demo {
namespace {

using RecordCall = int(ICBUS_CALL*)(int machine, char* out);

// Large enough for the longest record line of every record call and its NUL.
constexpr std::size_t kRecordBuffer = 64;

// Keeps the console's other controls from acting while the download holds
// the port (the record calls dispatch window messages while they wait).
class DownloadScope {
 public:
  explicit DownloadScope(bool* downloading) : downloading_(downloading) { *downloading_ = true; }
  ~DownloadScope() { *downloading_ = false; }
  DownloadScope(const DownloadScope&) = delete;
  DownloadScope& operator=(const DownloadScope&) = delete;

 private:
  bool* downloading_;
};

bool Ended(const char* buffer) { return buffer[0] == '\0' || std::strcmp(buffer, "OVER") == 0; }

std::string Completed(const char* file) {
  return std::string("数据下载已完成!请查看目录下的'") + file + "'";
}

}  // namespace

void Console::SpeedButton1Click() { CountedDownload(false); }
void Console::Button4Click() { CountedDownload(true); }

void Console::CountedDownload(bool backup) {
  const int port = Port();
  auto machine = Machine();
  if (!machine) return;
  const int count = GetRecordCount(port, *machine);
  if (count == -1) {
    view_->Message("下载数据失败!", Icon::kError);
    return;
  }
  if (count == 0) {
    Inform("机内无数据!");
    return;
  }
  // The record call is chosen at the click; switching the mode later does
  // not touch this download.
  RecordCall next = backup ? &GetNextBak : Consumption() ? &GetNext : &GetNextK;
  const char* file_name = backup ? "recBak.txt" : "rec.txt";
  if (backup) view_->SetVisible("ProgressBar1", true);
  view_->SetProgress("ProgressBar1", 0, count);
  view_->SetText("Label41", "");
  char buffer[kRecordBuffer] = {};
  {
    DownloadScope scope(&downloading_);
    UpdateEnabled();
    RecordFile file(file_name);
    int position = 0;
    if (GetFirst(port, *machine) == 1) {
      while (next(*machine, buffer) == 1 && !Ended(buffer)) {
        // The bar's position never passes its maximum.
        position = std::min(position + 1, count);
        view_->SetProgress("ProgressBar1", position, count);
        view_->Repaint("ProgressBar1");
        view_->SetText("Label41", "共有记录" + std::to_string(count) + "条，已下载" +
                                      std::to_string(position) + "条...");
        view_->Repaint("Label41");
        file.Append(buffer);
      }
    }
  }
  UpdateEnabled();
  if (std::strcmp(buffer, "OVER") == 0) {
    Inform(Completed(file_name));
  } else {
    view_->Message("下载机器数据失败!", Icon::kError);
  }
  if (backup) view_->SetVisible("ProgressBar1", false);
}

void Console::BitBtn3Click() { TopUpDownload(false); }
void Console::BitBtn11Click() { TopUpDownload(true); }

void Console::TopUpDownload(bool desktop) {
  auto card = ManagementCard();
  if (!card) return;
  const int port = Port();
  auto machine = Machine();
  if (!machine) return;
  RecordCall next = desktop ? &GetNextAt : &GetNextA;
  char buffer[kRecordBuffer] = {};
  {
    DownloadScope scope(&downloading_);
    UpdateEnabled();
    RecordFile file("arec.txt");
    view_->SetText("Label42", "0");
    if (GetFirstA(port, *machine, *card) == 1) {
      while (next(*machine, buffer) == 1 && !Ended(buffer)) {
        file.Append(buffer);
        const int shown = StrictInteger(view_->Text("Label42")).value_or(0);
        view_->SetText("Label42", std::to_string(shown + 1));
        view_->Repaint("Label42");
      }
    }
  }
  UpdateEnabled();
  if (std::strcmp(buffer, "OVER") == 0) {
    Inform(Completed("arec.txt"));
  } else {
    view_->Message("下载机器数据失败!", Icon::kError);
  }
}

void Console::SpeedButton28Click() {
  const int port = Port();
  auto machine = Machine();
  if (!machine) return;
  char buffer[kRecordBuffer] = {};
  {
    DownloadScope scope(&downloading_);
    UpdateEnabled();
    view_->SetText("Panel1", "0");
    RecordFile file("wrec.txt");
    int received = 0;
    if (GetFirst(port, *machine) == 1) {
      while (GetNextW(*machine, buffer) == 1 && !Ended(buffer)) {
        view_->SetText("Panel1", std::to_string(++received));
        view_->Repaint("Panel1");
        file.Append(buffer);
      }
    }
  }
  UpdateEnabled();
  if (std::strcmp(buffer, "OVER") == 0) {
    Inform(Completed("wrec.txt"));
  } else {
    view_->Message("下载控水终端数据失败!", Icon::kError);
  }
}

}  // namespace icbus::demo
