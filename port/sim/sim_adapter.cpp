// SPDX-License-Identifier: MIT
#include "port/sim/sim_adapter.h"

#include <iterator>

namespace {

// Every adapter below is given the slowest RS-232 driver's edges with the CTS receiver's
// load on SDA, USB ones with 3.3 V transceivers (MAX3232) included.
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

// A PC's own port, under the driver's name on this system: the 8250 driver on Linux,
// serial.sys's service on Windows.
#ifdef _WIN32
constexpr char kNativeDriver[] = "Serial";
#else
constexpr char kNativeDriver[] = "serial8250";
#endif

}  // namespace

const SimAdapter kSimAdapters[] = {
    // Today's simulator: lines change at the pins the moment they are asked to.
    {"ideal", kNativeDriver, 0, 0, {}, 0, SimAdapter::Status::fresh, 0, 0},
    // A PC's own 16550 (drivers/tty/serial/8250): the modem status register is read live.
    {"native", kNativeDriver, kPortIo, kPortIo, kEdges, kReceiver, SimAdapter::Status::fresh, 0, 0},
    // ftdi_sio.c: TIOCMSET is an FTDI_SIO_SET_MODEM_CTRL control request, TIOCMGET asks the
    // chip with FTDI_SIO_GET_MODEM_STATUS every time.
    {"ftdi", "ftdi_sio", kUsbRoundTrip, kUsbRoundTrip, kEdges, kReceiver, SimAdapter::Status::fresh,
     0, 0},
    // cp210x.c: CP210X_SET_MHS to change the lines, CP210X_GET_MDMSTS to read them.
    {"cp210x", "cp210x", kUsbRoundTrip, kUsbRoundTrip, kEdges, kReceiver, SimAdapter::Status::fresh,
     0, 0},
    // pl2303.c: the lines change by a control request; TIOCMGET returns priv->line_status,
    // which the interrupt endpoint (bInterval 1 ms) updates.
    {"pl2303", "pl2303", kUsbRoundTrip, kCachedStatus, kEdges, kReceiver,
     SimAdapter::Status::polled, 1'000'000, kUsbFrame},
    // ch341.c: the same with priv->msr; the chip reports less often (sim:report=MS).
    {"ch341", "ch341-uart", kUsbRoundTrip, kCachedStatus, kEdges, kReceiver,
     SimAdapter::Status::polled, 4'000'000, kUsbFrame},
    // cdc-acm.c: SET_CONTROL_LINE_STATE for DTR and RTS; acm_tty_tiocmget() always adds
    // TIOCM_CTS, so SDA can never be read back.
    {"cdc-acm", "cdc_acm", kUsbRoundTrip, kCachedStatus, kEdges, kReceiver,
     SimAdapter::Status::always_on, 0, 0},
};

const std::size_t kSimAdapterCount = std::size(kSimAdapters);

const SimAdapter* FindSimAdapter(std::string_view name) {
    for (const SimAdapter& adapter : kSimAdapters) {
        if (name == adapter.name) {
            return &adapter;
        }
    }
    return nullptr;
}
