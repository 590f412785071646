#include "db/access/AccessVirtualTable.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Text.h"
#include "db/access/AccessCursor.h"
#include "db/access/AccessProtocol.h"
#include "db/cells/SqlName.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/VirtualTable.h"
#include "db/sqlite/VirtualTableModule.h"

namespace kiv::db::access {

namespace {

using sqlite::VirtualTable;

using SharedSchema = std::shared_ptr<const AccessSchema>;

struct Table : sqlite3_vtab {
    SharedSchema schema;
    const AccessTable* table = nullptr;  // none for a query
    std::string refusal;                 // why a query cannot be read
    // Readers of statements that have finished, kept for the next: a lookup runs its
    // statement once per row it looks up, and a reader costs a handle and the table's
    // definition to make.
    std::vector<std::unique_ptr<AccessCursor>> spare;

    std::size_t columnCount() const { return table->columns.size(); }
};

struct Cursor : sqlite3_vtab_cursor {
    explicit Cursor(const Table&) {}

    void result(const Table&, sqlite3_context* context, std::size_t column) {
        rows->setResult(context, column);
    }

    std::unique_ptr<AccessCursor> rows;
    bool eof = true;
    sqlite3_int64 row = 0;
};

using Module = sqlite::VirtualTableModule<Table, Cursor>;
constexpr auto* tableOf = &Module::tableOf;
constexpr auto* cursorOf = &Module::cursorOf;

int readFailure(sqlite3_vtab* vtab, const std::exception& error) {
    if (dynamic_cast<const std::runtime_error*>(&error) == nullptr) {
        return SQLITE_NOMEM;
    }
    return VirtualTable::fail(vtab, error.what());
}

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    try {
        const SharedSchema& schema = *static_cast<SharedSchema*>(aux);
        const std::string key = text::toLower(argv[2]);
        const auto table = schema->tables.find(key);
        const auto query = schema->queries.find(key);
        if (table == schema->tables.end() && query == schema->queries.end()) {
            *error = sqlite3_mprintf("The Access database has no table named %s.", argv[2]);
            return SQLITE_ERROR;
        }
        const std::string declaration = table != schema->tables.end()
                                            ? table->second.declaration()
                                            : std::string("CREATE TABLE x(\"Query\")");
        const int declared = VirtualTable::declare(db, declaration, error);
        if (declared != SQLITE_OK) {
            return declared;
        }
        auto* created = new Table();
        created->schema = schema;
        if (table != schema->tables.end()) {
            created->table = &table->second;
        } else {
            created->refusal = query->second;
        }
        *out = created;
        return SQLITE_OK;
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const Table& table = tableOf(vtab);
    if (table.table == nullptr) {
        return VirtualTable::fail(vtab, table.refusal);
    }
    const double rows = std::max(table.table->rows, 1.0);
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    info->estimatedCost = rows;
    // The reader sends only the columns the statement reads.
    info->idxNum = static_cast<int>(AccessProtocol::columns(info->colUsed));
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
    try {
        Table& table = tableOf(vtab);
        auto cursor = std::make_unique<Cursor>(table);
        if (table.spare.empty()) {
            cursor->rows = std::make_unique<AccessCursor>(table.schema->reader, *table.table);
        } else {
            cursor->rows = std::move(table.spare.back());
            table.spare.pop_back();
        }
        *out = cursor.release();
        return SQLITE_OK;
    } catch (const std::exception& error) {
        return readFailure(vtab, error);
    }
}

int closeCursor(sqlite3_vtab_cursor* base) {
    std::unique_ptr<Cursor> cursor(&cursorOf(base));
    try {
        tableOf(base->pVtab).spare.push_back(std::move(cursor->rows));
    } catch (const std::exception&) {
        // Without room to keep it, the reader is simply closed.
    }
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    Cursor& cursor = cursorOf(base);
    try {
        cursor.eof = !cursor.rows->next();
    } catch (const std::exception& error) {
        cursor.eof = true;
        return readFailure(base->pVtab, error);
    }
    ++cursor.row;
    return SQLITE_OK;
}

int filter(sqlite3_vtab_cursor* base, int columns, const char*, int, sqlite3_value**) {
    Cursor& cursor = cursorOf(base);
    cursor.rows->rewind(static_cast<std::uint32_t>(columns));
    cursor.row = 0;
    return next(base);
}

constexpr sqlite3_module Methods = [] {
    sqlite3_module methods = Module::readOnly(connect, bestIndex, filter, next);
    methods.xOpen = openCursor;
    methods.xClose = closeCursor;
    return methods;
}();

}  // namespace

void AccessVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const AccessSchema> schema) {
    VirtualTable::registerModule(db, ModuleName, Methods, std::move(schema), "Access");
}

void AccessVirtualTable::create(sqlite::SqliteDatabase& database, const std::string& name) {
    const std::string sql =
        "CREATE VIRTUAL TABLE temp." + cells::SqlName::quoted(name) + " USING " + ModuleName;
    const int code = sqlite3_exec(database.handle(), sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        throw database.error(
            code, "HY000",
            "the table " + name + " cannot be made: " + sqlite3_errmsg(database.handle()));
    }
}

}  // namespace kiv::db::access
