#include "serial_fixture.h"

#include <cstring>

namespace icbus::wine {

Wire TwoPhase(const std::string& address, const std::string& command, const std::string& reply) {
  return {"> M " + address, "< N OK!", "> S " + command, "< N " + reply, "> S SZ!"};
}

void SerialLine::SetUp() {
  ASSERT_NE(dll_.module(), nullptr) << dll_.error();
  ASSERT_FALSE(log_.path().empty()) << "the test driver must name icbus-sim's wire log";
  Restart();
}

void Serial::SetUp() {
  SerialLine::SetUp();
  std::memset(buffer_, 'x', sizeof buffer_);
}

}  // namespace icbus::wine
