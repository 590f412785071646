#pragma once

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "db/odbc/PlainOdbcConnection.h"

// A database of its own on the PostgreSQL server that scripts/with-postgres runs for the
// tests, found through the variables that script exports: created for one test, dropped
// afterwards. `plain` reaches it around the program.
class PostgresTestDatabase {
public:
    // Why the tests cannot have a database, or empty.
    static std::string unavailable() {
        if (const char* error = std::getenv("KIV_TEST_PG_ERROR")) {
            return std::string("The PostgreSQL test server could not be started: ") + error;
        }
        if (std::getenv("KIV_TEST_PG_USER") == nullptr || std::getenv("PGPORT") == nullptr ||
            std::getenv("ODBCSYSINI") == nullptr) {
            return "No PostgreSQL test server: run the tests through scripts/with-postgres "
                   "(scripts/test does), e.g. scripts/with-postgres build/kivtests";
        }
        return {};
    }

    static std::string variable(const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? value : "";
    }
    static std::string user() { return variable("KIV_TEST_PG_USER"); }
    static std::string password() { return variable("KIV_TEST_PG_PASSWORD"); }
    static std::string port() { return variable("PGPORT"); }

    // Empty on success, otherwise why the database could not be made.
    std::string create() {
        static int count = 0;
        name_ = "kivtest_" + std::to_string(::getpid()) + "_" + std::to_string(++count);
        PlainOdbcConnection admin;
        std::string failure = admin.connect(connectString(variable("KIV_TEST_PG_DATABASE")));
        if (failure.empty()) {
            failure = admin.execute("CREATE DATABASE " + name_ + " TEMPLATE template0");
        }
        if (failure.empty()) {
            failure = plain.connect(connectString(name_));
        }
        created_ = failure.empty();
        return failure;
    }

    ~PostgresTestDatabase() {
        if (!created_) {
            return;
        }
        plain.disconnect();
        PlainOdbcConnection admin;
        if (admin.connect(connectString(variable("KIV_TEST_PG_DATABASE"))).empty()) {
            admin.execute("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        }
    }

    const std::string& name() const { return name_; }

    // A connect string for the test database through the driver registered as `driver`.
    std::string connectString(const std::string& database,
                              const std::string& driver = "PostgreSQL Unicode") const {
        return "Driver={" + driver + "};Server=127.0.0.1;Port=" + port() + ";Database=" + database +
               ";UID=" + user() + ";PWD=" + password() + ";";
    }
    std::string connectString() const { return connectString(name_); }

    PlainOdbcConnection plain;

private:
    std::string name_;
    bool created_ = false;
};
