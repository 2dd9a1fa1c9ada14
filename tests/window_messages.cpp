// Stands in for Windows and for another program in the window tests: sends kolvaner.exe's
// window what a log-off sends, or tells its thread to quit.
//   window_messages endsession|quit
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const HWND window = FindWindowW(L"KolvanerForm1", nullptr);
    if (argc != 2 || window == nullptr) {
        std::fprintf(stderr, "window_messages: %s\n",
                     argc != 2 ? "usage: window_messages endsession|quit" : "no Kolvaner window");
        return 2;
    }
    if (std::strcmp(argv[1], "endsession") == 0) {
        const LRESULT may_end = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageW(window, WM_ENDSESSION, may_end != 0 ? TRUE : FALSE, ENDSESSION_LOGOFF);
        return may_end != 0 ? 0 : 1;
    }
    if (std::strcmp(argv[1], "quit") == 0) {
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        return PostThreadMessageW(thread, WM_QUIT, 0, 0) != 0 ? 0 : 1;
    }
    std::fprintf(stderr, "window_messages: unknown message '%s'\n", argv[1]);
    return 2;
}
