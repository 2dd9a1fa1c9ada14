// SPDX-License-Identifier: MIT
// The device readers on a bus whose CTS answers are arbitrary 16-bit values: no crash, no
// sanitizer report, and every result within the range its arithmetic allows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "bus/i2c_bus.h"
#include "bus/message_box.h"
#include "bus/port_lines.h"
#include "devices/compass.h"
#include "devices/input_port.h"
#include "devices/thermometer.h"

namespace {

const std::uint8_t* answers = nullptr;
std::size_t answers_left = 0;

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

}  // namespace

std::int16_t OPENCOM(const char*) {
    return 1;
}
void CLOSECOM() {}
void DTR(int) {}
void RTS(int) {}

// Two input bytes per sample; a released line once the input runs out.
std::int16_t CTS() {
    if (answers_left < 2) {
        return 1;
    }
    const auto sample = static_cast<std::int16_t>(answers[0] | answers[1] << 8);
    answers += 2;
    answers_left -= 2;
    return sample;
}

// No time between line changes: the answers come from the input, not from a wire.
void SettleDelay(const std::int16_t&) {}

void ShowMessageBox(std::string_view) {}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    answers = data;
    answers_left = size;
    const std::int32_t bearing = ReadBearing();
    Check(bearing >= 0 && bearing <= 6554);
    // A high byte of 0x7F with the half-degree bit set is 127.5, which rounds to even 128;
    // the chip itself reads no higher than 125.
    const double temperature = ReadTemperature();
    Check(temperature == std::trunc(temperature) && temperature >= -128 && temperature <= 128);
    const BusByte address = size > 0 ? data[0] % 128 : 32;
    const int input = ReadInputPort(address);
    Check(input >= 0 && input <= 255);
    return 0;
}
