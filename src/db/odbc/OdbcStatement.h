#pragma once

#include <memory>
#include <vector>

#include "db/PreparedStatement.h"
#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcParameter.h"

namespace kiv::db::odbc {

class OdbcConnection;

// A command's statement: prepared and bound once, run with new parameter values each time.
// A statement that yields no rows (an INSERT, UPDATE, ...) takes part in the connection's
// grouped transactions until it is closed; each run is sent at once, so a refusal comes
// with the run that caused it.
class OdbcStatement : public PreparedStatement {
public:
    // `statement` has been prepared.
    OdbcStatement(std::shared_ptr<OdbcConnection> connection, OdbcHandle statement);
    ~OdbcStatement() override;
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    std::unique_ptr<Cursor> run(const Parameters& parameters, long& recordsAffected) override;
    void close() override;

private:
    void bindParameters(const Parameters& parameters);
    // Runs the statement; throws the driver's failure.
    SQLRETURN execute();
    // The rows the run yields, or none and the number of rows it changed.
    std::unique_ptr<Cursor> result(SQLRETURN code, long& recordsAffected);
    void startWriting();

    std::shared_ptr<OdbcConnection> connection_;
    std::shared_ptr<OdbcHandle> statement_;
    // Sized once and never again: the driver keeps the addresses of the buffers.
    std::vector<OdbcParameter> parameters_;
    bool writes_ = false;
    bool writing_ = false;
};

}  // namespace kiv::db::odbc
