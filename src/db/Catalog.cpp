#include "db/Catalog.h"

#include <utility>

#include "db/Connection.h"
#include "db/Engine.h"

namespace kiv::db {

void Catalog::ActiveConnection(std::shared_ptr<Connection> connection) {
    connection_ = std::move(connection);
    loaded_ = false;
    tables_.Clear();
    views_.Clear();
    procedures_.Clear();
}

db::Tables& Catalog::Tables() {
    load();
    return tables_;
}

db::Views& Catalog::Views() {
    load();
    return views_;
}

db::Procedures& Catalog::Procedures() {
    load();
    return procedures_;
}

void Catalog::load() {
    if (loaded_) {
        return;
    }
    if (!connection_) {
        throw Error::layer(adErrInvalidConnection, "Kiv.Catalog",
                           "The catalog has no active connection.");
    }
    std::vector<CatalogEntry> entries;
    try {
        entries = connection_->engine()->catalog();
    } catch (const Error& error) {
        connection_->report(error);
        throw;
    }
    for (CatalogEntry& entry : entries) {
        if (entry.type == "PROCEDURE") {
            procedures_.Append(
                std::make_shared<CatalogObject>(entry.name, entry.dateCreated, entry.dateModified));
            continue;
        }
        if (entry.type == "VIEW") {
            views_.Append(
                std::make_shared<CatalogObject>(entry.name, entry.dateCreated, entry.dateModified));
        }
        tables_.Append(std::make_shared<Table>(std::move(entry), connection_));
    }
    loaded_ = true;
}

}  // namespace kiv::db
