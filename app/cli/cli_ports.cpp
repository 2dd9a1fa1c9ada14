// SPDX-License-Identifier: MIT
#include "app/cli/cli_ports.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli/cli_process.h"
#include "app/process/printable.h"
#include "port/pacing/adapters.h"
#include "port/serial/serial_ports.h"

namespace {

// The text and spaces after it up to width, and two more.
std::string Column(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ') + "  ";
}

}  // namespace

int RunPorts() {
    const std::vector<SerialPortInfo> ports = ListSerialPorts();
    if (ports.empty()) {
        Print("no serial ports found\n");
        return EXIT_SUCCESS;
    }
    std::size_t name_width = 4;
    std::size_t driver_width = 6;
    for (const SerialPortInfo& port : ports) {
        name_width = std::max(name_width, Printable(port.name).size());
        driver_width = std::max(driver_width, Printable(port.driver).size());
    }
    for (const SerialPortInfo& port : ports) {
        const Adapter* adapter = AdapterOfDriver(port.driver);
        std::string line =
            Column(Printable(port.name), name_width) +
            Column(port.driver.empty() ? "?" : Printable(port.driver), driver_width) +
            AdapterVerdict(adapter) + " (" + AdapterText(adapter) + ")";
        if (!port.description.empty()) {
            line += "  " + Printable(port.description);
        }
        Print(line + "\n");
    }
    return EXIT_SUCCESS;
}
