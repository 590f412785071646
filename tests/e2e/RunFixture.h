#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "SqliteFile.h"
#include "TempDir.h"

// Runs kivrun unattended in the terminal on packages the tests write into a temporary folder.
class RunFixture : public ::testing::Test {
protected:
    struct Outcome {
        int status;
        std::string out;
        std::string err;
    };

    // `launcher` goes before the command that starts kivrun, ending in "&& " or a blank.
    Outcome kivrun(const std::string& arguments, const std::string& input = "",
                   const std::string& launcher = "") {
        dir.write("stdin.txt", input);
        const std::string command = "cd " + dir.path() + " && " + launcher +
                                    "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                                    KIVRUN_PATH + " -console " + arguments + " >" +
                                    dir.file("stdout.txt") + " 2>" + dir.file("stderr.txt") + " <" +
                                    dir.file("stdin.txt");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TempDir::read(dir.file("stdout.txt")),
                TempDir::read(dir.file("stderr.txt"))};
    }

    void sql(const std::string& file, const std::string& statement) {
        SqliteFile::execute(dir.file(file), statement);
    }
    std::vector<std::string> query(const std::string& file, const std::string& statement) {
        return SqliteFile::query(dir.file(file), statement);
    }

    // A package file with its administration section.
    std::string package(const std::string& file, const std::string& name, const std::string& body) {
        return dir.write(file,
                         "[Administration]\r\nFileType=Kiv Package Specification\r\n"
                         "FormatVersion=1.0.0\r\nPackageName=" +
                             name + "\r\n" + body);
    }

    // 1,000 CSV rows (line, id, v) numbered from 1, id = line and v "ok" except in row
    // `refused`, which carries `id` and `v`.
    static std::string refusingCsv(int refused, const std::string& id, const std::string& v) {
        std::string csv = "line,id,v\r\n";
        for (int line = 1; line <= 1000; ++line) {
            const bool bad = line == refused;
            csv += std::to_string(line) + "," + (bad ? id : std::to_string(line)) + "," +
                   (bad ? v : "ok") + "\r\n";
        }
        return csv;
    }

    // A run that failed on the row numbered `refused` (the number is also its record
    // identification) with `message`, leaving exactly the rows before it: `loaded` is the
    // count and the highest number of the rows in the table. The report is removed for the
    // next run.
    void expectFailedAtRow(const Outcome& outcome, int refused, const std::string& message,
                           const std::vector<std::string>& loaded) {
        const std::string line = std::to_string(refused);
        EXPECT_EQ(outcome.status, 1) << message;
        EXPECT_NE(report().find("Rows Processed:    " + line + "\r\n"), std::string::npos)
            << report();
        EXPECT_NE(report().find("'" + line + "' -   E: " + message), std::string::npos) << report();
        const std::string before = std::to_string(refused - 1);
        EXPECT_EQ(loaded,
                  (std::vector<std::string>{before + "|" + (refused == 1 ? "NULL" : before)}));
        std::remove(dir.file("report.txt").c_str());
    }

    // The report with its times replaced by T, so runs compare exactly.
    std::string report() {
        const std::string timed =
            std::regex_replace(TempDir::read(dir.file("report.txt")),
                               std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"), "T");
        return std::regex_replace(timed, std::regex("Elapsed Time: +\\d+ seconds"),
                                  "Elapsed Time: N");
    }

    TempDir dir;
};
