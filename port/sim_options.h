// Options of the simulated bus: KOLVANER_PORT=sim:compass=450 and the like.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct SimOptions {
    enum class Compass { turning, fixed, off };
    Compass compass = Compass::turning;
    std::uint16_t compass_raw = 0;  // tenths of a degree, for Compass::fixed
};

// Reads a comma-separated option list into options. Empty on success, otherwise one line
// naming the bad option and what is allowed.
std::string ParseSimOptions(std::string_view text, SimOptions& options);
