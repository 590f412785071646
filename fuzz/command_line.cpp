// A command line and a parameter file of any bytes: the input's lines are the arguments, and
// the input is also read as a parameter file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"
#include "driver/CommandLine.h"
#include "driver/modKivRun.h"

namespace {

// Endless files are out of bounds: reading /dev/zero or /proc would only measure how long
// reading an endless file takes.
bool namesOutsideFiles(std::string_view input) {
    for (const std::string_view outside : {"/dev/", "/proc/", "/sys/", ".."}) {
        if (input.find(outside) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The parameter file, in a folder of this process.
const std::string& parameterFile() {
    static const std::string path = [] {
        const auto folder =
            std::filesystem::temp_directory_path() / ("kiv-fuzz-cl-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return (folder / "params.txt").string();
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (namesOutsideFiles(input)) {
        return 0;
    }
    std::ofstream(parameterFile(), std::ios::binary | std::ios::trunc) << input;
    kiv::StartUp();
    std::vector<std::string> arguments;
    for (const std::string_view line : kiv::text::split(input, '\n')) {
        arguments.emplace_back(line);
    }
    kiv::CommandLine commandLine{nullptr};
    if (commandLine.ParseCommandLine(arguments)) {
        commandLine.CheckSpecificationFiles();
    }
    kiv::CommandLine fromFile{nullptr};
    fromFile.ParseCommandLine({"-p", parameterFile()});
    kiv::ShutDown();
    return 0;
}
