// The top-up order: frame layout, name cells, the raw frame on the wire and
// the wrap-ups; and the glyphs a person would recognise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "icbus.h"
#include "sim/topup_machine.h"
#include "sim/virtual_line.h"
#include "topup/glyphs.h"
#include "topup/transfer.h"

namespace icbus::test {
namespace {

using Frames = std::vector<std::string>;

// Marks every piece it is asked to draw with its position, so tests can see
// which cells a name fills without depending on a font.
class MarkingRasteriser : public topup::Rasteriser {
 public:
  bool Draw(const char gbk[2], topup::GlyphCell* cell) override {
    cell->fill(0);
    (*cell)[0] = static_cast<std::uint8_t>(gbk[0]);
    (*cell)[31] = static_cast<std::uint8_t>(gbk[1]);
    ++drawn;
    return true;
  }
  int drawn = 0;
};

class TopUp : public ::testing::Test {
 protected:
  TopUp() {
    topup::UseRasteriser(&marks_);
    sim::TopUpMachineConfig config;
    config.machine = 3;
    config.management_card = 4321;
    machine_ = &line_->bus(1).Add(std::make_unique<sim::TopUpMachine>(config));
    line_->SetLocalTime(LocalTime{2004, 7, 30, 15, 9, 41});
  }
  ~TopUp() override { topup::UseRasteriser(nullptr); }

  MarkingRasteriser marks_;
  sim::ScopedVirtualLine line_;
  sim::TopUpMachine* machine_;
};

const char kThreeChars[] = "\xcd\xf5\xd0\xa1\xc3\xf7";  // three GBK characters

TEST_F(TopUp, HeaderOfTheExampleOrder) {
  auto order = topup::BuildOrder(1, 1, 12.3, kThreeChars, LocalTime{2004, 7, 30, 15, 9, 0});
  ASSERT_TRUE(order);
  const std::uint8_t header[] = {0x4C, 0x01, 0x00, 0x60, 0x01, 0x00, 0x7B,
                                 0x00, 0x04, 0x07, 0x30, 0x15, 0x09};
  EXPECT_EQ(std::memcmp(order->data(), header, sizeof header), 0);
  EXPECT_EQ(order->size(), 109u);
}

TEST_F(TopUp, FieldsAtTheirLimits) {
  LocalTime t{2099, 12, 31, 23, 59, 0};
  auto order = topup::BuildOrder(1048575, 1, 6553.5, "", t);
  ASSERT_TRUE(order);
  EXPECT_EQ((*order)[1], 0xFF);
  EXPECT_EQ((*order)[2], 0xFF);
  EXPECT_EQ((*order)[3], 0x6F);
  EXPECT_EQ((*order)[4], 0x01);
  EXPECT_EQ((*order)[5], 0x00);
  EXPECT_EQ((*order)[6], 0xFF);
  EXPECT_EQ((*order)[7], 0xFF);
  EXPECT_EQ((*order)[8], 0x99);
  EXPECT_EQ((*order)[12], 0x59);
  EXPECT_EQ((*topup::BuildOrder(1, 0, 0.29, "", t))[6], 2);  // truncated
  EXPECT_FALSE(topup::BuildOrder(1048576, 0, 1, "", t));
  EXPECT_FALSE(topup::BuildOrder(-1, 0, 1, "", t));
  EXPECT_FALSE(topup::BuildOrder(1, 2, 1, "", t));  // neither replace nor add
  EXPECT_FALSE(topup::BuildOrder(1, 65536, 1, "", t));
  EXPECT_FALSE(topup::BuildOrder(1, -1, 1, "", t));
  EXPECT_FALSE(topup::BuildOrder(1, 0, 6553.6, "", t));
  EXPECT_FALSE(topup::BuildOrder(1, 0, -0.1, "", t));
  EXPECT_FALSE(topup::BuildOrder(1, 0, 1, nullptr, t));
}

TEST_F(TopUp, NamePiecesFillCellsInOrder) {
  struct {
    const char* name;
    int cells;
  } rows[] = {{"A", 0}, {"\xcd\xf5\xd0\xa1", 2}, {"\xcd\xf5\xd0\xa1\xc3", 2},
              {kThreeChars, 3}, {"\xcd\xf5\xd0\xa1\xc3\xf7\xb0\xd7\xb0\xd7", 3}};
  for (const auto& row : rows) {
    auto order = topup::BuildOrder(1, 0, 1, row.name, LocalTime{});
    ASSERT_TRUE(order);
    for (int cell = 0; cell < 3; ++cell) {
      const std::uint8_t* start = order->data() + 13 + cell * 32;
      bool blank = std::all_of(start, start + 32, [](std::uint8_t b) { return b == 0; });
      EXPECT_EQ(blank, cell >= row.cells) << row.name << " cell " << cell;
      if (cell < row.cells) {
        EXPECT_EQ(start[0], static_cast<std::uint8_t>(row.name[cell * 2]));
      }
    }
  }
}

TEST_F(TopUp, OrderGoesOutAsOneRawFrameAndDoneEndsWithTwoClosingFrames) {
  ASSERT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kThreeChars, 4321), 1);
  Frames frames = line_->HostFrames();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], "M SA003004321!");
  EXPECT_EQ(frames[1].size(), 2u + 109u);
  EXPECT_EQ(frames[2], "S SZ!");
  EXPECT_EQ(frames[3], "S SZ!");
  ASSERT_EQ(machine_->orders().size(), 1u);
  const sim::TopUpOrder& order = machine_->orders()[0];
  EXPECT_EQ(order.card, 1u);
  EXPECT_EQ(order.mode, 1);
  EXPECT_EQ(order.tenths, 123);
  EXPECT_TRUE(order.marker_ok);
  // The time is that of sending, after the address phase's wait.
  EXPECT_EQ(order.time, "0407301509");
  EXPECT_FALSE(line_->IsOpen());
}

TEST_F(TopUp, FailuresEndWithOneClosingFrame) {
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kThreeChars, 1111), 0);  // wrong management card
  EXPECT_EQ(line_->HostFrames(), (Frames{"M SA003001111!", "S SZ!"}));
  sim::Fault refuse;
  refuse.kind = sim::Fault::Kind::kWrongWord;
  refuse.frame_prefix = "L";
  refuse.text = "ERR";
  machine_->AddFault(refuse);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kThreeChars, 4321), 0);
  Frames frames = line_->HostFrames();
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[4], "S SZ!");
}

TEST_F(TopUp, ValuesThatDoNotFitSendNothing) {
  EXPECT_EQ(TransmitATM(1, 3, 1048576, 1, 1.0, "", 4321), 0);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 6553.6, "", 4321), 0);
  EXPECT_EQ(TransmitATM(1, 3, 1, 70000, 1.0, "", 4321), 0);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 1.0, nullptr, 4321), 0);
  EXPECT_EQ(TransmitATM(1, 1000, 1, 1, 1.0, "", 4321), 0);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 1.0, "", 1000000), 0);
  EXPECT_TRUE(line_->HostFrames().empty());
  EXPECT_EQ(marks_.drawn, 0);
}

// Refuses every piece, as a machine without any Chinese face would.
class NoFont : public topup::Rasteriser {
 public:
  bool Draw(const char*, topup::GlyphCell* cell) override {
    cell->fill(0);
    return false;
  }
};

TEST_F(TopUp, ANameThatCannotBeDrawnSendsNothing) {
  NoFont none;
  topup::UseRasteriser(&none);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, kThreeChars, 4321), 0);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, "AB", 4321), 0);
  EXPECT_TRUE(line_->HostFrames().empty());
  // A blank name, or one of spaces, needs no font.
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, "", 4321), 1);
  EXPECT_EQ(TransmitATM(1, 3, 1, 1, 12.3, "    ", 4321), 1);
  ASSERT_EQ(machine_->orders().size(), 2u);
  topup::UseRasteriser(&marks_);
}

// The question a tool asks before an order, so it can say why one would
// fail: answered from the same drawing, with nothing sent.
TEST_F(TopUp, NameDrawableAnswersAsTheOrderWouldFare) {
  NoFont none;
  struct Row {
    topup::Rasteriser* rasteriser;
    const char* name;
    int drawable;
  };
  const Row rows[] = {
      {&marks_, kThreeChars, 1}, {&none, kThreeChars, 0}, {&none, "AB", 0},
      {&none, "", 1},            {&none, "    ", 1},      {&none, nullptr, 0},
      {&marks_, nullptr, 0},
  };
  for (const Row& row : rows) {
    topup::UseRasteriser(row.rasteriser);
    EXPECT_EQ(icbus_name_drawable(row.name), row.drawable) << (row.name ? row.name : "null");
    if (row.name) {
      EXPECT_EQ(TransmitATM(1, 3, 1, 1, 1.0, row.name, 4321), row.drawable)
          << "the order fared otherwise than the question said: " << row.name;
    }
  }
  topup::UseRasteriser(&marks_);
  // Only the orders that could be drawn reached the line.
  EXPECT_EQ(machine_->orders().size(), 3u);
}

TEST(Version, TheLoadedLibraryNamesItsRelease) {
  ASSERT_NE(icbus_version(), nullptr);
  EXPECT_STREQ(icbus_version(), ICBUS_VERSION_STRING);
}

TEST(Glyphs, AFontFileDrawsAndAMissingOneDrawsNothing) {
  topup::GlyphCell cell{};
  EXPECT_FALSE(topup::FontFileRasteriser("/nonexistent/font.ttc")->Draw("\xcd\xf5", &cell));
  EXPECT_TRUE(std::all_of(cell.begin(), cell.end(), [](std::uint8_t b) { return b == 0; }));
  auto uming = topup::FontFileRasteriser("/usr/share/fonts/truetype/arphic/uming.ttc");
  ASSERT_TRUE(uming->Draw("\xcd\xf5", &cell));
  topup::GlyphCell system{};
  ASSERT_TRUE(topup::SystemRasteriser().Draw("\xcd\xf5", &system));
  EXPECT_EQ(cell, system);
}

// The system rasteriser draws real characters: a person expects the single
// horizontal stroke of 一 across the middle rows, and the three strokes of 王.
TEST(Glyphs, SongFaceInkWhereAPersonExpectsIt) {
  topup::GlyphCell one{};
  ASSERT_TRUE(topup::SystemRasteriser().Draw("\xd2\xbb", &one)) << "no song-style face";
  int rows_with_ink = 0, widest = 0;
  for (int row = 0; row < 16; ++row) {
    int ink = 0;
    for (int column = 0; column < 16; ++column) ink += topup::CellInk(one, column, row);
    rows_with_ink += ink > 0;
    widest = std::max(widest, ink);
  }
  EXPECT_GE(widest, 12);        // one long horizontal stroke
  EXPECT_LE(rows_with_ink, 4);  // and nothing else
  for (int column = 0; column < 16; ++column) {
    EXPECT_FALSE(topup::CellInk(one, column, 0));
    EXPECT_FALSE(topup::CellInk(one, column, 15));
  }
  topup::GlyphCell king{};
  ASSERT_TRUE(topup::SystemRasteriser().Draw("\xcd\xf5", &king));
  int long_rows = 0;
  for (int row = 0; row < 16; ++row) {
    int ink = 0;
    for (int column = 0; column < 16; ++column) ink += topup::CellInk(king, column, row);
    long_rows += ink >= 8;
  }
  EXPECT_EQ(long_rows, 3);
  int centre_column = 0;
  for (int row = 0; row < 16; ++row) centre_column += topup::CellInk(king, 7, row) || topup::CellInk(king, 8, row);
  EXPECT_GE(centre_column, 10);  // the vertical stroke
}

TEST(Glyphs, BytesThatAreNotACharacterLeaveTheCellBlank) {
  topup::GlyphCell cell{};
  cell.fill(0xAA);
  EXPECT_FALSE(topup::SystemRasteriser().Draw("AB", &cell));
  EXPECT_TRUE(std::all_of(cell.begin(), cell.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_FALSE(topup::SystemRasteriser().Draw("\xff\xff", &cell));
}

TEST(Glyphs, PackingIsColumnByColumnWithBitZeroOnTop) {
  auto cell = topup::PackCell([](int column, int row) { return column == 2 && (row == 0 || row == 9); });
  EXPECT_EQ(cell[2], 0x01);
  EXPECT_EQ(cell[16 + 2], 0x02);
  int set = 0;
  for (auto byte : cell) set += byte != 0;
  EXPECT_EQ(set, 2);
}

}  // namespace
}  // namespace icbus::test
