// Whole transactions through Wine's serial layer. The lines, as the test
// driver sets them up (bus_com1.json, bus_com3.json):
//   COM1   icbus-sim: terminal 1; terminal 5 with management card 123456;
//          attendance terminal 9 holding two records; the card writer with
//          no card on it
//   COM10  the same line as COM1, reached through the device namespace
//   COM2   a device that does not exist
//   COM3   a second icbus-sim: terminal 1 alone (a broadcast meets one
//          terminal) and the card writer with a blank card
#pragma once
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "library.h"
#include "sim_log.h"

namespace icbus::wine {

using Wire = std::vector<std::string>;

// The two-phase course with the plain address frame: select, command, "SZ!".
Wire TwoPhase(const std::string& address, const std::string& command, const std::string& reply);

// One line's wire log; the frames of a test are those logged after SetUp.
class SerialLine : public ::testing::Test {
 protected:
  explicit SerialLine(const char* log_variable) : log_(log_variable) {}
  void SetUp() override;

  // The frames of this test, once `expected` have been logged.
  Wire WireSince(std::size_t expected) { return log_.FramesAfter(skip_, expected); }
  // Starts the next part of a test: earlier frames no longer count.
  void Restart() { skip_ = log_.Frames().size(); }

  const Library& dll_ = Library::Get();
  SimLog log_;
  std::size_t skip_ = 0;
};

// COM1 (and COM10), with a caller's buffer that failures must leave alone.
class Serial : public SerialLine {
 protected:
  Serial() : SerialLine("ICBUS_SIM_LOG") {}
  void SetUp() override;

  std::string Untouched() const { return std::string(sizeof buffer_, 'x'); }
  std::string Buffer() const { return std::string(buffer_, sizeof buffer_); }

  char buffer_[24];
};

// COM3.
class SecondLine : public SerialLine {
 protected:
  SecondLine() : SerialLine("ICBUS_SIM_LOG_COM3") {}
};

}  // namespace icbus::wine
