// SPDX-License-Identifier: MIT
// kolvaner-cli i2c: a command run with the open bus as this machine's I2C adapter N.
#pragma once

#include <string>

#include "app/cli/cli_args.h"

// Before the port opens: empty when the bus number is free and the client library is
// there, else one line naming what is wrong.
std::string CheckI2c(const CliCommand& command);

// With the port open: runs the command and serves the bus to it; its exit status.
int RunI2c(const CliCommand& command);
