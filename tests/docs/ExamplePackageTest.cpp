#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "SqliteFile.h"
#include "TempDir.h"

// The example package of examples/customers, run from a copy as a new user would run it.

namespace {

const std::string kExample = std::string(KIV_SOURCE_DIR) + "/examples/customers";

}  // namespace

TEST(ExamplePackageTest, RunsFromACopyAndLoadsEveryCustomer) {
    TempDir dir;
    std::filesystem::copy(kExample + "/customers.ini", dir.path());
    std::filesystem::copy(kExample + "/data", dir.file("data"));
    std::filesystem::create_directory(dir.file("output"));
    const std::string command = "cd " + dir.path() +
                                " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                KIVRUN_PATH + " -console -run -report output/report.txt " +
                                "customers.ini >output/stdout.txt 2>output/stderr.txt";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0)
        << TempDir::read(dir.file("output/stdout.txt"))
        << TempDir::read(dir.file("output/stderr.txt"));
    EXPECT_EQ(SqliteFile::query(dir.file("output/warehouse.db"), "SELECT COUNT(*) FROM Customer"),
              std::vector<std::string>{"6"});
    EXPECT_EQ(TempDir::read(dir.file("output/report.txt")).find("Processing Failed"),
              std::string::npos);
}

TEST(ExamplePackageTest, WritesPathsWithSlashes) {
    // Backslashes from files written on Windows are covered by the end-to-end tests; the example
    // shows the form a Linux user writes.
    const std::string package = TempDir::read(kExample + "/customers.ini");
    ASSERT_FALSE(package.empty());
    EXPECT_EQ(package.find('\\'), std::string::npos);
}
