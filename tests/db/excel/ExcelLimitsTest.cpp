#include <zip.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>

#include "db/cells/FileSourceFixture.h"
#include "db/excel/ZipArchive.h"

namespace kiv::db::testing {
namespace {

using excel::ZipArchive;

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

    // The parts a reader needs besides the sheet's.
    void workbookParts() {
        part("xl/workbook.xml",
             "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Data\" r:id=\"rId1\"/></sheets>"
             "</workbook>");
        part("xl/_rels/workbook.xml.rels",
             "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
             "Target=\"worksheets/sheet1.xml\"/></Relationships>");
    }

private:
    zipFile zip_;
};

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

}  // namespace
}  // namespace kiv::db::testing
