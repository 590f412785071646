#include "db/sqlite/VirtualTable.h"

namespace kiv::db::sqlite {

int VirtualTable::declare(sqlite3* db, const std::string& declaration, char** error) {
    const int declared = sqlite3_declare_vtab(db, declaration.c_str());
    if (declared != SQLITE_OK) {
        *error = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    }
    return declared;
}

int VirtualTable::fail(sqlite3_vtab* vtab, std::string_view description) {
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg =
        sqlite3_mprintf("%.*s", static_cast<int>(description.size()), description.data());
    return SQLITE_ERROR;
}

int VirtualTable::refuseChanges(sqlite3_vtab*, int, sqlite3_value**, sqlite3_int64*) {
    return SQLITE_READONLY;
}

}  // namespace kiv::db::sqlite
