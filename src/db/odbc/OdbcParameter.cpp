#include "db/odbc/OdbcParameter.h"

#include <sqlucode.h>

#include <algorithm>
#include <cmath>

namespace kiv::db::odbc {

namespace {

bool isDecimal(SQLSMALLINT sqlType) {
    return sqlType == SQL_DECIMAL || sqlType == SQL_NUMERIC;
}

bool isBinary(SQLSMALLINT sqlType) {
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

// Text buffers never start out empty: a driver may take a null buffer for a missing one.
constexpr std::size_t InitialText = 32;

}  // namespace

void OdbcParameter::target(SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits) noexcept {
    sqlType_ = sqlType;
    size_ = size;
    digits_ = digits;
    cType_ = naturalCType();
    indicator_ = SQL_NULL_DATA;
    boundCType_ = 0;
}

SQLSMALLINT OdbcParameter::naturalCType() const noexcept {
    switch (sqlType_) {
        case SQL_BIT:
            return SQL_C_BIT;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
            return SQL_C_SLONG;
        case SQL_BIGINT:
            return SQL_C_SBIGINT;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return SQL_C_DOUBLE;
        case SQL_TYPE_DATE:
        case SQL_DATE:
            return SQL_C_TYPE_DATE;
        case SQL_TYPE_TIME:
        case SQL_TIME:
            return SQL_C_TYPE_TIME;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
            return SQL_C_TYPE_TIMESTAMP;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return SQL_C_BINARY;
        default:
            return SQL_C_WCHAR;
    }
}

void OdbcParameter::set(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            indicator_ = SQL_NULL_DATA;
            return;
        case Variant::Kind::Boolean:
            cType_ = SQL_C_BIT;
            fixed_.bit = value.toBool() ? 1 : 0;
            break;
        case Variant::Kind::Integer:
        case Variant::Kind::Long:
            cType_ = SQL_C_SLONG;
            fixed_.integer = value.toLong();
            break;
        case Variant::Kind::BigInt:
            cType_ = SQL_C_SBIGINT;
            fixed_.bigInt = value.toBigInt();
            break;
        case Variant::Kind::Double:
            // A decimal column takes the number as its shortest exact text; the driver's own
            // conversion of a double may round it to fewer digits.
            if (isDecimal(sqlType_)) {
                setText(Variant::formatDouble(value.toDouble()));
                return;
            }
            cType_ = SQL_C_DOUBLE;
            fixed_.real = value.toDouble();
            break;
        case Variant::Kind::Currency:
            setText(Variant::formatCurrency(value.currencyScaled()));
            return;
        case Variant::Kind::Date:
            setDate(value.toDate());
            return;
        case Variant::Kind::Text:
            if (isBinary(sqlType_)) {
                cType_ = SQL_C_BINARY;
                bytes_.assign(value.textView());
                indicator_ = static_cast<SQLLEN>(bytes_.size());
                return;
            }
            setText(value.textView());
            return;
    }
    indicator_ = 0;
}

void OdbcParameter::setText(std::string_view text) {
    if (text_.capacity() == 0) {
        text_.reserve(InitialText);
    }
    OdbcText::toWide(text, text_);
    cType_ = SQL_C_WCHAR;
    indicator_ = static_cast<SQLLEN>(text_.size() * sizeof(SQLWCHAR));
}

void OdbcParameter::setDate(double serial) {
    const Variant::Civil civil = Variant::civilFromSerial(serial);
    switch (sqlType_) {
        case SQL_TYPE_DATE:
        case SQL_DATE:
            cType_ = SQL_C_TYPE_DATE;
            fixed_.date = {static_cast<SQLSMALLINT>(civil.year),
                           static_cast<SQLUSMALLINT>(civil.month),
                           static_cast<SQLUSMALLINT>(civil.day)};
            break;
        case SQL_TYPE_TIME:
        case SQL_TIME:
            if (civil.microsecond != 0) {
                // The time structure has no fraction of a second: such a time goes as text.
                setText(Variant::formatDate(std::fabs(serial - std::trunc(serial))));
                return;
            }
            cType_ = SQL_C_TYPE_TIME;
            fixed_.time = {static_cast<SQLUSMALLINT>(civil.hour),
                           static_cast<SQLUSMALLINT>(civil.minute),
                           static_cast<SQLUSMALLINT>(civil.second)};
            break;
        default:
            cType_ = SQL_C_TYPE_TIMESTAMP;
            fixed_.timestamp = {static_cast<SQLSMALLINT>(civil.year),
                                static_cast<SQLUSMALLINT>(civil.month),
                                static_cast<SQLUSMALLINT>(civil.day),
                                static_cast<SQLUSMALLINT>(civil.hour),
                                static_cast<SQLUSMALLINT>(civil.minute),
                                static_cast<SQLUSMALLINT>(civil.second),
                                static_cast<SQLUINTEGER>(civil.microsecond) * 1000};
            break;
    }
    indicator_ = 0;
}

SQLPOINTER OdbcParameter::buffer() noexcept {
    switch (cType_) {
        case SQL_C_WCHAR:
            return text_.data();
        case SQL_C_BINARY:
            return bytes_.data();
        default:
            return &fixed_;
    }
}

SQLLEN OdbcParameter::bufferLength() const noexcept {
    switch (cType_) {
        case SQL_C_WCHAR:
            return static_cast<SQLLEN>(text_.capacity() * sizeof(SQLWCHAR));
        case SQL_C_BINARY:
            return static_cast<SQLLEN>(bytes_.capacity());
        default:
            return static_cast<SQLLEN>(sizeof fixed_);
    }
}

// A placeholder of unknown size is declared as large as anything its buffer holds without
// moving, so a longer value that still fits is not cut by the driver.
SQLULEN OdbcParameter::columnSize() const noexcept {
    if (size_ > 0) {
        return size_;
    }
    switch (cType_) {
        case SQL_C_WCHAR:
            return std::max<SQLULEN>(text_.capacity(), 1);
        case SQL_C_BINARY:
            return std::max<SQLULEN>(bytes_.capacity(), 1);
        default:
            return 0;
    }
}

SQLRETURN OdbcParameter::bind(SQLHSTMT statement, SQLUSMALLINT index) {
    if (cType_ == SQL_C_WCHAR && text_.capacity() == 0) {
        text_.reserve(InitialText);
    }
    SQLPOINTER at = buffer();
    if (boundCType_ == cType_ && boundBuffer_ == at) {
        return SQL_SUCCESS;
    }
    const SQLRETURN code = SQLBindParameter(statement, index, SQL_PARAM_INPUT, cType_, sqlType_,
                                            columnSize(), digits_, at, bufferLength(), &indicator_);
    if (SQL_SUCCEEDED(code)) {
        boundCType_ = cType_;
        boundBuffer_ = at;
    }
    return code;
}

}  // namespace kiv::db::odbc
