// SPDX-License-Identifier: MIT
// get, set and dump: any device on the bus, in the forms i2cget, i2cset and i2cdump use.
#pragma once

#include "app/cli/cli_args.h"
#include "app/cli/cli_output.h"

// The bytes read as 0xNN on one line; a register select when the command names one.
RunOutput GetBytes(const CliCommand& command);
// One write; nothing to print when every byte was acknowledged.
RunOutput SetBytes(const CliCommand& command);
// Registers 0x00-0xff, one register read each, as a grid; nothing when a signal or a failed
// port stops it partway. A register not acknowledged shows as XX; an address not
// acknowledged fails the whole dump.
RunOutput DumpRegisters(const CliCommand& command);
