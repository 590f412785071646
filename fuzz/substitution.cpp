// Substitution variables of any bytes: lines up to a line "--" define NAME=VALUE entries, the
// rest is a text whose placeholders are replaced, as a specification's values are.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/Text.h"
#include "settings/clsEnvironmentVariables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t separator = input.find("\n--\n");
    const std::string_view definitions = input.substr(0, separator);
    const std::string_view text =
        separator == std::string_view::npos ? input : input.substr(separator + 4);
    kiv::clsEnvironmentVariables environment;
    for (const std::string_view line : kiv::text::split(definitions, '\n')) {
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos) {
            environment.Add(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    environment.ReplaceEnvironmentVariables(text);
    return 0;
}
