// SPDX-License-Identifier: MIT
#include "app/i2c/i2c_adapters.h"

#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr int kFirstServedBus = 16;
// i2c-tools reads each line into 120 bytes; the number, the type and the algorithm take at
// most 40 of them.
constexpr std::size_t kLongestName = 64;

// As i2c-tools types an adapter from sysfs: by what its I2C_FUNCS says.
void TypeAdapter(I2cAdapter& adapter, const fs::path& dev_root) {
    adapter.type = "unknown";
    adapter.algorithm = "N/A";
    const fs::path node = dev_root / ("i2c-" + std::to_string(adapter.number));
    const int fd = open(node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    unsigned long functions = 0;
    if (ioctl(fd, I2C_FUNCS, &functions) == 0) {
        const bool plain = (functions & I2C_FUNC_I2C) != 0;
        adapter.type = plain ? "i2c" : "smbus";
        adapter.algorithm = plain ? "I2C adapter" : "SMBus adapter";
    }
    close(fd);
}

std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    text.erase(text.find_last_not_of(' ') + 1);
    return text.substr(0, kLongestName);
}

}  // namespace

std::vector<I2cAdapter> MachineAdapters(const fs::path& sys_root, const fs::path& dev_root) {
    std::vector<I2cAdapter> adapters;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(sys_root / "bus" / "i2c" / "devices", error)) {
        const std::string file = entry.path().filename().string();
        int number = -1;
        if (file.rfind("i2c-", 0) != 0 ||
            file.find_first_not_of("0123456789", 4) != std::string::npos || file.size() == 4 ||
            file.size() > 10) {
            continue;
        }
        number = std::stoi(file.substr(4));
        I2cAdapter adapter{number, {}, {}, {}};
        std::ifstream name(entry.path() / "name");
        std::getline(name, adapter.name);
        adapter.name = OneLine(adapter.name);
        TypeAdapter(adapter, dev_root);
        adapters.push_back(adapter);
    }
    return adapters;
}

bool BusNumberTaken(int number, const std::vector<I2cAdapter>& adapters, const fs::path& dev_root) {
    std::error_code error;
    const std::string name = std::to_string(number);
    return std::any_of(adapters.begin(), adapters.end(),
                       [number](const I2cAdapter& adapter) { return adapter.number == number; }) ||
           fs::exists(dev_root / ("i2c-" + name), error) ||
           fs::exists(dev_root / "i2c" / name, error);
}

int FreeBusNumber(const std::vector<I2cAdapter>& adapters, const fs::path& dev_root) {
    int number = kFirstServedBus;
    while (BusNumberTaken(number, adapters, dev_root)) {
        ++number;
    }
    return number;
}

std::string AdapterListing(std::vector<I2cAdapter> adapters) {
    std::sort(adapters.begin(), adapters.end(),
              [](const I2cAdapter& a, const I2cAdapter& b) { return a.number < b.number; });
    std::string listing;
    for (const I2cAdapter& adapter : adapters) {
        const std::string name = OneLine(adapter.name);
        listing += "i2c-" + std::to_string(adapter.number) + "\t" + adapter.type + "\t" +
                   (name.empty() ? "?" : name) + "\t" + adapter.algorithm + "\n";
    }
    return listing;
}
