// SPDX-License-Identifier: MIT
// The settings text handed to OPENCOM: a clear error or settings within range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "port/port_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PortSettings settings;
    if (!ParsePortSettings(text, settings).empty()) {
        return 0;
    }
    const bool valid = settings.port_number >= 1 && settings.port_number <= 256 &&
                       settings.baud > 0 && settings.data_bits >= 5 && settings.data_bits <= 8 &&
                       settings.stop_bits >= 1 && settings.stop_bits <= 2 &&
                       std::string_view("NEO").find(settings.parity) != std::string_view::npos;
    if (!valid) {
        std::abort();
    }
    return 0;
}
