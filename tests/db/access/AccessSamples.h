#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace kiv::db::testing {

// The folder of the sample Access files: KIV_ACCESS_SAMPLES when set, otherwise the shared
// test data beside the repository (../shared/testdata/access from its root).
inline std::string accessSamples() {
    if (const char* folder = std::getenv("KIV_ACCESS_SAMPLES"); folder != nullptr && *folder != 0) {
        return folder;
    }
    const std::filesystem::path root = KIV_SOURCE_DIR;
    return (root.parent_path() / "shared" / "testdata" / "access").lexically_normal().string();
}

// The connect string of a sample Access file.
inline std::string accessSample(const std::string& file) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + accessSamples() + "/" + file;
}

}  // namespace kiv::db::testing

// Skips the test, saying why, when a sample Access file is not there.
#define KIV_NEED_ACCESS_SAMPLE(file)                                                        \
    do {                                                                                    \
        if (!std::filesystem::exists(::kiv::db::testing::accessSamples() + "/" + (file))) { \
            GTEST_SKIP() << "skipped: the sample Access file " << (file) << " is not in "   \
                         << ::kiv::db::testing::accessSamples()                             \
                         << " (set KIV_ACCESS_SAMPLES to its folder)";                      \
        }                                                                                   \
    } while (false)
