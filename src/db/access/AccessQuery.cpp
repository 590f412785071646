#include "db/access/AccessQuery.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "db/access/AccessSystemRows.h"

namespace kiv::db::access {

namespace {

// MSysQueries.Attribute: which part of a query a row gives.
enum Attribute {
    TypeRow = 1,
    ParameterRow = 2,
    FlagRow = 3,
    RemoteDatabaseRow = 4,
    SourceRow = 5,
    ColumnRow = 6,
    JoinRow = 7,
    WhereRow = 8,
    GroupByRow = 9,
    HavingRow = 10,
    OrderByRow = 11
};

// Bits of the flag row's Flag.
constexpr long long SelectStarFlag = 0x01;
constexpr long long DistinctFlag = 0x02;
constexpr long long DistinctRowFlag = 0x08;
constexpr long long TopFlag = 0x10;
constexpr long long PercentFlag = 0x20;

struct Row {
    long long objectId = 0;
    int attribute = 0;
    std::string order;
    std::string name1;
    std::string name2;
    std::string expression;
    long long flag = 0;
};

// A query's kind from the flags MSysObjects keeps, for files whose MSysQueries has no type
// row: the high nibble, 0 for a select, 16 for a crosstab, 128 for a union query; the other
// values are action, data-definition and pass-through queries.
AccessQuery::Kind kindFromFlags(long long flags) {
    switch (flags & 0xF0) {
        case 0x00:
            return AccessQuery::Kind::Select;
        case 0x10:
            return AccessQuery::Kind::Crosstab;
        case 0x80:
            return AccessQuery::Kind::Union;
        default:
            return AccessQuery::Kind::Update;
    }
}

std::vector<Row> readRows(sqlite3* db) {
    AccessSystemRows read(db,
                          "SELECT ObjectId, Attribute, \"Order\", Name1, Name2, Expression, Flag "
                          "FROM temp.\"MSysQueries\"");
    std::vector<Row> rows;
    while (read.next()) {
        rows.push_back(Row{read.integer(0), static_cast<int>(read.integer(1)), read.text(2),
                           read.text(3), read.text(4), read.text(5), read.integer(6)});
    }
    // The rows of one part keep the order they were written in, unless the file numbers them.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return std::tie(a.objectId, a.attribute, a.order) <
               std::tie(b.objectId, b.attribute, b.order);
    });
    return rows;
}

void addRow(AccessQuery& query, const Row& row) {
    switch (row.attribute) {
        case TypeRow:
            query.kind = static_cast<AccessQuery::Kind>(row.flag);
            break;
        case ParameterRow:
            query.parameters.push_back(row.name1);
            break;
        case FlagRow:
            query.selectStar = (row.flag & SelectStarFlag) != 0;
            query.distinct = (row.flag & DistinctFlag) != 0;
            query.distinctRow = (row.flag & DistinctRowFlag) != 0;
            query.top = (row.flag & TopFlag) != 0 ? row.name1 : "";
            query.topPercent = (row.flag & PercentFlag) != 0;
            break;
        case RemoteDatabaseRow:
            query.remoteDatabase = row.name1.empty() ? row.expression : row.name1;
            break;
        case SourceRow:
            query.sources.push_back({row.name1, row.name2, row.expression});
            break;
        case ColumnRow:
            query.columns.push_back(
                {row.expression, row.name1, static_cast<AccessQuery::Column::Role>(row.flag)});
            break;
        case JoinRow:
            query.joins.push_back({row.name1, row.name2, row.expression,
                                   static_cast<AccessQuery::Join::Type>(row.flag)});
            break;
        case WhereRow:
            query.where = row.expression;
            break;
        case GroupByRow:
            query.groupBy.push_back(row.expression);
            break;
        case HavingRow:
            query.having = row.expression;
            break;
        case OrderByRow:
            query.orderBy.push_back({row.expression, row.name1 == "D"});
            break;
        default:
            break;
    }
}

}  // namespace

bool AccessQuery::returnsRows() const {
    return (kind == Kind::Select || kind == Kind::Crosstab || kind == Kind::Union) &&
           parameters.empty();
}

std::vector<AccessQuery> AccessQuery::readAll(sqlite3* db) {
    std::map<long long, AccessQuery> queries;
    // Objects of type 5 are the queries.
    AccessSystemRows objects(db, "SELECT Id, Name, Flags FROM temp.\"MSysObjects\" WHERE Type = 5");
    while (objects.next()) {
        AccessQuery& query = queries[objects.integer(0)];
        query.name = objects.text(1);
        query.kind = kindFromFlags(objects.integer(2));
    }
    for (const Row& row : readRows(db)) {
        const auto query = queries.find(row.objectId);
        if (query != queries.end()) {
            addRow(query->second, row);
        }
    }
    std::vector<AccessQuery> result;
    result.reserve(queries.size());
    for (auto& [id, query] : queries) {
        result.push_back(std::move(query));
    }
    return result;
}

}  // namespace kiv::db::access
