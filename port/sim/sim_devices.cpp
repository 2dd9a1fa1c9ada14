// SPDX-License-Identifier: MIT
// The chips the options put on the simulated bus.
#include "port/sim/sim_devices.h"

std::vector<std::unique_ptr<SimDevice>> MakeSimDevices(const SimOptions& options) {
    std::vector<std::unique_ptr<SimDevice>> devices;
    if (options.compass != SimOptions::Compass::off) {
        auto compass = MakeSimCompass(options.compass_raw, options.compass);
        if (options.compass_hold > 0) {
            compass->InterruptMidRead(options.compass_hold);
        }
        devices.push_back(std::move(compass));
    }
    if (options.thermometer) {
        devices.push_back(MakeSimThermometer(options.thermometer_raw));
    }
    if (options.input_port) {
        devices.push_back(MakeSimInputPort(options.input_port_pins));
    }
    return devices;
}
