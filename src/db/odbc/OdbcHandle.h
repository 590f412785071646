#pragma once

#include <sql.h>

#include <utility>

namespace kiv::db::odbc {

// Owns one ODBC handle (environment, connection or statement) and frees it when it goes
// away. A connection handle is disconnected before it is freed.
class OdbcHandle {
public:
    OdbcHandle() = default;
    // Allocates a handle of `type` below `parent`; throws the failure as `Error`.
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);
    ~OdbcHandle();
    OdbcHandle(OdbcHandle&& other) noexcept
        : type_(other.type_),
          handle_(std::exchange(other.handle_, nullptr)),
          connected_(std::exchange(other.connected_, false)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLSMALLINT type() const noexcept { return type_; }
    SQLHANDLE get() const noexcept { return handle_; }
    // Marks a connection handle as connected, so it is disconnected before it is freed.
    void connected() noexcept { connected_ = true; }

private:
    void release() noexcept;

    SQLSMALLINT type_ = SQL_HANDLE_ENV;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
    bool connected_ = false;
};

}  // namespace kiv::db::odbc
