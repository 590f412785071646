#pragma once

#include <memory>
#include <vector>

#include "base/Variant.h"
#include "db/PreparedStatement.h"

struct sqlite3_stmt;

namespace kiv::db::sqlite {

class SqliteEngine;

// A command's statement: prepared once, run with new parameter values each time. A
// statement that writes takes part in the grouped transaction until it is closed.
class SqliteStatement : public PreparedStatement {
public:
    SqliteStatement(std::shared_ptr<SqliteEngine> engine, std::shared_ptr<sqlite3_stmt> statement);
    ~SqliteStatement() override;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    std::unique_ptr<Cursor> run(const Parameters& parameters, long& recordsAffected) override;
    void close() override;

private:
    int parameterCount() const;

    std::shared_ptr<SqliteEngine> engine_;
    std::shared_ptr<sqlite3_stmt> statement_;
    bool writes_;
    bool writing_ = false;
    // The values bound last: text is bound without copying, so it stays here until the
    // next run.
    std::vector<Variant> bound_;
};

}  // namespace kiv::db::sqlite
