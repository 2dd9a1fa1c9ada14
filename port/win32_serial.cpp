// SPDX-License-Identifier: MIT
// The serial port on Windows, through the communications functions of the Win32 API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "port/serial_line.h"

namespace {

HANDLE port_handle = INVALID_HANDLE_VALUE;
DCB saved_settings{};
std::string port_device;

// A port name such as COM3 becomes \\.\COM3; from COM10 on Windows knows the port only so.
std::string DevicePath(const std::string& name) {
    const std::string prefix = "\\\\.\\";
    return name.rfind(prefix, 0) == 0 ? name : prefix + name;
}

// The system's text for an error code, on one line.
std::string ErrorText(DWORD error) {
    char buffer[512];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    const std::string code = "error " + std::to_string(error);
    return text.empty() ? code : text + " (" + code + ")";
}

std::string OpenFailure(const std::string& device, DWORD error) {
    const char* hint = error == ERROR_ACCESS_DENIED ? "; is another program using the port?" : "";
    return "cannot open " + device + ": " + ErrorText(error) + hint;
}

std::string Refuse(HANDLE handle, const std::string& device, const std::string& reason) {
    CloseHandle(handle);
    return "cannot use " + device + ": " + reason;
}

// The mode text BuildCommDCB reads, e.g. "baud=9600 parity=N data=8 stop=1".
std::string ModeText(const PortSettings& settings) {
    return "baud=" + std::to_string(settings.baud) + " parity=" + settings.parity +
           " data=" + std::to_string(settings.data_bits) +
           " stop=" + std::to_string(settings.stop_bits);
}

// Binary mode, no flow control of any kind; DTR and RTS stay where EscapeCommFunction
// puts them, both on from the open so the bus idles.
void NoFlowControl(DCB& settings) {
    settings.fBinary = TRUE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDtrControl = DTR_CONTROL_ENABLE;
    settings.fRtsControl = RTS_CONTROL_ENABLE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fErrorChar = FALSE;
    settings.fNull = FALSE;
    settings.fAbortOnError = FALSE;
}

bool ChangeLine(DWORD function) {
    return EscapeCommFunction(port_handle, function) != 0;
}

}  // namespace

std::string SerialOpen(const std::string& device, const PortSettings& settings) {
    const std::string path = DevicePath(device);
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return OpenFailure(path, GetLastError());
    }
    DCB previous{};
    previous.DCBlength = sizeof previous;
    if (GetCommState(handle, &previous) == FALSE) {
        return Refuse(handle, path, "not a serial port (" + ErrorText(GetLastError()) + ")");
    }
    DCB wanted = previous;
    const std::string mode = ModeText(settings);
    if (BuildCommDCBA(mode.c_str(), &wanted) == FALSE) {
        return Refuse(handle, path, "bad line settings '" + mode + "'");
    }
    NoFlowControl(wanted);
    if (SetCommState(handle, &wanted) == FALSE) {
        return Refuse(handle, path, ErrorText(GetLastError()));
    }
    port_handle = handle;
    saved_settings = previous;
    port_device = path;
    return {};
}

void SerialClose() {
    if (port_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    SetCommState(port_handle, &saved_settings);
    CloseHandle(port_handle);
    port_handle = INVALID_HANDLE_VALUE;
}

bool SerialSetDtr(bool high) {
    return ChangeLine(high ? SETDTR : CLRDTR);
}

bool SerialSetRts(bool high) {
    return ChangeLine(high ? SETRTS : CLRRTS);
}

int SerialCts() {
    DWORD status = 0;
    if (GetCommModemStatus(port_handle, &status) == FALSE) {
        return -1;
    }
    return (status & MS_CTS_ON) != 0 ? 1 : 0;
}

std::string SerialLastError() {
    return ErrorText(GetLastError());
}

const std::string& SerialDevice() {
    return port_device;
}
