#include <gtest/gtest.h>

#include "commands/text_encoding.h"

namespace icbus::tool {
namespace {

TEST(Utf8ToGbk, ConvertsChineseToTwoBytesAndKeepsAscii) {
  EXPECT_EQ(Utf8ToGbk("王一"), "\xcd\xf5\xd2\xbb");
  EXPECT_EQ(Utf8ToGbk("A1 b"), "A1 b");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(Utf8ToGbk, RefusesWhatGbkCannotHold) {
  EXPECT_EQ(Utf8ToGbk("\xf0\x9f\x98\x80"), std::nullopt);  // an emoji
  EXPECT_EQ(Utf8ToGbk("\xff"), std::nullopt);              // not UTF-8 at all
  EXPECT_EQ(Utf8ToGbk("\xe7\x8e"), std::nullopt);          // a cut-off character
}

}  // namespace
}  // namespace icbus::tool
