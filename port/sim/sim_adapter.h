// SPDX-License-Identifier: MIT
// What lies between the program's line calls and the bus pins on the simulated bus: the
// serial adapter, its RS-232 transceiver and the interface circuit, in simulated time.
#pragma once

#include <cstdint>
#include <string_view>

#include "port/pin_edges.h"

// Nanoseconds of simulated time.
using SimTime = std::int64_t;

struct SimAdapter {
    // How the adapter tells the host the level of its CTS input.
    enum class Status {
        fresh,      // read from the chip on every call
        polled,     // the host keeps the last status the adapter reported
        always_on,  // the driver reports CTS on whatever the pin does
    };

    const char* name;
    // The driver that runs such an adapter, as Linux names it (the native port's as this
    // system does).
    const char* driver;
    SimTime line_call;    // one DTR or RTS call, until it returns to the caller
    SimTime status_call;  // one CTS read
    // From the end of a line call to the edge crossing the chips' input threshold at the
    // pins: 0.7 VDD for a rising edge, 0.3 VDD for a falling one.
    pin_edges::PinEdges edges;
    SimTime receiver;  // SDA at the pins to the CTS input's new level
    Status status;
    SimTime report_interval;  // polled: a status report this often; 0 = never again
    // polled: a report reaches the host up to this long after the chip took it (less than
    // an interval, so reports arrive in order)
    SimTime report_delivery;
};

// Every adapter the simulated bus knows, "ideal" first.
extern const SimAdapter kSimAdapters[];
extern const std::size_t kSimAdapterCount;

// The adapter of that name, nullptr when there is none.
const SimAdapter* FindSimAdapter(std::string_view name);

constexpr SimTime kSlaveDataValid = pin_edges::kSlaveDataValidNs;
