// Controls for the 32-bit stack check itself: it must see a cdecl callee,
// and a stdcall callee that removes the wrong number of bytes, and bring
// back a double left on the x87 stack.
#include <gtest/gtest.h>

#include "stack_call.h"

namespace icbus::wine {
namespace {

int __cdecl CdeclAdd(int a, int b) { return a + b; }
int __stdcall StdcallAdd(int a, int b) { return a + b; }
int __stdcall StdcallAddThree(int a, int b, int c) { return a + b + c; }
double __stdcall StdcallHalf(int a) { return a / 2.0; }

TEST(StackCheck, SeesBalancedAndUnbalancedCallees) {
  const std::uint32_t args[] = {2, 3, 4};
  StackCall balanced = CallStdcall(reinterpret_cast<const void*>(&StdcallAdd), args, 2);
  EXPECT_EQ(balanced.result, 5u);
  EXPECT_EQ(balanced.esp_shift, 0);
  StackCall cdecl_callee = CallStdcall(reinterpret_cast<const void*>(&CdeclAdd), args, 2);
  EXPECT_EQ(cdecl_callee.result, 5u);
  EXPECT_EQ(cdecl_callee.esp_shift, -8);
  StackCall too_few = CallStdcall(reinterpret_cast<const void*>(&StdcallAddThree), args, 2);
  EXPECT_EQ(too_few.esp_shift, 4);
}

TEST(StackCheck, PopsADoubleResult) {
  const std::uint32_t args[] = {5};
  StackCall half = CallStdcall(reinterpret_cast<const void*>(&StdcallHalf), args, 1, true);
  EXPECT_EQ(half.real, 2.5);
  EXPECT_EQ(half.esp_shift, 0);
}

}  // namespace
}  // namespace icbus::wine
