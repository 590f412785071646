#include "db/access/AccessEngine.h"

#include <sqlite3.h>

#include <stdexcept>

#include "base/Text.h"
#include "db/access/AccessCatalog.h"
#include "db/access/AccessVirtualTable.h"
#include "db/cells/FileSource.h"
#include "db/cells/ReadOnlyEngine.h"
#include "db/cells/SqlName.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db::access {

namespace {

const cells::FileSource Source{"Kiv.Access", "[Kiv][Access]", "Access database"};

void makeTable(sqlite::SqliteDatabase& database, const std::string& name) {
    const std::string sql = "CREATE VIRTUAL TABLE temp." + cells::SqlName::quoted(name) +
                            " USING " + AccessVirtualTable::ModuleName;
    const int code = sqlite3_exec(database.handle(), sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        throw database.error(
            code, "HY000",
            "Cannot make the table " + name + ": " + sqlite3_errmsg(database.handle()));
    }
}

std::string refusalFor(const std::string& query) {
    return "The query " + query +
           " of the Access database cannot be opened as data: its SQL is Access SQL, which is "
           "not run here; read its tables instead.";
}

}  // namespace

std::shared_ptr<Engine> AccessEngine::open(const ConnectString& parts) {
    const std::string path = Source.path(parts);
    auto schema = std::make_shared<AccessSchema>();
    try {
        schema->database = std::make_shared<AccessDatabase>(path);
        for (MdbCatalogEntry* entry : schema->database->tables()) {
            AccessTable table = AccessTable::read(entry);
            schema->tables.emplace(text::toLower(table.name), std::move(table));
        }
    } catch (const std::runtime_error& failure) {
        throw Source.error("Cannot read the Access database '" + path + "': " + failure.what() +
                           ".");
    }
    std::shared_ptr<sqlite::SqliteDatabase> database =
        sqlite::SqliteDatabase::openMemory(Source.provider, Source.tag);
    try {
        AccessVirtualTable::registerModule(database->handle(), schema);
    } catch (const std::runtime_error& failure) {
        throw database->error(SQLITE_ERROR, "HY000", failure.what());
    }
    for (const auto& [key, table] : schema->tables) {
        makeTable(*database, table.name);
    }
    std::vector<CatalogEntry> catalog =
        AccessCatalog::read(database->handle(), schema->database->tables());
    for (const CatalogEntry& entry : catalog) {
        if (entry.type == "VIEW" || entry.type == "PROCEDURE") {
            schema->queries.emplace(text::toLower(entry.name), refusalFor(entry.name));
            makeTable(*database, entry.name);
        }
    }
    return std::make_shared<cells::ReadOnlyEngine>(
        std::make_shared<sqlite::SqliteEngine>(std::move(database), true), std::move(catalog),
        Source.refusal(path));
}

}  // namespace kiv::db::access
