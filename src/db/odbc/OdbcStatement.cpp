#include "db/odbc/OdbcStatement.h"

#include <sqlext.h>

#include <utility>

#include "base/Text.h"
#include "db/Parameters.h"
#include "db/ValueCoercion.h"
#include "db/odbc/OdbcColumnType.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcCursor.h"
#include "db/odbc/OdbcDiagnostics.h"

namespace kiv::db::odbc {

OdbcStatement::OdbcStatement(std::shared_ptr<OdbcConnection> connection, OdbcHandle statement)
    : connection_(std::move(connection)),
      statement_(std::make_shared<OdbcHandle>(std::move(statement))) {
    SQLSMALLINT placeholders = 0;
    SQLSMALLINT columns = 0;
    if (!SQL_SUCCEEDED(SQLNumParams(statement_->get(), &placeholders)) ||
        !SQL_SUCCEEDED(SQLNumResultCols(statement_->get(), &columns))) {
        throw connection_->error(*statement_);
    }
    parameters_ = std::vector<OdbcParameter>(static_cast<std::size_t>(placeholders));
    writes_ = columns == 0;
}

OdbcStatement::~OdbcStatement() {
    try {
        close();
    } catch (const Error&) {
        // Nobody is left to tell; what was written before stays written.
    }
}

std::unique_ptr<Cursor> OdbcStatement::run(const Parameters& parameters, long& recordsAffected) {
    if (static_cast<std::size_t>(parameters.Count()) != parameters_.size()) {
        throw OdbcDiagnostics::failure(
            "07002", "The statement has " +
                         text::decimal(static_cast<long long>(parameters_.size())) +
                         " placeholders but the command has " + text::decimal(parameters.Count()) +
                         " parameters.");
    }
    connection_->flushHeldRows();
    bindParameters(parameters);
    return result(execute(), recordsAffected);
}

SQLRETURN OdbcStatement::execute() {
    SQLHSTMT statement = statement_->get();
    // The rows of the previous run are done with.
    SQLFreeStmt(statement, SQL_CLOSE);
    if (writes_) {
        startWriting();
    }
    const SQLRETURN code = SQLExecute(statement);
    if (!SQL_SUCCEEDED(code) && code != SQL_NO_DATA) {
        const Error failure = connection_->error(*statement_);
        connection_->commitAfterFailure();
        throw failure;
    }
    if (writes_) {
        connection_->markWritten();
    }
    return code;
}

std::unique_ptr<Cursor> OdbcStatement::result(SQLRETURN code, long& recordsAffected) {
    SQLHSTMT statement = statement_->get();
    SQLSMALLINT columns = 0;
    SQLNumResultCols(statement, &columns);
    if (columns > 0) {
        recordsAffected = -1;
        return std::make_unique<OdbcCursor>(connection_, statement_, OdbcText::Wide());
    }
    SQLLEN rows = 0;
    recordsAffected = code == SQL_NO_DATA || !SQL_SUCCEEDED(SQLRowCount(statement, &rows))
                          ? 0
                          : static_cast<long>(rows);
    return nullptr;
}

void OdbcStatement::bindParameters(const Parameters& parameters) {
    Variant value;
    for (std::size_t i = 0; i < parameters_.size(); ++i) {
        const Parameter& parameter = *parameters.Item(static_cast<long>(i));
        // Parameters convert to their declared type; their size does not limit the value.
        ColumnInfo column;
        column.name = parameter.Name();
        column.type = parameter.Type();
        if (const auto refusal = ValueCoercion::coerce(parameter.Value(), column, value)) {
            throw OdbcDiagnostics::failure(refusal->sqlState, refusal->description);
        }
        OdbcParameter& bound = parameters_[i];
        const SQLSMALLINT sqlType = OdbcColumnType::sqlTypeFor(parameter.Type(), value);
        if (sqlType != bound.sqlType()) {
            bound.target(sqlType, 0, 0);
        }
        bound.set(value);
        if (!SQL_SUCCEEDED(bound.bind(statement_->get(), static_cast<SQLUSMALLINT>(i + 1)))) {
            throw connection_->error(*statement_);
        }
    }
}

void OdbcStatement::startWriting() {
    if (!writing_) {
        connection_->joinWriters();
        writing_ = true;
    }
    connection_->beginWriting(1);
}

void OdbcStatement::close() {
    if (writing_) {
        writing_ = false;
        connection_->leaveWriters();
    }
}

}  // namespace kiv::db::odbc
