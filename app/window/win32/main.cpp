// kolvaner.exe: shows the compass bearing in large digits, refreshed twice a second.
#include "app/window/win32/form1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int show_command) {
    Form1 form(instance);
    if (form.Handle() == nullptr) {
        return 1;
    }
    form.Start(show_command);
    MSG message{};
    BOOL got = FALSE;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}
