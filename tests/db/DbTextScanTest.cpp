#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Field.h"
#include "db/Recordset.h"
#include "db/sqlite/SqliteDatabase.h"

namespace kiv::db {
namespace {

// What a statement gives: its columns, its rows and the failure that ended it.
struct Outcome {
    std::vector<std::string> columns;  // name, type, size, precision, scale
    std::vector<std::string> rows;     // kind and text of every value
    std::string failure;               // number, state, native error, description

    bool operator==(const Outcome&) const = default;
};

std::string shown(const Variant& value) {
    std::string text = std::to_string(static_cast<int>(value.kind())) + ":";
    if (!value.isNull() && !value.isEmpty()) {
        text += value.isDate() ? Variant::formatDate(value.toDate()) : value.toText();
    }
    return text;
}

void PrintTo(const Outcome& outcome, std::ostream* out) {
    for (const auto& list : {outcome.columns, outcome.rows}) {
        for (const std::string& item : list) {
            *out << item << " | ";
        }
        *out << "\n";
    }
    *out << outcome.failure;
}

// A whole-file SELECT is answered by reading the file directly; the same SELECT with a
// condition that holds for every row goes through SQLite's virtual table. Both must give the
// same result in every respect.
class DbTextScan : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = std::make_shared<Connection>();
        connection_->Open("Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + folder_.path() +
                          ";");
    }

    Outcome outcome(const std::string& sql) {
        Outcome result;
        try {
            std::shared_ptr<Recordset> rows = connection_->Execute(sql);
            for (long i = 0; i < rows->Fields().Count(); ++i) {
                const auto field = rows->Fields().Item(i);
                result.columns.push_back(field->Name() + " " + std::to_string(field->Type()) + " " +
                                         std::to_string(field->DefinedSize()) + " " +
                                         std::to_string(field->Precision()) + " " +
                                         std::to_string(field->NumericScale()));
            }
            for (; !rows->EOF(); rows->MoveNext()) {
                std::string row;
                for (long i = 0; i < rows->Fields().Count(); ++i) {
                    row += shown(rows->Fields().Item(i)->Value()) + ";";
                }
                result.rows.push_back(row);
            }
        } catch (const Error& error) {
            result.failure = std::to_string(error.Number()) + " " + error.SQLState() + " " +
                             std::to_string(error.NativeError()) + " " + error.Description();
        }
        return result;
    }

    // The file read both ways, with the same outcome.
    Outcome readBothWays(const std::string& file) {
        const Outcome direct = outcome("SELECT * FROM [" + file + "]");
        EXPECT_EQ(direct, outcome("SELECT * FROM [" + file + "] WHERE 1 = 1")) << file;
        return direct;
    }

    TempDir folder_;
    std::shared_ptr<Connection> connection_;
};

TEST_F(DbTextScan, DeclaredTypesReadAsThroughSql) {
    folder_.write("schema.ini",
                  "[typed.csv]\r\nColNameHeader=True\r\nCol1=B Bit\r\nCol2=Y Byte\r\n"
                  "Col3=S Short\r\nCol4=L Long\r\nCol5=C Currency\r\nCol6=F Single\r\n"
                  "Col7=D Double\r\nCol8=T DateTime\r\nCol9=X Text Width 5\r\nCol10=M Memo\r\n");
    folder_.write("typed.csv",
                  "B,Y,S,L,C,F,D,T,X,M\r\n"
                  "True,255,-32768,2147483647,12.34567,1.5,2.25,2021-03-04,abc,\"long\r\nmemo\"\r\n"
                  "0, 7 ,  ,-5,1e3,3.4e38,-1e-300,2021-03-04 10:20:30,\"a,\"\"b\",x\r\n"
                  ",,,,,,,10:30:00,,\r\n"
                  "1,2\r\n");
    const Outcome typed = readBothWays("typed.csv");
    EXPECT_EQ(typed.failure, "");
    ASSERT_EQ(typed.rows.size(), 4U);
    const std::string time = shown(Variant::fromDate(10.5 / 24));
    EXPECT_NE(typed.rows[2].find(";" + time + ";"), std::string::npos) << typed.rows[2];
}

TEST_F(DbTextScan, GuessedTypesAndFormatsReadAsThroughSql) {
    folder_.write("guessed.csv",
                  "Id,Amount,Born,Flag,Name\n1,2.5,1990-05-17,True,Ann\n2,3,2001-12-31,False,\n");
    folder_.write("plain.txt", "1;x\r\n2;y\r\n");
    folder_.write("fixed.txt", "ab  12\r\ncd   3\r\n");
    folder_.write("header.csv", "A,B\r\n");
    folder_.write("schema.ini",
                  "[plain.txt]\r\nFormat=Delimited(;)\r\nColNameHeader=False\r\n"
                  "[fixed.txt]\r\nFormat=FixedLength\r\nColNameHeader=False\r\n"
                  "Col1=Code Text Width 4\r\nCol2=N Long Width 2\r\n");
    EXPECT_EQ(readBothWays("guessed.csv").rows.size(), 2U);
    EXPECT_EQ(readBothWays("plain.txt").rows.size(), 2U);
    EXPECT_EQ(readBothWays("fixed.txt").rows.size(), 2U);
    EXPECT_EQ(readBothWays("header.csv").columns.size(), 2U);
    EXPECT_EQ(readBothWays("PLAIN#TXT").rows.size(), 2U);
}

TEST_F(DbTextScan, FailuresAreTheSameAsThroughSql) {
    std::string late = "N\r\n";
    for (int i = 0; i < 30; ++i) {
        late += std::to_string(i) + "\r\n";
    }
    folder_.write("late.csv", late + "abc\r\n");
    folder_.write("unclosed.csv", "A\r\n\"open");
    folder_.write("nowidths.txt", "abc\r\n");
    folder_.write("schema.ini", "[nowidths.txt]\r\nFormat=FixedLength\r\n");
    const Outcome mismatch = readBothWays("late.csv");
    EXPECT_NE(mismatch.failure.find("late.csv, line 32, column N"), std::string::npos)
        << mismatch.failure;
    EXPECT_NE(readBothWays("nowidths.txt").failure, "");
    readBothWays("unclosed.csv");
}

TEST_F(DbTextScan, ReadsTheFileWithoutPreparingAStatementAndRewinds) {
    folder_.write("people.csv", "Id,Name\r\n1,Ann\r\n");
    connection_->Execute("INSERT INTO [people.csv] (Id, Name) VALUES (2, 'Bob')");
    const unsigned long prepared = sqlite::SqliteDatabase::prepareCount();
    std::shared_ptr<Recordset> people = connection_->Execute("SELECT * FROM [people.csv]");
    EXPECT_EQ(sqlite::SqliteDatabase::prepareCount(), prepared);
    people->MoveNext();
    EXPECT_EQ(people->Fields().Item("Name")->Value(), Variant("Bob"));
    people->MoveFirst();
    EXPECT_EQ(people->Fields().Item("Name")->Value(), Variant("Ann"));
}

}  // namespace
}  // namespace kiv::db
