// SPDX-License-Identifier: MIT
// The serial port on Windows, through the communications functions of the Win32 API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "port/serial/serial_line.h"
#include "port/serial/serial_ports.h"
#include "port/text/utf8_text.h"

namespace {

HANDLE port_handle = INVALID_HANDLE_VALUE;
DCB saved_settings{};

constexpr char kDevicePrefix[] = "\\\\.\\";

// A port name such as COM3 becomes \\.\COM3; from COM10 on Windows knows the port only so.
std::string DevicePath(const std::string& name) {
    return name.rfind(kDevicePrefix, 0) == 0 ? name : kDevicePrefix + name;
}

// \\.\COM3 is named COM3 in messages, as the user knows it.
std::string ShownName(const std::string& device) {
    return device.rfind(kDevicePrefix, 0) == 0 ? device.substr(std::size(kDevicePrefix) - 1)
                                               : device;
}

// The system's text for an error code, in the system's language, on one line.
std::string ErrorText(DWORD error) {
    wchar_t buffer[512];
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
        nullptr, error, 0, buffer, static_cast<DWORD>(std::size(buffer)), nullptr);
    std::string text = Utf8Text({buffer, length});
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    const std::string code = "error " + std::to_string(error);
    return text.empty() ? code : text + " (" + code + ")";
}

// COMn, or a port SetupAPI lists under another name.
bool IsSerialPortName(const std::string& name) {
    const bool com_n = name.size() > 3 && _strnicmp(name.c_str(), "COM", 3) == 0 &&
                       name.find_first_not_of("0123456789", 3) == std::string::npos;
    if (com_n) {
        return true;
    }
    const std::vector<SerialPortInfo> ports = ListSerialPorts();
    return std::any_of(ports.begin(), ports.end(), [&name](const SerialPortInfo& port) {
        return _stricmp(port.name.c_str(), name.c_str()) == 0;
    });
}

// A serial port opens for one program at a time: another one has it when access is denied.
// Anything else is denied because it is something other than a serial port.
std::string OpenFailure(const std::string& name, DWORD error) {
    std::string failure = "cannot open " + name + ": " + ErrorText(error);
    if (error == ERROR_ACCESS_DENIED) {
        failure += IsSerialPortName(name) ? "; another program has the port open"
                                          : "; " + name + " is not a serial port";
    }
    return failure;
}

std::string Refuse(HANDLE handle, const std::string& name, const std::string& reason) {
    CloseHandle(handle);
    return "cannot use " + name + ": " + reason;
}

// A port refused after it opened as a serial port: lines down, then closed.
std::string RefuseOpened(const std::string& name, const std::string& reason) {
    LowerLines();
    return Refuse(std::exchange(port_handle, INVALID_HANDLE_VALUE), name, reason);
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

}  // namespace

std::string SystemSetLine(Line line, bool high) {
    const DWORD raise = line == Line::rts ? SETRTS : SETDTR;
    const DWORD lower = line == Line::rts ? CLRRTS : CLRDTR;
    if (EscapeCommFunction(port_handle, high ? raise : lower) == FALSE) {
        return ErrorText(GetLastError());
    }
    return {};
}

// A millisecond, the shortest Sleep.
void PauseBetweenLines() {
    Sleep(1);
}

std::string SerialOpen(const std::string& device, const PortSettings& settings) {
    const std::string path = DevicePath(device);
    const std::string name = ShownName(path);
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return OpenFailure(name, GetLastError());
    }
    DCB previous{};
    previous.DCBlength = sizeof previous;
    if (GetCommState(handle, &previous) == FALSE) {
        return Refuse(handle, name, "not a serial port (" + ErrorText(GetLastError()) + ")");
    }
    ForgetLineState();
    port_handle = handle;
    DCB wanted = previous;
    const std::string mode = ModeText(settings);
    if (BuildCommDCBA(mode.c_str(), &wanted) == FALSE) {
        return RefuseOpened(name, "bad line settings '" + mode + "'");
    }
    NoFlowControl(wanted);
    if (SetCommState(handle, &wanted) == FALSE) {
        const DWORD error = GetLastError();
        return RefuseOpened(name, ErrorText(error));
    }
    saved_settings = previous;
    return {};
}

void SerialClose() {
    if (port_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    LowerLines();
    // SetCommState sets DTR and RTS as the DCB's control fields say: the previous settings
    // go back with both lines left to EscapeCommFunction, where they are now, low.
    DCB previous = saved_settings;
    previous.fDtrControl = DTR_CONTROL_DISABLE;
    previous.fRtsControl = RTS_CONTROL_DISABLE;
    SetCommState(port_handle, &previous);
    CloseHandle(port_handle);
    port_handle = INVALID_HANDLE_VALUE;
}

int SerialCts() {
    DWORD status = 0;
    if (GetCommModemStatus(port_handle, &status) == FALSE) {
        LineCallFailed(ErrorText(GetLastError()));
        return -1;
    }
    return (status & MS_CTS_ON) != 0 ? 1 : 0;
}
