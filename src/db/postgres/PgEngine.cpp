#include "db/postgres/PgEngine.h"

#include <utility>
#include <vector>

#include "db/Constants.h"
#include "db/odbc/OdbcGeneratedSql.h"
#include "db/postgres/PgCatalog.h"
#include "db/postgres/PgCursor.h"
#include "db/postgres/PgStatement.h"
#include "db/postgres/PgTableWriter.h"

namespace kiv::db::postgres {

namespace {

// libpq's keywords for the connect string's Server: a socket folder, a host, or
// "host:port".
void addServer(const std::string& server, std::vector<std::pair<std::string, std::string>>& to) {
    const std::size_t colon = server.rfind(':');
    if (server.starts_with('/') || colon == std::string::npos) {
        to.emplace_back("host", server);
        return;
    }
    to.emplace_back("host", server.substr(0, colon));
    to.emplace_back("port", server.substr(colon + 1));
}

}  // namespace

std::shared_ptr<PgEngine> PgEngine::open(const ConnectString& parts, long mode) {
    std::vector<std::pair<std::string, std::string>> settings;
    if (const auto server = parts.value("Server"); server && !server->empty()) {
        addServer(*server, settings);
    }
    for (const auto& [key, keyword] : {std::pair{"Database", "dbname"}, std::pair{"UID", "user"},
                                       std::pair{"PWD", "password"}}) {
        if (const auto value = parts.value(key); value && !value->empty()) {
            settings.emplace_back(keyword, *value);
        }
    }
    settings.emplace_back("application_name", "kivrun");
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [keyword, value] : settings) {
        keywords.push_back(keyword.c_str());
        values.push_back(value.c_str());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    auto connection = std::make_shared<PgConnection>(keywords.data(), values.data(),
                                                     (mode & adModeReadWrite) == adModeRead);
    return std::make_shared<PgEngine>(std::move(connection));
}

PgEngine::PgEngine(std::shared_ptr<PgConnection> connection) : connection_(std::move(connection)) {}

const std::string& PgEngine::provider() const {
    static const std::string name = PgConnection::Provider;
    return name;
}

std::string PgEngine::statementText(std::string_view sql) {
    const std::optional<std::string> generated =
        odbc::OdbcGeneratedSql::requote(sql, PgConnection::quote);
    return generated ? *generated : std::string(sql);
}

std::unique_ptr<Cursor> PgEngine::execute(std::string_view sql, long& recordsAffected) {
    auto text = std::make_shared<std::string>(statementText(sql));
    return PgCursor::open(
        connection_, *text,
        [text](PGconn* handle) { return PQsendQuery(handle, text->c_str()) == 1; },
        recordsAffected);
}

std::unique_ptr<TableWriter> PgEngine::openTable(std::string_view table) {
    return openMergingTable(table, {});
}

std::unique_ptr<TableWriter> PgEngine::openMergingTable(std::string_view table,
                                                        const std::vector<std::string>& keys) {
    if (connection_->readOnly()) {
        throw PgConnection::failure("25006", "The connection is read-only; the table '" +
                                                 std::string(table) +
                                                 "' cannot be opened for adding rows.");
    }
    PgCatalog::Table found = PgCatalog::table(*connection_, table);
    if (found.columns.empty()) {
        throw PgConnection::failure("42S02",
                                    "The table '" + std::string(table) + "' does not exist.");
    }
    return std::make_unique<PgTableWriter>(connection_, std::string(table), std::move(found), keys);
}

void PgEngine::createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                           bool dropFirst) {
    makeTable(table, columns, dropFirst, TableDefinition::Dialect::PostgreSQL, PgConnection::quote);
}

std::unique_ptr<PreparedStatement> PgEngine::prepare(std::string_view sql) {
    return std::make_unique<PgStatement>(connection_, statementText(sql));
}

std::vector<CatalogEntry> PgEngine::catalog() {
    return PgCatalog::entries(*connection_);
}

std::vector<ColumnInfo> PgEngine::tableColumns(std::string_view table) {
    return PgCatalog::columns(*connection_, table);
}

void PgEngine::beginTransaction() {
    connection_->run("BEGIN");
}

void PgEngine::endTransaction(bool commit) {
    const PgResult result = connection_->run(commit ? "COMMIT" : "ROLLBACK");
    // A transaction a failed statement left aborted ends rolled back whatever was asked.
    if (commit && std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
        throw PgConnection::failure("40000",
                                    "The server rolled the transaction back after a "
                                    "statement in it failed.");
    }
}

}  // namespace kiv::db::postgres
