// SPDX-License-Identifier: MIT
// What lies between the program's line calls and the bus pins on the simulated bus: the
// serial adapter, its RS-232 transceiver and the interface circuit, in simulated time.
#pragma once

#include <cstdint>

#include "port/pacing/adapters.h"
#include "port/pin_edges.h"

// Nanoseconds of simulated time.
using SimTime = std::int64_t;

// What the simulated bus models of an adapter, from its row in the adapter table.
struct SimAdapter {
    SimTime line_call;    // one DTR or RTS call, until it returns to the caller
    SimTime status_call;  // one CTS read
    // From the end of a line call to the edge crossing the chips' input threshold at the
    // pins: 0.7 VDD for a rising edge, 0.3 VDD for a falling one.
    pin_edges::PinEdges edges;
    SimTime receiver;  // SDA at the pins to the CTS input's new level
    // A status report reaches the host up to this long after the chip took it (less than
    // an interval, so reports arrive in order).
    SimTime report_delivery;
};

// What an adapter's row comes to: the call costs of its wire and driver, and the
// transceiver's edges (none on the ideal adapter, whose lines change at once).
SimAdapter SimulatedAdapter(const Adapter& adapter);
