#include "db/access/AccessEngine.h"

#include <sqlite3.h>

#include <optional>
#include <stdexcept>

#include "base/Text.h"
#include "db/access/AccessCatalog.h"
#include "db/access/AccessFunctions.h"
#include "db/access/AccessQuery.h"
#include "db/access/AccessQueryViews.h"
#include "db/access/AccessReader.h"
#include "db/access/AccessVirtualTable.h"
#include "db/cells/DamagedFiles.h"
#include "db/cells/FileSource.h"
#include "db/cells/ReadOnlyEngine.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db::access {

namespace {

const cells::FileSource Source{"Kiv.Access", "[Kiv][Access]", "Access database"};

// mdbtools is not safe from damaged files: the database is read in a process of its own, and
// a file it failed on fails again at once.
std::shared_ptr<AccessReader> readerOf(const std::string& path) {
    std::optional<std::string> failure = cells::DamagedFiles::failure(path);
    if (!failure) {
        try {
            return std::make_shared<AccessReader>(path);
        } catch (const std::runtime_error& error) {
            failure = error.what();
            cells::DamagedFiles::remember(path, *failure);
        }
    }
    throw Source.error("Cannot read the Access database '" + path + "': " + *failure + ".");
}

}  // namespace

std::shared_ptr<Engine> AccessEngine::open(const ConnectString& parts) {
    const std::string path = Source.path(parts);
    auto schema = std::make_shared<AccessSchema>();
    schema->reader = readerOf(path);
    for (const AccessTable& table : schema->reader->tables()) {
        schema->tables.emplace(text::toLower(table.name), table);
    }
    std::shared_ptr<sqlite::SqliteDatabase> database =
        sqlite::SqliteDatabase::openMemory(Source.provider, Source.tag);
    try {
        AccessVirtualTable::registerModule(database->handle(), schema);
        AccessFunctions::registerOn(database->handle());
    } catch (const std::runtime_error& failure) {
        throw database->error(SQLITE_ERROR, "HY000", failure.what());
    }
    // A damaged file can define tables SQLite cannot make (two columns of one name).
    std::vector<AccessQuery> queries;
    try {
        for (const auto& [key, table] : schema->tables) {
            AccessVirtualTable::create(*database, table.name);
        }
        try {
            queries = AccessQuery::readAll(database->handle());
        } catch (const std::runtime_error&) {
            // A database whose system tables are closed to this reader still shows its tables.
        }
        AccessQueryViews::make(*database, *schema, queries);
    } catch (const Error& error) {
        const std::string& description = error.Description();
        throw Source.error("Cannot read the Access database '" + path +
                           "': " + description.substr(text::leadingTagsLength(description)) + ".");
    }
    std::vector<CatalogEntry> catalog =
        AccessCatalog::read(database->handle(), schema->reader->tables(), queries);
    return std::make_shared<cells::ReadOnlyEngine>(
        std::make_shared<sqlite::SqliteEngine>(std::move(database), true), std::move(catalog),
        Source.refusal(path), path);
}

}  // namespace kiv::db::access
