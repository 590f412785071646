#include "db/cells/CellVirtualTable.h"

#include <algorithm>
#include <string>

#include "db/sqlite/VirtualTable.h"
#include "db/sqlite/VirtualTableModule.h"

namespace kiv::db::cells {

namespace {

struct Table : sqlite3_vtab {
    std::shared_ptr<const CellTable> table;

    std::size_t columnCount() const { return table->columns().size(); }
};

struct Cursor : sqlite3_vtab_cursor {
    explicit Cursor(const Table&) {}

    void result(const Table& source, sqlite3_context* context, std::size_t column) {
        source.table->setResult(context, row, column, scratch);
    }

    bool eof = true;
    std::size_t row = 0;
    std::string scratch;
};

using Module = sqlite::VirtualTableModule<Table, Cursor>;

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    return Module::connectNamed<CellTableMap>(db, aux, argv[2], out, error,
                                              "The source has no table named");
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const auto rows = static_cast<sqlite3_int64>(
        std::max<std::size_t>(Module::tableOf(vtab).table->rowCount(), 1));
    info->estimatedRows = rows;
    info->estimatedCost = static_cast<double>(rows);
    return SQLITE_OK;
}

// Moves to `row`, past the last row when there is no such row.
int moveTo(sqlite3_vtab_cursor* base, std::size_t row) {
    Cursor& cursor = Module::cursorOf(base);
    cursor.row = row;
    cursor.eof = row >= Module::tableOf(base->pVtab).table->rowCount();
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
    return moveTo(cursor, 0);
}

int next(sqlite3_vtab_cursor* cursor) {
    return moveTo(cursor, Module::cursorOf(cursor).row + 1);
}

constexpr sqlite3_module Methods = Module::readOnly(connect, bestIndex, filter, next);

}  // namespace

void CellVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const CellTableMap> tables) {
    sqlite::VirtualTable::registerModule(db, ModuleName, Methods, std::move(tables), "cell-table");
}

}  // namespace kiv::db::cells
