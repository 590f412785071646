// A settings file of any bytes: read, looked up and written back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "settings/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/kiv-fuzz-ini-" + std::to_string(::getpid()) + ".ini";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const auto document = kiv::IniDocument::Load(path);
    document->Value("STEP 1", "StepType");
    document->Value("Administration", "PackageName");
    kiv::IniDocument::WriteValue(path, "STEP 1", "StepName", "Fuzzed \xC3\xA9");
    kiv::IniDocument::Load(path)->Value("STEP 1", "StepName");
    return 0;
}
