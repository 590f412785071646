#include "db/Table.h"

#include <utility>

#include "db/Connection.h"
#include "db/Engine.h"

namespace kiv::db {

Table::Table(CatalogEntry entry, std::weak_ptr<Connection> connection)
    : entry_(std::move(entry)), connection_(std::move(connection)) {}

const db::Columns& Table::Columns() {
    if (columns_) {
        return *columns_;
    }
    const std::shared_ptr<Connection> connection = connection_.lock();
    if (!connection) {
        throw Error::layer(adErrInvalidConnection, "Kiv.Table",
                           "The catalog's connection is no longer available.");
    }
    db::Columns columns;
    try {
        for (ColumnInfo& info : connection->engine()->tableColumns(entry_.name)) {
            columns.Append(std::make_shared<Column>(std::move(info)));
        }
    } catch (const Error& error) {
        connection->report(error);
        throw;
    }
    columns_ = std::move(columns);
    return *columns_;
}

}  // namespace kiv::db
