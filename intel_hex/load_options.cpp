// --load, --go and --watch.
#include "intel_hex/load_options.h"

namespace intel_hex {

namespace {

// What each option's value may be, for the messages that refuse one.
constexpr const char* kGoValues = "a hexadecimal address from 0 to FFFF (8000, 8000h or 0x8000)";
constexpr const char* kLoadValues =
    "FILE.hex or FILE.ihx (Intel HEX), or FILE@ADDR (a raw image at hexadecimal ADDR)";

}  // namespace

bool TakeLoadOptions(std::vector<std::string>& args, LoadOptions& options, std::string& error) {
    options = LoadOptions{};
    std::vector<std::string> rest;
    std::string load;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (arg == "--watch") {
            options.watch = true;
        } else if (name == "--load" || name == "--go") {
            // the value follows the option or its '='; an option in its place is no value
            std::string value;
            if (equals != std::string::npos)
                value = arg.substr(equals + 1);
            else if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
                value = args[++i];
            if (value.empty()) {
                error = name + " needs a value: " + (name == "--load" ? kLoadValues : kGoValues);
                return false;
            }
            if (name == "--load") {
                load = value;
            } else if (!(options.go = ParseAddress(value))) {
                error = "--go " + value + ": not " + kGoValues;
                return false;
            }
        } else {
            rest.push_back(arg);
        }
    }
    args = rest;
    if (load.empty()) {
        if (options.go || options.watch) {
            error = std::string(options.go ? "--go" : "--watch") + " needs --load FILE: the program to start or watch";
            return false;
        }
        return true;
    }
    std::string why;
    options.file = ParseLoadArgument(load, why);
    if (!options.file) error = "--load " + why;
    return options.file.has_value();
}

bool ReadLoadFile(const LoadArgument& file, Program& program, std::string& error) {
    ParseResult result = ReadProgram(file);
    if (!result.ok) {
        error = result.fault.line > 0 ? file.path + ": " + result.fault.Describe() : result.fault.Describe();
        return false;
    }
    program = std::move(result.program);
    return true;
}

}  // namespace intel_hex
