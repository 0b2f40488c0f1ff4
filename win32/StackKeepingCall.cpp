#include "win32/StackKeepingCall.h"

#if defined(__i386__)
// ebx holds the stack pointer from before the arguments went on until after the call: the
// callee preserves ebx in either convention, and whatever it took off the stack or left on
// it no longer matters once esp is restored from it.
__asm__(
    "    .text\n"
    "    .globl _pdCallKeepingStack\n"
    "_pdCallKeepingStack:\n"
    "    pushl %ebx\n"
    "    movl  %esp, %ebx\n"  // 8(%ebx) proc, 12 first, 16 second, 20 count
    "    cmpl  $2, 20(%ebx)\n"
    "    jb    1f\n"
    "    pushl 16(%ebx)\n"
    "1:  pushl 12(%ebx)\n"
    "    call  *8(%ebx)\n"
    "    movl  %ebx, %esp\n"
    "    popl  %ebx\n"
    "    ret\n");
#endif
