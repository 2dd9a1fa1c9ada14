// SPDX-License-Identifier: MIT
#include "port/sim/sim_adapter.h"

namespace {

// Every adapter but the ideal one is given the slowest RS-232 driver's edges with the CTS
// receiver's load on SDA, USB ones with 3.3 V transceivers (MAX3232) included.
constexpr pin_edges::PinEdges kEdges = pin_edges::kSlowestDriver;
// The receiver's propagation delay, 0.3-1.5 us (MAX232 data sheet, tPLH and tPHL).
constexpr SimTime kReceiver = 1500;

// A 16550 on the LPC bus: one outb to the modem control register or inb from the modem
// status register is about 1-2 us of port I/O.
constexpr SimTime kPortIo = 1500;
// A USB control transfer on a full-speed bus waits for a 1 ms frame.
constexpr SimTime kUsbRoundTrip = 1'000'000;
// A chip's status report waits for the host to poll its interrupt endpoint, once a 1 ms
// frame at full speed.
constexpr SimTime kUsbFrame = 1'000'000;
// A driver that answers TIOCMGET from memory: one system call.
constexpr SimTime kCachedStatus = 5'000;

}  // namespace

SimAdapter SimulatedAdapter(const Adapter& adapter) {
    const SimTime delivery = adapter.cts == CtsReport::polled ? kUsbFrame : 0;
    switch (adapter.wire) {
        case AdapterWire::instant:
            break;
        case AdapterWire::uart:
            return {kPortIo, kPortIo, kEdges, kReceiver, delivery};
        case AdapterWire::usb: {
            // A driver that does not ask the chip answers from what it keeps.
            const SimTime status = adapter.cts == CtsReport::fresh ? kUsbRoundTrip : kCachedStatus;
            return {kUsbRoundTrip, status, kEdges, kReceiver, delivery};
        }
    }
    return {0, 0, {}, 0, delivery};
}
