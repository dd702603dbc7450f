// Fast replies in virtual time: a read ends at its "!", a reply split before
// its "!" still completes, silence and short replies cost exactly what the
// compatible read costs, and what follows the "!" is purged. The exports
// give the same results and frames in both modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "icbus.h"
#include "line_fixture.h"
#include "link/session.h"
#include "scripted_device.h"

namespace icbus::test {
namespace {

using sim::Mode;

// A piece of a reply: bytes that start to arrive `at_ms` after the read
// began, one wire time a byte.
struct Piece {
  std::uint32_t at_ms;
  std::string bytes;
};

struct ReadRow {
  const char* name;
  std::vector<Piece> pieces;
  std::uint32_t count;
  std::string fast_reads;     // what the fast read delivers
  std::uint64_t fast_micros;  // when it ends; 0: when the compatible read ends
};

void PrintTo(const ReadRow& row, std::ostream* out) { *out << row.name; }

constexpr std::uint64_t kByte = sim::WireMicros(1);
// After the "!" the read goes on until the line has been quiet this long.
constexpr std::uint64_t kTail = 5000;

const std::vector<ReadRow>& ReadRows() {
  static const std::vector<ReadRow> rows = {
      {"EndsAtBang", {{0, "OK!"}}, 4, "OK!", sim::WireMicros(3) + kTail},
      {"SplitBeforeBangCompletes", {{0, "OK"}, {150, "!"}}, 4, "OK!", 150'000 + kByte + kTail},
      {"BangAloneEnds", {{0, "!"}}, 15, "!", kByte + kTail},
      {"BytesRightAfterTheBangAreReadOff",
       {{0, "OK!xyz"}},
       7,
       "OK!xyz",
       sim::WireMicros(6) + kTail},
      {"BangFillingTheReadEndsAsBefore", {{0, "DONE!"}}, 5, "DONE!", 0},
      {"BytesBeyondTheReadAreLeftAsBefore", {{0, "OK!xyz"}}, 4, "OK!x", 0},
      {"LateBytesAfterTheBangAreLeftForThePurge",
       {{0, "OK!"}, {20, "late"}},
       8,
       "OK!",
       sim::WireMicros(3) + kTail},
      {"ZeroBeforeBangStillEndsAtBang",
       {{0, std::string("O\0!", 3)}},
       4,
       std::string("O\0!", 3),
       sim::WireMicros(3) + kTail},
      {"SilenceTimesOutAsBefore", {}, 4, "", 0},
      {"ShortReplyEndsByTheIntervalAsBefore", {{0, "OK"}}, 4, "OK", 0},
      {"GapLongerThanTheIntervalEndsAsBefore", {{0, "OK"}, {250, "!"}}, 4, "OK", 0},
      {"FullCountWithoutBangEndsAsBefore", {{0, "ABCDEFG"}}, 4, "ABCD", 0},
      {"SlowBytesHitTheTotalBoundAsBefore", {{450, "A"}, {640, "B"}, {830, "C"}}, 3, "AB", 0},
  };
  return rows;
}

class FastRead : public ::testing::TestWithParam<ReadRow> {
 protected:
  FastRead() { line_->bus(1); }

  struct Result {
    std::string bytes;
    std::uint64_t micros;
  };

  // Opens the port, lets the pieces arrive and reads them in one mode.
  Result ReadIn(bool fast) {
    Session& session = DefaultSession();
    EXPECT_TRUE(DevInit(session, "1"));
    for (const Piece& piece : GetParam().pieces) line_->Arrive(piece.bytes, piece.at_ms);
    std::vector<std::uint8_t> buffer(GetParam().count + 1, 0);
    const std::size_t first_read = line_->reads().size();
    const std::uint64_t start = line_->NowMicros();
    bool ok = fast ? ReadPortToBang(session, buffer.data(), GetParam().count)
                   : ReadPort(session, buffer.data(), GetParam().count);
    EXPECT_TRUE(ok);
    Result result{"", line_->NowMicros() - start};
    for (std::size_t i = first_read; i < line_->reads().size(); ++i) {
      result.bytes += line_->reads()[i].bytes;
    }
    std::size_t kept = std::min<std::size_t>(result.bytes.size(), GetParam().count);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), kept),
              result.bytes.substr(0, kept));
    DevClose(session);
    // What is still on its way arrives while the port is closed and is lost,
    // so that the other mode's read starts on a quiet line.
    line_->SleepMillis(2000);
    return result;
  }

  sim::ScopedVirtualLine line_;
};

TEST_P(FastRead, EndsAtTheBangAndOtherwiseAsTheCompatibleRead) {
  const ReadRow& row = GetParam();
  Result compatible = ReadIn(false);
  Result fast = ReadIn(true);
  EXPECT_EQ(fast.bytes, row.fast_reads);
  if (row.fast_micros == 0) {
    EXPECT_EQ(fast.bytes, compatible.bytes);
    // Within the rounding up to a millisecond of each byte's read.
    EXPECT_GE(fast.micros, compatible.micros);
    EXPECT_LE(fast.micros, compatible.micros + 1000 * (row.count + 1));
  } else {
    EXPECT_EQ(fast.micros, row.fast_micros);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, FastRead, ::testing::ValuesIn(ReadRows()),
                         [](const ::testing::TestParamInfo<ReadRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(FastReadPurge, BytesAfterTheBangAreDiscardedBeforeTheNextFrame) {
  sim::ScopedVirtualLine line;
  auto& device = line->bus(1).Add(std::make_unique<ScriptedDevice>());
  device.On(Mode::kAddress, "SA005!", "OK!").On(Mode::kData, "SD!", "20260102030405!");
  sim::Fault extra;
  extra.kind = sim::Fault::Kind::kExtraBytes;
  extra.frame_prefix = "SA";
  extra.text = "x";
  device.AddFault(extra);
  DefaultSession().fast_replies = true;
  char out[16] = {};
  EXPECT_EQ(GetTime(1, 5, out), 1);
  DefaultSession().fast_replies = false;
  EXPECT_STREQ(out, "20260102030405");
  // "x" was read off behind the address reply's "!"; the clock reply was
  // read whole, with nothing in front of it.
  std::string delivered;
  for (const auto& read : line->reads()) delivered += read.bytes;
  EXPECT_EQ(delivered, "OK!x20260102030405!");
  EXPECT_EQ(line->HostFrames(), (Frames{"M SA005!", "S SD!", "S SZ!"}));
}

// Each export in both modes: the same result and frames, and the fast one
// no slower, much faster where the compatible read waits for bytes that
// never come.
struct ExportRow {
  const char* name;
  std::function<std::string()> call;  // the result, as text
  std::uint64_t compatible_wait_ms;   // what the compatible mode waits for in vain
};

void PrintTo(const ExportRow& row, std::ostream* out) { *out << row.name; }

std::string Text(int value) { return std::to_string(value); }

class FastExports : public LineTest, public ::testing::WithParamInterface<ExportRow> {
 protected:
  ~FastExports() override { DefaultSession().fast_replies = false; }

  struct Run {
    std::string result;
    Frames frames;
    std::uint64_t millis;
  };
  Run RunIn(bool fast) {
    DefaultSession().fast_replies = fast;
    std::size_t from = frames().size();
    std::uint64_t start = ElapsedMillis();
    Run run{GetParam().call(), {}, 0};
    run.millis = ElapsedMillis() - start;
    Frames all = frames();
    run.frames.assign(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
    return run;
  }
};

TEST_P(FastExports, SameResultAndFramesWithoutTheWait) {
  Run compatible = RunIn(false);
  Run fast = RunIn(true);
  EXPECT_EQ(fast.result, compatible.result);
  EXPECT_EQ(fast.frames, compatible.frames);
  EXPECT_FALSE(fast.frames.empty());
  // Two reads, each of which ends once the line has been quiet for 5 ms
  // after its "!", and a millisecond of rounding.
  EXPECT_GE(compatible.millis + 2 * 5 + 2, fast.millis + GetParam().compatible_wait_ms);
  EXPECT_LT(fast.millis, 100u) << "fast mode still waits";
}

const ExportRow kExportRows[] = {
    {"GetTime",
     [] {
       char out[16] = {};
       return Text(GetTime(1, 5, out)) + out;
     },
     200},
    {"GetTimeA",
     [] {
       char out[16] = {};
       return Text(GetTimeA(1, 5, out, 123456)) + out;
     },
     200},
    {"GetRecordCount", [] { return Text(GetRecordCount(1, 5)); }, 400},
    {"GetTotal", [] { return std::to_string(GetTotal(1, 5)); }, 200},
    {"SetTime", [] { return Text(SetTime(1, 5)); }, 200},
    {"ClearOpenCard", [] { return Text(ClearOpenCard(1, 5)); }, 200},
    {"QueryCardAbsent", [] { return Text(QueryCard(1, 5, "000001")); }, 200},
};

INSTANTIATE_TEST_SUITE_P(Exports, FastExports, ::testing::ValuesIn(kExportRows),
                         [](const ::testing::TestParamInfo<ExportRow>& info) {
                           return std::string(info.param.name);
                         });

class FastCourses : public ::testing::Test {
 protected:
  FastCourses() {
    device_ = &line_->bus(1).Add(std::make_unique<ScriptedDevice>());
    DefaultSession().fast_replies = true;
  }
  ~FastCourses() override { DefaultSession().fast_replies = false; }

  sim::ScopedVirtualLine line_;
  ScriptedDevice* device_;
};

// Several terminals may answer a broadcast; their replies collide after the
// first "!" has come through, so the read is waited out whole.
TEST_F(FastCourses, BroadcastStillWaitsOutItsRead) {
  device_->On(Mode::kAddress, "SV001K!", "ERR!");
  std::uint64_t start = line_->NowMicros();
  EXPECT_EQ(SetMachNo(1, "001K"), 0);
  ASSERT_EQ(line_->reads().size(), 1u);
  EXPECT_EQ(line_->reads()[0].count, 5u);
  EXPECT_EQ(line_->reads()[0].bytes, "ERR!");
  EXPECT_GE(line_->NowMicros() - start, 200'000u);
}

// The terminal needs its pause to fetch the record; fast replies keep it.
TEST_F(FastCourses, RecordPauseStays) {
  device_->On(Mode::kAddress, "SA007!", "OK!").On(Mode::kData, "SC!", "OVER!");
  ASSERT_EQ(GetFirst(1, 7), 1);
  char out[40] = {};
  EXPECT_EQ(GetNext(7, out), 1);
  EXPECT_STREQ(out, "OVER");
  EXPECT_EQ(line_->pump_waits(), (std::vector<std::uint32_t>{50}));
}

TEST_F(FastCourses, PollKeepsItsOwnShortRead) {
  device_->On(Mode::kAddress, "SY005!", "000000!");
  ASSERT_EQ(icDevInit("1"), 1);
  ASSERT_EQ(ChangeicDevSettings(0), 1);
  char out[24] = {};
  EXPECT_EQ(Real_time(5, out), 1);
  ASSERT_EQ(line_->reads().size(), 1u);
  EXPECT_EQ(line_->reads()[0].timeouts.read_interval, 5u);
  EXPECT_EQ(line_->reads()[0].timeouts.read_multiplier, 3u);
  icDevClose();
}

TEST_F(FastCourses, SilentTerminalCostsWhatItCostsCompatible) {
  std::uint64_t start = line_->NowMicros();
  char out[16] = {};
  EXPECT_EQ(GetTime(1, 5, out), 0);
  EXPECT_GE(line_->NowMicros() - start, 1'000'000u);
  EXPECT_EQ(line_->HostFrames(), (Frames{"M SA005!", "S SZ!"}));
}

TEST_F(FastCourses, ExtensionExportTurnsTheDefaultSessionOnAndOff) {
  icbus_set_fast_replies(0);
  EXPECT_FALSE(DefaultSession().fast_replies);
  icbus_set_fast_replies(7);
  EXPECT_TRUE(DefaultSession().fast_replies);
}

}  // namespace
}  // namespace icbus::test
