#include "db/cells/CellEngine.h"

#include <sqlite3.h>

#include <stdexcept>

#include "base/Text.h"
#include "db/cells/CellVirtualTable.h"
#include "db/cells/ReadOnlyEngine.h"
#include "db/cells/SqlName.h"
#include "db/sqlite/SqliteDatabase.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db::cells {

std::shared_ptr<Engine> CellEngine::open(const FileSource& source, const std::string& path,
                                         const std::vector<NamedTable>& tables,
                                         std::vector<CatalogEntry> catalog, std::string refusal,
                                         CellChanges* changes) {
    std::shared_ptr<sqlite::SqliteDatabase> database =
        sqlite::SqliteDatabase::openMemory(source.provider, source.tag);
    auto map = std::make_shared<CellTableMap>();
    for (const auto& [name, table] : tables) {
        (*map)[text::toLower(name)] = table;
    }
    sqlite3* handle = database->handle();
    try {
        CellVirtualTable::registerModule(handle, map, changes);
    } catch (const std::runtime_error& failure) {
        throw database->error(SQLITE_ERROR, "HY000", failure.what());
    }
    for (const auto& entry : tables) {
        const std::string sql = "CREATE VIRTUAL TABLE temp." + SqlName::quoted(entry.first) +
                                " USING " + CellVirtualTable::ModuleName;
        const int code = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
        if (code != SQLITE_OK) {
            throw database->error(
                code, "HY000",
                "Cannot make the table " + entry.first + ": " + sqlite3_errmsg(handle));
        }
    }
    return std::make_shared<ReadOnlyEngine>(
        std::make_shared<sqlite::SqliteEngine>(std::move(database), changes == nullptr),
        std::move(catalog), std::move(refusal), path);
}

}  // namespace kiv::db::cells
