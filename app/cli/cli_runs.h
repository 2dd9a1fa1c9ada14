// SPDX-License-Identifier: MIT
// The commands kolvaner-cli runs on the open bus --count times (all but check and
// recover), and how it prints what they give.
#pragma once

#include "app/cli/cli_args.h"

// Runs the command on the open bus --count times. Each run prints what it read, or says on
// stderr why there is nothing (no acknowledge, SDA held low) and the next run goes on. A
// failed port, a failed trace or a signal ends it all. Returns 1 when a run failed, else 0.
int RunRepeated(const CliCommand& command);
