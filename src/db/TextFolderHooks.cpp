#include "db/TextFolderHooks.h"

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

}  // namespace kiv::db
