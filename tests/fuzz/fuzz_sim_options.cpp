// SPDX-License-Identifier: MIT
// The simulated bus's option text: a clear error or a valid result, nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "port/sim/sim_options.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// Each option KEY=VALUE, once, none empty.
bool OptionsWellFormed(std::string_view text) {
    std::set<std::string_view> keys;
    for (std::size_t comma = 0; comma != std::string_view::npos;) {
        comma = text.find(',');
        const std::string_view option = text.substr(0, comma);
        const std::size_t equals = option.find('=');
        if (equals == std::string_view::npos || !keys.insert(option.substr(0, equals)).second) {
            return false;
        }
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SimOptions options;
    const std::string error = ParseSimOptions(text, options);
    // Every refusal says what is allowed; every option is KEY=VALUE, once, none empty.
    Check(error.empty() || error.find("allowed") != std::string::npos);
    Check(!error.empty() || text.empty() || OptionsWellFormed(text));
    // The same options after "sim:" as a port name, with the same verdict.
    SimOptions from_port;
    const std::string port = "sim:" + std::string(text);
    Check(NamesSimulator(port));
    Check(ParseSimPort(port, from_port).empty() == (error.empty() && !text.empty()));
    return 0;
}
