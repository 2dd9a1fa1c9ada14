// SPDX-License-Identifier: MIT
#include "app/process/console_text.h"

#ifdef _WIN32
#include <io.h>

#include "app/process/wide_text.h"
#endif

void WriteText(std::FILE* stream, std::string_view utf8) {
#ifdef _WIN32
    // The C runtime hands the stream's handle over as an integer.
    auto* const handle = reinterpret_cast<HANDLE>(  // NOLINT(performance-no-int-to-ptr)
        _get_osfhandle(_fileno(stream)));
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
