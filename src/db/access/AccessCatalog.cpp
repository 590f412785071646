#include "db/access/AccessCatalog.h"

#include <algorithm>
#include <map>
#include <string>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/access/AccessSystemRows.h"

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

std::map<long long, Object> readObjects(sqlite3* db) {
    AccessSystemRows rows(db,
                          "SELECT Id, Name, Type, DateCreate, DateUpdate FROM "
                          "temp.\"MSysObjects\" WHERE Type IN (1, 5)");
    std::map<long long, Object> objects;
    while (rows.next()) {
        objects[rows.integer(0)] =
            Object{rows.text(1), rows.integer(2), rows.date(3), rows.date(4)};
    }
    return objects;
}

}  // namespace

std::vector<CatalogEntry> AccessCatalog::read(sqlite3* db, const std::vector<AccessTable>& tables,
                                              const std::vector<AccessQuery>& queries) {
    std::map<long long, Object> objects;
    try {
        objects = readObjects(db);
    } catch (const std::runtime_error&) {
        // A database whose system tables are closed to this reader still shows its tables.
    }
    std::vector<CatalogEntry> entries;
    for (const AccessTable& table : tables) {
        CatalogEntry entry{table.name, table.system ? "SYSTEM TABLE" : "TABLE"};
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
