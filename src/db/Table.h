#pragma once

#include <memory>
#include <optional>
#include <string>

#include "base/Variant.h"
#include "db/CatalogEntry.h"
#include "db/Column.h"
#include "db/Items.h"

namespace kiv::db {

class Connection;

// One table of a catalog (views are listed among the tables with type "VIEW", as the
// classic catalog lists them). Its columns are read from the database when first asked
// for, while the connection is open.
class Table {
public:
    Table(CatalogEntry entry, std::weak_ptr<Connection> connection);

    const std::string& Name() const noexcept { return entry_.name; }
    const std::string& Type() const noexcept { return entry_.type; }
    const Variant& DateCreated() const noexcept { return entry_.dateCreated; }
    const Variant& DateModified() const noexcept { return entry_.dateModified; }
    const db::Columns& Columns();

private:
    CatalogEntry entry_;
    std::weak_ptr<Connection> connection_;
    std::optional<db::Columns> columns_;
};

using Tables = Items<Table>;

}  // namespace kiv::db
