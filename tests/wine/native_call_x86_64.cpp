// x86_64: argument i < 4 travels in RCX, RDX, R8, R9 when it is an integer
// or pointer and in XMM0..XMM3 when it is a double; the rest in 8-byte stack
// slots above 32 bytes of shadow space. Loading each of the first four
// slots into both its integer and its floating-point register serves every
// mix of types with one routine; the callee reads the register its type
// names. The caller owns the stack, so there is no balance to check.
#include <gtest/gtest.h>

#include <array>

#include "native_call.h"

// (function, slots[16], integer*, real*): calls with slots[0..15] as the
// arguments and stores RAX and XMM0.
extern "C" void icbus_wine_call_win64(const void* function, const std::uint64_t* slots,
                                      std::uint64_t* integer, double* real);

asm(R"(
    .text
    .globl icbus_wine_call_win64
icbus_wine_call_win64:
    pushq %rbp
    movq %rsp, %rbp
    pushq %rsi
    pushq %r12
    pushq %r13
    pushq %r14
    subq $128, %rsp
    movq %rcx, %rax
    movq %rdx, %rsi
    movq %r8, %r12
    movq %r9, %r13
    movq $4, %r14
1:  movq (%rsi,%r14,8), %r10
    movq %r10, (%rsp,%r14,8)
    incq %r14
    cmpq $16, %r14
    jb 1b
    movq (%rsi), %rcx
    movq 8(%rsi), %rdx
    movq 16(%rsi), %r8
    movq 24(%rsi), %r9
    movq (%rsi), %xmm0
    movq 8(%rsi), %xmm1
    movq 16(%rsi), %xmm2
    movq 24(%rsi), %xmm3
    callq *%rax
    movq %rax, (%r12)
    movsd %xmm0, (%r13)
    addq $128, %rsp
    popq %r14
    popq %r13
    popq %r12
    popq %rsi
    popq %rbp
    ret
)");

namespace icbus::wine {

CallResult CallExport(const char* name, const void* function, const Args& args,
                      bool /*returns_real*/) {
  std::array<std::uint64_t, 16> slots{};
  if (args.size() > slots.size()) {
    ADD_FAILURE() << name << ": more arguments than the call routine carries";
    return {};
  }
  for (std::size_t i = 0; i < args.size(); ++i) slots[i] = args[i].bits;
  CallResult result;
  icbus_wine_call_win64(function, slots.data(), &result.integer, &result.real);
  return result;
}

}  // namespace icbus::wine
