#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/files/DateTimeFormat.h"
#include "db/files/TextColumn.h"

namespace kiv::db::files {

class SchemaIni;

// How one text file is laid out: its schema.ini section over the defaults of the engine
// (comma-separated, a header line, 25 rows scanned for types, the machine's character set).
class TextFormat {
public:
    enum class Layout { Delimited, FixedLength };
    // Machine is what ANSI, OEM and no setting stand for: the machine's code page, which is
    // UTF-8 here, so a file whose bytes are UTF-8 is read as UTF-8 and any other as
    // Windows-1252, the code page of the machines such files come from. A code page number
    // forces its set.
    enum class Charset { Machine, Windows1252, Cp437, Utf8, Utf16LE, Utf16BE };

    static constexpr std::size_t DefaultMaxScanRows = 25;

    Layout layout = Layout::Delimited;
    char delimiter = ',';
    char quote = '"';  // '\0' when values are never quoted
    bool header = true;
    std::size_t maxScanRows = DefaultMaxScanRows;  // 0 scans the whole file
    Charset charset = Charset::Machine;
    char decimalSymbol = '.';
    DateTimeFormat dates;
    // The Coln entries by position (Col1 first); positions without an entry are not declared.
    std::vector<TextColumn> columns;

    // The format of a file from its section. Throws std::runtime_error naming the entry that
    // cannot be used.
    static TextFormat forFile(const SchemaIni& schema, std::string_view fileName);

    // Reads one Coln value (`"Unit Price" Currency`, `Name Text Width 30`). Throws
    // std::runtime_error with a description when it cannot be used.
    static TextColumn parseColumn(std::string_view entry);
    // The Coln value for a column, the inverse of parseColumn.
    static std::string columnEntry(const TextColumn& column);

    // The header line naming the columns, without its line end: names padded to their
    // widths in a fixed-length file, else delimited and quoted.
    std::string headerLine(const std::vector<TextColumn>& columns) const;

    // A date in the file's DateTimeFormat, else in any form dates are commonly written in.
    std::optional<double> parseDate(std::string_view text) const;
};

}  // namespace kiv::db::files
