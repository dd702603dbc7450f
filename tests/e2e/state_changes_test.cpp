// The wire log's change lines and its printable notes, in-process.
#include "state_changes.h"

#include <gtest/gtest.h>

#include <string>

#include "common/wire_text.h"

namespace icbus::sim {
namespace {

struct Change {
  const char* before;
  const char* after;
  const char* said;
};

TEST(StateChanges, SayWhatChangedAndNothingElse) {
  const Change cases[] = {
      {R"({"a":1,"b":"x"})", R"({"a":1,"b":"x"})", ""},
      {R"({"clock":"1","style":0})", R"({"clock":"2","style":1})",
       R"(clock "1" -> "2"; style 0 -> 1)"},
      {R"({"records":["r1","r2","r3"]})", R"({"records":[]})",
       R"(records 3 -> 0 (removed "r1", "r2", ... 1 more))"},
      {R"({"swipes":["s1","s2"]})", R"({"swipes":["s2","s3"]})",
       R"(swipes 2 -> 2 (added "s3"; removed "s1"))"},
      {R"({"cards":[{},{}]})", R"({"cards":[{},{"blocks":{"2/2":"01"}}]})",
       R"(cards[1].blocks.2/2 (none) -> "01")"},
      {R"({"settings":{}})", R"({"settings":{"SU":["005"]}})",
       R"(settings.SU 0 -> 1 (added "005"))"},
      {R"({"beeps":1,"orders":[]})", R"({"beeps":2,"orders":[{"card":1}]})", ""},
      {"card writer", "card writer (key 1)", "card writer (key 1)"},
  };
  for (const Change& c : cases) EXPECT_EQ(StateChanges(c.before, c.after), c.said) << c.after;
}

TEST(StateChanges, NotesShowEveryByteAsPrintableUtf8) {
  const std::pair<std::string, std::string> cases[] = {
      {"SA005! \\ ok", "SA005! \\ ok"},
      {"\xE4\xBD\xA0\xE5\xA5\xBD", "\xE4\xBD\xA0\xE5\xA5\xBD"},  // UTF-8 stays
      {"\xC4\xE3\xBA\xC3", "\\xC4\\xE3\\xBA\\xC3"},              // GBK
      {"a\x01\x7F", "a\\x01\\x7F"},
      {"\xC0\x80", "\\xC0\\x80"},                    // overlong
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},           // surrogate
      {"\xE4\xBD", "\\xE4\\xBD"},                    // cut short
      {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // above U+10FFFF
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(PrintableUtf8(text), shown) << shown;
}

}  // namespace
}  // namespace icbus::sim
