#include "db/odbc/OdbcCursor.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <utility>

#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcDiagnostics.h"

namespace kiv::db::odbc {

namespace {

constexpr SQLSMALLINT NameLength = 256;

std::string typeName(SQLHSTMT statement, SQLUSMALLINT number) {
    SQLWCHAR name[NameLength] = {};
    SQLSMALLINT bytes = 0;
    if (!SQL_SUCCEEDED(SQLColAttributeW(statement, number, SQL_DESC_TYPE_NAME, name, sizeof name,
                                        &bytes, nullptr))) {
        return {};
    }
    return OdbcText::utf8(name, OdbcText::length(name));
}

bool isUnsigned(SQLHSTMT statement, SQLUSMALLINT number) {
    SQLLEN flag = SQL_FALSE;
    return SQL_SUCCEEDED(SQLColAttributeW(statement, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr,
                                          &flag)) &&
           flag == SQL_TRUE;
}

}  // namespace

OdbcCursor::OdbcCursor(std::shared_ptr<OdbcConnection> connection,
                       std::shared_ptr<OdbcHandle> statement, OdbcText::Wide sql)
    : connection_(std::move(connection)), statement_(std::move(statement)), sql_(std::move(sql)) {
    describe();
}

OdbcCursor::~OdbcCursor() {
    close();
}

void OdbcCursor::describe() {
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(statement_->get(), &count))) {
        throw connection_->error(*statement_);
    }
    columns_.reserve(static_cast<std::size_t>(count));
    reads_.reserve(static_cast<std::size_t>(count));
    for (SQLSMALLINT number = 1; number <= count; ++number) {
        describeColumn(static_cast<SQLUSMALLINT>(number));
    }
}

void OdbcCursor::describeColumn(SQLUSMALLINT number) {
    SQLHSTMT statement = statement_->get();
    SQLWCHAR name[NameLength] = {};
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
    if (!SQL_SUCCEEDED(SQLDescribeColW(statement, number, name, NameLength, &nameLength, &sqlType,
                                       &size, &digits, &nullable))) {
        throw connection_->error(*statement_);
    }
    ColumnInfo column;
    column.name = OdbcText::utf8(name, OdbcText::length(name));
    column.declaredType = typeName(statement, number);
    column.notNull = nullable == SQL_NO_NULLS;
    column.attributes = column.notNull ? 0 : adFldIsNullable | adFldMayBeNull;
    reads_.push_back(OdbcColumnType::describe(sqlType, static_cast<SQLLEN>(size), digits,
                                              isUnsigned(statement, number), column));
    columns_.push_back(std::move(column));
}

bool OdbcCursor::fetch(std::vector<Variant>& row) {
    if (done_) {
        return false;
    }
    SQLHSTMT statement = statement_->get();
    const SQLRETURN code = SQLFetch(statement);
    if (code == SQL_NO_DATA) {
        close();
        return false;
    }
    if (!SQL_SUCCEEDED(code)) {
        const Error failure = connection_->error(*statement_);
        close();
        throw failure;
    }
    for (std::size_t i = 0; i < reads_.size(); ++i) {
        values_.read(statement, static_cast<SQLUSMALLINT>(i + 1), reads_[i], row[i]);
    }
    return true;
}

void OdbcCursor::rewind() {
    connection_->flushHeldRows();
    close();
    SQLHSTMT statement = statement_->get();
    const SQLRETURN code =
        sql_.empty() ? SQLExecute(statement) : SQLExecDirectW(statement, sql_.data(), SQL_NTS);
    if (!SQL_SUCCEEDED(code)) {
        throw connection_->error(*statement_);
    }
    done_ = false;
}

void OdbcCursor::close() noexcept {
    done_ = true;
    SQLFreeStmt(statement_->get(), SQL_CLOSE);
}

}  // namespace kiv::db::odbc
