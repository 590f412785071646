#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/cells/ReaderProcess.h"

namespace kiv::db::cells {
namespace {

using namespace std::chrono_literals;

// The description of what a reader's take() or finish() throws; "" when nothing.
std::string failureOf(const ReaderProcess::Work& work, ReaderProcess::Limits limits = {},
                      std::size_t bytes = 1) {
    try {
        ReaderProcess reader(work, limits);
        reader.take(bytes);
        reader.finish();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "";
}

// A put longer than the longest frame goes in several.
TEST(ReaderProcess, BytesComeOverInFramesAndTheChildEndsWell) {
    std::string sent;
    for (int i = 0; i < 3000000; ++i) {
        sent += static_cast<char>('a' + i % 26);
    }
    ReaderProcess reader(
        [&](ReaderProcess::Output& output) {
            output.put(sent);
            output.putValue(-1.5);
            output.putText("end");
        },
        {});
    EXPECT_EQ(reader.take(5), "abcde");
    EXPECT_EQ(reader.take(sent.size() - 5), sent.substr(5));
    EXPECT_EQ(reader.takeValue<double>(), -1.5);
    EXPECT_EQ(reader.takeText(), "end");
    reader.finish();
}

// Each command gets the limit on processor time anew: four commands of 0.6 s each pass a
// limit of 1 s.
TEST(ReaderProcess, CommandsCarryANumberAndEachHasItsOwnProcessorTime) {
    ReaderProcess reader(
        [](ReaderProcess::Output& output) {
            while (const std::optional<ReaderProcess::Command> command = output.command()) {
                const std::clock_t start = std::clock();
                while (std::clock() - start < CLOCKS_PER_SEC * 6 / 10) {
                }
                output.putValue(command->code);
                output.putValue(command->argument);
            }
        },
        {std::uint64_t{1} << 30, 1s, 30s});
    for (std::uint64_t number = 0; number < 4; ++number) {
        reader.command({'x', number << 40 | number});
        EXPECT_EQ(reader.takeValue<char>(), 'x');
        EXPECT_EQ(reader.takeValue<std::uint64_t>(), number << 40 | number);
    }
    reader.finish();
}

TEST(ReaderProcess, WhatTheChildThrowsIsTheError) {
    EXPECT_EQ(failureOf([](ReaderProcess::Output& output) {
                  output.put("lost");
                  throw std::runtime_error("the file is not a workbook");
              }),
              "the file is not a workbook");
}

// Blank lines and repeated ones are left out of the first 20 lines kept.
TEST(ReaderProcess, ACrashIsAnErrorWithTheSignalAndTheFirstLinesOfStandardError) {
    const std::string error = failureOf([](ReaderProcess::Output&) {
        for (int line = 1; line <= 100; ++line) {
            std::fprintf(stderr, "complaint %d\n\ncomplaint %d\n", line, line);
        }
        std::abort();
    });
    EXPECT_TRUE(error.starts_with(
        "the file is damaged or not supported: the reader ended with signal 6 after "))
        << error;
    EXPECT_NE(error.find(" s (it wrote: complaint 1; complaint 2; "), std::string::npos) << error;
    EXPECT_TRUE(error.ends_with("; complaint 20)")) << error;
}

TEST(ReaderProcess, AChildThatEndsEarlyOrSendsMoreIsAnError) {
    EXPECT_EQ(failureOf([](ReaderProcess::Output& output) { output.put("ab"); }, {}, 3),
              "the file is damaged or not supported: the reader ended before it sent all it read");
    EXPECT_EQ(failureOf([](ReaderProcess::Output&) { ::_exit(3); }).substr(0, 68),
              "the file is damaged or not supported: the reader ended with status 3");
    EXPECT_EQ(failureOf([](ReaderProcess::Output& output) { output.put("abc"); }, {}, 2),
              "the file is damaged or not supported: the reader sent more than it read");
}

TEST(ReaderProcess, LimitsStopAChildThatSpinsSleepsOrGrows) {
    EXPECT_EQ(failureOf(
                  [](ReaderProcess::Output&) {
                      volatile unsigned long spin = 0;
                      for (;;) {
                          spin = spin + 1;
                      }
                  },
                  {std::uint64_t{1} << 30, 1s, 30s}),
              "the file is damaged or not supported: the reader took more than 1 s of processor "
              "time");
    EXPECT_EQ(
        failureOf([](ReaderProcess::Output&) { ::sleep(60); }, {std::uint64_t{1} << 30, 1s, 1s}),
        "the file is damaged or not supported: the reader was stopped after 1 s");
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(failureOf([](ReaderProcess::Output& output) {
                  std::vector<char> huge(std::size_t{2} << 30, 'x');
                  output.put(std::string_view(huge.data(), 1));
              }),
              "the reader ran out of memory");
#endif
}

}  // namespace
}  // namespace kiv::db::cells
