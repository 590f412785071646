#include <gtest/gtest.h>

#include <fstream>

#include "TempDir.h"
#include "db/cells/DamagedFiles.h"

namespace kiv::db::cells {
namespace {

TEST(DamagedFiles, AFailureIsRememberedUntilTheFileChanges) {
    TempDir folder;
    const std::string file = folder.write("sample.xls", "damaged");
    EXPECT_EQ(DamagedFiles::failure(file), std::nullopt);
    DamagedFiles::remember(file, "the reader ended with signal 11");
    EXPECT_EQ(DamagedFiles::failure(file), "the reader ended with signal 11");
    std::ofstream(file, std::ios::app) << " and changed";
    EXPECT_EQ(DamagedFiles::failure(file), std::nullopt);
    EXPECT_EQ(DamagedFiles::failure(folder.file("missing.xls")), std::nullopt);
}

}  // namespace
}  // namespace kiv::db::cells
