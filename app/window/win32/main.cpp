// SPDX-License-Identifier: MIT
// kolvaner.exe: shows the compass bearing in large digits, refreshed twice a second.
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/process/wide_text.h"
#include "app/window/core/port_choice.h"
#include "app/window/core/window_arguments.h"
#include "app/window/win32/form1.h"
#include "port/port_settings.h"
#include "port/serial/serial_ports.h"
#include "port/text/utf8_text.h"

namespace {

// As kolvaner-cli.exe writes: CRLF line ends, for Notepad and every Windows tool.
std::string WithCrLf(std::string_view text) {
    std::string lines;
    for (const char c : text) {
        if (c == '\n') {
            lines += '\r';
        }
        lines += c;
    }
    return lines;
}

// A console gets the text as UTF-16, whatever its code page; a file or a pipe as UTF-8.
bool WriteAnswer(HANDLE out, std::string_view text) {
    if (out == nullptr || out == INVALID_HANDLE_VALUE || GetFileType(out) == FILE_TYPE_UNKNOWN) {
        return false;
    }
    const std::string lines = WithCrLf(text);
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(out, &mode) != FALSE) {
        const std::wstring wide = WideText(lines);
        return WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != FALSE;
    }
    return WriteFile(out, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr) !=
           FALSE;
}

// The program's own file, as a shortcut's Target names it.
std::string ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    return Utf8Text(path);
}

// A GUI program has no console of its own. A parent that gave it a standard output (a
// redirection or a pipe) gets the text there; anyone else, most likely started from a
// shortcut, sees it in the program's box, written for the box.
void ShowAnswer(const WindowArguments& read) {
    if (WriteAnswer(GetStdHandle(read.exit_status == 0 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
                    read.answer)) {
        return;
    }
    const std::string text = AnswerBoxText(read, ProgramPath(), ExamplePort(ListSerialPorts(), {}));
    const UINT icon = read.exit_status == 0 ? MB_ICONINFORMATION : MB_ICONWARNING;
    MessageBoxW(nullptr, WideText(text).c_str(), WideText(kForm1Caption).c_str(),
                MB_OK | icon | MB_SETFOREGROUND);
}

}  // namespace

// The parameters keep the names winbase.h declares them with.
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/,
                   int nShowCmd) {
    // The C runtime has split the command line already; a stray argument is ignored.
    const std::vector<std::string_view> arguments(__argv + 1, __argv + __argc);
    const WindowArguments read = ReadWindowArguments(arguments);
    if (!read.answer.empty()) {
        ShowAnswer(read);
        return read.exit_status;
    }
    ConfigurePort(PortConfigFromEnvironment(read.port));
    // A debugger or DebugView shows what the program tells.
    EchoProblemLines([](const std::string& line) { OutputDebugStringW(WideText(line).c_str()); });
    Form1 form(hInstance);
    if (form.Handle() == nullptr) {
        // Nothing loaded, so the port was never opened and is left alone.
        const std::string problem = NoWindowText("fout " + std::to_string(GetLastError()));
        LogProblem(problem);
        MessageBoxW(nullptr, WideText(problem).c_str(), WideText(kForm1Caption).c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return 1;
    }
    form.Start(nShowCmd);
    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}
