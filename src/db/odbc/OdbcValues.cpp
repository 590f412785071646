#include "db/odbc/OdbcValues.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <cstdio>

#include "db/DataType.h"
#include "db/odbc/OdbcDiagnostics.h"

namespace kiv::db::odbc {

namespace {

using ReadAs = OdbcColumnType::ReadAs;

constexpr std::size_t FirstTextBuffer = 256;

[[noreturn]] void fail(SQLHSTMT statement) {
    throw OdbcDiagnostics::error(SQL_HANDLE_STMT, statement);
}

// Whether a part read into `room` units left more to read.
bool truncated(SQLRETURN code, SQLLEN indicator, std::size_t room, std::size_t unit) {
    return code == SQL_SUCCESS_WITH_INFO &&
           (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) / unit >= room);
}

// A timestamp outside the years the layer's dates hold, kept as its text.
std::string timestampText(const SQL_TIMESTAMP_STRUCT& value) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", value.year, value.month,
                  value.day, value.hour, value.minute, value.second);
    return text;
}

}  // namespace

void OdbcValues::read(SQLHSTMT statement, SQLUSMALLINT column, ReadAs as, Variant& out) {
    switch (as) {
        case ReadAs::Boolean: {
            SQLCHAR bit = 0;
            out = readFixed(statement, column, SQL_C_BIT, &bit, sizeof bit) ? Variant(bit != 0)
                                                                            : Variant::Null();
            return;
        }
        case ReadAs::Integer: {
            SQLSMALLINT number = 0;
            out = readFixed(statement, column, SQL_C_SSHORT, &number, sizeof number)
                      ? Variant(static_cast<std::int16_t>(number))
                      : Variant::Null();
            return;
        }
        case ReadAs::Long: {
            SQLINTEGER number = 0;
            out = readFixed(statement, column, SQL_C_SLONG, &number, sizeof number)
                      ? Variant(static_cast<std::int32_t>(number))
                      : Variant::Null();
            return;
        }
        case ReadAs::BigInt: {
            SQLBIGINT number = 0;
            out = readFixed(statement, column, SQL_C_SBIGINT, &number, sizeof number)
                      ? Variant(static_cast<std::int64_t>(number))
                      : Variant::Null();
            return;
        }
        case ReadAs::Double: {
            SQLDOUBLE number = 0;
            out = readFixed(statement, column, SQL_C_DOUBLE, &number, sizeof number)
                      ? Variant(static_cast<double>(number))
                      : Variant::Null();
            return;
        }
        case ReadAs::Decimal:
            if (readText(statement, column, text_)) {
                DataType::readDecimal(text_, out);
            } else {
                out = Variant::Null();
            }
            return;
        case ReadAs::DateTime:
            readDateTime(statement, column, out);
            return;
        case ReadAs::Time:
            readTime(statement, column, out);
            return;
        case ReadAs::Text:
            if (readText(statement, column, text_)) {
                out.assignText(text_);
            } else {
                out = Variant::Null();
            }
            return;
        case ReadAs::Binary:
            if (readBytes(statement, column, text_)) {
                out.assignText(text_);
            } else {
                out = Variant::Null();
            }
            return;
    }
}

bool OdbcValues::readFixed(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT cType, void* value,
                           SQLLEN size) {
    SQLLEN indicator = 0;
    if (!SQL_SUCCEEDED(SQLGetData(statement, column, cType, value, size, &indicator))) {
        fail(statement);
    }
    return indicator != SQL_NULL_DATA;
}

void OdbcValues::readDateTime(SQLHSTMT statement, SQLUSMALLINT column, Variant& out) {
    SQL_TIMESTAMP_STRUCT value = {};
    if (!readFixed(statement, column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value)) {
        out = Variant::Null();
        return;
    }
    const double serial =
        Variant::serialFromCivil(value.year, value.month, value.day, value.hour, value.minute,
                                 value.second + static_cast<double>(value.fraction) / 1e9);
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        out.assignText(timestampText(value));
        return;
    }
    out = Variant::fromDate(serial);
}

// Read as text: the time structure has no fraction of a second. A text that is no time is kept.
void OdbcValues::readTime(SQLHSTMT statement, SQLUSMALLINT column, Variant& out) {
    if (!readText(statement, column, text_)) {
        out = Variant::Null();
        return;
    }
    if (const std::optional<double> serial = Variant::parseDate(text_)) {
        out = Variant::fromDate(*serial);
    } else {
        out.assignText(text_);
    }
}

bool OdbcValues::readText(SQLHSTMT statement, SQLUSMALLINT column, std::string& out) {
    if (wide_.size() < FirstTextBuffer) {
        wide_.resize(FirstTextBuffer);
    }
    std::size_t filled = 0;
    for (;;) {
        const std::size_t room = wide_.size() - filled;
        SQLLEN indicator = 0;
        const SQLRETURN code = SQLGetData(statement, column, SQL_C_WCHAR, wide_.data() + filled,
                                          static_cast<SQLLEN>(room * sizeof(SQLWCHAR)), &indicator);
        if (code == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(code)) {
            fail(statement);
        }
        if (indicator == SQL_NULL_DATA) {
            return false;
        }
        if (!truncated(code, indicator, room, sizeof(SQLWCHAR))) {
            filled += static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
            break;
        }
        // The part filled the buffer but for its terminating zero; the indicator tells
        // what was left before it, when the driver knows.
        const std::size_t left = indicator == SQL_NO_TOTAL
                                     ? wide_.size()
                                     : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
        wide_.resize(filled + left + 1);
        filled += room - 1;
    }
    OdbcText::toUtf8(wide_.data(), filled, out);
    return true;
}

bool OdbcValues::readBytes(SQLHSTMT statement, SQLUSMALLINT column, std::string& out) {
    out.resize(out.capacity() < FirstTextBuffer ? FirstTextBuffer : out.capacity());
    std::size_t filled = 0;
    for (;;) {
        const std::size_t room = out.size() - filled;
        SQLLEN indicator = 0;
        const SQLRETURN code = SQLGetData(statement, column, SQL_C_BINARY, out.data() + filled,
                                          static_cast<SQLLEN>(room), &indicator);
        if (code == SQL_NO_DATA) {
            break;
        }
        if (!SQL_SUCCEEDED(code)) {
            fail(statement);
        }
        if (indicator == SQL_NULL_DATA) {
            return false;
        }
        if (!truncated(code, indicator, room + 1, 1)) {
            filled += static_cast<std::size_t>(indicator);
            break;
        }
        // The part filled the buffer; the indicator tells what was left before it, when
        // the driver knows.
        const std::size_t total = indicator == SQL_NO_TOTAL
                                      ? out.size() * 2
                                      : filled + static_cast<std::size_t>(indicator);
        filled += room;
        out.resize(total);
    }
    out.resize(filled);
    return true;
}

}  // namespace kiv::db::odbc
