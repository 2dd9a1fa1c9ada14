// SPDX-License-Identifier: MIT
// Stands in for Windows and for another program in the window tests: sends kolvaner.exe's
// window what a log-off sends, tells its thread to quit, or reads its message box; or starts
// it as a shortcut does.
//   window_messages endsession|quit|box
//   window_messages launch PROGRAM.exe [ARGUMENT...]
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "app/process/wide_text.h"
#include "port/text/utf8_text.h"

namespace {

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                      L'\0');
    const LRESULT length =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// The box's controls, one a line: "icon" for a visible icon, the text of each visible
// static text, in UTF-8; then "end of box".
BOOL CALLBACK DescribeControl(HWND control, LPARAM lines) {
    wchar_t class_name[32] = {};
    GetClassNameW(control, class_name, 32);
    if (IsWindowVisible(control) == FALSE || std::wstring_view(class_name) != L"Static") {
        return TRUE;
    }
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    std::string& out = *reinterpret_cast<std::string*>(lines);  // NOLINT(performance-no-int-to-ptr)
    if ((style & SS_TYPEMASK) == SS_ICON) {
        out += "icon\n";
    } else {
        out += Utf8Text(TextOf(control)) + "\n";
    }
    return TRUE;
}

// Explorer starts a shortcut's program with no standard handles at all: nothing to write
// to but a box. Waits for the program and returns its exit status.
int Launch(int argc, char** argv) {
    std::wstring command_line = L"\"" + WideText(argv[2]) + L"\"";
    for (int index = 3; index < argc; ++index) {
        command_line += L" " + WideText(argv[index]);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process) == FALSE) {
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "launch") {
        return Launch(argc, argv);
    }
    const std::string_view message = argc == 2 ? argv[1] : "";
    if (message == "box") {
        const HWND box = FindWindowW(L"#32770", L"Kolvaner");
        if (box == nullptr) {
            return 1;
        }
        std::string lines;
        EnumChildWindows(box, DescribeControl, reinterpret_cast<LPARAM>(&lines));
        lines += "end of box\n";
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return 0;
    }
    const HWND window = FindWindowW(L"KolvanerForm1", nullptr);
    if (window != nullptr && message == "endsession") {
        const LRESULT may_end = SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageW(window, WM_ENDSESSION, may_end != 0 ? TRUE : FALSE, ENDSESSION_LOGOFF);
        return may_end != 0 ? 0 : 1;
    }
    if (window != nullptr && message == "quit") {
        const DWORD thread = GetWindowThreadProcessId(window, nullptr);
        return PostThreadMessageW(thread, WM_QUIT, 0, 0) != 0 ? 0 : 1;
    }
    std::fputs(
        "usage: window_messages endsession|quit|box, with a Kolvaner window up;\n"
        "       window_messages launch PROGRAM.exe [ARGUMENT...]\n",
        stderr);
    return 2;
}
