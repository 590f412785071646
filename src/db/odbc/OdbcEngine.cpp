#include "db/odbc/OdbcEngine.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <utility>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Constants.h"
#include "db/odbc/OdbcCatalog.h"
#include "db/odbc/OdbcConnectString.h"
#include "db/odbc/OdbcCursor.h"
#include "db/odbc/OdbcDiagnostics.h"
#include "db/odbc/OdbcDrivers.h"
#include "db/odbc/OdbcGeneratedSql.h"
#include "db/odbc/OdbcStatement.h"
#include "db/odbc/OdbcTableWriter.h"

namespace kiv::db::odbc {

namespace {

// PostgreSQL's driver wraps every statement in a savepoint of its own so that a failing one
// leaves the transaction usable: a round trip for each. The writers mark what they wrote
// and roll a failure back themselves, so the driver is told to leave failures alone,
// unless the connect string says otherwise.
void leaveFailuresToTheWriters(OdbcConnectString& parts, SQLHENV environment) {
    if (parts.value("Protocol")) {
        return;
    }
    std::string driver = parts.value("Driver").value_or("");
    if (driver.empty()) {
        driver = OdbcDrivers::ofDataSource(environment, parts.value("DSN").value_or(""));
    }
    const std::string library =
        driver.find('/') != std::string::npos ? driver : OdbcDrivers::library(environment, driver);
    if (path::fileNameOf(library).starts_with("psqlodbc")) {
        parts.set("Protocol", "7.4-0");
    }
}

}  // namespace

std::shared_ptr<OdbcEngine> OdbcEngine::open(std::string_view connectString, long mode) {
    OdbcConnectString parts(connectString);
    OdbcHandle environment = OdbcConnection::environment();
    if (const std::optional<std::string> driver = parts.value("Driver");
        driver && text::iequals(*driver, OdbcDrivers::sqlServerNames().front())) {
        parts.set("Driver", OdbcDrivers::sqlServer(environment.get()));
    }
    leaveFailuresToTheWriters(parts, environment.get());
    auto connection = std::make_shared<OdbcConnection>(std::move(environment), parts.text(),
                                                       (mode & adModeReadWrite) == adModeRead);
    return std::make_shared<OdbcEngine>(std::move(connection));
}

OdbcEngine::OdbcEngine(std::shared_ptr<OdbcConnection> connection)
    : connection_(std::move(connection)) {}

const std::string& OdbcEngine::provider() const {
    static const std::string name = OdbcDiagnostics::Provider;
    return name;
}

OdbcText::Wide OdbcEngine::statementText(std::string_view sql) const {
    const std::optional<std::string> generated = OdbcGeneratedSql::requote(
        sql, [this](std::string_view name) { return connection_->quote(name); });
    return OdbcText::wide(generated ? std::string_view(*generated) : sql);
}

std::unique_ptr<Cursor> OdbcEngine::execute(std::string_view sql, long& recordsAffected) {
    connection_->flushHeldRows();
    OdbcText::Wide text = statementText(sql);
    auto statement = std::make_shared<OdbcHandle>(connection_->statement());
    const SQLRETURN code = SQLExecDirectW(statement->get(), text.data(), SQL_NTS);
    try {
        std::unique_ptr<Cursor> rows =
            results(std::move(statement), std::move(text), code, recordsAffected);
        if (!rows) {
            connection_->markWritten();
        }
        return rows;
    } catch (const Error&) {
        connection_->commitAfterFailure();
        throw;
    }
}

void OdbcEngine::beginTransaction() {
    connection_->holdTransaction();
}

void OdbcEngine::endTransaction(bool commit) {
    connection_->releaseTransaction(commit);
}

std::unique_ptr<Cursor> OdbcEngine::results(std::shared_ptr<OdbcHandle> statement,
                                            OdbcText::Wide sql, SQLRETURN code,
                                            long& recordsAffected) {
    recordsAffected = 0;
    for (;;) {
        if (!SQL_SUCCEEDED(code) && code != SQL_NO_DATA) {
            throw connection_->error(*statement);
        }
        if (code != SQL_NO_DATA) {
            SQLSMALLINT columns = 0;
            SQLNumResultCols(statement->get(), &columns);
            if (columns > 0) {
                recordsAffected = -1;
                return std::make_unique<OdbcCursor>(connection_, std::move(statement),
                                                    std::move(sql));
            }
            SQLLEN rows = 0;
            if (SQL_SUCCEEDED(SQLRowCount(statement->get(), &rows)) && rows > 0) {
                recordsAffected += static_cast<long>(rows);
            }
        }
        code = SQLMoreResults(statement->get());
        if (code == SQL_NO_DATA) {
            return nullptr;
        }
    }
}

std::unique_ptr<TableWriter> OdbcEngine::openTable(std::string_view table) {
    return openMergingTable(table, {});
}

std::unique_ptr<TableWriter> OdbcEngine::openMergingTable(std::string_view table,
                                                          const std::vector<std::string>& keys) {
    if (!keys.empty() && !text::iequals(connection_->dbmsName(), "PostgreSQL")) {
        throw OdbcDiagnostics::failure(
            "HYC00", "Rows cannot be merged into " + std::string(table) + " on a " +
                         connection_->dbmsName() +
                         " server: merging needs a SQLite or PostgreSQL destination.");
    }
    if (connection_->readOnly()) {
        throw OdbcDiagnostics::failure("25006", "The connection is read-only; the table '" +
                                                    std::string(table) +
                                                    "' cannot be opened for adding rows.");
    }
    connection_->flushHeldRows();
    std::vector<OdbcColumn> columns = OdbcCatalog::columns(*connection_, table);
    if (columns.empty()) {
        throw OdbcDiagnostics::failure("42S02",
                                       "The table '" + std::string(table) + "' does not exist.");
    }
    return std::make_unique<OdbcTableWriter>(connection_, std::string(table), std::move(columns),
                                             keys);
}

void OdbcEngine::createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                             bool dropFirst) {
    makeTable(table, columns, dropFirst,
              text::iequals(connection_->dbmsName(), "PostgreSQL")
                  ? TableDefinition::Dialect::PostgreSQL
                  : TableDefinition::Dialect::SqlServer,
              [this](std::string_view name) { return connection_->quote(name); });
}

std::unique_ptr<PreparedStatement> OdbcEngine::prepare(std::string_view sql) {
    connection_->flushHeldRows();
    OdbcText::Wide text = statementText(sql);
    OdbcHandle statement = connection_->statement();
    if (!SQL_SUCCEEDED(SQLPrepareW(statement.get(), text.data(), SQL_NTS))) {
        throw connection_->error(statement);
    }
    return std::make_unique<OdbcStatement>(connection_, std::move(statement));
}

std::vector<CatalogEntry> OdbcEngine::catalog() {
    connection_->flushHeldRows();
    return OdbcCatalog::entries(*connection_);
}

std::vector<ColumnInfo> OdbcEngine::tableColumns(std::string_view table) {
    connection_->flushHeldRows();
    std::vector<ColumnInfo> columns;
    for (OdbcColumn& column : OdbcCatalog::columns(*connection_, table)) {
        columns.push_back(std::move(column.info));
    }
    return columns;
}

}  // namespace kiv::db::odbc
