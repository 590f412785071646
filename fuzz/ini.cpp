// A settings file of any bytes: read, looked up and written back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "InputFile.h"
#include "settings/IniDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = inputFile(".ini", data, size);
    if (path.empty()) {
        return 0;
    }
    const auto document = kiv::IniDocument::Load(path);
    document->Value("STEP 1", "StepType");
    document->Value("Administration", "PackageName");
    kiv::IniDocument::WriteValue(path, "STEP 1", "StepName", "Fuzzed \xC3\xA9");
    kiv::IniDocument::Load(path)->Value("STEP 1", "StepName");
    return 0;
}
