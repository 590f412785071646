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

void Engine::endTransaction(bool) {
    beginTransaction();
}

}  // namespace kiv::db
