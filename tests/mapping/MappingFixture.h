#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "connections/clsKivConnections.h"
#include "db/Connection.h"
#include "db/Constants.h"
#include "db/Field.h"
#include "db/Recordset.h"
#include "diagnostics/clsMessages.h"
#include "mapping/clsKivMappingFields.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"

namespace kiv::testing {

// What mapping tests work with: an SQLite database file reached through the connection "Db"
// of a connection collection, an environment both share, the message collection the
// mappings report to, and a specification file each test writes.
class MappingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        databasePath = dir.file("data.db");
        connection = connections->Add("Db");
        connection->KivConnectionType(kctSQLite);
        connection->DatabaseName(databasePath);
        connection->Environment(environment);
    }

    // Messages hold the identification fields that hold the messages.
    void TearDown() override { messages->RecordIDFields(nullptr); }

    // Runs statements on the database file around the program.
    void sql(const std::string& statements) {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(databasePath.c_str(), &handle), SQLITE_OK);
        char* error = nullptr;
        const int code = sqlite3_exec(handle, statements.c_str(), nullptr, nullptr, &error);
        const std::string reason = error != nullptr ? error : "";
        sqlite3_free(error);
        sqlite3_close(handle);
        ASSERT_EQ(code, SQLITE_OK) << reason;
    }

    // A new file each time, so no reader can take it for the one before.
    clsINIFile* spec(const std::string& text) {
        ini.sINIFileName(dir.write("spec" + std::to_string(++specFiles) + ".ini", text));
        return &ini;
    }

    // Rows of a statement on "Db", streaming and positioned on the first row.
    std::shared_ptr<db::Recordset> rows(const std::string& statement) {
        EXPECT_TRUE(connection->OpenConnection());
        return connection->ADOConnection()->Execute(statement);
    }

    // A recordset that adds rows to `table` of "Db".
    std::shared_ptr<db::Recordset> target(const std::string& table) {
        EXPECT_TRUE(connection->OpenConnection());
        auto recordset = std::make_shared<db::Recordset>();
        recordset->Open("SELECT * FROM [" + table + "]", connection->ADOConnection(),
                        db::adOpenKeyset, db::adLockOptimistic, db::adCmdText);
        return recordset;
    }

    // An in-memory recordset with nullable fields of the given types, on its first row.
    static std::shared_ptr<db::Recordset> memory(
        const std::vector<std::pair<std::string, long>>& fields,
        const std::vector<std::vector<Variant>>& values) {
        auto recordset = std::make_shared<db::Recordset>();
        for (const auto& [name, type] : fields) {
            recordset->Fields().Append(name, type, 0, db::adFldIsNullable);
        }
        recordset->Open();
        for (const auto& row : values) {
            recordset->AddNew();
            for (std::size_t i = 0; i < row.size(); ++i) {
                recordset->Fields().Item(static_cast<long>(i))->Value(row[i]);
            }
            recordset->Update();
        }
        if (!values.empty()) {
            recordset->MoveFirst();
        }
        return recordset;
    }

    // The record-identification fields of section [Step], known to the messages.
    std::shared_ptr<clsKivMappingFields> recordIds() {
        auto fields = std::make_shared<clsKivMappingFields>();
        fields->ErrorMessages(messages);
        fields->DataConnections(connections);
        fields->LoadSpecification(&ini, environment, "Step", kmpRecordID);
        messages->RecordIDFields(fields);
        return fields;
    }

    // "type number source: text" of every message, in order.
    std::vector<std::string> reported() const {
        std::vector<std::string> lines;
        for (const auto& message : *messages) {
            lines.push_back(std::to_string(message->MsgType()) + " " +
                            std::to_string(message->Number()) + " " + message->Source() + ": " +
                            message->Text());
        }
        return lines;
    }

    static std::string valueText(const Variant& value) {
        if (value.isNull()) {
            return "<null>";
        }
        return value.isEmpty() ? "<empty>" : value.toText();
    }

    TempDir dir;
    int specFiles = 0;
    std::string databasePath;
    clsINIFile ini;
    std::shared_ptr<clsEnvironmentVariables> environment =
        std::make_shared<clsEnvironmentVariables>();
    std::shared_ptr<clsKivConnections> connections = std::make_shared<clsKivConnections>();
    std::shared_ptr<clsKivConnection> connection;
    std::shared_ptr<clsMessages> messages = std::make_shared<clsMessages>();
};

}  // namespace kiv::testing
