#include "db/access/AccessEngine.h"

#include <sqlite3.h>

#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "db/access/AccessCatalog.h"
#include "db/access/AccessVirtualTable.h"
#include "db/cells/DamagedFiles.h"
#include "db/cells/FileSource.h"
#include "db/cells/ReadOnlyEngine.h"
#include "db/cells/ReaderProcess.h"
#include "db/cells/SqlName.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db::access {

namespace {

const cells::FileSource Source{"Kiv.Access", "[Kiv][Access]", "Access databases are read-only"};

void makeTable(sqlite::SqliteDatabase& database, const std::string& name, const std::string& path) {
    const std::string sql = "CREATE VIRTUAL TABLE temp." + cells::SqlName::quoted(name) +
                            " USING " + AccessVirtualTable::ModuleName;
    const int code = sqlite3_exec(database.handle(), sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        throw database.error(code, "HY000",
                             "Cannot make the table " + name + " of the Access database '" + path +
                                 "': " + sqlite3_errmsg(database.handle()));
    }
}

std::string refusalFor(const std::string& query) {
    return "The query " + query +
           " of the Access database cannot be opened as data: its SQL is Access SQL, which is "
           "not run here; read its tables instead.";
}

// The database with its catalog and the definitions of its tables: what this process reads
// through mdbtools itself (rows are read by reader processes).
std::shared_ptr<AccessSchema> readSchema(const std::string& path) {
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
    return schema;
}

std::shared_ptr<Engine> openHere(const std::string& path) {
    const std::shared_ptr<AccessSchema> schema = readSchema(path);
    std::shared_ptr<sqlite::SqliteDatabase> database =
        sqlite::SqliteDatabase::openMemory(Source.provider, Source.tag);
    try {
        AccessVirtualTable::registerModule(database->handle(), schema);
    } catch (const std::runtime_error& failure) {
        throw database->error(SQLITE_ERROR, "HY000", failure.what());
    }
    for (const auto& [key, table] : schema->tables) {
        makeTable(*database, table.name, path);
    }
    std::vector<CatalogEntry> catalog =
        AccessCatalog::read(database->handle(), schema->database->tables());
    for (const CatalogEntry& entry : catalog) {
        if (entry.type == "VIEW" || entry.type == "PROCEDURE") {
            schema->queries.emplace(text::toLower(entry.name), refusalFor(entry.name));
            makeTable(*database, entry.name, path);
        }
    }
    return std::make_shared<cells::ReadOnlyEngine>(
        std::make_shared<sqlite::SqliteEngine>(std::move(database), true), std::move(catalog),
        Source.refusal, path);
}

// The library that reads Access files is not safe from damaged ones: it can hang, abort or
// overrun its memory while reading the catalog. A child process reads the catalog and the
// table definitions first, as this process is going to, and only when it came through does
// this process open the file.
void tryInChild(const std::string& path) {
    if (const std::optional<std::string> failure = cells::DamagedFiles::failure(path)) {
        throw Source.error(*failure);
    }
    try {
        cells::ReaderProcess reader(
            [&](cells::ReaderProcess::Output&) {
                try {
                    readSchema(path);
                } catch (const std::exception&) {
                    // This process finds the same failure and describes it.
                }
            },
            cells::ReaderProcess::limitsFor(path));
        reader.finish();
    } catch (const std::runtime_error& failure) {
        const std::string description =
            "Cannot read the Access database '" + path + "': " + failure.what() + ".";
        cells::DamagedFiles::remember(path, description);
        throw Source.error(description);
    }
}

}  // namespace

std::shared_ptr<Engine> AccessEngine::open(const ConnectString& parts) {
    const std::string path = Source.path(parts);
    tryInChild(path);
    return openHere(path);
}

}  // namespace kiv::db::access
