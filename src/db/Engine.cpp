#include "db/Engine.h"

#include "db/Constants.h"
#include "db/Error.h"

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

void Engine::createTable(std::string_view table, const std::vector<ColumnInfo>&, bool) {
    throw Error::layer(adErrFeatureNotAvailable, provider(),
                       "The table " + std::string(table) +
                           " cannot be made from the source's columns: " + provider() +
                           " takes tables made with a custom sql step; tables are made from the "
                           "source's columns in SQLite and server databases.");
}

void Engine::endTransaction(bool) {
    beginTransaction();
}

}  // namespace kiv::db
