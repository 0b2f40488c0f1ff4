// The C++ library's file buffers ask msvcrt.dll for _fstat64, which came with msvcrt.dll 7.0
// (Windows XP): the msvcrt.dll 6.0 of Windows NT 4.0 and 98 lacks it, and the import alone
// would keep a 32-bit program from starting there. The library reaches the call through its
// import pointer, so this file supplies that pointer, aimed at the same call made of
// _fstati64 (32-bit times, 64-bit size), which 6.0 has. Linked into 32-bit programs only.
#include <sys/stat.h>

namespace {

// msvcrt.dll's own _fstati64; the headers turn that name into _fstat64.
extern "C" int Fstati64(int file, struct _stat32i64* status) __asm__("__fstati64");

int __cdecl Fstat64(int file, struct _stat64* status) {
    struct _stat32i64 found {};
    if (Fstati64(file, &found) != 0) return -1;
    *status = {};
    status->st_dev = found.st_dev;
    status->st_ino = found.st_ino;
    status->st_mode = found.st_mode;
    status->st_nlink = found.st_nlink;
    status->st_uid = found.st_uid;
    status->st_gid = found.st_gid;
    status->st_rdev = found.st_rdev;
    status->st_size = found.st_size;
    status->st_atime = found.st_atime;
    status->st_mtime = found.st_mtime;
    status->st_ctime = found.st_ctime;
    return 0;
}

}  // namespace

extern "C" {
int(__cdecl* pdFstat64Import)(int, struct _stat64*) __asm__("__imp___fstat64") = Fstat64;
}
