// SPDX-License-Identifier: MIT
#include "app/i2c/i2c_run.h"

#include <filesystem>
#include <system_error>

#include "app/i2c/i2c_adapters.h"
#include "app/i2c/i2c_server.h"
#include "port/port_status.h"

namespace fs = std::filesystem;

namespace {

constexpr char kLibraryName[] = "libkolvaner-i2c.so";

// Beside kolvaner-cli in the build tree; installed, in its own folder of the library
// directory.
std::string ClientLibrary(std::string& looked_in) {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error).parent_path();
    for (const fs::path& folder : {program, program / KOLVANER_I2C_LIBRARY_FROM_BIN}) {
        const fs::path library = (folder / kLibraryName).lexically_normal();
        if (fs::is_regular_file(library, error)) {
            return library.string();
        }
        looked_in += (looked_in.empty() ? "" : " and ") + folder.lexically_normal().string();
    }
    return {};
}

int ChosenBus(const CliCommand& command, const std::vector<I2cAdapter>& adapters) {
    return command.bus ? *command.bus : FreeBusNumber(adapters, "/dev");
}

}  // namespace

std::string CheckI2c(const CliCommand& command) {
    const std::vector<I2cAdapter> adapters = MachineAdapters("/sys", "/dev");
    if (command.bus && BusNumberTaken(*command.bus, adapters, "/dev")) {
        return "bus " + std::to_string(*command.bus) + " is this machine's own i2c-" +
               std::to_string(*command.bus) + "; choose another --bus";
    }
    std::string looked_in;
    const std::string library = ClientLibrary(looked_in);
    if (library.empty()) {
        return std::string("cannot find ") + kLibraryName + " in " + looked_in;
    }
    // The dynamic loader splits LD_PRELOAD at spaces and colons.
    if (library.find_first_of(" :") != std::string::npos) {
        return "cannot preload " + library + ": the path has a space or a colon";
    }
    return {};
}

int RunI2c(const CliCommand& command) {
    // No line check first, unlike scan: the bus carries only what the command asks for.
    // The open's CTS test has refused an adapter that cannot report CTS, and paces one
    // that reports it late.
    std::vector<I2cAdapter> adapters = MachineAdapters("/sys", "/dev");
    I2cServe serve;
    std::string looked_in;
    serve.bus = ChosenBus(command, adapters);
    serve.library = ClientLibrary(looked_in);
    serve.command = command.program;
    adapters.push_back({serve.bus, "i2c", "Kolvaner on " + PortName(), "I2C adapter"});
    serve.listing = AdapterListing(adapters);
    return ServeI2c(serve);
}
