#include "app/process/console_text.h"

#ifdef _WIN32
#include <io.h>

#include "app/process/wide_text.h"
#endif

void WriteText(std::FILE* stream, std::string_view utf8) {
#ifdef _WIN32
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != FALSE) {
        // Whatever the C runtime still holds goes first.
        std::fflush(stream);
        const std::wstring wide = WideText(utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}
