// SPDX-License-Identifier: MIT
// The COM ports Windows knows, from SetupAPI's Ports device class, with the service that
// drives each. Only the device registry is read; no port is opened.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h: initguid.h makes devguid.h define GUID_DEVCLASS_PORTS here.
#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>
#include <tuple>

#include "port/serial/serial_ports.h"
#include "port/text/number_text.h"
#include "port/text/utf8_text.h"

namespace {

// A text property of the device, such as SPDRP_FRIENDLYNAME; empty when it has none.
std::wstring DeviceText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    DWORD type = 0;
    DWORD size = 0;
    SetupDiGetDeviceRegistryPropertyW(devices, &device, property, &type, nullptr, 0, &size);
    if (type != REG_SZ || size < sizeof(wchar_t)) {
        return {};
    }
    std::wstring text(size / sizeof(wchar_t), L'\0');
    if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr,
                                          reinterpret_cast<BYTE*>(text.data()), size,
                                          nullptr) == FALSE) {
        return {};
    }
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

// The COM name the port's driver takes from its device key ("PortName").
std::wstring PortName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    const HKEY key =
        SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof name[0];
    DWORD type = 0;
    const LONG status =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) {
        return {};
    }
    return {name, wcsnlen(name, size / sizeof name[0])};
}

// COM3 -> 3; 0 for a name that is not COM and a number.
unsigned ComNumber(std::string_view name) {
    unsigned number = 0;
    return name.substr(0, 3) == "COM" && ParseNumber(name.substr(3), false, UINT_MAX, number)
               ? number
               : 0;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
    std::vector<SerialPortInfo> ports;
    const HDEVINFO devices =
        SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return ports;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device) != FALSE; ++index) {
        // The Ports class holds the printer ports (LPT1, ECP) too.
        std::string name = Utf8Text(PortName(devices, device));
        if (name.compare(0, 3, "COM") != 0) {
            continue;
        }
        ports.push_back({std::move(name), Utf8Text(DeviceText(devices, device, SPDRP_FRIENDLYNAME)),
                         Utf8Text(DeviceText(devices, device, SPDRP_SERVICE))});
    }
    SetupDiDestroyDeviceInfoList(devices);
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortInfo& left, const SerialPortInfo& right) {
                  return std::tuple(ComNumber(left.name), left.name) <
                         std::tuple(ComNumber(right.name), right.name);
              });
    return ports;
}

std::string SerialPortDriver(std::string_view port) {
    const std::string_view device_prefix = "\\\\.\\";
    if (port.substr(0, device_prefix.size()) == device_prefix) {
        port.remove_prefix(device_prefix.size());
    }
    for (const SerialPortInfo& listed : ListSerialPorts()) {
        if (_stricmp(listed.name.c_str(), std::string(port).c_str()) == 0) {
            return listed.driver;
        }
    }
    return {};
}
