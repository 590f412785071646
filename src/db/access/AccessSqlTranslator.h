#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kiv::db::access {

// Translates Access SQL into SQLite SQL over the virtual tables of the database, keeping what
// it means: names in brackets, #date# literals, True and False, & and Like, IIf, Nz, IsNull
// and the functions of AccessFunctions, subqueries, joins, DISTINCT, DISTINCTROW and TOP n.
// Text compares without regard to letter case, as in Access. Everything else throws
// AccessSqlError naming the construct.
class AccessSqlTranslator {
public:
    // A crosstab query's column-heading expression, "expression In (values)".
    struct Pivot {
        std::string expression;
        std::vector<std::string> headings;  // the values as texts, the names of the columns
        std::vector<std::string> literals;  // the same values as SQLite literals
    };

    // An expression: a column, a condition, a sort or grouping key.
    static std::string expression(std::string_view accessSql);

    // A sort key with its direction.
    static std::string sortKey(std::string_view accessSql, bool descending);

    // An aggregate such as Sum(x) or Count(*) that takes only the rows where `condition`
    // holds: the value column of a crosstab query.
    static std::string aggregateWhere(std::string_view accessSql, const std::string& condition);

    static Pivot pivot(std::string_view accessSql);

    // A whole SELECT statement, with UNION parts, as a part of a union query holds one.
    static std::string statement(std::string_view accessSql);

    // The column a plain column reference names ("Orders.OrderID" gives OrderID), or nothing
    // for any other expression: how Access names an output column without alias.
    static std::string columnName(std::string_view accessSql);

    // The tables (in lower case) that qualify the columns an expression names, "" for a
    // column named without its table.
    static std::vector<std::string> qualifiers(std::string_view accessSql);

    // A name as SQLite reads it.
    static std::string name(std::string_view name);
};

}  // namespace kiv::db::access
