// The step types that do not copy rows: external command, count records and custom SQL.
#include <regex>

#include "base/Text.h"
#include "db/Error.h"
#include "diagnostics/Globals.h"
#include "steps/ExternalCommandStarter.h"
#include "steps/clsKivStep.h"

namespace kiv {

std::int32_t clsKivStep::RunExternalCommand() {
    if (const auto unsafe = mclsEnvironment ? mclsEnvironment->ShellUnsafeEntry(
                                                  mExternalCommand.Written(), ExternalCommand())
                                            : nullptr) {
        AddErrorMessage(kMsgError, "clsKivStep", 201, -1,
                        "External Command not run: the variable $(" + unsafe->MappingName() +
                            ") holds shell metacharacters in its value '" + unsafe->MappingValue() +
                            "', which comes from a file, folder, table or database name.\r\n"
                            "External Command:    " +
                            mExternalCommand.Written(),
                        true);
        return kssFailed;
    }
    const int code = ExternalCommandStarter().Start(ExternalCommand(), ExternalFolder());
    if (code > 32) {
        return kssSucceeded;
    }
    AddErrorMessage(kMsgError, "clsKivStep", 200, -1,
                    "Unable to Perform External Command.\r\n"
                    "External Command:    " +
                        ExternalCommand() + "\r\n" + "Default Folder:      " + ExternalFolder() +
                        "\r\n" + "Error Code Returned: " + text::decimal(code) + "\r\n" +
                        "Error Message:       " + ExternalCommandStarter::ErrorText(code),
                    true);
    return kssFailed;
}

std::int32_t clsKivStep::CountRecords() {
    mlRowsProcessed = 0;
    std::int32_t status = kssFailed;
    Dump(gDebugLog.get());
    const auto destination = TableConnection(kDestination);
    if (!destination) {
        AddErrorMessage(kMsgError, "clsKivStep", 10, -1, "Destination Connection not set.", true);
        return status;
    }
    if (!openConnectionOrReport(*destination, false)) {
        return status;
    }
    const std::int32_t type = destination->KivConnectionType();
    std::shared_ptr<db::Recordset> rows;
    try {
        if (type == kctTextFile) {
            if (SQLStatement().empty()) {
                SQLStatement("SELECT * FROM [" +
                             text::replaceAll(TableName(kDestination), "]", "]]") + "]");
            }
            rows = std::make_shared<db::Recordset>();
            rows->Open(SQLStatement(), destination->ADOConnection(), db::adOpenForwardOnly,
                       db::adLockOptimistic, db::adCmdText);
            for (; !rows->EOF(); rows->MoveNext()) {
                ++mlRowsProcessed;
            }
            status = kssSucceeded;
        } else if (type >= kctHTMLImport && type <= kctPostgreSQL) {
            if (SQLStatement().empty()) {
                SQLStatement("SELECT COUNT (*) AS RcdCnt FROM [" +
                             text::replaceAll(TableName(kDestination), "]", "]]") + "]");
            }
            rows = destination->ADOConnection()->Execute(SQLStatement(), nullptr, -1);
            if (rows && rows->State() == db::adStateOpen) {
                rows->MoveFirst();
                mlRowsProcessed = rows->Fields().Item(0)->Value().toLong();
                status = kssSucceeded;
            }
        }
    } catch (const std::exception&) {
        // Counting reports no message of its own: the failed status says it all.
        status = kssFailed;
    }
    if (rows) {
        try {
            if (rows->State() != db::adStateClosed) {
                rows->Close();
            }
            rows->ActiveConnection(nullptr);
        } catch (const std::exception&) {
        }
    }
    passOnNotices(*destination);
    return status;
}

std::int32_t clsKivStep::ProcessCustomSQLDataSets() {
    const std::string sourceTable = TableName(kSource);
    std::shared_ptr<db::Recordset> catalog;
    std::optional<std::regex> pattern;
    mlRowsProcessed = 0;
    std::int32_t status = kssSucceeded;
    if (!sourceTable.empty()) {
        const auto destination = TableConnection(kDestination);
        if (!destination) {
            AddErrorMessage(kMsgError, "clsKivStep", 3, -1,
                            "Connection to Target DB for SQL Statement was not specified.", true);
            return kssFailed;
        }
        catalog = destination->CatalogRecordset();
        try {
            pattern.emplace(sourceTable, std::regex::ECMAScript | std::regex::icase);
        } catch (const std::regex_error& error) {
            AddErrorMessage(
                kMsgError, "clsKivStep", 23, -1,
                "Source Table Name '" + sourceTable + "' is not a valid pattern: " + error.what(),
                true);
            return kssFailed;
        }
        if (!catalog) {
            return status;
        }
        if (!(catalog->BOF() && catalog->EOF())) {
            catalog->MoveFirst();
        }
        while (!catalog->EOF() && status == kssSucceeded) {
            const std::string name = catalog->Fields().Item("Name")->Value().toText();
            const std::string type = catalog->Fields().Item("Type")->Value().toText();
            if (std::regex_search(name, *pattern) && (type == "TABLE" || type == "VIEW")) {
                SetCurrentTables(name, TableName(kDestination));
                status = ExecuteCustomSQL(name, TableName(kDestination));
            }
            catalog->MoveNext();
        }
        return status;
    }
    return ExecuteCustomSQL("", "");
}

std::int32_t clsKivStep::ExecuteCustomSQL(const std::string&, const std::string&) {
    Dump(gDebugLog.get());
    auto connection =
        TableConnection(kSource) ? TableConnection(kSource) : TableConnection(kDestination);
    if (!connection) {
        AddErrorMessage(kMsgError, "clsKivStep", 3, -1,
                        "Connection to Target DB for SQL Statement was not specified.", true);
        return kssFailed;
    }
    // Statements other than queries may create tables: they may create the database as well.
    const bool writing = ClassifySQLStatement(SQLStatement()) != 0;
    if (!openConnectionOrReport(*connection, writing)) {
        return kssFailed;
    }
    const auto& database = connection->ADOConnection();
    long affected = 0;
    database->Errors().Clear();
    try {
        database->Execute(SQLStatement(), &affected, db::adCmdText);
    } catch (const std::exception&) {
        // The connection's error collection holds what went wrong.
    }
    passOnNotices(*connection);
    if (database->Errors().Count() == 0) {
        mlRowsProcessed += static_cast<std::int32_t>(affected);
        if (gbDebugEnabled && gDebugLog) {
            gDebugLog->WriteLog("Processed SQL. Number of rows affected: " +
                                text::decimal(affected));
        }
        return kssSucceeded;
    }
    if (gbDebugEnabled && gDebugLog) {
        gDebugLog->WriteLog("Unable to perform the SQL Statement. Error messages follow:");
    }
    for (const auto& error : database->Errors()) {
        AddErrorMessage(kMsgError, "clsKivStep", 1, -1, StripProviderPrefix(error->Description()),
                        true);
        if (gbDebugEnabled && gDebugLog) {
            gDebugLog->IncrementIndent();
            gDebugLog->WriteLog("SQL Error: '" + error->SQLState() + "' - '" +
                                error->Description() + "'");
            gDebugLog->DecrementIndent();
        }
    }
    return kssFailed;
}

}  // namespace kiv
