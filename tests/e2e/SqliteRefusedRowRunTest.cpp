#include <filesystem>
#include <string>

#include "RunFixture.h"

namespace {

// Loads 1,000 CSV rows (line, id, v) into a SQLite table people (id key, line, v varchar(5)
// not null, no 'bad'), row `refused` carrying `id` and `v` the table refuses.
class SqliteRefusedRowRunTest : public RunFixture {
protected:
    void expectRefusedRow(int refused, const std::string& id, const std::string& v,
                          const std::string& message) {
        std::filesystem::remove(dir.file("out.db"));
        sql("out.db",
            "CREATE TABLE people (id INTEGER PRIMARY KEY, line INTEGER, "
            "v VARCHAR(5) NOT NULL CHECK (v <> 'bad'))");
        const std::string csv = refusingCsv(refused, id, v);
        std::filesystem::create_directories(dir.file("in"));
        dir.write("in/people.csv", csv);
        package("spec.ini", "Load",
                "[STEP 1]\r\nStepName=Load\r\nStepType=dataload\r\nSourceConnection=Files\r\n"
                "SourceTableName=people.csv\r\nTargetConnection=Out\r\nTargetTableName=people\r\n"
                "SourceToDestinationColumnMappingSection=Cols\r\nRecordIDColumn_1=line\r\n"
                "[Cols]\r\nSourceColumn_1=id\r\nTargetColumn_1=id\r\nSourceColumn_2=line\r\n"
                "TargetColumn_2=line\r\nSourceColumn_3=v\r\nTargetColumn_3=v\r\n"
                "[Data Connection - Files]\r\nDatabaseType=TextFile\r\nDatabase=$(INIPath)/in\r\n"
                "[Data Connection - Out]\r\nDatabaseType=SQLite\r\nDatabase=$(INIPath)/out.db\r\n");
        const auto outcome = kivrun("-run -report report.txt spec.ini");
        expectFailedAtRow(outcome, refused, message,
                          query("out.db", "SELECT count(*), max(line) FROM people"));
    }
};

}  // namespace

TEST_F(SqliteRefusedRowRunTest, ARowRefusedInTheMiddleOfALoadFailsItAtThatRow) {
    expectRefusedRow(500, "3", "ok", "UNIQUE constraint failed: people.id");
    expectRefusedRow(321, "321", "toolong",
                     "String data, right truncation: the value for column 'v' "
                     "has 7 characters, VARCHAR(5) holds 5.");
    expectRefusedRow(777, "777", "bad", "CHECK constraint failed: v <> 'bad'");
    expectRefusedRow(650, "650", "", "NOT NULL constraint failed: people.v");
}
