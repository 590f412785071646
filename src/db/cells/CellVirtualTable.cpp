#include "db/cells/CellVirtualTable.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "base/Text.h"
#include "db/sqlite/VirtualTable.h"
#include "db/sqlite/VirtualTableModule.h"

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

    std::size_t columnCount() const { return table->columns().size(); }
};

struct Cursor : sqlite3_vtab_cursor {
    explicit Cursor(const Table&) {}

    void result(const Table& source, sqlite3_context* context, std::size_t column) {
        source.table->setResult(context, *current, column, scratch);
    }

    bool eof = true;
    std::size_t row = 0;
    std::unique_ptr<RowSource::Cursor> rows;
    const RowSource::Row* current = nullptr;
    std::string scratch;
};

using Module = sqlite::VirtualTableModule<Table, Cursor>;

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    try {
        const Source& source = **static_cast<std::shared_ptr<const Source>*>(aux);
        const auto found = source.tables->find(text::toLower(argv[2]));
        if (found == source.tables->end()) {
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

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const auto rows = static_cast<sqlite3_int64>(
        std::max<std::size_t>(Module::tableOf(vtab).table->rowCount(), 1));
    info->estimatedRows = rows;
    info->estimatedCost = static_cast<double>(rows);
    return SQLITE_OK;
}

// Moves to the next row of the scan, past the last row when there is none.
int advance(sqlite3_vtab_cursor* base) {
    Cursor& cursor = Module::cursorOf(base);
    try {
        cursor.current = cursor.rows->next();
    } catch (const std::exception& failure) {
        cursor.current = nullptr;
        cursor.eof = true;
        return VirtualTable::fail(base->pVtab, failure.what());
    }
    cursor.eof = cursor.current == nullptr;
    return SQLITE_OK;
}

// Every scan reads the rows from the first again.
int filter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value**) {
    Cursor& cursor = Module::cursorOf(base);
    cursor.row = 0;
    cursor.current = nullptr;
    try {
        cursor.rows = Module::tableOf(base->pVtab).table->rows();
    } catch (const std::exception& failure) {
        cursor.eof = true;
        return VirtualTable::fail(base->pVtab, failure.what());
    }
    return advance(base);
}

int next(sqlite3_vtab_cursor* base) {
    ++Module::cursorOf(base).row;
    return advance(base);
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
    if (sqlite3_vtab_nochange(context) != 0) {
        // An UPDATE that leaves this column as it is: the cell is not written again.
        return SQLITE_OK;
    }
    return Module::column(base, context, index);
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

// The shared read-only methods, with the columns and changes of a table of cells.
constexpr sqlite3_module writableMethods() {
    sqlite3_module methods = Module::readOnly(connect, bestIndex, filter, next);
    methods.xColumn = column;
    methods.xUpdate = update;
    return methods;
}

constexpr sqlite3_module Methods = writableMethods();

}  // namespace

void CellVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const CellTableMap> tables,
                                      CellChanges* changes) {
    VirtualTable::registerModule(db, ModuleName, Methods,
                                 std::make_shared<const Source>(Source{std::move(tables), changes}),
                                 "cell-table");
}

}  // namespace kiv::db::cells
