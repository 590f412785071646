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
// MSysQueries.Attribute of the row that gives a query's type, and of a declared parameter.
constexpr long long TypeAttribute = 1;
constexpr long long ParameterAttribute = 2;
// Query types (the type row's Flag) that return rows.
constexpr int SelectQuery = 1;
constexpr int CrosstabQuery = 6;
constexpr int UnionQuery = 9;

struct Object {
    std::string name;
    long long type = 0;
    long long flags = 0;
    Variant created = Variant::Null();
    Variant modified = Variant::Null();
};

struct QueryFacts {
    std::optional<int> type;
    bool parameters = false;
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
                "SELECT Id, Name, Type, Flags, DateCreate, DateUpdate FROM temp.\"MSysObjects\" "
                "WHERE Type IN (1, 5)");
    std::map<long long, Object> objects;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        objects[sqlite3_column_int64(statement.get(), 0)] =
            Object{textOf(statement.get(), 1), sqlite3_column_int64(statement.get(), 2),
                   sqlite3_column_int64(statement.get(), 3), dateOf(statement.get(), 4),
                   dateOf(statement.get(), 5)};
    }
    finish(db, code);
    return objects;
}

std::map<long long, QueryFacts> readQueryFacts(sqlite3* db) {
    const Statement statement = prepare(
        db, "SELECT ObjectId, Attribute, Flag FROM temp.\"MSysQueries\" WHERE Attribute IN (1, 2)");
    std::map<long long, QueryFacts> facts;
    int code = SQLITE_ROW;
    while ((code = sqlite3_step(statement.get())) == SQLITE_ROW) {
        QueryFacts& query = facts[sqlite3_column_int64(statement.get(), 0)];
        if (sqlite3_column_int64(statement.get(), 1) == TypeAttribute) {
            query.type = sqlite3_column_int(statement.get(), 2);
        } else if (sqlite3_column_int64(statement.get(), 1) == ParameterAttribute) {
            query.parameters = true;
        }
    }
    finish(db, code);
    return facts;
}

// A query's type from the flags MSysObjects keeps, for files whose MSysQueries has no type
// row: the high nibble, 0 for a select, 16 for a crosstab, 128 for a union query; the other
// values are action, data-definition and pass-through queries, none of which returns rows.
int typeFromFlags(long long flags) {
    switch (flags & 0xF0) {
        case 0x00:
            return SelectQuery;
        case 0x10:
            return CrosstabQuery;
        case 0x80:
            return UnionQuery;
        default:
            return 0;
    }
}

std::string queryKind(const Object& object, const QueryFacts& facts) {
    const int type = facts.type.value_or(typeFromFlags(object.flags));
    const bool rows = type == SelectQuery || type == CrosstabQuery || type == UnionQuery;
    return rows && !facts.parameters ? "VIEW" : "PROCEDURE";
}

}  // namespace

std::vector<CatalogEntry> AccessCatalog::read(sqlite3* db,
                                              const std::vector<MdbCatalogEntry*>& tables) {
    std::map<long long, Object> objects;
    std::map<long long, QueryFacts> facts;
    try {
        objects = readObjects(db);
        facts = readQueryFacts(db);
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
    for (const auto& [id, object] : objects) {
        if (object.type == QueryObject) {
            entries.push_back(CatalogEntry{object.name, queryKind(object, facts[id]),
                                           object.created, object.modified});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
        return std::make_pair(a.type, text::toLower(a.name)) <
               std::make_pair(b.type, text::toLower(b.name));
    });
    return entries;
}

}  // namespace kiv::db::access
