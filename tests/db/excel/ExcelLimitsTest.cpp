#include <zip.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include "db/Cursor.h"
#include "db/Engine.h"
#include "db/cells/FileSourceFixture.h"
#include "db/excel/ExcelEngine.h"
#include "db/excel/XlsxReader.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::testing {
namespace {

using excel::ExcelEngine;
using excel::Workbook;
using excel::XlsxReader;
using excel::ZipArchive;

// A sheet with a header row (Id, Name) and `rows` rows of data, the row numbers of the data
// from `first` on, counting up or, with `backwards` after the fifth, down.
std::string sheetPart(int rows, int first = 2, bool backwards = false) {
    std::string xml =
        "<worksheet><sheetData><row r=\"1\"><c t=\"inlineStr\"><is><t>Id</t></is>"
        "</c><c t=\"inlineStr\"><is><t>Name</t></is></c></row>";
    for (int i = 0; i < rows; ++i) {
        const int number = backwards && i >= 5 ? first + 5 - i : first + i;
        xml += "<row r=\"" + std::to_string(number) + "\"><c><v>" + std::to_string(i) +
               "</v></c><c t=\"s\"><v>" + std::to_string(i % 2) + "</v></c></row>";
    }
    return xml + "</sheetData></worksheet>";
}

// Writes a workbook by hand, part by part; a part's bytes may be written in pieces, so a test
// can make a part far larger than the memory it holds.
class ZipWriter {
public:
    explicit ZipWriter(const std::string& path)
        : zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)) {
        EXPECT_NE(zip_, nullptr);
    }
    ~ZipWriter() { zipClose(zip_, nullptr); }
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    void part(const std::string& name, const std::string& bytes) {
        part(name, [&](const auto& write) { write(bytes); });
    }
    void part(const std::string& name,
              const std::function<void(const std::function<void(const std::string&)>&)>& pieces) {
        zip_fileinfo info{};
        ASSERT_EQ(zipOpenNewFileInZip64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        Z_DEFLATED, Z_BEST_COMPRESSION, 0),
                  ZIP_OK);
        pieces([&](const std::string& bytes) {
            zipWriteInFileInZip(zip_, bytes.data(), static_cast<unsigned>(bytes.size()));
        });
        zipCloseFileInZip(zip_);
    }

    // A workbook of the sheet Data with those rows, its texts "even" and "odd" shared.
    void numbersWorkbook(const std::string& sheet) {
        workbookParts(
            "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>");
        part("xl/sharedStrings.xml", "<sst><si><t>even</t></si><si><t>odd</t></si></sst>");
        part("xl/worksheets/sheet1.xml", sheet);
    }

    // The parts a reader needs besides the sheet's, with more relationships of the workbook.
    void workbookParts(const std::string& relationships = "") {
        part("xl/workbook.xml",
             "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Data\" r:id=\"rId1\"/></sheets>"
             "</workbook>");
        part("xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
             "Target=\"worksheets/sheet1.xml\"/>" +
                 relationships + "</Relationships>");
    }

private:
    zipFile zip_;
};

// The values of the first row of a statement, joined by |.
std::string firstRowOf(Engine& engine, const std::string& sql) {
    long affected = 0;
    const std::unique_ptr<Cursor> cursor = engine.execute(sql, affected);
    std::vector<Variant> row(cursor->columns().size());
    std::string text;
    if (cursor->fetch(row)) {
        for (const Variant& value : row) {
            text += (text.empty() ? "" : "|") + value.toText();
        }
    }
    return text;
}

class ExcelLimits : public FileSourceFixture {
protected:
    std::string openError(const std::string& file) {
        return errorOf([&] {
                   open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file +
                        ";Extended Properties=\"Excel 8.0;\"");
               })
            .Description();
    }
};

TEST_F(ExcelLimits, AZipBombIsRefusedByItsRatioWhileItInflates) {
    const std::string file = folder_.file("bomb.xlsx");
    {
        ZipWriter zip(file);
        zip.workbookParts();
        zip.part("xl/worksheets/sheet1.xml", [](const auto& write) {
            write("<worksheet><sheetData>");
            std::string rows;
            for (int n = 0; n < 1 << 17; ++n) {
                rows += "<row/>";
            }
            for (int n = 0; n < 100; ++n) {
                write(rows);
            }
            write("</sheetData></worksheet>");
        });
    }
    EXPECT_EQ(openError(file),
              "[Kiv][Excel]Cannot read the workbook '" + file +
                  "': the part xl/worksheets/sheet1.xml inflates beyond 200 times its "
                  "compressed size.");
}

TEST_F(ExcelLimits, PartsAreReadInPiecesUpToTheirLimit) {
    const std::string file = folder_.file("parts.zip");
    {
        ZipWriter zip(file);
        zip.part("small.txt", std::string(1000, 'a'));
        zip.part("large.txt", std::string(5000, 'b'));
    }
    ZipArchive zip(file, ZipArchive::Limits{4096, 200, 1 << 20});
    EXPECT_EQ(zip.read("SMALL.TXT"), std::string(1000, 'a'));
    EXPECT_EQ(zip.read("missing.txt"), std::nullopt);
    ASSERT_TRUE(zip.open("large.txt"));
    char buffer[1000];
    std::size_t read = 0;
    try {
        while (const std::size_t count = zip.readSome(buffer, sizeof buffer)) {
            read += count;
        }
        ADD_FAILURE() << "the part was read whole";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "the part large.txt inflates beyond 4096 bytes");
    }
    EXPECT_LE(read, 4096u);
    EXPECT_EQ(zip.read("small.txt"), std::string(1000, 'a'));
}

TEST_F(ExcelLimits, ADamagedPartIsAnErrorNamingIt) {
    const std::string file = folder_.file("damaged.xlsx");
    {
        ZipWriter zip(file);
        zip.workbookParts();
        zip.part("xl/worksheets/sheet1.xml",
                 "<worksheet><sheetData><row><c><v>1</v></c></row></sheetData></worksheet>");
    }
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::size_t sheet = bytes.find("xl/worksheets/sheet1.xml");
    ASSERT_NE(sheet, std::string::npos);
    bytes[sheet + 24 + 8] ^= 0x55;  // inside the sheet's compressed bytes
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    const std::string error = openError(file);
    EXPECT_EQ(error, "[Kiv][Excel]Cannot read the workbook '" + file +
                         "': the part xl/worksheets/sheet1.xml is damaged.");
}

// A sheet is read once, when the workbook is opened: a small one is held, the rows of a larger
// one are read back from a spool at each scan. Both give the same rows, as the file had them
// then.
TEST_F(ExcelLimits, LargeSheetsAreScannedFromASpool) {
    const std::string file = folder_.file("numbers.xlsx");
    {
        ZipWriter zip(file);
        zip.numbersWorkbook(sheetPart(1000));
    }
    const std::shared_ptr<Engine> streamed =
        ExcelEngine::serve(XlsxReader::read(file, XlsxReader::Limits{std::size_t{1} << 20, 0}),
                           file, true, Variant::Null(), "read-only");
    const std::shared_ptr<Engine> held =
        ExcelEngine::serve(XlsxReader::read(file), file, true, Variant::Null(), "read-only");
    for (const std::string sql :
         {"SELECT COUNT(*), SUM(Id), MIN(Name), MAX(Name) FROM [Data$]",
          "SELECT COUNT(*) FROM [Data$] a JOIN [Data$] b ON a.Id = b.Id + 1 WHERE a.Name = 'odd'",
          "SELECT (SELECT COUNT(*) FROM [Data$] WHERE Name = 'even') + COUNT(*) FROM [Data$]"}) {
        EXPECT_EQ(firstRowOf(*streamed, sql), firstRowOf(*held, sql)) << sql;
    }
    EXPECT_EQ(firstRowOf(*streamed, "SELECT COUNT(*), SUM(Id), MIN(Name), MAX(Name) FROM [Data$]"),
              "1000|499500|even|odd");
    EXPECT_EQ(firstRowOf(*streamed,
                         "SELECT COUNT(*) FROM [Data$] a JOIN [Data$] b "
                         "ON a.Id = b.Id + 1 WHERE a.Name = 'odd'"),
              "500");

    std::filesystem::remove(file);
    {
        ZipWriter zip(file);
        zip.numbersWorkbook(sheetPart(1000, 2, true));
    }
    EXPECT_EQ(firstRowOf(*held, "SELECT COUNT(*), SUM(Id) FROM [Data$]"), "1000|499500");
    EXPECT_EQ(firstRowOf(*streamed, "SELECT COUNT(*), SUM(Id) FROM [Data$]"), "1000|499500");
    // Rows out of order are found when the workbook is opened.
    EXPECT_EQ(openError(file), "[Kiv][Excel]Cannot read the workbook '" + file +
                                   "': row 2 of the sheet Data comes after row 6.");
}

// The shared strings and styles are held while the sheets are read, up to a limit.
TEST_F(ExcelLimits, SharedStringsAreHeldUpToALimit) {
    const std::string file = folder_.file("strings.xlsx");
    {
        ZipWriter zip(file);
        zip.workbookParts(
            "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"sharedStrings.xml\"/>");
        zip.part("xl/sharedStrings.xml", [](const auto& write) {
            write("<sst>");
            for (int i = 0; i < 20000; ++i) {
                write("<si><t>" + std::string(100, static_cast<char>('a' + i % 26)) + "</t></si>");
            }
            write("</sst>");
        });
        zip.part("xl/worksheets/sheet1.xml", sheetPart(10));
    }
    EXPECT_EQ(XlsxReader::read(file).sheets.size(), 1u);
    try {
        XlsxReader::read(file, XlsxReader::Limits{std::size_t{1} << 20});
        ADD_FAILURE() << "the shared strings were held beyond the limit";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(),
                     "its shared strings and styles take more than the 1 MiB kept in memory to "
                     "read its sheets");
    }
}

// A sheet whose cells change is held from then on, up to a limit.
TEST_F(ExcelLimits, ASheetIsHeldToChangeItsCellsUpToALimit) {
    const std::string file = folder_.file("numbers.xlsx");
    {
        ZipWriter zip(file);
        zip.numbersWorkbook(sheetPart(20000, 4));
    }
    Workbook workbook = XlsxReader::read(file, XlsxReader::Limits{std::size_t{1} << 20, 0});
    Workbook::Sheet& sheet = workbook.sheets.at(0);
    try {
        sheet.hold(std::size_t{1} << 20);
        ADD_FAILURE() << "the sheet was held beyond the limit";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(),
                     "the sheet Data holds more cells than the 1 MiB kept in memory to change "
                     "them");
    }
    ASSERT_TRUE(sheet.file);
    sheet.hold();
    EXPECT_FALSE(sheet.file);
    ASSERT_EQ(sheet.rows.size(), 20003u);
    EXPECT_TRUE(sheet.rows[1].empty());
    EXPECT_EQ(sheet.rows[20002][0].number, 19999);
    EXPECT_EQ(sheet.rows[20002][1].text, "odd");
    EXPECT_EQ(sheet.usedRange()->lastRow, 20002u);
}

}  // namespace
}  // namespace kiv::db::testing
