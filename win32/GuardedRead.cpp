#include "win32/GuardedRead.h"

#if defined(__i386__)
#include <windows.h>

// The frame is the system's own record of an exception handler, pushed on the stack and
// linked in at fs:0 for the one instruction that may fault. Should the read fault, the handler
// sends the thread on at the recovery label with the record still in place; both ways out
// unlink it.
extern "C" void pdGuardedReadInstruction();
extern "C" void pdGuardedReadRecovery();

// Any fault of the read instruction means the word cannot be read, whatever the system calls
// it: an access violation on Windows NT, but an emulated processor (qemu's, under which the
// tests may run the 32-bit programs) reports every fault as an illegal instruction.
extern "C" EXCEPTION_DISPOSITION __cdecl pdGuardedReadHandler(EXCEPTION_RECORD* record, void*,
                                                              CONTEXT* context, void*) {
    const DWORD unwinding = EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND;
    if ((record->ExceptionFlags & unwinding) != 0 ||
        context->Eip != reinterpret_cast<DWORD>(&pdGuardedReadInstruction)) {
        return ExceptionContinueSearch;
    }
    context->Eip = reinterpret_cast<DWORD>(&pdGuardedReadRecovery);
    return ExceptionContinueExecution;
}

__asm__(
    "    .text\n"
    "    .globl _pdReadWordGuarded\n"
    "_pdReadWordGuarded:\n"
    "    pushl $_pdGuardedReadHandler\n"
    "    pushl %fs:0\n"
    "    movl  %esp, %fs:0\n"  // 12(%esp) address, 16 word
    "    movl  12(%esp), %ecx\n"
    "    .globl _pdGuardedReadInstruction\n"
    "_pdGuardedReadInstruction:\n"
    "    movzwl (%ecx), %eax\n"
    "    movl  16(%esp), %edx\n"
    "    movw  %ax, (%edx)\n"
    "    movl  $1, %eax\n"
    "    jmp   1f\n"
    "    .globl _pdGuardedReadRecovery\n"
    "_pdGuardedReadRecovery:\n"
    "    xorl  %eax, %eax\n"
    "1:  popl  %fs:0\n"
    "    addl  $4, %esp\n"
    "    ret\n");
#endif
