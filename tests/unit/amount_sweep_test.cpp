// Every decimal amount k/10 and k/100 yuan, k from 0 to 1 000 000 within
// each field's range, converts to exactly k units (or 10k) in every call
// that converts amounts; and the card block Increase writes, the keyboard
// and menu frames and the top-up order hold that number.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "card/layout.h"
#include "icbus.h"
#include "line_fixture.h"
#include "sim/card_writer.h"
#include "sim/terminal.h"
#include "sim/virtual_line.h"
#include "terminal/schedules.h"
#include "topup/transfer.h"

namespace icbus::test {
namespace {

constexpr std::int64_t kLastK = 1000000;

// One converting call, seen through the units it would store or send.
struct Conversion {
  const char* name;
  int divisor;              // the amount is k / divisor yuan
  std::int64_t per_k;       // units stored per k
  std::int64_t max_units;   // the field's range
  std::function<std::optional<std::int64_t>(double)> units;
};

std::optional<std::int64_t> Keyboard(double yuan, int scale) {
  int units = 0;
  if (!terminal::AmountUnits(yuan, scale, &units)) return std::nullopt;
  return units;
}

std::optional<std::int64_t> OrderTenths(double yuan) {
  auto order = topup::BuildOrder(1, 0, yuan, "", LocalTime{});
  if (!order) return std::nullopt;
  return (*order)[6] | (*order)[7] << 8;
}

const Conversion kConversions[] = {
    // Increase, Decrease: one decimal, amount modes 0 (tenths) and 1 (hundredths).
    {"PurseTenthsMode0", 10, 1, 65535, [](double y) { return card::PurseUnits(y, false, 0); }},
    {"PurseHundredthsMode1", 100, 1, 65535, [](double y) { return card::PurseUnits(y, false, 1); }},
    {"PurseHundredthsMode1Tenths", 10, 10, 65535,
     [](double y) { return card::PurseUnits(y, false, 1); }},
    // Two decimals: always hundredths.
    {"PurseTwoDecimals", 100, 1, 999999, [](double y) { return card::PurseUnits(y, true, 0); }},
    {"PurseTwoDecimalsTenths", 10, 10, 999999,
     [](double y) { return card::PurseUnits(y, true, 0); }},
    // WriteCardMaxConsume and WriteCardEx: tenths; two decimals rounds up.
    {"MaxConsumeTenths", 10, 1, 65535, [](double y) { return card::ScaledUnits(y, 10, false); }},
    {"MaxConsumeTwoDecimals", 100, 1, 16777215,
     [](double y) { return card::ScaledUnits(y, 100, true); }},
    {"MaxConsumeTwoDecimalsTenths", 10, 10, 16777215,
     [](double y) { return card::ScaledUnits(y, 100, true); }},
    // SetKeyboard (tenths) and SetClassMenuMoney (hundredths).
    {"SetKeyboard", 10, 1, 99999999, [](double y) { return Keyboard(y, 10); }},
    {"SetClassMenuMoney", 100, 1, 99999999, [](double y) { return Keyboard(y, 100); }},
    {"SetClassMenuMoneyTenths", 10, 10, 99999999, [](double y) { return Keyboard(y, 100); }},
    // TransmitATM: tenths in a 16-bit field.
    {"TransmitAtm", 10, 1, 65535, OrderTenths},
};

class AmountSweep : public ::testing::TestWithParam<Conversion> {};

TEST_P(AmountSweep, EveryDecimalAmountInRangeIsExact) {
  const Conversion& c = GetParam();
  std::int64_t wrong = 0;
  for (std::int64_t k = 0; k <= kLastK && k * c.per_k <= c.max_units; ++k) {
    const double yuan = static_cast<double>(k) / c.divisor;
    auto units = c.units(yuan);
    if (!units || *units != k * c.per_k) {
      if (++wrong <= 5) {
        ADD_FAILURE() << c.name << ": " << k << "/" << c.divisor << " yuan gave "
                      << (units ? std::to_string(*units) : "nothing");
      }
    }
  }
  EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Exports, AmountSweep, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AmountRules, RealFractionsStillTruncateAndTwoDecimalLimitsRoundUp) {
  EXPECT_EQ(card::PurseUnits(0.29, false, 0), 2);
  EXPECT_EQ(card::PurseUnits(0.09, false, 0), 0);
  EXPECT_EQ(card::PurseUnits(0.299, true, 0), 29);
  EXPECT_EQ(card::ScaledUnits(0.291, 100, true), 30);
  EXPECT_EQ(card::ScaledUnits(1.1, 100, true), 110);  // 110.00000000000001 is no fraction
  EXPECT_EQ(Keyboard(0.29, 10), 2);
  EXPECT_EQ(OrderTenths(0.05), 0);
  EXPECT_FALSE(card::PurseUnits(-0.01, false, 0));
  EXPECT_FALSE(OrderTenths(6553.6));
}

// Through the exports and the wire: the block Increase writes, the frames
// SetKeyboard and SetClassMenuMoney send and the order TransmitATM sends.
class AmountsOnTheWire : public ::testing::Test {
 protected:
  AmountsOnTheWire() {
    writer_ = &AddCardWriter(*line_, 1);
    SetDecLen("");
  }
  ~AmountsOnTheWire() override { SetDecLen(""); }
  std::uint32_t StoredBalance(int width) {
    return card::GetNumber(writer_->card()->Block(2, 2), card::kBalanceByte, width).value_or(~0u);
  }
  sim::ScopedVirtualLine line_;
  sim::CardWriter* writer_;
};

// Every k of the two-byte one-decimal balance in hundredths (k/100 yuan),
// and of the three-byte two-decimal balance with a stride, through Increase.
TEST_F(AmountsOnTheWire, IncreaseStoresEveryHundredthExactly) {
  std::int64_t wrong = 0;
  for (std::int64_t k = 0; k <= 65535; ++k) {
    writer_->card()->Block(2, 2) = std::string(32, '0');
    ASSERT_EQ(Increase(1, 0, 2, 2, static_cast<double>(k) / 100, 1), 1) << k;
    if (StoredBalance(2) != k && ++wrong <= 5) ADD_FAILURE() << k << "/100 stored " << StoredBalance(2);
  }
  SetDecLen("2");
  for (std::int64_t k = 0; k <= 999999; k += 7) {
    writer_->card()->Block(2, 2) = std::string(32, '0');
    ASSERT_EQ(Increase(1, 0, 2, 2, static_cast<double>(k) / 100, 0), 1) << k;
    if (StoredBalance(3) != k && ++wrong <= 5) ADD_FAILURE() << k << "/100 stored " << StoredBalance(3);
  }
  EXPECT_EQ(wrong, 0);
}

TEST_F(AmountsOnTheWire, IncreaseOfOneYuanFifteenIsOneHundredFifteenFen) {
  writer_->card()->Block(2, 2) = std::string(32, '0');
  ASSERT_EQ(Increase(1, 0, 2, 2, 1.15, 1), 1);
  EXPECT_EQ(StoredBalance(2), 115u);
}

class MenuAmountsOnTheWire : public ::testing::Test {
 protected:
  MenuAmountsOnTheWire() {
    sim::TerminalConfig config;
    config.machine = 5;
    line_->bus(1).Add(std::make_unique<sim::Terminal>(config));
  }
  // The last "SH" frame the host sent in data mode. The log grows by some
  // ten thousand frames in the sweep: look from its end, copying nothing.
  std::string LastData() {
    const auto& log = line_->log();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (it->direction == '>' && it->mode == sim::Mode::kData && it->bytes.rfind("SH", 0) == 0)
        return it->bytes;
    return "";
  }
  sim::ScopedVirtualLine line_;
};

TEST_F(MenuAmountsOnTheWire, KeyboardAndMenuFramesCarryTheExactUnits) {
  std::int64_t wrong = 0;
  char expected[32];
  // Every amount each frame's digits can carry (three of tenths, four of
  // hundredths); wider ones are refused.
  for (std::int64_t k = 0; k <= 999; ++k) {
    ASSERT_EQ(SetKeyboard(1, 5, 3, static_cast<double>(k) / 10), 1);
    std::snprintf(expected, sizeof expected, "SH3%03lld!", static_cast<long long>(k));
    if (LastData() != expected && ++wrong <= 5) ADD_FAILURE() << LastData() << " for " << expected;
  }
  for (std::int64_t k = 0; k <= 9999; ++k) {
    ASSERT_EQ(SetClassMenuMoney(1, 5, "B", "1", static_cast<double>(k) / 100), 1);
    std::snprintf(expected, sizeof expected, "SHB1%04lld!", static_cast<long long>(k));
    if (LastData() != expected && ++wrong <= 5) ADD_FAILURE() << LastData() << " for " << expected;
  }
  ASSERT_EQ(SetClassMenuMoney(1, 5, "B", "1", 1.15), 1);
  EXPECT_EQ(LastData(), "SHB10115!");
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace icbus::test
