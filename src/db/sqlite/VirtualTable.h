#pragma once

#include <sqlite3.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv::db::sqlite {

// What the virtual-table modules of the engines built on SQLite (text files, sheets, HTML
// tables, Access tables) have in common.
class VirtualTable {
public:
    // Registers `module` under `name`; its create and connect methods receive a pointer to a
    // copy of `source`, which SQLite releases with the module. `what` names the module in the
    // std::runtime_error thrown on failure.
    template <typename Source>
    static void registerModule(sqlite3* db, const char* name, const sqlite3_module& module,
                               std::shared_ptr<const Source> source, std::string_view what) {
        using Shared = std::shared_ptr<const Source>;
        auto* aux = new Shared(std::move(source));
        const int result = sqlite3_create_module_v2(
            db, name, &module, aux, [](void* data) { delete static_cast<Shared*>(data); });
        if (result != SQLITE_OK) {
            throw std::runtime_error("Cannot register the " + std::string(what) +
                                     " module: " + sqlite3_errmsg(db));
        }
    }

    // Declares a table's columns from its CREATE TABLE statement, from a connect method;
    // SQLite's message goes to `error` on failure.
    static int declare(sqlite3* db, const std::string& declaration, char** error);

    // Fails a method of `vtab` with a description of the module's own.
    static int fail(sqlite3_vtab* vtab, std::string_view description);

    // The update method of read-only modules. Without one SQLite would refuse statements that
    // change the table while preparing them, in its own words; with this one they prepare,
    // and the read-only engine refuses them in the source's words before they run.
    static int refuseChanges(sqlite3_vtab*, int, sqlite3_value**, sqlite3_int64*);
};

}  // namespace kiv::db::sqlite
