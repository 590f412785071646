#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>

#include "TempDir.h"
#include "db/Connection.h"
#include "db/ErrorOf.h"
#include "db/Recordset.h"

namespace kiv::db {
namespace {

using testing::errorOf;

// A source file cut short while its rows are read fails the read, naming the file and the
// line it ended on, instead of ending as if all its rows had been read.
class ShrinkingSource : public ::testing::Test {
protected:
    // Writes the file afresh and reads the first rows of `sql`, cuts the file to nothing and
    // reads on.
    Error failureAfterCut(const std::string& sql) {
        std::string text = "id,name\r\n";
        for (int i = 1; i <= 300000; ++i) {
            text += std::to_string(i) + ",Name " + std::to_string(i) + "\r\n";
        }
        file_ = folder_.write("big.csv", text);
        connection_ = std::make_shared<Connection>();
        connection_->Open("Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + folder_.path() +
                          ";");
        std::shared_ptr<Recordset> rows = connection_->Execute(sql);
        for (int i = 0; i < 10; ++i) {
            rows->MoveNext();
        }
        EXPECT_EQ(::truncate(file_.c_str(), 0), 0);
        return errorOf([&] {
            while (!rows->EOF()) {
                rows->MoveNext();
            }
        });
    }

    TempDir folder_;
    std::string file_;
    std::shared_ptr<Connection> connection_;
};

TEST_F(ShrinkingSource, AFileCutShortWhileBeingReadFailsNamingFileAndLine) {
    const std::regex told(
        "Cannot read big\\.csv: the file ended on line \\d+ after \\d+ of its \\d+ bytes; it was "
        "cut short while being read");
    // A whole-file SELECT reads the file directly; a condition makes SQLite read it through
    // its virtual table.
    for (const std::string sql :
         {"SELECT * FROM [big.csv]", "SELECT * FROM [big.csv] WHERE id > 0"}) {
        const Error failure = failureAfterCut(sql);
        EXPECT_TRUE(std::regex_search(failure.Description(), told))
            << sql << ": " << failure.Description();
    }
}

}  // namespace
}  // namespace kiv::db
