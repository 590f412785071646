#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SqliteFile.h"
#include "TempDir.h"
#include "connections/clsKivConnections.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"
#include "steps/clsKivSteps.h"

namespace kiv {

// Steps loaded from a specification the test writes, over SQLite files in a temporary
// folder: "Source" is source.db and "Target" target.db.
class StepFixture : public ::testing::Test {
protected:
    void sql(const std::string& file, const std::string& statement) {
        SqliteFile::execute(dir.file(file), statement);
    }
    std::vector<std::string> query(const std::string& file, const std::string& statement) {
        return SqliteFile::query(dir.file(file), statement);
    }
    // Writes the specification (the connection sections are added) and loads its steps.
    void load(const std::string& sections) {
        const std::string spec =
            sections +
            "\n[Data Connection - Source]\nDatabaseType=SQLite\nDatabase=" + dir.file("source.db") +
            "\n[Data Connection - Target]\nDatabaseType=SQLite\nDatabase=" + dir.file("target.db") +
            "\n[Data Connection - Text]\nDatabaseType=TextFile\nDatabase=" + dir.path() + "\n";
        ini.sINIFileName(dir.write("spec.ini", spec));
        for (int n = 1;; ++n) {
            if (ini.sItemValue("StepName", "STEP " + std::to_string(n), clsINIFile::ParamNotSupplied,
                               "--- Not Found ---") == "--- Not Found ---") {
                break;
            }
            steps.AddFromFile(&ini, environment, std::to_string(n), connections);
        }
    }
    std::shared_ptr<clsKivStep> step(const std::string& name) { return steps.Item(name); }
    std::vector<std::string> messages(const clsKivStep& of, bool displayOnly = false) {
        std::vector<std::string> texts;
        for (const auto& message : *of.ErrorMessages()) {
            if ((message->MsgType() == kMsgDisplayOnly) == displayOnly) {
                texts.push_back(std::to_string(message->Number()) + ":" + message->Text());
            }
        }
        return texts;
    }

    TempDir dir;
    clsINIFile ini;
    std::shared_ptr<clsEnvironmentVariables> environment = std::make_shared<clsEnvironmentVariables>();
    std::shared_ptr<clsKivConnections> connections = std::make_shared<clsKivConnections>();
    clsKivSteps steps;
};

}  // namespace kiv
