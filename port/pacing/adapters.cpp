// SPDX-License-Identifier: MIT
#include "port/pacing/adapters.h"

#include <algorithm>
#include <cctype>

namespace {

// drivers/tty/serial/8250 and Windows' serial.sys; drivers/usb/serial, drivers/usb/class
// and their Windows counterparts.
constexpr Adapter kAdapters[] = {
    // The simulator's first model: lines change at the pins the moment they are asked to.
    {"ideal", "serial8250", "Serial", AdapterWire::instant, CtsReport::fresh, 0},
    // A PC's own 16550: the modem status register is read live.
    {"native", "serial8250", "Serial", AdapterWire::uart, CtsReport::fresh, 0},
    // ftdi_sio.c: TIOCMSET is an FTDI_SIO_SET_MODEM_CTRL control request, TIOCMGET asks the
    // chip with FTDI_SIO_GET_MODEM_STATUS every time.
    {"ftdi", "ftdi_sio", "FTSER2K", AdapterWire::usb, CtsReport::fresh, 0},
    // cp210x.c: CP210X_SET_MHS to change the lines, CP210X_GET_MDMSTS to read them.
    {"cp210x", "cp210x", "silabser", AdapterWire::usb, CtsReport::fresh, 0},
    // pl2303.c: TIOCMGET returns priv->line_status, which the interrupt endpoint updates
    // (bInterval 1: 1 ms at full speed).
    {"pl2303", "pl2303", "Ser2pl", AdapterWire::usb, CtsReport::polled, kNsPerMs},
    // ch341.c: the same with priv->msr; the chip reports less often.
    {"ch341", "ch341-uart", "CH341SER", AdapterWire::usb, CtsReport::polled, 4 * kNsPerMs},
    // cdc-acm.c: acm_tty_tiocmget() always adds TIOCM_CTS.
    {"cdc-acm", "cdc_acm", "usbser", AdapterWire::usb, CtsReport::always_on, 0},
};

// Windows names services in any case, and Ser2pl64 and CH341SER_A64 are the 64-bit
// drivers of Ser2pl and CH341SER. ch341.c registers its tty driver as "ch341-uart".
bool NamesDriver(std::string_view driver, std::string_view known) {
    if (driver.size() < known.size()) {
        return false;
    }
    const bool same_start =
        std::equal(known.begin(), known.end(), driver.begin(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    const std::string_view rest = driver.substr(known.size());
    return same_start && (rest.empty() || rest == "64" || rest.substr(0, 1) == "_");
}

}  // namespace

std::span<const Adapter> Adapters() {
    return kAdapters;
}

const Adapter* AdapterNamed(std::string_view name) {
    const auto* found = std::ranges::find(kAdapters, name, &Adapter::name);
    return found != std::end(kAdapters) ? found : nullptr;
}

const Adapter* AdapterOfDriver(std::string_view driver) {
    for (const Adapter& adapter : kAdapters) {
        if (adapter.wire != AdapterWire::instant &&
            (NamesDriver(driver, adapter.linux_driver) ||
             NamesDriver(driver, adapter.windows_service))) {
            return &adapter;
        }
    }
    return nullptr;
}

const char* DriverName(const Adapter& adapter) {
#ifdef _WIN32
    return adapter.windows_service;
#else
    return adapter.linux_driver;
#endif
}

std::string AdapterNames(std::string_view separator, std::optional<CtsReport> reported) {
    std::string names;
    for (const Adapter& adapter : kAdapters) {
        if (!reported || adapter.cts == *reported) {
            names += (names.empty() ? "" : std::string(separator)) + adapter.name;
        }
    }
    return names;
}

const char* AdapterText(const Adapter* adapter) {
    if (adapter == nullptr) {
        return "a driver Kolvaner does not know";
    }
    if (adapter->wire != AdapterWire::usb) {
        return "a PC's own serial port";
    }
    if (adapter->cts == CtsReport::fresh) {
        return "USB, CTS read from the chip each time";
    }
    return adapter->cts == CtsReport::polled ? "USB, CTS as the chip last reported it"
                                             : "USB, CTS reported always on";
}

const char* AdapterVerdict(const Adapter* adapter) {
    if (adapter == nullptr) {
        return "may work, paced as one that reports CTS late";
    }
    if (adapter->cts == CtsReport::always_on) {
        return "cannot work";
    }
    return adapter->wire == AdapterWire::usb ? "works, slowly" : "works";
}
