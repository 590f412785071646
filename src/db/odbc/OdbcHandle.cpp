#include "db/odbc/OdbcHandle.h"

#include <sqlext.h>

#include "db/odbc/OdbcDiagnostics.h"

namespace kiv::db::odbc {

namespace {

SQLSMALLINT parentType(SQLSMALLINT type) {
    return type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
}

}  // namespace

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    const SQLRETURN code = SQLAllocHandle(type, parent, &handle_);
    if (!SQL_SUCCEEDED(code)) {
        handle_ = SQL_NULL_HANDLE;
        if (parent == SQL_NULL_HANDLE) {
            throw OdbcDiagnostics::failure("HY001", "The ODBC driver manager cannot be used.");
        }
        throw OdbcDiagnostics::error(parentType(type), parent);
    }
}

OdbcHandle::~OdbcHandle() {
    release();
}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
        release();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, nullptr);
        connected_ = std::exchange(other.connected_, false);
    }
    return *this;
}

void OdbcHandle::release() noexcept {
    if (handle_ == SQL_NULL_HANDLE) {
        return;
    }
    if (connected_) {
        SQLDisconnect(handle_);
        connected_ = false;
    }
    SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
}

}  // namespace kiv::db::odbc
