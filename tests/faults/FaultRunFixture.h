#pragma once

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>

#include "e2e/RunFixture.h"

// Runs kivrun on a package that loads a CSV file of numbered rows ("7,Name 7") into a
// destination, while the destination runs out of room: a small file system of its own
// (a tmpfs, which needs root) or a limit on the size of every file the process writes.
class FaultRunFixture : public RunFixture {
protected:
    void TearDown() override {
        if (mounted_) {
            ::umount2(dir.file("small").c_str(), MNT_DETACH);
        }
    }

    // A folder of `bytes` bytes at most; empty when it cannot be made here, with the reason
    // in `why`.
    std::string smallFolder(long bytes, std::string& why) {
        const std::string folder = dir.file("small");
        std::filesystem::create_directory(folder);
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            why = "a small tmpfs cannot be mounted here (root only): " +
                  std::string(std::strerror(errno));
            return {};
        }
        mounted_ = true;
        return folder;
    }

    // in/numbers.csv with a header and rows 1 to `rows`.
    void numbers(long rows) {
        std::filesystem::create_directory(dir.file("in"));
        std::string text = "id,name\r\n";
        for (long i = 1; i <= rows; ++i) {
            text += std::to_string(i) + ",Name " + std::to_string(i) + "\r\n";
        }
        dir.write("in/numbers.csv", text);
    }

    // The package: step 1 loads numbers.csv into table `table` of the connection Out.
    void loadPackage(const std::string& table, const std::string& outConnection) {
        package("spec.ini", "Faults",
                "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=In\r\n"
                "SourceTableName=numbers.csv\r\nTargetConnection=Out\r\nTargetTableName=" +
                    table +
                    "\r\nSourceToDestinationColumnMappingSection=Cols\r\n"
                    "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=name\r\n"
                    "TargetColumn_2=name\r\n"
                    "[Data Connection - In]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                    "[Data Connection - Out]\r\n" +
                    outConnection);
    }

    // kivrun with every file it writes limited to `fileBytes` bytes (0: no limit). A write
    // beyond the limit fails with EFBIG instead of killing the process.
    Outcome kivrunLimited(long fileBytes, const std::string& arguments) {
        if (fileBytes == 0) {
            return kivrun(arguments);
        }
        const std::string limit = std::to_string(fileBytes);
        return kivrun(arguments, "",
                      "trap '' XFSZ && prlimit --fsize=" + limit + ":" + limit + " ");
    }

    // The number the first group of `pattern` matches in `report`, -1 when nothing matches.
    static long reported(const std::string& report, const std::string& pattern) {
        std::smatch match;
        if (!std::regex_search(report, match, std::regex(pattern))) {
            return -1;
        }
        return std::stol(match[1].str());
    }

private:
    bool mounted_ = false;
};
