// Character sets of the files users bring: exports of a spreadsheet program in UTF-8 and in
// Windows-1252 (made by tests/data/make-csv-fixtures), files from a text editor on Linux
// (UTF-8 without a byte-order mark), and files with bytes of both.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "db/files/TextDecoder.h"
#include "db/files/TextFolderFixture.h"

namespace kiv::db::files::testing {
namespace {

using Rows = TextFolderFixture::Rows;

const Rows PeopleUtf8 = {{"1", "\xC3\x84rger", "K\xC3\xB6ln"},
                         {"2", "\xC5\x81ukasz \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87", "Krak\xC3\xB3w"},
                         {"3",
                          "\xC5\x92uvre \xE2\x82\xAC"
                          "5",
                          "Besan\xC3\xA7on"}};
// Windows-1252 has no Polish letters but ó: the export wrote '?' for the others.
const Rows People1252 = {{"1", "\xC3\x84rger", "K\xC3\xB6ln"},
                         {"2", "?ukasz ?\xC3\xB3??", "Krak\xC3\xB3w"},
                         {"3",
                          "\xC5\x92uvre \xE2\x82\xAC"
                          "5",
                          "Besan\xC3\xA7on"}};

std::string fixture(const std::string& name) {
    std::ifstream in(std::filesystem::path(KIV_SOURCE_DIR) / "tests" / "data" / name,
                     std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class TextFolderEncoding : public TextFolderFixture {
protected:
    // The rows through both ways a file is read: straight from the file and through SQL.
    Rows both(const std::string& table) {
        const Rows direct = run("SELECT * FROM [" + table + "]");
        EXPECT_EQ(run("SELECT Id, Name, City FROM [" + table + "] ORDER BY Id"), direct) << table;
        return direct;
    }

    std::vector<Notices::Notice> notices() { return notices_->take(); }
};

TEST_F(TextFolderEncoding, Utf8WithoutAMarkIsReadAsUtf8ForAnsiOemAndNoSetting) {
    write("schema.ini",
          "[ansi.csv]\nCharacterSet=ANSI\n[oem.csv]\nCharacterSet=OEM\n"
          "[declared.csv]\nCharacterSet=65001\n");
    for (const std::string name : {"plain.csv", "ansi.csv", "oem.csv", "declared.csv"}) {
        write(name, fixture("people-utf8.csv"));
        EXPECT_EQ(both(name), PeopleUtf8) << name;
    }
    EXPECT_TRUE(notices().empty());
}

TEST_F(TextFolderEncoding, Windows1252IsReadAsWindows1252) {
    write("schema.ini", "[ansi.csv]\nCharacterSet=ANSI\n[forced.csv]\nCharacterSet=1252\n");
    for (const std::string name : {"plain.csv", "ansi.csv", "forced.csv"}) {
        write(name, fixture("people-1252.csv"));
        EXPECT_EQ(both(name), People1252) << name;
    }
}

TEST_F(TextFolderEncoding, AnExplicitCodePageForcesItsSetAndAMarkWinsOverIt) {
    write("schema.ini",
          "[forced.csv]\nCharacterSet=1252\n[dos.csv]\nCharacterSet=437\n"
          "[marked.csv]\nCharacterSet=1252\n");
    write("forced.csv", "Id,Name,City\n1,\xC3\x84rger,K\xC3\xB6ln\n");
    EXPECT_EQ(both("forced.csv"), (Rows{{"1", "\xC3\x83\xE2\x80\x9Erger", "K\xC3\x83\xC2\xB6ln"}}));
    write("dos.csv", "Id,Name,City\n1,\x8Erger,K\x94ln\n");
    EXPECT_EQ(both("dos.csv"), (Rows{{"1", "\xC3\x84rger", "K\xC3\xB6ln"}}));
    write("marked.csv", "\xEF\xBB\xBF" + fixture("people-utf8.csv"));
    EXPECT_EQ(both("marked.csv"), PeopleUtf8);
}

TEST_F(TextFolderEncoding, BytesThatAreNotUtf8AfterTheDecisionAreReadAsWindows1252) {
    // A UTF-8 file to which a Windows-1252 line was appended past the first bytes the
    // decision is made on.
    std::string content = "Id,Name,City\n";
    int id = 0;
    while (content.size() < TextDecoder::HeadSize + 100) {
        content += std::to_string(++id) + ",\xC3\x84rger,K\xC3\xB6ln\n";
    }
    const int line = id + 2;
    content += std::to_string(++id) + ",M\xFCller,K\xF6ln \xC3\xB6\n";
    content += std::to_string(++id) + ",\x80,\xC3\n";
    write("mixed.csv", content);
    for (const std::string& sql :
         {"SELECT * FROM [mixed.csv] WHERE Id > " + std::to_string(id - 3),
          "SELECT Id, Name, City FROM [mixed.csv] WHERE Id > " + std::to_string(id - 3)}) {
        EXPECT_EQ(run(sql), (Rows{{std::to_string(id - 2), "\xC3\x84rger", "K\xC3\xB6ln"},
                                  {std::to_string(id - 1), "M\xC3\xBCller", "K\xC3\xB6ln \xC3\xB6"},
                                  {std::to_string(id), "\xE2\x82\xAC", "\xC3\x83"}}))
            << sql;
    }
    const std::vector<Notices::Notice> told = notices();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, Notices::Kind::Log);
    EXPECT_EQ(told[0].text, "mixed.csv, line " + std::to_string(line) +
                                ": bytes that are not UTF-8 were read as Windows-1252 (the file "
                                "is read as UTF-8; said for the first such line only).");
}

TEST_F(TextFolderEncoding, NewRowsGoInUtf8UnlessTheFileOrItsSectionSaysOtherwise) {
    write("schema.ini", "[forced.csv]\nCharacterSet=1252\n[dos.csv]\nCharacterSet=437\n");
    const std::string ascii = "Id,Name,City\n1,Ann,Oslo\n";
    write("editor.csv", ascii);                     // a text editor's file, ASCII only
    write("utf8.csv", fixture("people-utf8.csv"));  // kept in UTF-8
    write("ansi.csv", fixture("people-1252.csv"));  // kept in Windows-1252
    write("forced.csv", ascii);
    write("dos.csv", ascii);
    const std::string values = "(9, '\xC3\x84rger \xE2\x82\xAC', 'K\xC3\xB6ln')";
    for (const std::string name : {"editor.csv", "utf8.csv", "ansi.csv", "forced.csv", "dos.csv"}) {
        run("INSERT INTO [" + name + "] (Id, Name, City) VALUES " + values);
    }
    const std::string utf8Row = "9,\"\xC3\x84rger \xE2\x82\xAC\",\"K\xC3\xB6ln\"\r\n";
    const std::string ansiRow = "9,\"\xC4rger \x80\",\"K\xF6ln\"\r\n";
    EXPECT_EQ(read("editor.csv"), ascii + utf8Row);
    EXPECT_EQ(read("utf8.csv"), fixture("people-utf8.csv") + utf8Row);
    EXPECT_EQ(read("ansi.csv"), fixture("people-1252.csv") + ansiRow);
    EXPECT_EQ(read("forced.csv"), ascii + ansiRow);
    EXPECT_EQ(read("dos.csv"), ascii + "9,\"\x8Erger ?\",\"K\x94ln\"\r\n");
    EXPECT_EQ(run("SELECT Name FROM [ansi.csv] WHERE Id = 9"),
              (Rows{{"\xC3\x84rger \xE2\x82\xAC"}}));
}

}  // namespace
}  // namespace kiv::db::files::testing
