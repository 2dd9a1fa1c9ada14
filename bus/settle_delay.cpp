// SPDX-License-Identifier: MIT
#include "bus/i2c_bus.h"

// 254 empty passes of an 8-bit counter per count. The counter is volatile so the
// optimiser keeps the loop: the wait scales with the processor, not with a clock.
void SettleDelay(const std::int16_t& count) {
    for (std::int16_t repeat = 0; repeat < count; ++repeat) {
        volatile std::uint8_t pass = 1;
        while (pass <= 254) {
            pass = pass + 1;
        }
    }
}
