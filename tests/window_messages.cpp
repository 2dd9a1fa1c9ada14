// SPDX-License-Identifier: MIT
// Stands in for Windows and for another program in the window tests: sends kolvaner.exe's
// window what a log-off sends, or tells its thread to quit.
//   window_messages endsession|quit
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string_view>

int main(int argc, char** argv) {
    const HWND window = FindWindowW(L"KolvanerForm1", nullptr);
    const std::string_view message = argc == 2 ? argv[1] : "";
    if (window != nullptr && message == "endsession") {
        const LRESULT may_end = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageW(window, WM_ENDSESSION, may_end != 0 ? TRUE : FALSE, ENDSESSION_LOGOFF);
        return may_end != 0 ? 0 : 1;
    }
    if (window != nullptr && message == "quit") {
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        return PostThreadMessageW(thread, WM_QUIT, 0, 0) != 0 ? 0 : 1;
    }
    std::fputs("usage: window_messages endsession|quit, with a Kolvaner window up\n", stderr);
    return 2;
}
