// kolvaner-cli's arguments (NUL-separated in the input): a clear error or a valid command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "app/cli/cli_args.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> args;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        args.push_back(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    CliCommand command;
    const std::string error = ParseCliArgs(args, command);
    if (!error.empty()) {
        return 0;
    }
    const bool valid = command.count >= 0 && command.interval_ms >= 0 &&
                       (!command.port || !command.port->empty()) &&
                       (!command.trace || !command.trace->empty());
    if (!valid) {
        std::abort();
    }
    return 0;
}
