// SPDX-License-Identifier: MIT
// This machine's own I2C adapters, the bus number kolvaner-cli i2c serves, and the
// /proc/bus/i2c listing of both that i2c-tools reads.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct I2cAdapter {
    int number = 0;
    std::string type;  // i2c, smbus or unknown, as i2cdetect -l shows it
    std::string name;
    std::string algorithm;  // I2C adapter, SMBus adapter or N/A
};

// The adapters under sys_root/bus/i2c/devices (i2c-N/name), typed by I2C_FUNCS on their
// /dev/i2c-N under dev_root where it opens.
std::vector<I2cAdapter> MachineAdapters(const std::filesystem::path& sys_root,
                                        const std::filesystem::path& dev_root);

// True when an adapter or a device node of the machine already has the number.
bool BusNumberTaken(int number, const std::vector<I2cAdapter>& adapters,
                    const std::filesystem::path& dev_root);

// The first number from 16 on that the machine does not use.
int FreeBusNumber(const std::vector<I2cAdapter>& adapters, const std::filesystem::path& dev_root);

// One line per adapter, in number order, as the kernel's /proc/bus/i2c had them:
// "i2c-N<TAB>type<TAB>name<TAB>algorithm". Tabs and line ends in a name become spaces, and
// a long name is cut so that a line fits i2c-tools' 120-byte buffer.
std::string AdapterListing(std::vector<I2cAdapter> adapters);
