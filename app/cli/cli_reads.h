// The reads kolvaner-cli runs on the open bus, and how it prints them.
#pragma once

#include "app/cli/cli_args.h"

// Ctrl-C and SIGTERM end the reads after the one running, and any wait at once.
void CatchInterrupts();

// Runs the command's reads on the open bus, printing each; returns the exit status.
int RunReads(const CliCommand& command);
