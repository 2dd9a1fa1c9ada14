// SPDX-License-Identifier: MIT
// The serial adapters Kolvaner knows, one row each: what their drivers are called, how
// they report CTS and how often. The pacing finds an adapter by its driver; the simulated
// bus finds one by its name (sim:adapter=NAME) and models it from its row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

constexpr std::int64_t kNsPerMs = 1'000'000;

// How a driver tells the host the level of the adapter's CTS input.
enum class CtsReport {
    fresh,      // read from the UART or the chip on every call
    polled,     // kept as the chip last reported it: a report comes every interval
    always_on,  // on whatever the pin does, so SDA cannot be read back
};

// How a line call reaches the adapter's lines.
enum class AdapterWire {
    instant,  // the simulator's own: the lines change the moment they are asked to
    uart,     // port I/O on a UART of the PC's own
    usb,      // a USB control transfer to the adapter's chip
};

struct Adapter {
    const char* name;             // as sim:adapter= takes it
    const char* linux_driver;     // the tty driver's name
    const char* windows_service;  // its driver's service, in any case; its 64-bit one
                                  // ends in 64 or _A64
    AdapterWire wire;
    CtsReport cts;
    std::int64_t report_interval_ns;  // polled: a status report this often
};

// Every adapter, "ideal" first.
std::span<const Adapter> Adapters();
// The adapter of that name, nullptr when there is none.
const Adapter* AdapterNamed(std::string_view name);
// The adapter a driver of that name runs (Linux's or Windows'), nullptr when Kolvaner does
// not know the driver. The simulator's ideal adapter passes for a native port.
const Adapter* AdapterOfDriver(std::string_view driver);
// Its driver's name on this system.
const char* DriverName(const Adapter& adapter);
// The adapters' names, or those of the adapters whose CTS is reported so, joined by
// separator.
std::string AdapterNames(std::string_view separator,
                         std::optional<CtsReport> reported = std::nullopt);

// "a PC's own serial port", "USB, CTS read from the chip each time", ...; nullptr is a
// driver Kolvaner does not know.
const char* AdapterText(const Adapter* adapter);
// What the bus can do through it: "works", "works, slowly", "cannot work", ...
const char* AdapterVerdict(const Adapter* adapter);
