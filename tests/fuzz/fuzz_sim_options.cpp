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

// Each option once and none empty, in an accepted text.
bool OptionsWellFormed(std::string_view text) {
    std::set<std::string_view> keys;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        if (item.empty() || !keys.insert(item.substr(0, item.find('='))).second) {
            return false;
        }
        if (comma == std::string_view::npos) {
            return true;
        }
        text.remove_prefix(comma + 1);
        if (text.empty()) {
            return false;  // a trailing comma
        }
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
    Check(!error.empty() || text.empty() || text.find('=') != std::string_view::npos);
    Check(!error.empty() || OptionsWellFormed(text));
    // The same options after "sim:" as a port name, with the same verdict.
    SimOptions from_port;
    const std::string port = "sim:" + std::string(text);
    Check(NamesSimulator(port));
    Check(ParseSimPort(port, from_port).empty() == (error.empty() && !text.empty()));
    return 0;
}
