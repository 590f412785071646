#pragma once

#include <memory>

#include "db/CatalogObject.h"
#include "db/Table.h"

namespace kiv::db {

class Connection;

// The schema of an open connection: tables (with views among them, type "VIEW"), views and
// procedures. The lists are read when first asked for after the connection is attached.
class Catalog {
public:
    std::shared_ptr<Connection> ActiveConnection() const noexcept { return connection_; }
    // An empty pointer detaches the catalog and forgets what it read.
    void ActiveConnection(std::shared_ptr<Connection> connection);

    db::Tables& Tables();
    db::Views& Views();
    db::Procedures& Procedures();

private:
    void load();

    std::shared_ptr<Connection> connection_;
    bool loaded_ = false;
    db::Tables tables_;
    db::Views views_;
    db::Procedures procedures_;
};

}  // namespace kiv::db
