#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/PreparedStatement.h"
#include "db/postgres/PgConnection.h"

namespace kiv::db::postgres {

// A statement prepared once on the server and run with new parameter values, sent as
// text in the form of each parameter's declared type.
class PgStatement : public PreparedStatement {
public:
    // `sql` with "?" placeholders.
    PgStatement(std::shared_ptr<PgConnection> connection, std::string_view sql);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    std::unique_ptr<Cursor> run(const Parameters& parameters, long& recordsAffected) override;
    void close() override;

    // `sql` with its "?" placeholders numbered as PostgreSQL's "$1", "$2", ...; those in
    // string literals, quoted names and comments are left alone. `count` receives how many
    // there are.
    static std::string numbered(std::string_view sql, int& count);

private:
    void setValues(const Parameters& parameters);

    std::shared_ptr<PgConnection> connection_;
    std::string name_;
    std::string text_;  // with the placeholders numbered
    int count_ = 0;
    std::vector<std::string> texts_;
    std::vector<const char*> values_;
};

}  // namespace kiv::db::postgres
