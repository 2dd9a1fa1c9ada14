// What the port layer knows beyond the five entry points, for front ends that report it.
#pragma once

// OPENCOM succeeded and CLOSECOM has not run since.
bool PortIsOpen();
// A line operation failed after the open (an unplugged USB adapter): from then on the
// lines read as released and nothing is sent.
bool PortHasFailed();
