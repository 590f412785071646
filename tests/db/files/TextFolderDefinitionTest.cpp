#include "db/files/TextDefinition.h"
#include "db/files/TextFolderFixture.h"

namespace kiv::db::files::testing {
namespace {

using Rows = TextFolderFixture::Rows;
class TextFolderDefinition : public TextFolderFixture {};

TEST_F(TextFolderDefinition, CreateTableWritesHeaderAndSection) {
    write("schema.ini", "; kept\r\n[other.csv]\r\nColNameHeader=False\r\n");
    run("CREATE TABLE [new.csv] (A INTEGER, [B b] TEXT(50), C DATETIME NOT NULL, D DOUBLE, "
        "E MEMO)");
    EXPECT_EQ(read("new.csv"), "\"A\",\"B b\",\"C\",\"D\",\"E\"\r\n");
    EXPECT_EQ(read("schema.ini"),
              "; kept\r\n[other.csv]\r\nColNameHeader=False\r\n"
              "[new.csv]\r\nColNameHeader=True\r\nFormat=CSVDelimited\r\nCharacterSet=65001\r\n"
              "Col1=A Long\r\nCol2=\"B b\" Text Width 50\r\nCol3=C DateTime\r\nCol4=D Double\r\n"
              "Col5=E Memo\r\n");
    EXPECT_EQ(declaredTypes("new.csv"),
              (std::vector<std::string>{"INTEGER", "VARCHAR(50)", "DATETIME", "DOUBLE", "TEXT"}));
    run("INSERT INTO [new.csv] (A, [B b], C) VALUES (1, '\xC3\xB6', '2024-01-05')");
    EXPECT_EQ(read("new.csv"),
              "\"A\",\"B b\",\"C\",\"D\",\"E\"\r\n1,\"\xC3\xB6\",2024-01-05,,\r\n");
    EXPECT_EQ(engine().tableNames(), (std::vector<std::string>{"new.csv"}));
}

TEST_F(TextFolderDefinition, CreateTableKeepsAFormatPreparedInSchemaIni) {
    write("schema.ini", "[out.txt]\nFormat=TabDelimited\nCol1=Old Text\nColNameHeader=True\n");
    run("CREATE TABLE [out#txt] (X SMALLINT, Y VARCHAR(5));");
    EXPECT_EQ(read("out.txt"), "\"X\"\t\"Y\"\r\n");
    EXPECT_EQ(read("schema.ini"),
              "[out.txt]\r\nFormat=TabDelimited\r\nColNameHeader=True\r\nCol1=X Short\r\n"
              "Col2=Y Text Width 5\r\n");
}

TEST_F(TextFolderDefinition, CreateTableOfAnExistingFileFails) {
    write("Here.csv", "A\r\n");
    query("CREATE TABLE [here.csv] (A TEXT)");
    EXPECT_EQ(error_, "Cannot create the table here.csv: a table of that name exists already.");
    query("CREATE TABLE [x.csv] (A BLOB)");
    EXPECT_EQ(error_,
              "The type BLOB of column A is not one a text file holds (INTEGER, SMALLINT, "
              "TINYINT, DOUBLE, REAL, CURRENCY, DATETIME, BIT, TEXT(n), MEMO).");
    EXPECT_FALSE(exists("x.csv"));
}

TEST_F(TextFolderDefinition, DropTableDeletesFileAndSection) {
    write("schema.ini", "[old.csv]\nColNameHeader=True\n[keep.csv]\nMaxScanRows=0\n");
    write("old.csv", "A\r\n1\r\n");
    write("keep.csv", "A\r\n1\r\n");
    EXPECT_EQ(run("SELECT A FROM [old.csv]"), (Rows{{"1"}}));
    run("DROP TABLE [OLD#CSV]");
    EXPECT_FALSE(exists("old.csv"));
    EXPECT_EQ(read("schema.ini"), "[keep.csv]\r\nMaxScanRows=0\r\n");
    EXPECT_EQ(engine().tableNames(), (std::vector<std::string>{"keep.csv"}));
    query("SELECT * FROM [old.csv]");
    EXPECT_NE(error_.find("no such table"), std::string::npos);
    query("DROP TABLE [old.csv]");
    EXPECT_EQ(error_, "Cannot drop the table old.csv: there is no such table.");
}

TEST_F(TextFolderDefinition, CreateAfterDropStartsAfresh) {
    write("t.csv", "Old\r\n1\r\n");
    run("SELECT * FROM [t.csv]");
    run("DROP TABLE [t.csv]");
    run("CREATE TABLE [t.csv] (New TEXT(10))");
    EXPECT_EQ(columnNames("t.csv"), (std::vector<std::string>{"New"}));
    EXPECT_EQ(run("SELECT COUNT(*) FROM [t.csv]"), (Rows{{"0"}}));
}

TEST(TextFolderDefinitionParse, RecognisesOnlyTableDefinitions) {
    EXPECT_FALSE(TextDefinition::parse("SELECT 1"));
    EXPECT_FALSE(TextDefinition::parse("CREATE VIEW v AS SELECT 1"));
    EXPECT_FALSE(TextDefinition::parse("CREATE TEMP TABLE t (a)"));
    EXPECT_FALSE(TextDefinition::parse("INSERT INTO [a.csv] VALUES (1)"));

    const auto drop = TextDefinition::parse(" -- comment\n drop  table `a b#txt` ;");
    ASSERT_TRUE(drop);
    EXPECT_EQ(drop->kind, TextDefinition::Kind::Drop);
    EXPECT_EQ(drop->fileName, "a b.txt");

    const auto create = TextDefinition::parse(
        "CREATE TABLE new.csv (\"x]\" DECIMAL(10, 2), [y]]z] char, z BIT DEFAULT (0))");
    ASSERT_TRUE(create);
    EXPECT_EQ(create->fileName, "new.csv");
    ASSERT_EQ(create->columns.size(), 3u);
    EXPECT_EQ(create->columns[0].name, "x]");
    EXPECT_EQ(create->columns[0].type, TextColumn::Type::Double);
    EXPECT_EQ(create->columns[1].name, "y]z");
    EXPECT_EQ(create->columns[1].type, TextColumn::Type::Text);
    EXPECT_EQ(create->columns[1].width, 0u);
    EXPECT_EQ(create->columns[2].type, TextColumn::Type::Bit);
}

TEST(TextFolderDefinitionParse, RefusesWhatATextFileCannotTake) {
    EXPECT_THROW(TextDefinition::parse("CREATE TABLE [a.csv]"), std::runtime_error);
    EXPECT_THROW(TextDefinition::parse("CREATE TABLE [a.csv] (A TEXT(0))"), std::runtime_error);
    EXPECT_THROW(TextDefinition::parse("CREATE TABLE [a.csv] (A TEXT"), std::runtime_error);
    EXPECT_THROW(TextDefinition::parse("CREATE TABLE [dir/a.csv] (A TEXT)"), std::runtime_error);
    EXPECT_THROW(TextDefinition::parse("DROP TABLE [a.csv] extra"), std::runtime_error);
    EXPECT_THROW(TextDefinition::parse("DROP TABLE [a.csv"), std::runtime_error);
}

}  // namespace
}  // namespace kiv::db::files::testing
