#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "SqliteFile.h"
#include "TempDir.h"
#include "db/Connection.h"
#include "db/Error.h"

namespace kiv::db {
namespace {

using namespace std::chrono_literals;

// Another program holds a SQLite file's write lock for a while: the program waits for it
// (up to 5 seconds) from the moment it opens the file, rather than failing at once with
// "database is locked".
class LockWait : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = folder_.file("shared.db");
        SqliteFile::execute(file_, "CREATE TABLE t (id INTEGER)");
        ASSERT_EQ(sqlite3_open(file_.c_str(), &other_), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other_, "BEGIN EXCLUSIVE; INSERT INTO t VALUES (1)", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override {
        if (finisher_.joinable()) {
            finisher_.join();
        }
        sqlite3_close(other_);
    }

    // The other program commits after `delay`.
    void commitAfter(std::chrono::milliseconds delay) {
        finisher_ = std::thread([this, delay] {
            std::this_thread::sleep_for(delay);
            sqlite3_exec(other_, "COMMIT", nullptr, nullptr, nullptr);
        });
    }

    // Opens the file and adds a row; the failure's description, empty when none.
    std::string openAndWrite() {
        try {
            auto connection = std::make_shared<Connection>();
            connection->Open("Provider=SQLite;Data Source=" + file_);
            connection->Execute("INSERT INTO t VALUES (2)");
        } catch (const Error& error) {
            return error.Description();
        }
        return {};
    }

    static std::chrono::milliseconds since(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
    }

    TempDir folder_;
    std::string file_;
    sqlite3* other_ = nullptr;
    std::thread finisher_;
};

TEST_F(LockWait, AWriterWaitsForAnotherProgramsLockFromTheMomentItOpensTheFile) {
    commitAfter(800ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(openAndWrite(), "");
    EXPECT_GE(since(start), 500ms);
    finisher_.join();
    EXPECT_EQ(SqliteFile::query(file_, "SELECT group_concat(id) FROM t"),
              std::vector<std::string>{"1,2"});
}

TEST_F(LockWait, ALockHeldLongerThanFiveSecondsFailsNamingTheFile) {
    commitAfter(7000ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(openAndWrite(),
              "[Kiv][SQLite]Cannot open the database file '" + file_ + "': database is locked");
    EXPECT_GE(since(start), 4500ms);
    EXPECT_LT(since(start), 6500ms);
}

}  // namespace
}  // namespace kiv::db
