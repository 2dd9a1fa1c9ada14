// SPDX-License-Identifier: MIT
#include "app/window/core/window_arguments.h"

#include "kolvaner_version.h"

const char kWindowUsage[] =
    "Usage: kolvaner [--port PORT] [--help | --version]\n"
    "Shows the compass bearing, read over the serial port's\n"
    "modem lines, twice a second. Other arguments are ignored;\n"
    "on Linux, Qt's own options (-platform, -style) apply.\n"
    "  --port PORT     the port: COM3, /dev/ttyUSB0, ..., or\n"
    "                  sim[:OPTIONS] for the simulated bus\n"
    "                  (kolvaner-cli --help); kolvaner-cli ports\n"
    "                  lists this machine's serial ports\n"
    "Environment:\n"
    "  KOLVANER_PORT   the port without --port; COM1 (the\n"
    "                  default; /dev/ttyS0 on Linux) if unset\n"
    "  KOLVANER_TRACE  a file to record the bus in, as a VCD\n"
    "  KOLVANER_CLOCK  fastest SCL clock in kHz, 1-100 (55);\n"
    "                  lower it for long cables\n"
    "A port or trace that fails is told once on stderr (on\n"
    "Windows also as debug output), in one line starting\n"
    "\"kolvaner:\"; the window goes on.\n";

// A message box wraps its text itself.
const char kWindowHelpBox[] =
    "Kolvaner shows the heading of a compass module, read over a serial port's modem "
    "lines, twice a second.\n\n"
    "To choose the port, start Kolvaner with --port and the port's name, for example in a "
    "shortcut's Target: kolvaner.exe --port COM3. Device Manager (Ports (COM & LPT)) and "
    "\"kolvaner-cli ports\" show the serial ports this PC has.\n\n"
    "Without --port, Kolvaner opens the port the environment variable KOLVANER_PORT names, "
    "else COM1. KOLVANER_PORT=sim runs it on a simulated bus, without hardware. "
    "KOLVANER_CLOCK is the fastest bus clock in kHz (1-100, 55 if unset; lower it for long "
    "cables), KOLVANER_TRACE a file to record the bus in.\n\n"
    "README.txt, beside kolvaner.exe, tells how to wire the interface and how to set the "
    "variables.";

const char kWindowVersion[] = "kolvaner " KOLVANER_VERSION "\n";

namespace {

constexpr int kUsageError = 2;

WindowArguments Wrong(const std::string& problem) {
    return {"kolvaner: " + problem + " (kolvaner --help)\n", kUsageError, std::nullopt};
}

}  // namespace

WindowArguments ReadWindowArguments(const std::vector<std::string_view>& arguments) {
    WindowArguments read;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string_view argument = arguments[index];
        if (argument == "--help" || argument == "--version") {
            return {argument == "--help" ? kWindowUsage : kWindowVersion, 0, std::nullopt};
        }
        std::string_view port;
        if (argument.substr(0, 7) == "--port=") {
            port = argument.substr(7);
        } else if (argument != "--port") {
            continue;
        } else if (index + 1 < arguments.size()) {
            port = arguments[++index];
        } else {
            return Wrong("missing value for '--port'");
        }
        if (port.empty()) {
            return Wrong("empty --port");
        }
        read.port = std::string(port);
    }
    return read;
}
