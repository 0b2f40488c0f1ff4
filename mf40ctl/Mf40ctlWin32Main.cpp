// mf40ctl.exe: the companion on Windows, over the real link through Win32Os.
#include <windows.h>
#include <shellapi.h>

#include <iostream>
#include <string>
#include <vector>

#include "mf40ctl/Mf40ctl.h"
#include "win32/Win32Os.h"

int main() {
    // Arguments arrive as UTF-16 whatever the console's code page; the commands take UTF-8.
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; i < count; ++i) arguments.push_back(pd::NarrowToUtf8(words[i]));
    LocalFree(words);
    SetConsoleOutputCP(CP_UTF8);

    pd::Win32Os os;
    // Ctrl+C during a save leaves no fresh file behind.
    pd::Win32Os::RemoveFreshFilesOnInterrupt();
    pd::ctl::CommandContext context{os, std::cout, std::cerr, std::cin};
    const int code = pd::ctl::RunMf40ctl(arguments, context);
    std::cout.flush();
    return code;
}
