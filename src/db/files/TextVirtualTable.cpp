#include "db/files/TextVirtualTable.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>

#include "base/Text.h"
#include "db/files/TextReader.h"
#include "db/sqlite/SqliteValues.h"
#include "db/sqlite/VirtualTable.h"
#include "db/sqlite/VirtualTableModule.h"

namespace kiv::db::files {

namespace {

using sqlite::VirtualTable;

struct Table : sqlite3_vtab {
    std::shared_ptr<TextTable> table;
    sqlite3_int64 appended = 0;

    std::size_t columnCount() const { return table->columns().size(); }
};

struct Cursor : sqlite3_vtab_cursor {
    explicit Cursor(const Table& source)
        : reader(source.table->format(), TextReader::ReadChunk, source.table->notes()) {}

    void result(const Table& source, sqlite3_context* context, std::size_t column) const {
        sqlite::StoredValue value;
        Variant::DateText buffer;
        if (source.table->stored(reader, column, value, buffer)) {
            sqlite::SqliteValues::result(context, value);
        } else {
            const std::string description = source.table->mismatchAt(reader, column);
            sqlite3_result_error(context, description.c_str(),
                                 static_cast<int>(description.size()));
        }
    }

    TextReader reader;
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
    return VirtualTable::fail(
        vtab, "Cannot read " + tableOf(vtab).table->fileName() + ": " + error.what());
}

int connect(sqlite3* db, void* aux, int, const char* const* argv, sqlite3_vtab** out,
            char** error) {
    return Module::connectNamed<TextTableMap>(db, aux, argv[2], out, error,
                                              "No text file of the folder is named");
}

int disconnect(sqlite3_vtab* vtab) {
    Table* table = &tableOf(vtab);
    table->table->close();
    delete table;
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    // Every constraint is left to SQLite: a text file is read from its start anyway.
    const double rows = std::max(tableOf(vtab).table->estimatedRows(), 1.0);
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    info->estimatedCost = rows;
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    Cursor& cursor = cursorOf(base);
    try {
        cursor.eof = !cursor.reader.next();
        ++cursor.row;
        return SQLITE_OK;
    } catch (const std::exception& error) {
        cursor.eof = true;
        return readFailure(base->pVtab, error);
    }
}

int filter(sqlite3_vtab_cursor* base, int, const char*, int, sqlite3_value**) {
    Cursor& cursor = cursorOf(base);
    TextTable& table = *tableOf(base->pVtab).table;
    cursor.eof = true;
    if (!table.problem().empty()) {
        return VirtualTable::fail(base->pVtab, table.problem());
    }
    try {
        // Rows appended through this connection must be in the file before it is read.
        table.flush();
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(base->pVtab, error.what());
    }
    try {
        cursor.reader.start(table.path());
        if (table.format().header && !cursor.reader.next()) {
            return SQLITE_OK;
        }
    } catch (const std::exception& error) {
        return readFailure(base->pVtab, error);
    }
    cursor.row = 0;
    return next(base);
}

int update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* newRowid) {
    Table& table = tableOf(vtab);
    const std::string& name = table.table->fileName();
    if (argc == 1) {
        return VirtualTable::fail(vtab,
                                  "Cannot delete rows of " + name +
                                      ": a text file only takes new rows at its end (INSERT).");
    }
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        return VirtualTable::fail(vtab,
                                  "Cannot update rows of " + name +
                                      ": a text file only takes new rows at its end (INSERT).");
    }
    try {
        table.table->append(argv + 2);
        *newRowid = ++table.appended;
        return SQLITE_OK;
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(vtab, error.what());
    } catch (const std::exception&) {
        return SQLITE_NOMEM;
    }
}

int begin(sqlite3_vtab*) {
    return SQLITE_OK;
}

// Appended lines cannot be taken back; ending a transaction either way writes them out.
int flush(sqlite3_vtab* vtab) {
    try {
        tableOf(vtab).table->flush();
        return SQLITE_OK;
    } catch (const std::runtime_error& error) {
        return VirtualTable::fail(vtab, error.what());
    }
}

constexpr sqlite3_module Methods = [] {
    sqlite3_module methods = Module::readOnly(connect, bestIndex, filter, next);
    methods.xDisconnect = disconnect;
    methods.xDestroy = disconnect;
    methods.xUpdate = update;
    methods.xBegin = begin;
    methods.xSync = flush;
    methods.xCommit = flush;
    methods.xRollback = flush;
    return methods;
}();

}  // namespace

void TextVirtualTable::registerModule(sqlite3* db, std::shared_ptr<const TextTableMap> tables) {
    VirtualTable::registerModule(db, ModuleName, Methods, std::move(tables), "text-file");
}

}  // namespace kiv::db::files
