// Record collection to file: the calls in order, the file byte for byte,
// the progress texts and the outcome message.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "demo/console_fixture.h"

namespace icbus::test {
namespace {

using sim::Mode;

std::string Read(const char* name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void Write(const char* name, const std::string& text) {
  std::ofstream(name, std::ios::binary) << text;
}

// Attendance records of 17 characters ("20" and the machine's three digits
// go around them in the line).
const std::string kA = "26010208000000001";
const std::string kB = "26010208150000002";
const std::string kC = "26010208300000003";

class RecordFiles : public ConsoleTest {
 protected:
  RecordFiles() {
    for (const char* name : kFiles) std::remove(name);
    device_->On(Mode::kAddress, "SA001123456!", "OK!");
  }
  ~RecordFiles() override {
    for (const char* name : kFiles) std::remove(name);
  }
  void Records(const std::string& request, std::vector<std::string> replies) {
    device_->OnEach(Mode::kData, request, std::move(replies));
  }
  static constexpr const char* kFiles[] = {"rec.txt", "recBak.txt", "arec.txt", "wrec.txt"};
};

TEST_F(RecordFiles, ThreeAttendanceRecordsMakeThreeLines) {
  device_->On(Mode::kData, "SK!", "00003!");
  Records("SC!", {kA + "!", kB + "!", kC + "!", "OVER!"});
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "20" + kA + "001\r\n20" + kB + "001\r\n20" + kC + "001\r\n");
  EXPECT_EQ(view_.messages, Messages{Info("数据下载已完成!请查看目录下的'rec.txt'")});
  EXPECT_EQ(view_.progress_texts,
            (std::vector<std::string>{"", "共有记录3条，已下载1条...", "共有记录3条，已下载2条...",
                                      "共有记录3条，已下载3条..."}));
  EXPECT_EQ(view_.progress["ProgressBar1"].position, 3);
  EXPECT_EQ(view_.progress["ProgressBar1"].maximum, 3);
  EXPECT_EQ(view_.repaints["ProgressBar1"], 3);
  // The count's transaction, then the download session.
  const Frames sent = frames();
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(Frames(sent.begin(), sent.begin() + 3), Exchange("SK!"));
  EXPECT_EQ(sent[3], "M SA001!");
  EXPECT_FALSE(line_->IsOpen());
}

TEST_F(RecordFiles, NoRecordsLeavesTheFileAlone) {
  Write("rec.txt", "earlier\r\n");
  device_->On(Mode::kData, "SK!", "00000!");
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "earlier\r\n");
  EXPECT_EQ(view_.messages, Messages{Info("机内无数据!")});
  EXPECT_EQ(frames(), Exchange("SK!"));
}

TEST_F(RecordFiles, FailedCountLeavesTheFileAlone) {
  Write("rec.txt", "earlier\r\n");
  device_->On(Mode::kData, "SK!", "ERR!");
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "earlier\r\n");
  EXPECT_EQ(view_.messages, Messages{Error("下载数据失败!")});
}

TEST_F(RecordFiles, FailedOpeningEmptiesTheFile) {
  Write("rec.txt", "earlier\r\n");
  device_->On(Mode::kData, "SK!", "00002!");
  // The count's selection works, the download's does not.
  device_->OnEach(Mode::kAddress, "SA001!", {"OK!", "NO!"});
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "");
  EXPECT_EQ(view_.messages, (Messages{Error("下载机器数据失败!")}));
}

TEST_F(RecordFiles, MoreRecordsThanCountedAreAllWritten) {
  device_->On(Mode::kData, "SK!", "00001!");
  Records("SC!", {kA + "!", kB + "!", "OVER!"});
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "20" + kA + "001\r\n20" + kB + "001\r\n");
  // The bar stops at its maximum, and so does the text.
  EXPECT_EQ(view_.progress_texts.back(), "共有记录1条，已下载1条...");
}

TEST_F(RecordFiles, BreakOffKeepsTheLinesSoFar) {
  device_->On(Mode::kData, "SK!", "00003!");
  Records("SC!", {kA + "!", ""});
  Click("SpeedButton1");
  EXPECT_EQ(Read("rec.txt"), "20" + kA + "001\r\n");
  EXPECT_EQ(view_.messages, Messages{Error("下载机器数据失败!")});
  EXPECT_FALSE(line_->IsOpen());
}

// The counted download calls the record function of the kind the page is
// set to: a window terminal's records are read 32 bytes after a 50 ms pause,
// an attendance terminal's 18 bytes at once.
TEST_F(RecordFiles, EachKindOfTerminalIsReadWithItsOwnRecordCall) {
  struct Kind {
    int radio;
    std::string record;
    std::uint32_t read;
    std::vector<std::uint32_t> pauses;
  };
  const Kind kinds[] = {{1, std::string(30, '7'), 32, {50, 50}}, {0, kA, 18, {}}};
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.radio ? "consumption" : "attendance");
    view_.selected["RadioGroup1"] = kind.radio;
    Click("RadioGroup1");
    device_->On(Mode::kData, "SK!", "00001!");
    Records("SC!", {kind.record + "!", "OVER!"});
    const std::size_t reads = line_->reads().size();
    const std::size_t pauses = line_->pump_waits().size();
    Click("SpeedButton1");
    EXPECT_EQ(Read("rec.txt"), "20" + kind.record + "001\r\n");
    std::vector<std::uint32_t> lengths;
    for (std::size_t i = reads; i < line_->reads().size(); ++i) {
      lengths.push_back(line_->reads()[i].count);
    }
    // The count (4, 15), the opening (3), two record reads.
    EXPECT_EQ(lengths, (std::vector<std::uint32_t>{4, 15, 3, kind.read, kind.read}));
    EXPECT_EQ(
        std::vector<std::uint32_t>(line_->pump_waits().begin() + pauses, line_->pump_waits().end()),
        kind.pauses);
  }
}

TEST_F(RecordFiles, BackupShowsTheBarOnlyDuringTheDownload) {
  view_.selected["RadioGroup1"] = 1;
  Click("RadioGroup1");
  device_->On(Mode::kData, "SK!", "00001!");
  const std::string record(31, '7');
  Records("SB!", {record + "!", "OVER!"});
  view_.visible["ProgressBar1"] = false;
  Click("Button4");
  EXPECT_EQ(Read("recBak.txt"), "20" + record + "001\r\n");
  EXPECT_EQ(view_.messages, Messages{Info("数据下载已完成!请查看目录下的'recBak.txt'")});
  EXPECT_FALSE(view_.visible["ProgressBar1"]);
}

TEST_F(RecordFiles, UnwritableFileStillDownloads) {
  char dir[] = "/tmp/icbus-demo-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  char here[4096];
  ASSERT_TRUE(getcwd(here, sizeof here));
  ASSERT_EQ(chdir(dir), 0);
  chmod(dir, 0500);
  device_->On(Mode::kData, "SK!", "00001!");
  Records("SC!", {kA + "!", "OVER!"});
  Click("SpeedButton1");
  EXPECT_EQ(view_.messages, Messages{Info("数据下载已完成!请查看目录下的'rec.txt'")});
  const bool root = geteuid() == 0;  // root writes anywhere
  if (!root) {
    EXPECT_NE(access("rec.txt", F_OK), 0);
  }
  ASSERT_EQ(chdir(here), 0);
  chmod(dir, 0700);
  std::remove((std::string(dir) + "/rec.txt").c_str());
  rmdir(dir);
}

TEST_F(RecordFiles, TopUpDownloadsAskForTheCardAndOverwriteEachOther) {
  const std::string first(32, '1'), second(31, '2');
  Records("SC!", {first + "!", "OVER!", second + "!", "OVER!"});
  view_.inputs = {"123456", "123456"};
  Click("BitBtn3");
  EXPECT_EQ(Read("arec.txt"), "20" + first + "001\r\n");
  EXPECT_EQ(view_.texts["Label42"], "1");
  ASSERT_FALSE(frames().empty());
  EXPECT_EQ(frames().front(), "M SA001123456!");
  Click("BitBtn11");
  EXPECT_EQ(Read("arec.txt"), "203" + second + "001\r\n");
  EXPECT_EQ(view_.asked[0], (Asked{"输入", "请输入管理卡号：", "0"}));
  EXPECT_EQ(view_.messages, (Messages{Info("数据下载已完成!请查看目录下的'arec.txt'"),
                                      Info("数据下载已完成!请查看目录下的'arec.txt'")}));
}

TEST_F(RecordFiles, FailingTopUpOpeningEmptiesTheFile) {
  Write("arec.txt", "earlier\r\n");
  view_.inputs = {"999"};
  Click("BitBtn3");
  EXPECT_EQ(Read("arec.txt"), "");
  EXPECT_EQ(view_.texts["Label42"], "0");
  EXPECT_EQ(view_.messages, Messages{Error("下载机器数据失败!")});
}

TEST_F(RecordFiles, WaterRecordsCountInThePanel) {
  const std::string record(21, '5');
  Records("SC!", {record + "!", record + "!", "OVER!"});
  Click("SpeedButton28");
  EXPECT_EQ(Read("wrec.txt"), record + "001\r\n" + record + "001\r\n");
  EXPECT_EQ(view_.texts["Panel1"], "2");
  EXPECT_EQ(view_.messages, Messages{Info("数据下载已完成!请查看目录下的'wrec.txt'")});
}

TEST_F(RecordFiles, WaterControllerWithoutRecordsWritesAnEmptyFile) {
  Records("SC!", {"OVER!"});
  Click("SpeedButton28");
  EXPECT_EQ(Read("wrec.txt"), "");
  EXPECT_EQ(view_.messages, Messages{Info("数据下载已完成!请查看目录下的'wrec.txt'")});
  device_->On(Mode::kAddress, "SA001!", "NO!");
  Click("SpeedButton28");
  EXPECT_EQ(view_.messages.back(), Error("下载控水终端数据失败!"));
}

}  // namespace
}  // namespace icbus::test
