#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "base/Path.h"
#include "db/Catalog.h"
#include "db/Command.h"
#include "db/Connection.h"
#include "db/Constants.h"
#include "db/Error.h"
#include "db/ErrorOf.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace kiv::db {
namespace {

using testing::errorOf;

class DbTextFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.write("people.csv", "Id,Name,Born\r\n1,Ann,1990-05-17\r\n2,Bob,2001-12-31\r\n");
        folder_.write("notes.txt", "Text\r\nhello\r\n");
        folder_.write("schema.ini", "[people.csv]\r\nColNameHeader=True\r\n");
        connection_ = std::make_shared<Connection>();
        connection_->Open(connectString(folder_.path()));
    }

    static std::string connectString(const std::string& folder) {
        return "Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + folder +
               ";DefaultDir=" + folder + ";";
    }

    TempDir folder_;
    std::shared_ptr<Connection> connection_;
};

TEST_F(DbTextFolder, ListsEachTextFileAsATable) {
    EXPECT_EQ(connection_->Provider(), "Kiv.Text");
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    std::vector<std::string> tables;
    for (const auto& table : catalog.Tables()) {
        tables.push_back(table->Name() + ":" + table->Type());
    }
    EXPECT_EQ(tables, (std::vector<std::string>{"notes.txt:TABLE", "people.csv:TABLE"}));
    EXPECT_EQ(catalog.Views().Count(), 0);
    EXPECT_EQ(catalog.Procedures().Count(), 0);
    const Columns& columns = catalog.Tables().Item("people.csv")->Columns();
    ASSERT_EQ(columns.Count(), 3);
    EXPECT_EQ(columns.Item("Id")->Type(), adInteger);
    EXPECT_EQ(columns.Item("Born")->Type(), adDate);
}

TEST_F(DbTextFolder, RowsStreamWithTheGuessedTypes) {
    auto people = connection_->Execute("SELECT * FROM [people.csv]");
    ASSERT_TRUE(people);
    EXPECT_EQ(people->Fields().Item("Id")->Value(), Variant(std::int32_t{1}));
    EXPECT_EQ(people->Fields().Item("Born")->Value(),
              Variant::fromDate(Variant::serialFromCivil(1990, 5, 17)));
    people->MoveNext();
    EXPECT_EQ(people->Fields().Item("Name")->Value(), Variant("Bob"));
    people->MoveNext();
    EXPECT_TRUE(people->EOF());
}

TEST_F(DbTextFolder, ErrorsCarryTheTextTag) {
    const Error missing = errorOf([&] { connection_->Execute("SELECT * FROM [none.csv]"); });
    EXPECT_EQ(missing.Description().rfind("[Kiv][Text]", 0), 0U) << missing.Description();
    EXPECT_EQ(missing.Source(), "Kiv.Text");
    EXPECT_EQ(connection_->Errors().Count(), 1);
}

TEST_F(DbTextFolder, CreatedTablesTakeRowsFromAnInsertCommand) {
    connection_->Execute("CREATE TABLE [out.csv] (A INTEGER, B TEXT(20))");
    EXPECT_TRUE(path::exists(folder_.file("out.csv")));
    auto insert = std::make_shared<Command>();
    insert->ActiveConnection(connection_);
    insert->CommandText("INSERT INTO [out.csv] (\r\n  [A]\r\n, [B] )\r\n VALUES ( ?, ? )");
    insert->CommandType(adCmdText);
    insert->Parameters().Append(insert->CreateParameter("Param-A", adInteger, adParamInput, 4));
    insert->Parameters().Append(insert->CreateParameter("Param-B", adVarChar, adParamInput, 20));
    for (int i = 1; i <= 3; ++i) {
        insert->Parameters().Item(0L)->Value(i);
        insert->Parameters().Item(1L)->Value("v" + std::to_string(i));
        insert->Execute();
    }
    auto counted = connection_->Execute("SELECT COUNT (*) AS RcdCnt FROM [out.csv]");
    EXPECT_EQ(counted->Fields().Item("RcdCnt")->Value(), Variant(std::int32_t{3}));
    insert.reset();
    const std::string written = TempDir::read(folder_.file("out.csv"));
    EXPECT_NE(written.find("3,\"v3\"\r\n"), std::string::npos) << written;
}

TEST_F(DbTextFolder, AFileAddedLaterIsFoundByTheNextStatement) {
    folder_.write("late.csv", "X\r\n5\r\n");
    auto late = connection_->Execute("SELECT X FROM [late.csv]");
    EXPECT_EQ(late->Fields().Item(0L)->Value(), Variant(std::int32_t{5}));
}

TEST_F(DbTextFolder, AReadOnlyConnectionCreatesNoFiles) {
    Connection reader;
    reader.Mode(adModeRead);
    reader.Open(connectString(folder_.path()));
    const Error refused = errorOf([&] { reader.Execute("CREATE TABLE [x.csv] (A TEXT)"); });
    EXPECT_EQ(refused.Description().rfind("[Kiv][Text]", 0), 0U);
    EXPECT_FALSE(path::exists(folder_.file("x.csv")));
}

TEST_F(DbTextFolder, AMissingFolderFailsToOpen) {
    Connection connection;
    const Error refused = errorOf([&] { connection.Open(connectString(folder_.file("nowhere"))); });
    EXPECT_EQ(refused.Description().rfind("[Kiv][Text]", 0), 0U);
    EXPECT_NE(refused.Description().find("nowhere"), std::string::npos);
    EXPECT_EQ(connection.State(), adStateClosed);
}

TEST_F(DbTextFolder, AFileWiderThanATableCanBeIsAnErrorNamingItAndItsWidth) {
    std::string header = "C1";
    std::string row = "1";
    for (int column = 2; column <= 2001; ++column) {
        header += ",C" + std::to_string(column);
        row += "," + std::to_string(column);
    }
    folder_.write("wide.csv", header + "\r\n" + row + "\r\n");
    for (const std::string sql : {"SELECT * FROM [wide.csv]", "SELECT COUNT(*) FROM [wide.csv]"}) {
        const Error error = errorOf([&] {
            auto rows = connection_->Execute(sql);
            while (!rows->EOF()) {
                rows->MoveNext();
            }
        });
        EXPECT_EQ(error.Description(),
                  "[Kiv][Text]Cannot read wide.csv: it has 2001 columns; a "
                  "table can have at most 2000")
            << sql;
    }
    Catalog catalog;
    catalog.ActiveConnection(connection_);
    EXPECT_EQ(catalog.Tables().Count(), 3);
    EXPECT_EQ(connection_->Execute("SELECT COUNT(*) FROM [people.csv]")
                  ->Fields()
                  .Item(0L)
                  ->Value()
                  .toText(),
              "2");
}

}  // namespace
}  // namespace kiv::db
