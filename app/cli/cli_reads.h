// The reads kolvaner-cli runs on the open bus, and how it prints them.
#pragma once

#include "app/cli/cli_args.h"

// Runs the command's reads on the open bus. Each read prints its value, or says on stderr
// why there is none (no acknowledge, SDA held low) and the run goes on. A failed port, a
// failed trace or a signal ends the run. Returns 1 when a read failed, else 0.
int RunReads(const CliCommand& command);
