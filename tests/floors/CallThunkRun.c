/* Runs the 32-bit call thunk of the Windows build by itself, as a 32-bit Linux program (the
   thunk touches nothing of Windows): callees of either calling convention, with one and two
   arguments, must give back their result with the stack pointer where it was. Two direct
   calls that take a __stdcall callee for a __cdecl one show the shift the thunk prevents, so
   a thunk that did nothing could not pass. Freestanding: no C library for 32-bit code here. */
typedef unsigned int u32;

/* The thunk, from the Windows build's object file (its name keeps the Windows underscore). */
extern int pdCallKeepingStack(u32 proc, u32 first, u32 second, int count)
    __asm__("_pdCallKeepingStack");

/* Calls `target` with `words` arguments the way a __cdecl caller does (pushes them, calls,
   takes them off again), stores its result, and returns how many bytes the stack pointer
   ended up above where it started. */
extern int Measure(u32 target, int words, const u32* args, int* result);
__asm__(
    "    .text\n"
    "Measure:\n"
    "    pushl %esi\n"
    "    movl  %esp, %esi\n"         /* 8(%esi) target, 12 words, 16 args, 20 result */
    "    movl  12(%esi), %ecx\n"
    "    movl  16(%esi), %edx\n"
    "1:  testl %ecx, %ecx\n"
    "    jz    2f\n"
    "    pushl -4(%edx,%ecx,4)\n"    /* the last argument first */
    "    decl  %ecx\n"
    "    jmp   1b\n"
    "2:  call  *8(%esi)\n"
    "    movl  12(%esi), %ecx\n"
    "    leal  (%esp,%ecx,4), %esp\n" /* the caller's own clean-up */
    "    movl  20(%esi), %ecx\n"
    "    movl  %eax, (%ecx)\n"
    "    movl  %esp, %eax\n"
    "    subl  %esi, %eax\n"
    "    movl  %esi, %esp\n"
    "    popl  %esi\n"
    "    ret\n");

static char buffer[8];

static int __attribute__((stdcall, noinline)) StdcallOne(int a) { return a * 3; }
static int __attribute__((cdecl, noinline)) CdeclOne(int a) { return a * 5; }
static int __attribute__((stdcall, noinline)) StdcallTwo(char* out, int n) {
    out[0] = 'S';
    return n + 1;
}
static int __attribute__((cdecl, noinline)) CdeclTwo(char* out, int n) {
    out[0] = 'C';
    return n + 2;
}

static void Write(const char* text) {
    int length = 0;
    while (text[length]) ++length;
    int ignored;
    __asm__ volatile("int $0x80" : "=a"(ignored) : "a"(4), "b"(1), "c"(text), "d"(length) : "memory");
}

static void WriteNumber(int value) {
    char digits[12];
    int at = 11;
    int negative = value < 0;
    unsigned magnitude = negative ? 0u - (unsigned)value : (unsigned)value;
    digits[at] = '\0';
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (negative) digits[--at] = '-';
    Write(digits + at);
}

struct Row {
    const char* what;
    u32 target;
    int words;
    u32 args[4];
    int result;
    int shift;
    char mark; /* what the callee writes into the buffer, or 0 */
};

int RunRows(void) {
    const u32 thunk = (u32)pdCallKeepingStack;
    const u32 out = (u32)buffer;
    const struct Row rows[] = {
        {"thunk, __stdcall int f(int)", thunk, 4, {(u32)StdcallOne, 7, 0, 1}, 21, 0, 0},
        {"thunk, __cdecl int f(int)", thunk, 4, {(u32)CdeclOne, 7, 0, 1}, 35, 0, 0},
        {"thunk, __stdcall int f(buffer, int)", thunk, 4, {(u32)StdcallTwo, out, 40, 2}, 41, 0, 'S'},
        {"thunk, __cdecl int f(buffer, int)", thunk, 4, {(u32)CdeclTwo, out, 40, 2}, 42, 0, 'C'},
        {"direct, __stdcall int f(int) called as __cdecl", (u32)StdcallOne, 1, {7}, 21, 4, 0},
        {"direct, __stdcall int f(buffer, int) called as __cdecl", (u32)StdcallTwo, 2, {out, 40},
         41, 8, 'S'},
    };
    int failed = 0;
    for (unsigned i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const struct Row* row = &rows[i];
        int result = 0;
        buffer[0] = 0;
        const int shift = Measure(row->target, row->words, row->args, &result);
        const int ok = result == row->result && shift == row->shift &&
                       (row->mark == 0 || buffer[0] == row->mark);
        failed += !ok;
        Write(ok ? "[PASS] " : "[FAIL] ");
        Write(row->what);
        Write(": result ");
        WriteNumber(result);
        Write(", stack pointer moved by ");
        WriteNumber(shift);
        Write(" bytes\n");
    }
    WriteNumber((int)(sizeof rows / sizeof rows[0]) - failed);
    Write(" passed, ");
    WriteNumber(failed);
    Write(" failed\n");
    return failed != 0;
}

void _start(void) {
    const int code = RunRows();
    __asm__ volatile("int $0x80" : : "a"(1), "b"(code));
    for (;;) {
    }
}
