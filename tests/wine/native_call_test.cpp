// Controls for the call routine the export tests rely on: integers,
// pointers and doubles arrive in every argument position, and integer and
// double results come back.
#include "native_call.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace icbus::wine {
namespace {

struct Seen {
  int a = 0;
  double b = 0;
  const char* c = nullptr;
  int d = 0;
  double e = 0;
  int f = 0;
};
Seen g_seen;

double WINAPI Record(int a, double b, const char* c, int d, double e, int f) {
  g_seen = {a, b, c, d, e, f};
  return b * 2 + e;
}

int WINAPI Scale(double x, int k) { return static_cast<int>(x * k); }

TEST(NativeCall, PassesEveryTypeInEveryPosition) {
  static const char kText[] = "text";
  CallResult result =
      CallExport("Record", reinterpret_cast<const void*>(&Record),
                 {Word(-7), Real(1.25), Word(kText), Word(42), Real(-3.5), Word(9)}, true);
  EXPECT_EQ(g_seen.a, -7);
  EXPECT_EQ(g_seen.b, 1.25);
  EXPECT_EQ(g_seen.c, kText);
  EXPECT_EQ(g_seen.d, 42);
  EXPECT_EQ(g_seen.e, -3.5);
  EXPECT_EQ(g_seen.f, 9);
  EXPECT_EQ(result.real, -1.0);
}

TEST(NativeCall, ReturnsTheIntegerResult) {
  CallResult result =
      CallExport("Scale", reinterpret_cast<const void*>(&Scale), {Real(-2.5), Word(4)}, false);
  EXPECT_EQ(static_cast<std::int32_t>(result.integer), -10);
}

}  // namespace
}  // namespace icbus::wine
