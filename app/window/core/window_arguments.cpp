// SPDX-License-Identifier: MIT
#include "app/window/core/window_arguments.h"

#include "kolvaner_version.h"

// Short lines: on Windows the text may come in a message box.
const char kWindowUsage[] =
    "Usage: kolvaner [--help | --version]\n"
    "Shows the compass bearing, read over the serial port's\n"
    "modem lines, twice a second. Other arguments are ignored;\n"
    "on Linux, Qt's own options (-platform, -style) apply.\n"
    "Environment:\n"
    "  KOLVANER_PORT   COM1 (the default; /dev/ttyS0 on Linux),\n"
    "                  COM3, /dev/ttyUSB0, ..., or sim[:OPTIONS]\n"
    "                  for the simulated bus (kolvaner-cli --help)\n"
    "  KOLVANER_TRACE  a file to record the bus in, as a VCD\n"
    "  KOLVANER_CLOCK  fastest SCL clock in kHz, 1-100 (77);\n"
    "                  lower it for long cables\n"
    "A port or trace that fails is told once on stderr (on\n"
    "Windows also as debug output), in one line starting\n"
    "\"kolvaner:\"; the window goes on.\n";

const char kWindowVersion[] = "kolvaner " KOLVANER_VERSION "\n";

std::string_view HelpOrVersionText(const std::vector<std::string_view>& arguments) {
    for (const std::string_view argument : arguments) {
        if (argument == "--help") {
            return kWindowUsage;
        }
        if (argument == "--version") {
            return kWindowVersion;
        }
    }
    return {};
}
