// A virtual line with one terminal (machine 5, management card 123456) on
// port 1, as most tests need it.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/card_writer.h"
#include "sim/terminal.h"
#include "sim/virtual_line.h"

namespace icbus::test {

using Frames = std::vector<std::string>;

// A card writer on port 1 of the line with `cards` blank cards, the first
// of them in its field.
inline sim::CardWriter& AddCardWriter(sim::VirtualLine& line, int cards) {
  sim::CardWriterConfig config;
  config.cards.resize(static_cast<std::size_t>(cards));
  config.present = 0;
  return line.bus(1).Add(std::make_unique<sim::CardWriter>(config));
}

class LineTest : public ::testing::Test {
 protected:
  LineTest() {
    sim::TerminalConfig config;
    config.machine = 5;
    config.management_card = 123456;
    config.clock = "20260102030405";
    sim::FillRecords(&config, 12);
    terminal_ = &line_->bus(1).Add(std::make_unique<sim::Terminal>(config));
  }
  sim::VirtualLine& line() { return *line_; }
  sim::Terminal& terminal() { return *terminal_; }
  Frames frames() const { return line_->HostFrames(); }
  // Virtual milliseconds since the line was made.
  std::uint64_t ElapsedMillis() { return (line_->NowMicros() - start_) / 1000; }

  sim::ScopedVirtualLine line_;
  sim::Terminal* terminal_ = nullptr;
  std::uint64_t start_ = line_->NowMicros();
};

}  // namespace icbus::test
