#include "db/files/TextFolderFixture.h"

namespace kiv::db::files::testing {
namespace {

using Rows = TextFolderFixture::Rows;
class TextFolderRead : public TextFolderFixture {};

TEST_F(TextFolderRead, SelectsFilteredCountedAndJoined) {
    write("people.csv", "Id,Name,City\r\n1,Ann,Oslo\r\n2,Bob,Rome\r\n3,Cid,Oslo\r\n");
    write("cities.csv", "City,Country\nOslo,Norway\nRome,Italy\n");
    EXPECT_EQ(run("SELECT Name FROM [people.csv] WHERE City = 'Oslo' ORDER BY Id"),
              (Rows{{"Ann"}, {"Cid"}}));
    EXPECT_EQ(run("SELECT COUNT (*) AS RcdCnt FROM [people.csv]"), (Rows{{"3"}}));
    EXPECT_EQ(run("SELECT p.Name, c.Country FROM [people.csv] p JOIN [cities.csv] c "
                  "ON p.City = c.City ORDER BY p.Id"),
              (Rows{{"Ann", "Norway"}, {"Bob", "Italy"}, {"Cid", "Norway"}}));
    EXPECT_EQ(run("SELECT Id FROM [people.csv] WHERE Id > 1 ORDER BY Id"), (Rows{{"2"}, {"3"}}));
}

TEST_F(TextFolderRead, ListsTextFilesOnlySortedUnderBothNames) {
    write("B.TXT", "A\n1\n");
    write("a.csv", "A\n1\n");
    write("c.tab", "A\n1\n");
    write("d.asc", "A\n1\n");
    write("notes.doc", "A\n1\n");
    write("schema.ini", "");
    engine().refresh(db_);
    EXPECT_EQ(engine().tableNames(),
              (std::vector<std::string>{"a.csv", "B.TXT", "c.tab", "d.asc"}));
    EXPECT_EQ(run("SELECT A FROM [a#csv]"), (Rows{{"1"}}));
    EXPECT_EQ(run("SELECT A FROM [b.txt]"), (Rows{{"1"}}));
    query("SELECT * FROM [notes.doc]");
    EXPECT_NE(error_.find("no such table"), std::string::npos) << error_;
}

TEST_F(TextFolderRead, FindsAFileAddedWhileTheDatabaseIsOpen) {
    write("first.csv", "A\n1\n");
    run("SELECT * FROM [first.csv]");
    write("later.csv", "B\n2\n");
    EXPECT_EQ(run("SELECT B FROM [later.csv]"), (Rows{{"2"}}));
    EXPECT_EQ(engine().tableNames(), (std::vector<std::string>{"first.csv", "later.csv"}));
}

TEST_F(TextFolderRead, NewFileFoundWhileAnotherTableIsBeingRead) {
    // A data load keeps its source open while its lookups prepare their statements.
    write("source.csv", "A\n1\n2\n3\n");
    engine().refresh(db_);
    sqlite3_stmt* source = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db_, "SELECT A FROM [source.csv]", -1, &source, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(source), SQLITE_ROW);
    write("lookup.csv", "A,B\n2,two\n");
    std::filesystem::remove(folder_ + "/source.csv");
    EXPECT_EQ(run("SELECT B FROM [lookup.csv] WHERE A = 2"), (Rows{{"two"}}));
    EXPECT_EQ(sqlite3_step(source), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(source, 0), 2);
    sqlite3_finalize(source);
    run("SELECT 1");
    EXPECT_EQ(engine().tableNames(), (std::vector<std::string>{"lookup.csv"}));
}

TEST_F(TextFolderRead, ForgetsAFileThatLeftTheFolder) {
    write("gone.csv", "A\n1\n");
    run("SELECT * FROM [gone.csv]");
    std::filesystem::remove(folder_ + "/gone.csv");
    query("SELECT * FROM [gone.csv]");
    EXPECT_NE(error_.find("no such table"), std::string::npos) << error_;
    EXPECT_TRUE(engine().tableNames().empty());
}

TEST_F(TextFolderRead, FolderWrittenWithBackslashesAndOtherCase) {
    std::filesystem::create_directory(folder_ + "/Data");
    write("Data/x.csv", "A\n5\n");
    engine_ = std::make_unique<TextFolder>(folder_ + "\\DATA", notices_);
    engine_->attach(db_);
    EXPECT_EQ(run("SELECT A FROM [x.csv]"), (Rows{{"5"}}));
}

TEST_F(TextFolderRead, WithoutHeaderColumnsAreNumbered) {
    write("schema.ini", "[raw.txt]\r\nColNameHeader=False\r\n");
    write("raw.txt", "1,a\n2,b,extra\n");
    EXPECT_EQ(columnNames("raw.txt"), (std::vector<std::string>{"F1", "F2", "F3"}));
    EXPECT_EQ(run("SELECT F1, F2, F3 FROM [raw.txt]"),
              (Rows{{"1", "a", "NULL"}, {"2", "b", "extra"}}));
}

TEST_F(TextFolderRead, HeaderNamesAreTrimmedAndMissingOrRepeatedOnesNumbered) {
    write("h.csv", " Id ,,Id\n1,2,3\n");
    EXPECT_EQ(columnNames("h.csv"), (std::vector<std::string>{"Id", "F2", "F3"}));
}

TEST_F(TextFolderRead, QuotedFieldsBlankLinesAndLineEnds) {
    write("q.csv",
          "Id,Text\r\n"
          "1,\"a,b\"\r\n"
          "\r\n"
          "2,\"say \"\"hi\"\"\"\r"
          "3,\"two\r\nlines\"\n"
          "\n\n"
          "4,\"\"\n"
          "5,last");
    EXPECT_EQ(run("SELECT Id, Text FROM [q.csv]"), (Rows{{"1", "a,b"},
                                                         {"2", "say \"hi\""},
                                                         {"3", "two\r\nlines"},
                                                         {"4", "NULL"},
                                                         {"5", "last"}}));
}

TEST_F(TextFolderRead, EmptyFieldsAreNull) {
    write("n.csv", "A,B,C\n,x,\n1,,2\n");
    EXPECT_EQ(run("SELECT A, B, C FROM [n.csv]"),
              (Rows{{"NULL", "x", "NULL"}, {"1", "NULL", "2"}}));
    EXPECT_EQ(run("SELECT COUNT(*) FROM [n.csv] WHERE A IS NULL"), (Rows{{"1"}}));
}

TEST_F(TextFolderRead, TabAndOtherDelimiters) {
    write("Schema.INI",
          "; written by hand\r\n"
          "[tabbed.tab]\r\nformat=TabDelimited\r\n"
          "[SEMI.CSV]\r\nFormat=Delimited(;)\r\n"
          "[pipe.txt]\r\nFormat=Delimited(|)\r\nTextDelimiter='\r\n");
    write("tabbed.tab", "A\tB\n1\tx,y\n");
    write("semi.csv", "A;B\n1;\"x;y\"\n");
    write("pipe.txt", "A|B\n1|'x|y'\n");
    EXPECT_EQ(run("SELECT A, B FROM [tabbed.tab]"), (Rows{{"1", "x,y"}}));
    EXPECT_EQ(run("SELECT A, B FROM [semi.csv]"), (Rows{{"1", "x;y"}}));
    EXPECT_EQ(run("SELECT A, B FROM [pipe.txt]"), (Rows{{"1", "x|y"}}));
}

TEST_F(TextFolderRead, FixedLengthColumnsFromWidths) {
    write("schema.ini",
          "[fixed.txt]\nFormat=FixedLength\nColNameHeader=False\n"
          "Col1=Code Text Width 3\nCol2=\"Unit Price\" Double Width 8\nCol3=Name Text Width 6\n");
    write("fixed.txt", std::string("AB1") + "     2.5" + "Anna  \r\n" + "           \r\n" + "C  " +
                           "      10" + "Bo\r\n" + "DD\r\n");
    EXPECT_EQ(columnNames("fixed.txt"), (std::vector<std::string>{"Code", "Unit Price", "Name"}));
    EXPECT_EQ(run("SELECT Code, [Unit Price], Name FROM [fixed.txt]"),
              (Rows{{"AB1", "2.5", "Anna"}, {"C", "10.0", "Bo"}, {"DD", "NULL", "NULL"}}));
}

TEST_F(TextFolderRead, FixedLengthWidthsCountCharactersNotBytes) {
    write("schema.ini",
          "[w.txt]\nFormat=FixedLength\nColNameHeader=False\nCharacterSet=UTF-8\n"
          "Col1=A Text Width 2\nCol2=B Text Width 3\n");
    write("w.txt", "\xC3\x84\xE2\x82\xAC\xC3\xB6x \n");
    EXPECT_EQ(run("SELECT A, B FROM [w.txt]"), (Rows{{"\xC3\x84\xE2\x82\xAC", "\xC3\xB6x"}}));
}

TEST_F(TextFolderRead, FixedLengthWithoutWidthsIsReported) {
    write("schema.ini", "[fixed.txt]\nFormat=FixedLength\nCol1=Code Text\n");
    write("fixed.txt", "AB1\n");
    query("SELECT * FROM [fixed.txt]");
    EXPECT_EQ(error_,
              "Cannot read fixed.txt: schema.ini, section [fixed.txt], Format=FixedLength: Col1 "
              "needs an entry with a Width in a fixed-length file");
}

TEST_F(TextFolderRead, UnknownSchemaEntryIsReportedOnRead) {
    write("schema.ini", "[a.csv]\nCol2=Price Money\n");
    write("a.csv", "Id,Price\n1,2\n");
    query("SELECT * FROM [a.csv]");
    EXPECT_NE(error_.find("Cannot read a.csv: schema.ini, section [a.csv], Col2=Price Money: Money "
                          "is not a column type"),
              std::string::npos)
        << error_;
}

TEST_F(TextFolderRead, CharacterSets) {
    write("schema.ini",
          "[oem.txt]\nCharacterSet=437\n"
          "[utf8.txt]\nCharacterSet=65001\n"
          "[wide.txt]\nCharacterSet=Unicode\n"
          "[marked.txt]\nCharacterSet=1252\n");
    write("ansi.txt", "Name\nK\xF6ln \x80\n");  // Windows-1252
    write("oem.txt", "Name\nK\x94ln\n");        // code page 437
    write("utf8.txt", "Name\nK\xC3\xB6ln\n");
    write("marked.txt", "\xEF\xBB\xBFName\nK\xC3\xB6ln\n");  // the mark wins over 1252
    write("wide.txt", std::string("N\0a\0m\0e\0\n\0K\0\xF6\0l\0n\0\n\0", 20));
    write("wide-be.txt", std::string("\xFE\xFF\0N\0\n\0K\0\xF6", 10));
    EXPECT_EQ(run("SELECT Name FROM [ansi.txt]"), (Rows{{"K\xC3\xB6ln \xE2\x82\xAC"}}));
    EXPECT_EQ(run("SELECT Name FROM [oem.txt]"), (Rows{{"K\xC3\xB6ln"}}));
    EXPECT_EQ(run("SELECT Name FROM [utf8.txt]"), (Rows{{"K\xC3\xB6ln"}}));
    EXPECT_EQ(run("SELECT Name FROM [marked.txt]"), (Rows{{"K\xC3\xB6ln"}}));
    EXPECT_EQ(run("SELECT Name FROM [wide.txt]"), (Rows{{"K\xC3\xB6ln"}}));
    EXPECT_EQ(run("SELECT N FROM [wide-be.txt]"), (Rows{{"K\xC3\xB6"}}));
}

TEST_F(TextFolderRead, StreamsAFileLargerThanItsChunks) {
    std::string content = "Id,Text\n";
    const std::string text(100, 'x');
    for (int i = 1; i <= 30000; ++i) {
        content += std::to_string(i) + ",\"" + text + "\"\n";
    }
    write("big.csv", content);
    EXPECT_EQ(run("SELECT COUNT(*), SUM(Id), MIN(LENGTH(Text)), MAX(LENGTH(Text)) FROM [big.csv]"),
              (Rows{{"30000", "450015000", "100", "100"}}));
}

TEST_F(TextFolderRead, EmptyAndHeaderOnlyFiles) {
    write("empty.csv", "");
    write("header.csv", "A,B\r\n");
    EXPECT_EQ(run("SELECT * FROM [empty.csv]"), Rows{});
    EXPECT_EQ(columnNames("empty.csv"), (std::vector<std::string>{"F1"}));
    EXPECT_EQ(run("SELECT * FROM [header.csv]"), Rows{});
}

TEST_F(TextFolderRead, AQuoteNeverClosedFailsNamingTheLineItOpensOn) {
    write("open.csv", "A,B\n1,x\n2,\"never closed\n3,x\n");
    for (const std::string sql : {"SELECT * FROM [open.csv]", "SELECT COUNT(*) FROM [open.csv]"}) {
        query(sql);
        EXPECT_EQ(error_,
                  "Cannot read open.csv: the quoted value that opens on line 3 is not closed "
                  "before the end of the file")
            << sql;
    }
}

TEST_F(TextFolderRead, AQuotedValueMayNotRunPastAThousandLines) {
    std::string swallowed = "A,B\n1,\"opened\n";
    std::string kept = swallowed;
    for (int line = 3; line <= 1001; ++line) {
        kept += std::to_string(line) + ",x\n";
    }
    write("kept.csv", kept + "end\"\n");
    EXPECT_EQ(run("SELECT COUNT(*) FROM [kept.csv]"), (Rows{{"1"}}));
    for (int line = 3; line <= 5000; ++line) {
        swallowed += std::to_string(line) + ",x\n";
    }
    write("swallowed.csv", swallowed + "end\"\n");
    for (const std::string sql :
         {"SELECT * FROM [swallowed.csv]", "SELECT COUNT(*) FROM [swallowed.csv]"}) {
        query(sql);
        EXPECT_EQ(error_,
                  "Cannot read swallowed.csv: the quoted value that opens on line 2 is not closed "
                  "within 1000 lines")
            << sql;
    }
}

TEST_F(TextFolderRead, RowsWithMoreFieldsThanColumnsAreToldOncePerFile) {
    write("extra.csv", "A,B\n1,x\n2,y,lost\n3,z,lost,too\n");
    write("plain.csv", "A,B\n1,x\n");
    const Rows expected = {{"1", "x"}, {"2", "y"}, {"3", "z"}};
    EXPECT_EQ(run("SELECT * FROM [extra.csv]"), expected);
    EXPECT_EQ(run("SELECT A, B FROM [extra.csv]"), expected);
    run("SELECT * FROM [plain.csv]");
    const std::vector<Notices::Notice> told = notices_->take();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, Notices::Kind::Warning);
    EXPECT_EQ(told[0].text,
              "extra.csv, line 3: the row has 3 fields, more than the 2 columns of the file; "
              "fields past the last column are not read (said for the first such row only).");
}

}  // namespace
}  // namespace kiv::db::files::testing
