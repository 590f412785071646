#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

// A connection through the ODBC driver manager that goes around the program, for setting up
// and checking what the tests expect. Every failure is returned as text rather than thrown.
class PlainOdbcConnection {
public:
    PlainOdbcConnection() = default;
    ~PlainOdbcConnection() { disconnect(); }
    PlainOdbcConnection(const PlainOdbcConnection&) = delete;
    PlainOdbcConnection& operator=(const PlainOdbcConnection&) = delete;

    // Empty on success, otherwise the driver's message.
    std::string connect(const std::string& connectString) {
        disconnect();
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
        SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_OV_ODBC3)), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
        std::string text = connectString;
        const SQLRETURN code =
            SQLDriverConnect(connection_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                             nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
        if (!SQL_SUCCEEDED(code)) {
            const std::string message = diagnostic(SQL_HANDLE_DBC, connection_);
            disconnect();
            return message.empty() ? "connection failed" : message;
        }
        connected_ = true;
        return {};
    }

    // Runs statements; empty on success, otherwise the driver's message.
    std::string execute(const std::string& sql) {
        std::vector<std::string> ignored;
        return run(sql, ignored);
    }

    // The rows of a query, values joined by "|" (NULL for none); a failure gives one row
    // starting with "error: ".
    std::vector<std::string> query(const std::string& sql) {
        std::vector<std::string> rows;
        const std::string failure = run(sql, rows);
        return failure.empty() ? rows : std::vector<std::string>{"error: " + failure};
    }

    void disconnect() {
        if (connected_) {
            SQLDisconnect(connection_);
            connected_ = false;
        }
        if (connection_ != SQL_NULL_HDBC) {
            SQLFreeHandle(SQL_HANDLE_DBC, connection_);
            connection_ = SQL_NULL_HDBC;
        }
        if (environment_ != SQL_NULL_HENV) {
            SQLFreeHandle(SQL_HANDLE_ENV, environment_);
            environment_ = SQL_NULL_HENV;
        }
    }

    // The first value of a query's first row.
    std::string scalar(const std::string& sql) {
        const std::vector<std::string> rows = query(sql);
        return rows.empty() ? "" : rows.front().substr(0, rows.front().find('|'));
    }

private:
    static std::string diagnostic(SQLSMALLINT type, SQLHANDLE handle) {
        SQLCHAR state[6] = {};
        SQLCHAR message[2048] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length))) {
            return {};
        }
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
    }

    std::string run(const std::string& sql, std::vector<std::string>& rows) {
        if (!connected_) {
            return "not connected";
        }
        SQLHSTMT statement = SQL_NULL_HSTMT;
        SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement);
        std::string text = sql;
        const SQLRETURN code =
            SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
        std::string failure;
        if (!SQL_SUCCEEDED(code) && code != SQL_NO_DATA) {
            failure = diagnostic(SQL_HANDLE_STMT, statement);
        } else {
            fetch(statement, rows);
        }
        SQLFreeHandle(SQL_HANDLE_STMT, statement);
        return failure;
    }

    static void fetch(SQLHSTMT statement, std::vector<std::string>& rows) {
        SQLSMALLINT columns = 0;
        SQLNumResultCols(statement, &columns);
        while (columns > 0 && SQL_SUCCEEDED(SQLFetch(statement))) {
            std::string row;
            for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(columns); ++i) {
                char value[4096] = {};
                SQLLEN indicator = 0;
                SQLGetData(statement, i, SQL_C_CHAR, value, sizeof value, &indicator);
                row +=
                    (i > 1 ? "|" : "") + std::string(indicator == SQL_NULL_DATA ? "NULL" : value);
            }
            rows.push_back(row);
        }
    }

    SQLHENV environment_ = SQL_NULL_HENV;
    SQLHDBC connection_ = SQL_NULL_HDBC;
    bool connected_ = false;
};
