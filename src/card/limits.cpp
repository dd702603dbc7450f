#include "card/limits.h"

#include <cstdint>

#include "card/course.h"
#include "card/layout.h"
#include "link/refusal.h"
#include "link/session.h"

namespace icbus::card {
namespace {

constexpr int kMaxMaxCc = 255;

// Reads one number field; -1 (after the failure beep) when the block or the
// field cannot be read.
std::int64_t ReadField(int port, int sector, int block, int first, int width) {
  std::string text;
  if (ReadOrBeep(port, sector, block, &text) != kOk) return -1;
  auto value = GetNumber(text, first, width);
  if (!value) {
    Sound(port, Beep::kFailure);
    return -1;
  }
  return *value;
}

}  // namespace

double ReadCardMaxConsume(int port, int sector, int block) {
  const Layout layout = LayoutFor(TwoDecimals());
  std::int64_t units =
      ReadField(port, sector, block, layout.max_consume_first, layout.max_consume_width);
  if (units < 0) return -1.0;
  Sound(port, Beep::kSuccess);
  return static_cast<double>(units) * (layout.two_decimals ? 0.01 : 0.1);
}

// Two decimals: any fraction of a hundredth rounds up. One decimal: tenths,
// truncated.
int WriteCardMaxConsume(int port, int sector, int block, double limit) {
  const Layout layout = LayoutFor(TwoDecimals());
  auto units = layout.two_decimals ? ScaledUnits(limit, 100, true) : ScaledUnits(limit, 10, false);
  const std::int64_t max = layout.max_consume_width == 3 ? 0xFFFFFF : 0xFFFF;
  if (!units || *units > max) {
    return RefuseValue(Refusal(std::string("the daily limit is not 0 to ") +
                               (layout.two_decimals ? "167772.15" : "6553.5") + " yuan"));
  }
  return ReadModifyWrite(port, sector, block, Beep::kSuccess, [&](const std::string& text) {
    return Edit::Write(SetNumber(text, layout.max_consume_first, layout.max_consume_width,
                                 static_cast<std::uint32_t>(*units)));
  });
}

int ReadCardAddCount(int port, int sector, int block) {
  return static_cast<int>(ReadField(port, sector, block, kAddCountByte, 2));
}

int WriteCardAddCount(int port, int sector, int block, int count) {
  if (auto refusal = OutOfRange(count, 0, 0xFFFF, "top-up count")) {
    return RefuseValue(*refusal);
  }
  return ReadModifyWrite(port, sector, block, Beep::kFailure, [&](const std::string& text) {
    return Edit::Write(SetNumber(text, kAddCountByte, 2, static_cast<std::uint32_t>(count)));
  });
}

int ReadCardMaxCC(int port, int sector, int block) {
  return static_cast<int>(ReadField(port, sector, block, kMaxCcByte, 1));
}

// A limit above 255 is found only after the block was read, and nothing is
// written or sounded then.
int WriteCardMaxCC(int port, int sector, int block, int limit) {
  if (limit < 0) return RefuseValue(*OutOfRange(limit, 0, kMaxMaxCc, "per-meal count limit"));
  return ReadModifyWrite(port, sector, block, Beep::kFailure, [&](const std::string& text) {
    if (limit > kMaxMaxCc) return Edit::Stop(kOutOfRange);
    return Edit::Write(SetNumber(text, kMaxCcByte, 1, static_cast<std::uint32_t>(limit)));
  });
}

}  // namespace icbus::card
