// SPDX-License-Identifier: MIT
// The serial port on Windows, through the communications functions of the Win32 API.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "port/serial/serial_line.h"
#include "port/serial/serial_ports.h"
#include "port/text/utf8_text.h"

namespace {

HANDLE port_handle = INVALID_HANDLE_VALUE;
DCB saved_settings{};
// What the port last set each line to; the open may leave both high.
bool rts_low = false;
bool dtr_low = false;
// Why a line or CTS call failed, taken at the call; empty while none has. Once one has,
// the adapter is gone and its lines are left alone.
std::string line_call_failure;

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

// SCL down first, then SDA, so the bus sees no start condition, a millisecond apart so
// that SCL's edge reaches the pins first on any cable.
void LowerLines(HANDLE handle) {
    if (!line_call_failure.empty()) {
        return;
    }
    if (!rts_low) {
        EscapeCommFunction(handle, CLRRTS);
        Sleep(1);
    }
    if (!dtr_low) {
        EscapeCommFunction(handle, CLRDTR);
    }
    rts_low = true;
    dtr_low = true;
}

// A port refused after it opened as a serial port: lines down, then closed.
std::string RefuseOpened(HANDLE handle, const std::string& name, const std::string& reason) {
    LowerLines(handle);
    return Refuse(handle, name, reason);
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
    if (EscapeCommFunction(port_handle, function) == FALSE) {
        line_call_failure = ErrorText(GetLastError());
        return false;
    }
    return true;
}

}  // namespace

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
    rts_low = false;
    dtr_low = false;
    line_call_failure.clear();
    DCB wanted = previous;
    const std::string mode = ModeText(settings);
    if (BuildCommDCBA(mode.c_str(), &wanted) == FALSE) {
        return RefuseOpened(handle, name, "bad line settings '" + mode + "'");
    }
    NoFlowControl(wanted);
    if (SetCommState(handle, &wanted) == FALSE) {
        const DWORD error = GetLastError();
        return RefuseOpened(handle, name, ErrorText(error));
    }
    port_handle = handle;
    saved_settings = previous;
    return {};
}

void SerialClose() {
    if (port_handle == INVALID_HANDLE_VALUE) {
        return;
    }
    LowerLines(port_handle);
    // SetCommState sets DTR and RTS as the DCB's control fields say: the previous settings
    // go back with both lines left to EscapeCommFunction, where they are now, low.
    DCB previous = saved_settings;
    previous.fDtrControl = DTR_CONTROL_DISABLE;
    previous.fRtsControl = RTS_CONTROL_DISABLE;
    SetCommState(port_handle, &previous);
    CloseHandle(port_handle);
    port_handle = INVALID_HANDLE_VALUE;
}

bool SerialSetDtr(bool high) {
    const bool done = ChangeLine(high ? SETDTR : CLRDTR);
    dtr_low = done && !high;
    return done;
}

bool SerialSetRts(bool high) {
    const bool done = ChangeLine(high ? SETRTS : CLRRTS);
    rts_low = done && !high;
    return done;
}

int SerialCts() {
    DWORD status = 0;
    if (GetCommModemStatus(port_handle, &status) == FALSE) {
        line_call_failure = ErrorText(GetLastError());
        return -1;
    }
    return (status & MS_CTS_ON) != 0 ? 1 : 0;
}

const std::string& SerialFailure() {
    return line_call_failure;
}
