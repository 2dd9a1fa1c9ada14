// SPDX-License-Identifier: MIT
// kolvaner-cli ports: the serial ports of this machine and what the bus can do through
// each, read from /sys or SetupAPI without opening any.
#pragma once

// Prints one line per port, or that there is none; 0 either way.
int RunPorts();
