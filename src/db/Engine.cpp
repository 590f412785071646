#include "db/Engine.h"

#include "db/Constants.h"
#include "db/Error.h"
#include "db/SqlText.h"

namespace kiv::db {

void Engine::beginTransaction() {
    throw Error::layer(adErrFeatureNotAvailable, provider(),
                       "The connection cannot hold what is written in one transaction: " +
                           provider() + " makes every row durable as it is written.");
}

std::unique_ptr<TableWriter> Engine::openMergingTable(std::string_view table,
                                                      const std::vector<std::string>&) {
    throw Error::layer(adErrFeatureNotAvailable, provider(),
                       "Rows cannot be merged into " + std::string(table) + ": " + provider() +
                           " only adds rows; merging needs a SQLite or PostgreSQL destination.");
}

void Engine::createTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                         bool dropFirst) {
    makeTable(table, columns, dropFirst, TableDefinition::Dialect::Files, SqlText::bracket);
}

void Engine::makeTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                       bool dropFirst, TableDefinition::Dialect dialect,
                       const TableDefinition::Quote& quote) {
    const std::string create =
        TableDefinition::createStatement(table, columns, dialect, quote, provider());
    long affected = 0;
    if (dropFirst) {
        execute("DROP TABLE " + quote(table), affected);
    }
    execute(create, affected);
}

void Engine::endTransaction(bool) {
    beginTransaction();
}

}  // namespace kiv::db
