// SPDX-License-Identifier: MIT
// The port's entry points with no port open: lines that read released, and nothing breaks.
#include <gtest/gtest.h>

#include "bus/port_lines.h"
#include "devices/compass.h"
#include "port/port_status.h"

namespace {

TEST(ClosedPort, LinesReadReleasedAndNothingBreaks) {
    CLOSECOM();
    EXPECT_FALSE(PortIsOpen());
    EXPECT_EQ(CTS(), 1);
    EXPECT_EQ(ReadBearing(), 6554);
    CLOSECOM();
    CLOSECOM();
    EXPECT_EQ(CTS(), 1);
}

}  // namespace
