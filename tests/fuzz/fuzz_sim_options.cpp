// The simulated bus's option text: a clear error or a valid result, nothing else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "port/sim/sim_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    SimOptions options;
    const std::string error = ParseSimOptions(text, options);
    if (!error.empty() && error.find("allowed") == std::string::npos) {
        std::abort();  // every refusal says what is allowed
    }
    if (error.empty() && text.find('=') == std::string_view::npos && !text.empty()) {
        std::abort();  // every option is KEY=VALUE
    }
    return 0;
}
