#include "db/access/AccessQueryTranslator.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "base/Text.h"
#include "db/access/AccessSqlError.h"
#include "db/access/AccessSqlTranslator.h"

namespace kiv::db::access {

namespace {

using Column = AccessQuery::Column;
using Join = AccessQuery::Join;

// What the FROM clause is made of: a table or query, or two of these joined.
struct FromPart {
    std::string sql;
    std::vector<std::string> names;  // lower case, of the tables and aliases inside
};

bool holds(const FromPart& part, const std::string& name) {
    const std::string key = text::toLower(name);
    for (const std::string& inside : part.names) {
        if (inside == key) {
            return true;
        }
    }
    return false;
}

std::size_t partHolding(const std::vector<FromPart>& parts, const std::string& name) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (holds(parts[i], name)) {
            return i;
        }
    }
    throw AccessSqlError("a join of " + name + ", which the query does not read");
}

const char* joinWords(Join::Type type) {
    switch (type) {
        case Join::Type::Inner:
            return " INNER JOIN ";
        case Join::Type::Left:
            return " LEFT JOIN ";
        case Join::Type::Right:
            return " RIGHT JOIN ";
    }
    throw AccessSqlError("a join of type " + std::to_string(static_cast<int>(type)));
}

// The joins with their conditions translated; a join on several columns is written as
// one join row per column, which become one join here.
std::vector<Join> joinsByPair(const std::vector<Join>& written) {
    std::vector<Join> joins;
    for (const Join& join : written) {
        const std::string condition = AccessSqlTranslator::expression(join.condition);
        bool merged = false;
        for (Join& earlier : joins) {
            if (text::iequals(earlier.left, join.left) &&
                text::iequals(earlier.right, join.right) && earlier.type == join.type) {
                earlier.condition = "(" + earlier.condition + " AND " + condition + ")";
                merged = true;
            }
        }
        if (!merged) {
            joins.push_back({join.left, join.right, condition, join.type});
        }
    }
    return joins;
}

// Tables are joined in the order the joins were written.
std::string fromClause(const AccessQuery& query) {
    std::vector<FromPart> parts;
    for (const AccessQuery::Source& source : query.sources) {
        std::string sql = AccessSqlTranslator::name(source.name);
        std::string key = source.name;
        if (!source.alias.empty()) {
            sql += " AS " + AccessSqlTranslator::name(source.alias);
            key = source.alias;
        }
        parts.push_back({sql, {text::toLower(key)}});
    }
    for (const Join& join : joinsByPair(query.joins)) {
        const std::size_t left = partHolding(parts, join.left);
        const std::size_t right = partHolding(parts, join.right);
        if (left == right) {
            throw AccessSqlError("joins that close a circle of tables");
        }
        FromPart joined{"(" + parts[left].sql + joinWords(join.type) + parts[right].sql + " ON " +
                            join.condition + ")",
                        parts[left].names};
        joined.names.insert(joined.names.end(), parts[right].names.begin(),
                            parts[right].names.end());
        parts[left] = std::move(joined);
        parts.erase(parts.begin() + static_cast<std::ptrdiff_t>(right));
    }
    std::string sql;
    for (const FromPart& part : parts) {
        sql += (sql.empty() ? "" : ", ") + part.sql;
    }
    return sql;
}

bool isStar(const std::string& expression) {
    return expression == "*" || text::iendsWith(expression, ".*");
}

std::string unbracketed(const std::string& expression) {
    return text::replaceAll(text::replaceAll(expression, "[", ""), "]", "");
}

// The names of the output columns, in order; empty for a Table.* column.
std::vector<std::string> columnNames(const std::vector<const Column*>& columns) {
    std::vector<std::string> names;
    std::map<std::string, int> uses;
    for (const Column* column : columns) {
        std::string name = column->alias;
        if (name.empty() && !isStar(column->expression)) {
            name = AccessSqlTranslator::columnName(column->expression);
        }
        ++uses[text::toLower(name)];
        names.push_back(name);
    }
    int expressions = 1000;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (isStar(columns[i]->expression) || !columns[i]->alias.empty()) {
            continue;
        }
        if (names[i].empty()) {
            names[i] = "Expr" + std::to_string(expressions++);
        } else if (uses[text::toLower(names[i])] > 1) {
            names[i] = unbracketed(columns[i]->expression);
        }
    }
    return names;
}

std::string outputColumn(const Column& column, const std::string& name) {
    const std::string sql = AccessSqlTranslator::expression(column.expression);
    return name.empty() ? sql : sql + " AS " + AccessSqlTranslator::name(name);
}

std::string clauses(const AccessQuery& query, const std::vector<std::string>& groupBy) {
    std::string sql = " FROM " + fromClause(query);
    if (!query.where.empty()) {
        sql += " WHERE " + AccessSqlTranslator::expression(query.where);
    }
    for (std::size_t i = 0; i < groupBy.size(); ++i) {
        sql += (i == 0 ? " GROUP BY " : ", ") + groupBy[i];
    }
    if (!query.having.empty()) {
        sql += " HAVING " + AccessSqlTranslator::expression(query.having);
    }
    return sql;
}

// The tables and queries a join reads, each read once into a temporary table for the
// statement: SQLite then indexes them on the join columns, where it would otherwise read the
// inner table in full for every row of the outer one.
std::string withClause(const AccessQuery& query) {
    if (query.sources.size() < 2) {
        return "";
    }
    std::string sql;
    std::vector<std::string> read;
    for (const AccessQuery::Source& source : query.sources) {
        const std::string key = text::toLower(source.name);
        if (std::find(read.begin(), read.end(), key) != read.end()) {
            continue;
        }
        read.push_back(key);
        const std::string name = AccessSqlTranslator::name(source.name);
        sql += (sql.empty() ? "WITH " : ", ") + name + " AS MATERIALIZED (SELECT * FROM temp." +
               name + ")";
    }
    return sql + " ";
}

std::string orderBy(const AccessQuery& query) {
    std::string sql;
    for (const AccessQuery::SortKey& key : query.orderBy) {
        sql += (sql.empty() ? " ORDER BY " : ", ") +
               AccessSqlTranslator::sortKey(key.expression, key.descending);
    }
    return sql;
}

// The n of TOP n, checked to be a whole number.
std::string topCount(const AccessQuery& query) {
    if (query.topPercent) {
        throw AccessSqlError("TOP " + query.top + " PERCENT");
    }
    if (query.top.find_first_not_of("0123456789") != std::string::npos) {
        throw AccessSqlError("TOP " + query.top);
    }
    return query.top;
}

std::string limit(const AccessQuery& query) {
    return query.top.empty() ? "" : " LIMIT " + topCount(query);
}

// DISTINCTROW leaves out rows that show the same records of the tables they show columns of.
// Rows of a join of all its tables are distinct records already; when the columns come from
// some of the tables only, the rows that repeat a record are left out by DISTINCT on the
// columns shown (which also takes two records as one when they agree in every column shown).
bool readsPartOfTheJoin(const AccessQuery& query) {
    if (query.selectStar || !query.groupBy.empty() || query.sources.size() < 2) {
        return false;
    }
    std::vector<std::string> shown;
    for (const Column& column : query.columns) {
        for (const std::string& table : AccessSqlTranslator::qualifiers(column.expression)) {
            if (table.empty()) {
                return false;
            }
            shown.push_back(table);
        }
    }
    for (const AccessQuery::Source& source : query.sources) {
        const std::string key = text::toLower(source.alias.empty() ? source.name : source.alias);
        if (std::find(shown.begin(), shown.end(), key) == shown.end()) {
            return true;
        }
    }
    return false;
}

// TOP n of a sorted query takes the rows that tie with the n-th too. Rows of equal rank are
// counted by rank() before DISTINCT could merge them, so a DISTINCT query takes n rows; so does
// one with Table.* columns, whose names the outer statement could not list.
bool takesTies(const AccessQuery& query, bool distinct, const std::vector<std::string>& names) {
    if (query.top.empty() || query.topPercent || query.orderBy.empty() || distinct ||
        query.selectStar) {
        return false;
    }
    return std::none_of(names.begin(), names.end(),
                        [](const std::string& name) { return name.empty(); });
}

std::string topWithTies(const AccessQuery& query, const std::string& list,
                        const std::string& clauses, const std::vector<std::string>& names) {
    std::string outer;
    for (const std::string& name : names) {
        outer += (outer.empty() ? "" : ", ") + AccessSqlTranslator::name(name);
    }
    const std::string rank = AccessSqlTranslator::name("Kiv Rank");
    return withClause(query) + "SELECT " + outer + " FROM (SELECT " + list + ", rank() OVER (" +
           std::string(text::trim(orderBy(query))) + ") AS " + rank + clauses + ") WHERE " + rank +
           " <= " + topCount(query) + " ORDER BY " + rank;
}

std::string select(const AccessQuery& query) {
    std::vector<const Column*> columns;
    for (const Column& column : query.columns) {
        columns.push_back(&column);
    }
    const std::vector<std::string> names = columnNames(columns);
    std::string list = query.selectStar ? "*" : "";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        list += (list.empty() ? "" : ", ") + outputColumn(*columns[i], names[i]);
    }
    if (list.empty()) {
        throw AccessSqlError("a query without output columns");
    }
    std::vector<std::string> groupBy;
    for (const std::string& key : query.groupBy) {
        groupBy.push_back(AccessSqlTranslator::expression(key));
    }
    const bool distinct = query.distinct || (query.distinctRow && readsPartOfTheJoin(query));
    if (takesTies(query, distinct, names)) {
        return topWithTies(query, list, clauses(query, groupBy), names);
    }
    return withClause(query) + "SELECT " + (distinct ? "DISTINCT " : "") + list +
           clauses(query, groupBy) + orderBy(query) + limit(query);
}

// TRANSFORM value SELECT row headings ... PIVOT heading IN (values): one column per value,
// each aggregating only the rows of its heading.
std::string crosstab(const AccessQuery& query) {
    std::vector<const Column*> rowHeadings;
    const Column* value = nullptr;
    const Column* heading = nullptr;
    for (const Column& column : query.columns) {
        if (column.role == Column::Role::RowHeading) {
            rowHeadings.push_back(&column);
        } else if (column.role == Column::Role::PivotHeading) {
            heading = &column;
        } else {
            value = &column;
        }
    }
    if (value == nullptr || heading == nullptr) {
        throw AccessSqlError("a crosstab query without value or column heading");
    }
    const std::vector<std::string> names = columnNames(rowHeadings);
    std::string list;
    std::vector<std::string> groupBy;
    for (std::size_t i = 0; i < rowHeadings.size(); ++i) {
        list += (list.empty() ? "" : ", ") + outputColumn(*rowHeadings[i], names[i]);
        groupBy.push_back(AccessSqlTranslator::expression(rowHeadings[i]->expression));
    }
    const AccessSqlTranslator::Pivot pivot = AccessSqlTranslator::pivot(heading->expression);
    for (std::size_t i = 0; i < pivot.headings.size(); ++i) {
        const std::string condition =
            "(" + pivot.expression + " = " + pivot.literals[i] + " COLLATE NOCASE)";
        list += (list.empty() ? "" : ", ") +
                AccessSqlTranslator::aggregateWhere(value->expression, condition) + " AS " +
                AccessSqlTranslator::name(pivot.headings[i]);
    }
    return withClause(query) + "SELECT " + list + clauses(query, groupBy) + orderBy(query) +
           limit(query);
}

// The parts of a union query are SQL texts of their own.
std::string unionOf(const AccessQuery& query) {
    std::string sql;
    for (const AccessQuery::Source& part : query.sources) {
        if (!sql.empty()) {
            sql += query.distinct ? " UNION " : " UNION ALL ";
        }
        sql += AccessSqlTranslator::statement(part.sql);
    }
    if (sql.empty()) {
        throw AccessSqlError("a union query without parts");
    }
    return sql + orderBy(query);
}

}  // namespace

std::string AccessQueryTranslator::translate(const AccessQuery& query) {
    if (!query.remoteDatabase.empty()) {
        throw AccessSqlError("tables of another database (" + query.remoteDatabase + ")");
    }
    switch (query.kind) {
        case AccessQuery::Kind::Select:
            return select(query);
        case AccessQuery::Kind::Crosstab:
            return crosstab(query);
        case AccessQuery::Kind::Union:
            return unionOf(query);
        default:
            throw AccessSqlError("an action query, which returns no rows");
    }
}

}  // namespace kiv::db::access
