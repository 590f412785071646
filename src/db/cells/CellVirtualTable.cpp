#include "db/cells/CellVirtualTable.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Text.h"
#include "db/sqlite/VirtualTable.h"

namespace kiv::db::cells {

namespace {

using sqlite::VirtualTable;

struct Source {
    std::shared_ptr<const CellTableMap> tables;
    CellChanges* changes = nullptr;
};

struct Table : sqlite3_vtab {
    std::shared_ptr<const CellTable> table;
    CellChanges* changes = nullptr;
    std::vector<Variant> values;  // the row being inserted
};

struct Cursor : sqlite3_vtab_cursor {
    std::size_t row = 0;
    std::string scratch;
};

const CellTable& tableOf(sqlite3_vtab* vtab) {
    return *static_cast<Table*>(vtab)->table;
}
Cursor& cursorOf(sqlite3_vtab_cursor* cursor) {
    return *static_cast<Cursor*>(cursor);
}

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    try {
        const Source& source = **static_cast<std::shared_ptr<const Source>*>(aux);
        const CellTableMap& tables = *source.tables;
        const auto found = tables.find(text::toLower(argv[2]));
        if (found == tables.end()) {
            *error = sqlite3_mprintf("The source has no table named %s.", argv[2]);
            return SQLITE_ERROR;
        }
        const int declared = VirtualTable::declare(db, found->second->declaration(), error);
        if (declared != SQLITE_OK) {
            return declared;
        }
        auto* table = new Table();
        table->table = found->second;
        table->changes = source.changes;
        *out = table;
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int disconnect(sqlite3_vtab* vtab) {
    delete static_cast<Table*>(vtab);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const auto rows =
        static_cast<sqlite3_int64>(std::max<std::size_t>(tableOf(vtab).rowCount(), 1));
    info->estimatedRows = rows;
    info->estimatedCost = static_cast<double>(rows);
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    try {
        *out = new Cursor();
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int closeCursor(sqlite3_vtab_cursor* cursor) {
    delete &cursorOf(cursor);
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
    cursorOf(cursor).row = 0;
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cursor) {
    ++cursorOf(cursor).row;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cursor) {
    return cursorOf(cursor).row >= tableOf(cursor->pVtab).rowCount() ? 1 : 0;
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
    Cursor& cursor = cursorOf(base);
    const CellTable& table = tableOf(base->pVtab);
    if (sqlite3_vtab_nochange(context) != 0) {
        // An UPDATE that leaves this column as it is: the cell is not written again.
        return SQLITE_OK;
    }
    try {
        if (index >= 0 && static_cast<std::size_t>(index) < table.columns().size()) {
            table.setResult(context, cursor.row, static_cast<std::size_t>(index), cursor.scratch);
        }
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* out) {
    *out = static_cast<sqlite3_int64>(cursorOf(cursor).row);
    return SQLITE_OK;
}

Variant valueOf(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return Variant(static_cast<std::int64_t>(sqlite3_value_int64(value)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_value_double(value));
        case SQLITE_NULL:
            return Variant::Null();
        default:
            return Variant(
                std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                 static_cast<std::size_t>(sqlite3_value_bytes(value))));
    }
}

int update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64*) {
    Table& table = *static_cast<Table*>(vtab);
    if (table.changes == nullptr) {
        return VirtualTable::refuseChanges(vtab, argc, argv, nullptr);
    }
    if (argc == 1) {
        return VirtualTable::fail(vtab,
                                  "Deleting data in a linked table is not supported by this ISAM.");
    }
    try {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            table.values.clear();
            for (int i = 2; i < argc; ++i) {
                table.values.push_back(valueOf(argv[i]));
            }
            table.changes->insert(*table.table, table.values);
            return SQLITE_OK;
        }
        if (sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1])) {
            return VirtualTable::fail(vtab, "The row number of a table of cells cannot change.");
        }
        std::vector<std::optional<Variant>> changed;
        for (int i = 2; i < argc; ++i) {
            changed.push_back(sqlite3_value_nochange(argv[i]) ? std::nullopt
                                                              : std::optional(valueOf(argv[i])));
        }
        table.changes->update(*table.table, static_cast<std::size_t>(sqlite3_value_int64(argv[0])),
                              changed);
        return SQLITE_OK;
    } catch (const std::exception& error) {
        return VirtualTable::fail(vtab, error.what());
    }
}

const sqlite3_module Module = {
    .iVersion = 1,
    .xCreate = connect,
    .xConnect = connect,
    .xBestIndex = bestIndex,
    .xDisconnect = disconnect,
    .xDestroy = disconnect,
    .xOpen = openCursor,
    .xClose = closeCursor,
    .xFilter = filter,
    .xNext = next,
    .xEof = eof,
    .xColumn = column,
    .xRowid = rowid,
    .xUpdate = update,
    .xBegin = nullptr,
    .xSync = nullptr,
    .xCommit = nullptr,
    .xRollback = nullptr,
    .xFindFunction = nullptr,
    .xRename = nullptr,
    .xSavepoint = nullptr,
    .xRelease = nullptr,
    .xRollbackTo = nullptr,
    .xShadowName = nullptr,
};

}  // namespace

void CellVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const CellTableMap> tables,
                                      CellChanges* changes) {
    VirtualTable::registerModule(db, ModuleName, Module,
                                 std::make_shared<const Source>(Source{std::move(tables), changes}),
                                 "cell-table");
}

}  // namespace kiv::db::cells
