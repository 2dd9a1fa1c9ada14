// SPDX-License-Identifier: MIT
// kolvaner-cli i2c's server: starts the command with the client library preloaded and
// carries out what it asks of /dev/i2c-N on the open bus until the command ends.
#pragma once

#include <string>
#include <vector>

struct I2cServe {
    int bus = 0;
    std::vector<std::string> command;  // the program and its arguments, looked up in PATH
    std::string library;               // the client, for LD_PRELOAD
    std::string listing;               // what /proc/bus/i2c reads as
};

// The command's exit status, 128 + N when signal N ended it or when signal N came to
// kolvaner-cli (the command gets the same signal, and SIGKILL when it has not ended a
// second later); 126 or 127 when it could not be started, as a shell says.
int ServeI2c(const I2cServe& serve);
