#include "db/TextFolderHooks.h"

#include <optional>

#include "db/SqlText.h"
#include "db/files/TextScanCursor.h"

namespace kiv::db {

void TextFolderHooks::beforePrepare(sqlite3* db) {
    if (!attached_) {
        folder_.attach(db);
        attached_ = true;
    }
    folder_.refresh(db);
}

bool TextFolderHooks::execute(sqlite3* db, std::string_view sql) {
    return folder_.executeDefinition(db, sql);
}

std::unique_ptr<Cursor> TextFolderHooks::scan(const std::shared_ptr<sqlite::SqliteEngine>& engine,
                                              std::string_view sql) {
    const std::optional<std::string> name = SqlText::selectAllTable(sql);
    if (!name) {
        return nullptr;
    }
    std::shared_ptr<files::TextTable> table = folder_.table(*name);
    if (!table) {
        return nullptr;
    }
    return std::make_unique<files::TextScanCursor>(engine, std::move(table));
}

}  // namespace kiv::db
