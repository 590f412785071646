#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/files/DateTimeFormat.h"
#include "db/files/SchemaIni.h"
#include "db/files/TextReader.h"

namespace kiv::db::files {
namespace {

struct Record {
    std::int64_t line;
    std::vector<std::string> fields;
    bool operator==(const Record&) const = default;
    friend void PrintTo(const Record& record, std::ostream* out) {
        *out << "line " << record.line << ":";
        for (const std::string& field : record.fields) {
            *out << " [" << ::testing::PrintToString(field) << "]";
        }
    }
};

class TextFolderReader : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kivread-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string write(const std::string& bytes) {
        const std::string path = folder_ + "/data.txt";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }

    static std::vector<Record> readAll(const TextFormat& format, const std::string& path,
                                       std::size_t chunk, TextFileNotes* notes = nullptr) {
        TextReader reader(format, chunk, notes);
        reader.start(path);
        std::vector<Record> records;
        while (reader.next()) {
            Record record{reader.line(), {}};
            for (std::size_t i = 0; i < reader.fieldCount(); ++i) {
                record.fields.emplace_back(reader.field(i));
            }
            records.push_back(std::move(record));
        }
        return records;
    }

    std::string folder_;
};

TEST_F(TextFolderReader, SameRecordsWhereverTheChunksEnd) {
    TextFormat format;
    format.charset = TextFormat::Charset::Utf8;
    const std::string path = write(
        "a,\"b\r\nc\",\"d\"\"e\"\r\n"
        "\r\n"
        "\xC3\xB6\xE2\x82\xAC,\"\"\"\"\r"
        "x\"y,z\n"
        "\"q\"tail,\r\n"
        "last");
    const std::vector<Record> expected = {
        {1, {"a", "b\r\nc", "d\"e"}},
        {4, {"\xC3\xB6\xE2\x82\xAC", "\""}},
        {5, {"x\"y", "z"}},
        {6, {"qtail", ""}},
        {7, {"last"}},
    };
    for (std::size_t chunk = 1; chunk <= 9; ++chunk) {
        EXPECT_EQ(readAll(format, path, chunk), expected) << "chunk " << chunk;
    }
    EXPECT_EQ(readAll(format, path, TextReader::ReadChunk), expected);
}

TEST_F(TextFolderReader, Utf16SplitAnywhere) {
    TextFormat format;
    format.charset = TextFormat::Charset::Utf16LE;
    // "a,😀" CR LF "é": a surrogate pair and a CR LF split across chunks of every size.
    const std::string path = write(std::string("a\0,\0\x3D\xD8\x00\xDE\r\0\n\0\xE9\0", 14));
    const std::vector<Record> expected = {{1, {"a", "\xF0\x9F\x98\x80"}}, {2, {"\xC3\xA9"}}};
    for (std::size_t chunk = 1; chunk <= 7; ++chunk) {
        EXPECT_EQ(readAll(format, path, chunk), expected) << "chunk " << chunk;
    }
}

TEST_F(TextFolderReader, SingleByteCharacterSets) {
    TextFormat format;
    const std::string path = write("\x80\xE9,\x9F\n");
    EXPECT_EQ(readAll(format, path, 2),
              (std::vector<Record>{{1, {"\xE2\x82\xAC\xC3\xA9", "\xC5\xB8"}}}));
    format.charset = TextFormat::Charset::Cp437;
    EXPECT_EQ(readAll(format, path, 2),
              (std::vector<Record>{{1, {"\xC3\x87\xCE\x98", "\xC6\x92"}}}));
}

TEST_F(TextFolderReader, Utf8WithStrayBytesSplitAnywhere) {
    // Characters of two, three and four bytes, a lead byte without its continuation, a lone
    // continuation byte and a character cut off by the end of the file.
    TextFormat format;
    format.charset = TextFormat::Charset::Utf8;
    const std::string path =
        write("\xC3\xB6\xE2\x82\xAC,\xF0\x9F\x98\x80\n\xC3x,\x80\xE9\n\xE2\x82");
    const std::vector<Record> expected = {{1, {"\xC3\xB6\xE2\x82\xAC", "\xF0\x9F\x98\x80"}},
                                          {2, {"\xC3\x83x", "\xE2\x82\xAC\xC3\xA9"}},
                                          {3, {"\xC3\xA2\xE2\x80\x9A"}}};
    for (std::size_t chunk = 1; chunk <= 9; ++chunk) {
        auto notices = std::make_shared<Notices>();
        TextFileNotes notes(notices, "data.txt");
        EXPECT_EQ(readAll(format, path, chunk, &notes), expected) << "chunk " << chunk;
        const std::vector<Notices::Notice> told = notices->take();
        ASSERT_EQ(told.size(), 1u) << "chunk " << chunk;
        EXPECT_TRUE(told[0].text.starts_with("data.txt, line 2: ")) << told[0].text;
    }
}

TEST_F(TextFolderReader, RefusesARecordThatNeverEnds) {
    TextFormat format;
    std::string content = "\"";
    content.append(TextReader::MaxRecordBytes + 10, 'x');
    const std::string path = write(content);
    TextReader reader(format, TextReader::ReadChunk);
    reader.start(path);
    EXPECT_THROW(reader.next(), std::runtime_error);
}

TEST_F(TextFolderReader, MissingFileIsReported) {
    TextFormat format;
    TextReader reader(format, TextReader::ReadChunk);
    EXPECT_THROW(reader.start(folder_ + "/missing.txt"), std::runtime_error);
}

TEST(TextFolderDates, FormatsAndParsesPatterns) {
    const DateTimeFormat iso;
    std::string out;
    iso.format(45296.4375, out);  // 2024-01-05 10:30
    EXPECT_EQ(out, "2024-01-05 10:30:00");
    out.clear();
    iso.format(45296, out);
    EXPECT_EQ(out, "2024-01-05");

    const DateTimeFormat german("dd.mm.yy h:nn");
    out.clear();
    german.format(45296.4375, out);
    EXPECT_EQ(out, "05.01.24 10:30");
    EXPECT_EQ(german.parse(" 05.01.24 10:30 "), 45296.4375);
    EXPECT_EQ(german.parse("5.1.24"), 45296.0);
    EXPECT_EQ(german.parse("05.01.95"), 34704.0);
    EXPECT_FALSE(german.parse("31.02.24"));
    EXPECT_FALSE(german.parse("05.01.24 25:00"));
    EXPECT_FALSE(german.parse("05/01/24"));

    const DateTimeFormat named("dddd d mmmm yyyy, hh:mm");
    out.clear();
    named.format(45296.4375, out);
    EXPECT_EQ(out, "Friday 5 January 2024, 10:30");
    EXPECT_EQ(named.parse("Friday 5 jan 2024, 10:30"), 45296.4375);

    const DateTimeFormat timeFirst("hh:nn yyyy-mm-dd");
    out.clear();
    timeFirst.format(45296, out);
    EXPECT_EQ(out, "00:00 2024-01-05");
}

TEST_F(TextFolderReader, SchemaIniKeepsWhatItDoesNotChange) {
    std::ofstream(folder_ + "/SCHEMA.INI", std::ios::binary)
        << "; top\n[A.csv]\n Format = TabDelimited \n\n[b.csv]\r\nCol1=X Long\r\n";
    SchemaIni schema(folder_);
    EXPECT_EQ(schema.path(), folder_ + "/SCHEMA.INI");
    EXPECT_EQ(schema.value("a.CSV", "format"), "TabDelimited");
    EXPECT_FALSE(schema.value("a.csv", "Col1"));
    EXPECT_FALSE(schema.value("c.csv", "Format"));
    schema.setSection("B.CSV", {"Col1=Y Text"});
    schema.setSection("c.csv", {"MaxScanRows=0"});
    schema.save();
    std::ifstream in(folder_ + "/SCHEMA.INI", std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(content,
              "; top\r\n[A.csv]\r\n Format = TabDelimited \r\n\r\n[b.csv]\r\nCol1=Y Text\r\n"
              "[c.csv]\r\nMaxScanRows=0\r\n");
}

}  // namespace
}  // namespace kiv::db::files
