#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "db/access/AccessCursor.h"
#include "db/access/AccessProtocol.h"
#include "db/access/AccessReader.h"

namespace kiv::db::access {
namespace {

using cells::ReaderProcess;

// A reader process that sends one table of an integer column and a text column (of no columns
// with `columns` false), answers its opening and its first `Start` with `batch`, and then takes
// commands until the program is done.
std::shared_ptr<AccessReader> readerSending(const std::string& batch, bool columns = true) {
    return std::make_shared<AccessReader>(
        "sent.mdb",
        [batch, columns](ReaderProcess::Output& output) {
            output.putValue(std::uint32_t{1});
            AccessTable table;
            table.name = "Products";
            table.rows = 2;
            if (columns) {
                table.columns = {AccessColumn{"Id", 4, 4, 0, 0},
                                 AccessColumn{"Name", 10, 50, 0, 0}};
            }
            table.send(output);
            while (const auto command = output.command()) {
                if (command->code == AccessProtocol::Open) {
                    output.putValue(AccessProtocol::Opened);
                    output.putValue(std::uint32_t{1});
                } else if (command->code == AccessProtocol::Start) {
                    output.putValue(std::uint8_t{1});
                    output.putText(batch);
                }
            }
        },
        ReaderProcess::Limits{});
}

std::string integer(std::int64_t value) {
    return std::string(1, AccessProtocol::Integer) +
           std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string text(const std::string& value) {
    const auto size = static_cast<std::uint32_t>(value.size());
    return std::string(1, AccessProtocol::Text) +
           std::string(reinterpret_cast<const char*>(&size), sizeof size) + value;
}

// The rows the program reads of a batch, or the failure.
std::string rowsOf(const std::string& batch, bool columns = true) {
    try {
        const auto reader = readerSending(batch, columns);
        AccessCursor cursor(reader, reader->tables().at(0));
        cursor.rewind(~std::uint32_t{0});
        int rows = 0;
        while (cursor.next()) {
            ++rows;
        }
        return std::to_string(rows) + " rows";
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
}

// Rows are split into their values; a batch that is cut short, says a value is longer than it
// is, has an unknown marker or has bytes for a table without columns fails naming the table and
// the file.
TEST(AccessReaderProtocol, BatchesAreSplitIntoRowsAndMalformedOnesFail) {
    EXPECT_EQ(rowsOf(integer(1) + text("Chai") + integer(2) + std::string(1, 'n')), "2 rows");
    const std::string malformed =
        "Cannot read the table Products of the Access database 'sent.mdb': the file is damaged "
        "or not supported: the reader sent malformed data";
    EXPECT_EQ(rowsOf(integer(1)), malformed);
    EXPECT_EQ(rowsOf(integer(1) + text("Chai").substr(0, 7)), malformed);
    EXPECT_EQ(rowsOf(integer(1) + "x"), malformed);
    EXPECT_EQ(rowsOf(integer(1) + text("Chai") + integer(2).substr(0, 4)), malformed);
    // A table without columns has rows of no bytes: bytes in its batch are not rows without end.
    EXPECT_EQ(rowsOf("", false), "0 rows");
    EXPECT_EQ(rowsOf("n", false), malformed);
}

}  // namespace
}  // namespace kiv::db::access
