// A record download through Wine's serial layer: GetFirst selects the
// attendance terminal and keeps the port; each GetNextK fetches one record
// until the terminal says "OVER", which closes the download.
#include <cstring>
#include <string>

#include "serial_fixture.h"

namespace icbus::wine {
namespace {

// The records terminal 9 holds (bus_com1.json).
const char* const kRecords[] = {"26010108001234561", "26010108050000422"};

TEST_F(Serial, AttendanceRecordsUntilOver) {
  char line[32];
  ASSERT_EQ(dll_.Call("GetFirst", {Word(1), Word(9)}), 1);
  for (const char* record : kRecords) {
    std::memset(line, 'x', sizeof line);
    ASSERT_EQ(dll_.Call("GetNextK", {Word(9), Word(line)}), 1);
    EXPECT_EQ(std::string(line), std::string("20") + record + "009");
  }
  // The download holds the port: no other transaction can open it.
  EXPECT_EQ(dll_.Call("GetTime", {Word(1), Word(5), Word(buffer_)}), 0);
  EXPECT_EQ(Buffer(), Untouched());
  ASSERT_EQ(dll_.Call("GetNextK", {Word(9), Word(line)}), 1);
  EXPECT_STREQ(line, "OVER");
  EXPECT_EQ(
      WireSince(9),
      (Wire{"> M SA009!", "< N OK!", "> S SC!", std::string("< N ") + kRecords[0] + "!", "> S SC!",
            std::string("< N ") + kRecords[1] + "!", "> S SC!", "< N OVER!", "> S SZ!"}));
  // Closed: a record call sends nothing, and the port opens again.
  Restart();
  EXPECT_EQ(dll_.Call("GetNextK", {Word(9), Word(line)}), 0);
  EXPECT_EQ(dll_.Call("GetState", {Word(1), Word(9)}), 1);
  EXPECT_EQ(WireSince(3), (Wire{"> M ST009!", "< N 1!", "> S SZ!"}));
}

}  // namespace
}  // namespace icbus::wine
