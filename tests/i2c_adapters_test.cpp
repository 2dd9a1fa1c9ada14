// SPDX-License-Identifier: MIT
// The machine's own I2C adapters on a fake /sys and /dev: the bus number kolvaner-cli i2c
// takes, and the /proc/bus/i2c lines i2c-tools splits at their last three tabs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/i2c/i2c_adapters.h"
#include "tests/support/temp_path.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

TEST(I2cAdapters, ListsTheMachinesAdaptersAndFindsAFreeNumber) {
    const fs::path root = TempPath("i2c-tree");
    const fs::path devices = root / "sys" / "bus" / "i2c" / "devices";
    WriteFile(devices / "i2c-0" / "name", "SMBus I801 adapter at efa0\n");
    WriteFile(devices / "i2c-17" / "name", "DP\tAUX\r\n");
    WriteFile(devices / "i2c-16" / "name", std::string(100, 'x') + "\n");
    WriteFile(devices / "0-0050" / "name", "eeprom\n");  // a client, not an adapter
    WriteFile(devices / "i2c-x" / "name", "not a number\n");
    WriteFile(root / "dev" / "i2c" / "18", "");  // a node with no adapter in /sys
    std::vector<I2cAdapter> adapters = MachineAdapters(root / "sys", root / "dev");
    ASSERT_EQ(adapters.size(), 3U);
    EXPECT_TRUE(BusNumberTaken(18, adapters, root / "dev"));
    EXPECT_FALSE(BusNumberTaken(1, adapters, root / "dev"));
    EXPECT_EQ(FreeBusNumber(adapters, root / "dev"), 19);
    adapters.push_back({19, "i2c", "Kolvaner on sim", "I2C adapter"});
    // No /dev/i2c-N opens here, so the type is unknown, as i2c-tools says then.
    EXPECT_EQ(AdapterListing(adapters),
              "i2c-0\tunknown\tSMBus I801 adapter at efa0\tN/A\n"
              "i2c-16\tunknown\t" +
                  std::string(64, 'x') +
                  "\tN/A\n"
                  "i2c-17\tunknown\tDP AUX\tN/A\n"
                  "i2c-19\ti2c\tKolvaner on sim\tI2C adapter\n");
    fs::remove_all(root);
}

}  // namespace
