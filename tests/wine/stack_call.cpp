#include "stack_call.h"

// cdecl helper: (function, args, count, shift*, real*) -> EAX. EDI keeps the
// stack pointer from before the arguments were pushed; it is callee-saved,
// so a stdcall function preserves it whatever it does with ESP. A non-null
// real* receives ST0, popped.
extern "C" std::uint32_t icbus_wine_call_stdcall(const void* function, const std::uint32_t* args,
                                                 int count, std::int32_t* shift, double* real);

asm(R"(
    .text
    .globl _icbus_wine_call_stdcall
_icbus_wine_call_stdcall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  movl 8(%ebp), %eax
    calll *%eax
    movl %esp, %ecx
    subl %edi, %ecx
    movl %edi, %esp
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    movl 24(%ebp), %edx
    testl %edx, %edx
    jz 3f
    fstpl (%edx)
3:  popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

namespace icbus::wine {

StackCall CallStdcall(const void* function, const std::uint32_t* args, int count,
                      bool returns_real) {
  StackCall call;
  call.result = icbus_wine_call_stdcall(function, args, count, &call.esp_shift,
                                        returns_real ? &call.real : nullptr);
  return call;
}

}  // namespace icbus::wine
