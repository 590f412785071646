#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

namespace kiv::db::access {

// A saved query of an Access database as the database keeps it: not as SQL text but as rows
// of the system table MSysQueries, one per part (the type, the flags, each table, column,
// join, condition and sort key).
struct AccessQuery {
    // What the query does (its type row's Flag, or the high nibble of its object flags).
    enum class Kind {
        Select = 1,
        MakeTable = 2,
        Append = 3,
        Update = 4,
        Delete = 5,
        Crosstab = 6,
        DataDefinition = 7,
        PassThrough = 8,
        Union = 9
    };
    // A table or query the query reads; `sql` holds the text of one part of a union query.
    struct Source {
        std::string name;
        std::string alias;
        std::string sql;
    };
    // An output column; in a crosstab query the part it plays.
    struct Column {
        enum class Role { Value = 0, PivotHeading = 1, RowHeading = 2 };
        std::string expression;
        std::string alias;
        Role role = Role::Value;
    };
    struct Join {
        enum class Type { Inner = 1, Left = 2, Right = 3 };
        std::string left;
        std::string right;
        std::string condition;
        Type type = Type::Inner;
    };
    struct SortKey {
        std::string expression;
        bool descending = false;
    };

    std::string name;
    Kind kind = Kind::Select;
    std::vector<std::string> parameters;
    bool selectStar = false;
    bool distinct = false;
    bool distinctRow = false;
    std::string top;  // the number of TOP n, empty without
    bool topPercent = false;
    std::string remoteDatabase;
    std::vector<Source> sources;
    std::vector<Column> columns;
    std::vector<Join> joins;
    std::string where;
    std::vector<std::string> groupBy;
    std::string having;
    std::vector<SortKey> orderBy;

    // Whether it returns rows without asking for parameters: a select, crosstab or union
    // query without declared parameters.
    bool returnsRows() const;

    // Every saved query of the database, read through the virtual tables MSysObjects and
    // MSysQueries of `db`. Throws std::runtime_error when they cannot be read.
    static std::vector<AccessQuery> readAll(sqlite3* db);
};

}  // namespace kiv::db::access
