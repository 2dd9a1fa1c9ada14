// SPDX-License-Identifier: MIT
// The serial ports under /sys/class/tty that have a node in /dev, and their drivers. Only
// sysfs attributes and symbolic links are read; no device is opened.
#include "port/serial/serial_ports.h"
#include "port/text/number_text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <fstream>
#include <map>
#include <optional>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 3> kPortKinds = {"ttyS", "ttyUSB", "ttyACM"};

// Where a tty sorts: its kind's place in kPortKinds, then its number. None for other ttys.
using PortOrder = std::pair<std::size_t, unsigned>;

std::optional<PortOrder> OrderOf(std::string_view name) {
    for (std::size_t kind = 0; kind < kPortKinds.size(); ++kind) {
        if (name.substr(0, kPortKinds[kind].size()) != kPortKinds[kind]) {
            continue;
        }
        unsigned number = 0;
        if (ParseNumber(name.substr(kPortKinds[kind].size()), false, UINT_MAX, number)) {
            return PortOrder{kind, number};
        }
    }
    return std::nullopt;
}

// The entries of a directory; none when it cannot be read.
std::vector<fs::path> Entries(const fs::path& directory) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator entry(directory, error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        entries.push_back(entry->path());
    }
    return entries;
}

// The last part of where a symbolic link points; empty when it is none.
std::string LinkName(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// The 8250 driver registers nr_uarts ttyS ports (CONFIG_SERIAL_8250_RUNTIME_UARTS, 4 by
// default, up to 32) whether or not a UART answers at their address, all bound to
// serial8250, as are real ports its legacy probe found. serial_core's "type" attribute
// (Documentation/ABI/testing/sysfs-tty, the TIOCGSERIAL type) tells them apart: it is
// PORT_UNKNOWN, 0, for a port where no UART was found (include/uapi/linux/serial_core.h).
bool HasUart(const fs::path& tty) {
    std::ifstream file(tty / "type");
    int type = 0;
    return static_cast<bool>(file >> type) && type != 0;
}

// The driver of the tty's device. Since Linux 6.3 serial_core puts a serial-base "port"
// device and its "ctrl" parent between the UART's device and its tty, bound to serial-base's
// own drivers (drivers/tty/serial/serial_base_bus.c); the UART's driver is above them.
std::string DriverOf(const fs::path& tty) {
    std::error_code error;
    fs::path device = fs::canonical(tty / "device", error);
    if (error) {
        return {};
    }
    while (LinkName(device / "subsystem") == "serial-base") {
        device = device.parent_path();
    }
    return LinkName(device / "driver");
}

// For each tty, the names in /dev/serial/by-id that point at it, sorted and joined.
std::map<std::string, std::string> ByIdNames(const fs::path& dev_root) {
    std::vector<fs::path> links = Entries(dev_root / "serial" / "by-id");
    std::sort(links.begin(), links.end());
    std::map<std::string, std::string> names;
    for (const fs::path& link : links) {
        std::error_code error;
        const fs::path target = fs::canonical(link, error);
        if (!error) {
            std::string& joined = names[target.filename().string()];
            joined += (joined.empty() ? "" : ", ") + link.filename().string();
        }
    }
    return names;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPortsUnder(const fs::path& sys_root,
                                                 const fs::path& dev_root) {
    const auto by_id = ByIdNames(dev_root);
    std::vector<std::pair<PortOrder, SerialPortInfo>> found;
    for (const fs::path& tty : Entries(sys_root / "class" / "tty")) {
        const std::string name = tty.filename().string();
        const std::optional<PortOrder> order = OrderOf(name);
        std::error_code error;
        if (!order || !fs::exists(dev_root / name, error) ||
            (kPortKinds[order->first] == "ttyS" && !HasUart(tty))) {
            continue;
        }
        const auto links = by_id.find(name);
        found.push_back(
            {*order, SerialPortInfo{"/dev/" + name, links == by_id.end() ? "" : links->second,
                                    DriverOf(tty)}});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& left, const auto& right) { return left.first < right.first; });
    std::vector<SerialPortInfo> ports;
    ports.reserve(found.size());
    for (auto& [order, port] : found) {
        ports.push_back(std::move(port));
    }
    return ports;
}

std::string SerialPortDriverUnder(std::string_view port, const fs::path& sys_root,
                                  const fs::path& dev_root) {
    fs::path path(port);
    const fs::path under_dev = path.lexically_relative("/dev");
    if (!under_dev.empty() && *under_dev.begin() != "..") {
        path = dev_root / under_dev;
    }
    std::error_code error;
    const fs::path device = fs::canonical(path, error);
    return error ? std::string() : DriverOf(sys_root / "class" / "tty" / device.filename());
}

std::vector<SerialPortInfo> ListSerialPorts() {
    return ListSerialPortsUnder("/sys", "/dev");
}

std::string SerialPortDriver(std::string_view port) {
    return SerialPortDriverUnder(port, "/sys", "/dev");
}
