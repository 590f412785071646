#include "db/access/AccessCatalog.h"

#include "db/access/Mdb.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/access/AccessDatabase.h"

namespace kiv::db::access {

namespace {

// MSysObjects.Type of tables and of queries.
constexpr long long TableObject = 1;
constexpr long long QueryObject = 5;

struct Object {
    std::string name;
    long long type = 0;
    Variant created = Variant::Null();
    Variant modified = Variant::Null();
};

using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    return Statement(statement, sqlite3_finalize);
}

void finish(sqlite3* db, int code) {
    if (code != SQLITE_DONE) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
}

std::string textOf(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text != nullptr ? text : "";
}

Variant dateOf(sqlite3_stmt* statement, int column) {
    const std::optional<double> serial = Variant::parseDate(textOf(statement, column));
    return serial ? Variant::fromDate(*serial) : Variant::Null();
}

std::map<long long, Object> readObjects(sqlite3* db) {
    const Statement statement =
        prepare(db,
                "SELECT Id, Name, Type, DateCreate, DateUpdate FROM temp.\"MSysObjects\" "
                "WHERE Type IN (1, 5)");
    std::map<long long, Object> objects;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        objects[sqlite3_column_int64(statement.get(), 0)] =
            Object{textOf(statement.get(), 1), sqlite3_column_int64(statement.get(), 2),
                   dateOf(statement.get(), 3), dateOf(statement.get(), 4)};
    }
    finish(db, code);
    return objects;
}

}  // namespace

std::vector<CatalogEntry> AccessCatalog::read(sqlite3* db,
                                              const std::vector<MdbCatalogEntry*>& tables,
                                              const std::vector<AccessQuery>& queries) {
    std::map<long long, Object> objects;
    try {
        objects = readObjects(db);
    } catch (const std::runtime_error&) {
        // A database whose system tables are closed to this reader still shows its tables.
    }
    std::vector<CatalogEntry> entries;
    for (const MdbCatalogEntry* table : tables) {
        CatalogEntry entry{table->object_name,
                           AccessDatabase::isSystemTable(table) ? "SYSTEM TABLE" : "TABLE"};
        for (const auto& [id, object] : objects) {
            if (object.type == TableObject && object.name == entry.name) {
                entry.dateCreated = object.created;
                entry.dateModified = object.modified;
            }
        }
        entries.push_back(std::move(entry));
    }
    for (const AccessQuery& query : queries) {
        CatalogEntry entry{query.name, query.returnsRows() ? "VIEW" : "PROCEDURE"};
        for (const auto& [id, object] : objects) {
            if (object.type == QueryObject && object.name == query.name) {
                entry.dateCreated = object.created;
                entry.dateModified = object.modified;
            }
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
        return std::make_pair(a.type, text::toLower(a.name)) <
               std::make_pair(b.type, text::toLower(b.name));
    });
    return entries;
}

}  // namespace kiv::db::access
