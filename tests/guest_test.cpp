// SPDX-License-Identifier: MIT
// kolvaner-cli through a real kernel's serial drivers: a Linux guest under QEMU (TCG) with
// two 16550 UARTs (the 8250 driver) and two of QEMU's FTDI USB adapters (ftdi_sio). Each
// guest port is a pty on the host, and the fake terminal preloaded into QEMU answers its
// modem lines with the chips of a simulated bus: what the guest's program reads went
// through the driver, QEMU's device model and the pty's TIOCMSET/TIOCMGET. One boot runs
// every line of tests/guest/checks; the tests read its console.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.h"

namespace {

struct Check {
    bool known_fault = false;
    std::string arguments;
    std::string expected;  // an extended regex over "EXIT: OUTPUT"
};

struct Chips {
    std::string port;  // the guest's name
    std::string bus_options;
};

struct Result {
    int status = -1;
    int milliseconds = -1;
    std::vector<std::string> output;
};

struct Guest {
    std::vector<Chips> chips;
    std::vector<Check> checks;
    std::map<int, Result> results;  // by the check's number, from 1
    std::map<std::string, std::string> drivers;
    bool done = false;
    std::string console;
};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;) {
        words.push_back(word);
    }
    return words;
}

void ReadChecks(Guest& guest) {
    std::ifstream table(KOLVANER_GUEST_CHECKS);
    for (std::string line; std::getline(table, line);) {
        const std::vector<std::string> words = Words(line);
        if (words.empty()) {
            continue;
        }
        const std::size_t arrow = line.find(" => ");
        if (line.rfind("chips ", 0) == 0 && words.size() == 3) {
            guest.chips.push_back({words[1], words[2]});
        } else if ((words[0] == "run" || words[0] == "fault") && arrow != std::string::npos) {
            const std::size_t start = words[0].size() + 1;
            guest.checks.push_back(
                {words[0] == "fault", line.substr(start, arrow - start), line.substr(arrow + 4)});
        }
    }
}

// A pty whose slave QEMU opens; the master stays open here for the guest's whole run.
std::string OpenPty() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return "";
    }
    return ptsname(master);
}

// The QEMU options that put one port of the guest on the host's pty.
std::string PortOptions(const Chips& chips, int number, const std::string& pty) {
    const std::string id = "port" + std::to_string(number);
    const std::string chardev = " -chardev serial,id=" + id + ",path=" + pty;
    const std::string usb = "/dev/ttyUSB";
    if (chips.port.rfind(usb, 0) == 0) {
        const int index = std::stoi(chips.port.substr(usb.size()));
        return chardev + " -device usb-serial,bus=xhci.0,port=" + std::to_string(index + 1) +
               ",chardev=" + id;
    }
    return chardev + " -device isa-serial,chardev=" + id +
           ",index=" + chips.port.substr(std::string("/dev/ttyS").size());
}

void ReadConsole(Guest& guest) {
    std::istringstream console(guest.console);
    Result* current = nullptr;
    for (std::string line; std::getline(console, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::vector<std::string> words = Words(line);
        if (words.size() == 3 && words[0] == "@@" && words[1] == "begin") {
            current = &guest.results[std::stoi(words[2])];
        } else if (words.size() == 5 && words[0] == "@@" && words[1] == "end" &&
                   current != nullptr) {
            current->status = std::stoi(words[3]);
            current->milliseconds = std::stoi(words[4]);
            current = nullptr;
        } else if (words.size() == 4 && words[0] == "@@" && words[1] == "driver") {
            guest.drivers[words[2]] = words[3];
        } else if (line == "@@ done") {
            guest.done = true;
        } else if (current != nullptr) {
            current->output.push_back(line);
        }
    }
}

// Boots the guest once, until it powers off.
Guest RunGuest() {
    Guest guest;
    ReadChecks(guest);
    std::string ports = " -device qemu-xhci,id=xhci";
    std::string ptys;
    for (std::size_t number = 0; number < guest.chips.size(); ++number) {
        const std::string pty = OpenPty();
        ports += PortOptions(guest.chips[number], static_cast<int>(number), pty);
        ptys += pty + "=" + guest.chips[number].bus_options + " ";
    }
    // The console on stdio; no other device of the host reaches the guest. The time limit
    // is a safety net for a guest that hangs, far above a boot's time.
    const std::string options =
        "-accel tcg -m 256 -nodefaults -display none -no-reboot -monitor none -serial stdio"
        " -bios /usr/share/qemu/qboot.rom -kernel " KOLVANER_GUEST_DIR
        "/vmlinux -initrd " KOLVANER_GUEST_DIR
        "/initramfs.cpio.gz -append 'console=ttyS0 quiet panic=-1'" +
        ports;
    const ProgramRun run = RunProgram(
        KOLVANER_QEMU, options + " </dev/null",
        "LD_PRELOAD='" FAKE_TTY_LIBRARY "' KOLVANER_FAKE_PTYS='" + ptys + "' timeout 900");
    guest.console = run.out + run.err;
    ReadConsole(guest);
    return guest;
}

const Guest& TheGuest() {
    static const Guest guest = RunGuest();
    return guest;
}

std::string Joined(const Result& result) {
    std::string text = std::to_string(result.status) + ":";
    for (std::size_t line = 0; line < result.output.size(); ++line) {
        text += (line == 0 ? " " : " / ") + result.output[line];
    }
    return text;
}

TEST(Guest, RanEveryCheckAndPoweredOff) {
    const Guest& guest = TheGuest();
    EXPECT_TRUE(guest.done) << guest.console;
    EXPECT_EQ(guest.results.size(), guest.checks.size()) << guest.console;
    ASSERT_EQ(guest.drivers.size(), guest.chips.size()) << guest.console;
}

TEST(Guest, EachCheckGivesWhatTheChipsServed) {
    const Guest& guest = TheGuest();
    for (std::size_t index = 0; index < guest.checks.size(); ++index) {
        const Check& check = guest.checks[index];
        const auto result = guest.results.find(static_cast<int>(index + 1));
        ASSERT_NE(result, guest.results.end()) << check.arguments;
        const std::string got = Joined(result->second);
        const bool right = std::regex_search(got, std::regex(check.expected, std::regex::extended));
        if (check.known_fault) {
            std::printf("known fault: kolvaner-cli %s gave: %s (%s)\n", check.arguments.c_str(),
                        got.c_str(), right ? "right this time" : "wrong");
            continue;
        }
        EXPECT_TRUE(right) << "kolvaner-cli " << check.arguments << "\n gave: " << got
                           << "\n expected: " << check.expected;
    }
}

// check and ports name each port's driver as the guest's /sys does.
TEST(Guest, DriversAreTheOnesSysNames) {
    const Guest& guest = TheGuest();
    for (const auto& [port, driver] : guest.drivers) {
        for (std::size_t index = 0; index < guest.checks.size(); ++index) {
            const auto result = guest.results.find(static_cast<int>(index + 1));
            const std::vector<std::string> words = Words(guest.checks[index].arguments);
            if (result == guest.results.end() || result->second.output.empty()) {
                continue;
            }
            const std::string output = Joined(result->second);
            const bool names_adapter = output.find("adapter: ") != std::string::npos;
            if (words.size() >= 3 && words[0] == "check" && words[2] == port && names_adapter) {
                EXPECT_NE(output.find("adapter: " + driver + " "), std::string::npos) << output;
            } else if (words[0] == "ports") {
                std::string line = "(^|/ )";
                line.append(port).append(" +").append(driver).append(" ");
                EXPECT_TRUE(std::regex_search(output, std::regex(line)))
                    << port << " " << driver << ": " << output;
            }
        }
    }
}

// A bearing read's time in the guest, for each driver: emulated, so slower than on the PC.
TEST(Guest, TimePerBearingRead) {
    const Guest& guest = TheGuest();
    for (std::size_t index = 0; index < guest.checks.size(); ++index) {
        const std::vector<std::string> words = Words(guest.checks[index].arguments);
        const auto result = guest.results.find(static_cast<int>(index + 1));
        if (words.size() == 7 && words[0] == "bearing" && words[3] == "--count" &&
            result != guest.results.end() && result->second.status == 0) {
            const auto driver = guest.drivers.find(words[2]);
            const double reads = std::stod(words[4]);
            std::printf("bearing read through the guest's %s (emulated, QEMU TCG): %.1f ms\n",
                        driver != guest.drivers.end() ? driver->second.c_str() : "?",
                        result->second.milliseconds / reads);
        }
    }
}

}  // namespace
