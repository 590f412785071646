#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"

// Runs the examples of docs/specification-format.md exactly as printed there, so the document
// cannot drift from what kivrun does. A code block whose info string holds file=NAME/PATH is
// file PATH of example NAME; a block holding run=NAME lists commands ("$ " lines) run in the
// example's folder, each followed by the standard output it must print.

namespace {

struct Command {
    std::string line;
    std::string expected;
};

struct Example {
    std::map<std::string, std::string> files;
    std::vector<Command> commands;
};

std::string documentPath() {
    return std::string(KIV_SOURCE_DIR) + "/docs/specification-format.md";
}

std::string attribute(const std::string& info, const std::string& name) {
    std::istringstream words(info);
    for (std::string word; words >> word;) {
        if (word.rfind(name + "=", 0) == 0) {
            return word.substr(name.size() + 1);
        }
    }
    return "";
}

std::vector<Command> commandsOf(const std::vector<std::string>& lines) {
    std::vector<Command> commands;
    for (const std::string& line : lines) {
        if (line.rfind("$ ", 0) == 0) {
            commands.push_back({line.substr(2), ""});
        } else if (!commands.empty()) {
            commands.back().expected += line + "\n";
        }
    }
    return commands;
}

std::map<std::string, Example> examplesOf(const std::string& document) {
    std::map<std::string, Example> examples;
    std::istringstream in(document);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("```", 0) != 0) {
            continue;
        }
        const std::string info = line.substr(3);
        std::vector<std::string> body;
        while (std::getline(in, line) && line.rfind("```", 0) != 0) {
            body.push_back(line);
        }
        const std::string file = attribute(info, "file");
        const std::string run = attribute(info, "run");
        if (!file.empty()) {
            std::string text;
            for (const std::string& bodyLine : body) {
                text += bodyLine + "\n";
            }
            const std::size_t slash = file.find('/');
            examples[file.substr(0, slash)].files[file.substr(slash + 1)] += text;
        } else if (!run.empty()) {
            for (Command& command : commandsOf(body)) {
                examples[run].commands.push_back(std::move(command));
            }
        }
    }
    return examples;
}

// Each line without its CR and trailing blanks, as a reader compares what the terminal shows.
std::string normalised(const std::string& text) {
    std::istringstream in(text);
    std::string result;
    for (std::string line; std::getline(in, line);) {
        line.erase(line.find_last_not_of(" \r") + 1);
        result += line + "\n";
    }
    return result;
}

std::string kivrunFolder() {
    return std::filesystem::path(KIVRUN_PATH).parent_path().string();
}

class SpecificationFormatExamplesTest : public ::testing::TestWithParam<std::string> {
protected:
    static const std::map<std::string, Example>& examples() {
        static const std::map<std::string, Example> all = examplesOf(TempDir::read(documentPath()));
        return all;
    }
};

std::vector<std::string> exampleNames() {
    std::vector<std::string> names;
    for (const auto& [name, example] : examplesOf(TempDir::read(documentPath()))) {
        names.push_back(name);
    }
    return names;
}

}  // namespace

TEST_P(SpecificationFormatExamplesTest, RunsAsDocumented) {
    const Example& example = examples().at(GetParam());
    ASSERT_FALSE(example.commands.empty()) << "the example has no run= block";
    TempDir dir;
    for (const auto& [path, text] : example.files) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(path)).parent_path());
        dir.write(path, text);
    }
    for (const Command& command : example.commands) {
        dir.write("command.sh", command.line + "\n");
        const std::string shell = "cd " + dir.path() + " && env -u DISPLAY -u WAYLAND_DISPLAY -u " +
                                  "QT_QPA_PLATFORM PATH=" + kivrunFolder() +
                                  ":$PATH sh command.sh >" + dir.file("stdout.txt") + " 2>" +
                                  dir.file("stderr.txt");
        const int raw = std::system(shell.c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0)
            << "$ " << command.line << "\n"
            << TempDir::read(dir.file("stderr.txt"));
        EXPECT_EQ(normalised(TempDir::read(dir.file("stdout.txt"))), normalised(command.expected))
            << "$ " << command.line << "\n"
            << TempDir::read(dir.file("stderr.txt"));
    }
}

TEST(SpecificationFormatDocumentTest, HasExamplesForEveryTopic) {
    const std::map<std::string, Example> examples = examplesOf(TempDir::read(documentPath()));
    EXPECT_GE(examples.size(), 10u);
    for (const auto& [name, example] : examples) {
        EXPECT_FALSE(example.files.empty()) << name << " has no file= block";
    }
}

INSTANTIATE_TEST_SUITE_P(Document, SpecificationFormatExamplesTest,
                         ::testing::ValuesIn(exampleNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });
