#include "db/cells/ReadOnlyEngine.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "base/Text.h"

namespace kiv::db::cells {

ReadOnlyEngine::ReadOnlyEngine(std::shared_ptr<sqlite::SqliteEngine> engine,
                               std::vector<CatalogEntry> catalog, std::string refusal,
                               std::string path)
    : engine_(std::move(engine)),
      catalog_(std::move(catalog)),
      refusal_(std::move(refusal)),
      path_(std::move(path)) {}

template <typename Call>
auto ReadOnlyEngine::described(Call&& call) {
    try {
        return call();
    } catch (const Error& error) {
        if (error.SQLState() == "42S02") {
            throw Error(error.Number(), error.Source(), error.SQLState(), error.NativeError(),
                        error.Description() + " in the file '" + path_ + "'");
        }
        if (error.NativeError() != SQLITE_READONLY) {
            throw;
        }
        throw engine_->database().error(SQLITE_READONLY, "HY000",
                                        refusal_ + "; statements that change data cannot run.");
    }
}

std::unique_ptr<Cursor> ReadOnlyEngine::execute(std::string_view sql, long& recordsAffected) {
    return described([&] { return engine_->execute(sql, recordsAffected); });
}

std::unique_ptr<PreparedStatement> ReadOnlyEngine::prepare(std::string_view sql) {
    return described([&] { return engine_->prepare(sql); });
}

std::unique_ptr<TableWriter> ReadOnlyEngine::openTable(std::string_view table) {
    throw engine_->database().error(
        SQLITE_READONLY, "HY000",
        refusal_ + "; rows cannot be added to " + std::string(table) + ".");
}

std::vector<ColumnInfo> ReadOnlyEngine::tableColumns(std::string_view table) {
    const bool query =
        std::any_of(catalog_.begin(), catalog_.end(), [&](const CatalogEntry& entry) {
            return text::iequals(entry.name, table) &&
                   (entry.type == "VIEW" || entry.type == "PROCEDURE");
        });
    return query ? std::vector<ColumnInfo>() : engine_->tableColumns(table);
}

}  // namespace kiv::db::cells
