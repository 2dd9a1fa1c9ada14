// SPDX-License-Identifier: MIT
// The port listing on this machine (under Wine SetupAPI may list nothing) and, on Linux, on a
// fake sysfs and /dev laid out as the kernel and udev lay them out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "port/serial/serial_ports.h"

namespace fs = std::filesystem;

namespace {

TEST(SerialPorts, ThisMachinesPortsAreNamedAsUsersNameThemAndKnowTheirDriver) {
#ifdef _WIN32
    const std::string prefix = "COM";
#else
    const std::string prefix = "/dev/tty";
#endif
    for (const SerialPortInfo& port : ListSerialPorts()) {
        EXPECT_EQ(port.name.rfind(prefix, 0), 0U) << port.name;
        EXPECT_EQ(SerialPortDriver(port.name), port.driver) << port.name;
#ifdef _WIN32
        EXPECT_EQ(SerialPortDriver("\\\\.\\" + port.name), port.driver) << port.name;
#endif
    }
}

#ifndef _WIN32
class FakeTree : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "serial-ports-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        // A PNP UART behind serial-base's ctrl and port devices (Linux 6.3 on), a PCI
        // card's port as older kernels show it, and two of 8250's placeholders.
        Device("pnp0/00:01", "pnp", "serial");
        Device("pnp0/00:01/00:01:0", "serial-base", "ctrl");
        Device("pnp0/00:01/00:01:0/00:01:0.0", "serial-base", "port");
        Tty("ttyS40", "pnp0/00:01/00:01:0/00:01:0.0", "4");
        Device("pci0000:00/0000:00:1c.0", "pci", "serial");
        Tty("ttyS50", "pci0000:00/0000:00:1c.0", "4");
        Device("platform/serial8250", "platform", "serial8250");
        Device("platform/serial8250/serial8250:0", "serial-base", "ctrl");
        Device("platform/serial8250/serial8250:0/serial8250:0.1", "serial-base", "port");
        Tty("ttyS41", "platform/serial8250/serial8250:0/serial8250:0.1", "0");
        Tty("ttyS42", "platform/serial8250", "0");
        // USB adapters; ttyUSB3 is gone from /dev, tty1 is a console with no device.
        Device("usb1/1-1/1-1:1.0/ttyUSB10", "usb-serial", "ftdi_sio");
        Tty("ttyUSB10", "usb1/1-1/1-1:1.0/ttyUSB10", "");
        Device("usb1/1-2/1-2:1.0/ttyUSB2", "usb-serial", "ch341-uart");
        Tty("ttyUSB2", "usb1/1-2/1-2:1.0/ttyUSB2", "");
        Device("usb1/1-3/1-3:1.0", "usb", "cdc_acm");
        Tty("ttyACM0", "usb1/1-3/1-3:1.0", "");
        Device("usb1/1-4/1-4:1.0/ttyUSB3", "usb-serial", "pl2303");
        Tty("ttyUSB3", "usb1/1-4/1-4:1.0/ttyUSB3", "");
        Tty("tty1", "", "");
        fs::create_directories(root_ / "dev/serial/by-id");
        for (const char* node :
             {"ttyS40", "ttyS41", "ttyS42", "ttyS50", "ttyUSB2", "ttyUSB10", "ttyACM0", "tty1"}) {
            std::ofstream(root_ / "dev" / node).put('\n');
        }
        ById("usb-FTDI_FT232R_USB_UART_A10-if00-port0", "ttyUSB10");
        ById("usb-1a86_USB_Serial-if00-port0", "ttyUSB2");
        ById("usb-Arduino_Uno_7583-if00", "ttyACM0");
        ById("usb-Arduino_Uno_7583-if00-alias", "ttyACM0");
    }
    void TearDown() override { fs::remove_all(root_); }

    void Device(const std::string& path, const std::string& subsystem, const std::string& driver) {
        const fs::path bus = root_ / "sys/bus" / subsystem;
        fs::create_directories(bus / "drivers" / driver);
        fs::create_directories(root_ / "sys/devices" / path);
        fs::create_directory_symlink(bus, root_ / "sys/devices" / path / "subsystem");
        fs::create_directory_symlink(bus / "drivers" / driver,
                                     root_ / "sys/devices" / path / "driver");
    }
    void Tty(const std::string& name, const std::string& device, const std::string& type) {
        const fs::path parent = root_ / "sys/devices" / (device.empty() ? "virtual" : device);
        const fs::path tty = parent / "tty" / name;
        fs::create_directories(tty);
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directory_symlink(tty, root_ / "sys/class/tty" / name);
        if (!device.empty()) {
            fs::create_directory_symlink("../..", tty / "device");
        }
        if (!type.empty()) {
            std::ofstream(tty / "type") << type << '\n';
        }
    }
    void ById(const std::string& name, const std::string& tty) {
        fs::create_symlink("../../" + tty, root_ / "dev/serial/by-id" / name);
    }

    fs::path root_;
};

TEST_F(FakeTree, ListsPortsWithAUartAndANodeInOrder) {
    const std::vector<std::string> expected = {
        "/dev/ttyS40 |  | serial",
        "/dev/ttyS50 |  | serial",
        "/dev/ttyUSB2 | usb-1a86_USB_Serial-if00-port0 | ch341-uart",
        "/dev/ttyUSB10 | usb-FTDI_FT232R_USB_UART_A10-if00-port0 | ftdi_sio",
        "/dev/ttyACM0 | usb-Arduino_Uno_7583-if00, usb-Arduino_Uno_7583-if00-alias | cdc_acm",
    };
    std::vector<std::string> rows;
    for (const SerialPortInfo& port : ListSerialPortsUnder(root_ / "sys", root_ / "dev")) {
        rows.push_back(port.name + " | " + port.description + " | " + port.driver);
    }
    EXPECT_EQ(rows, expected);
}

TEST_F(FakeTree, TellsTheDriverOfAPortHoweverItIsNamed) {
    fs::create_symlink(root_ / "dev/ttyUSB2", root_ / "my-adapter");
    const struct {
        std::string port;
        const char* driver;
    } cases[] = {
        {"/dev/ttyUSB10", "ftdi_sio"},
        {"/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0", "ch341-uart"},
        {(root_ / "my-adapter").string(), "ch341-uart"},
        {"/dev/ttyS40", "serial"},
        {"/dev/tty1", ""},
        {"/dev/ttyUSB3", ""},
        {"", ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(SerialPortDriverUnder(test.port, root_ / "sys", root_ / "dev"), test.driver)
            << test.port;
    }
}
#endif

}  // namespace
