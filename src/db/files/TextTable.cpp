#include "db/files/TextTable.h"

#include <sys/stat.h>

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"
#include "db/files/ColumnGuess.h"
#include "db/files/SchemaIni.h"
#include "db/files/TextReader.h"

namespace kiv::db::files {

namespace {

// The most columns a table of SQLite can have.
constexpr std::size_t MaxColumns = 2000;

// Values longer than this are shortened in error descriptions.
constexpr std::size_t QuotedValueLength = 60;

std::string quotedValue(std::string_view value) {
    if (TextColumn::characterCount(value) <= QuotedValueLength) {
        return "'" + std::string(value) + "'";
    }
    std::size_t end = 0;
    for (std::size_t characters = 0; characters < QuotedValueLength; ++characters) {
        ++end;
        while (end < value.size() && (static_cast<unsigned char>(value[end]) & 0xC0) == 0x80) {
            ++end;
        }
    }
    return "'" + std::string(value.substr(0, end)) + "...'";
}

std::string sqlName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') {
            quoted.push_back('"');
        }
        quoted.push_back(c);
    }
    return quoted + "\"";
}

std::string valueText(sqlite3_value* value) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text == nullptr
               ? std::string()
               : std::string(text, static_cast<std::size_t>(sqlite3_value_bytes(value)));
}

}  // namespace

TextTable::TextTable(const std::string& folder, std::string fileName, const SchemaIni& schema,
                     std::shared_ptr<Notices> notices)
    : fileName_(std::move(fileName)),
      path_(folder + "/" + fileName_),
      notes_(std::make_unique<TextFileNotes>(std::move(notices), fileName_)) {
    try {
        format_ = TextFormat::forFile(schema, fileName_);
        charset_ = format_.charset;
        scan();
    } catch (const std::runtime_error& error) {
        problem_ = std::string("Cannot read ") + fileName_ + ": " + error.what();
        columns_.assign(1, TextColumn{"F1"});
    }
}

void TextTable::scan() {
    TextReader reader(format_, TextReader::ScanChunk, notes_.get());
    reader.start(path_);
    bool more = reader.next();
    std::vector<std::string> headerNames;
    if (format_.header && more) {
        if (format_.layout == TextFormat::Layout::Delimited) {
            for (std::size_t i = 0; i < reader.fieldCount(); ++i) {
                headerNames.emplace_back(text::trimWhitespace(reader.field(i)));
            }
        }
        more = reader.next();
    }
    std::size_t count = std::max(headerNames.size(), format_.columns.size());
    std::vector<ColumnGuess> guesses(count);
    std::size_t rows = 0;
    while (more && (format_.maxScanRows == 0 || rows < format_.maxScanRows)) {
        if (!format_.header && format_.layout == TextFormat::Layout::Delimited &&
            reader.fieldCount() > count) {
            count = reader.fieldCount();
            guesses.resize(count);
        }
        for (std::size_t i = 0; i < count && i < reader.fieldCount(); ++i) {
            const std::string_view value = reader.field(i);
            if (!value.empty()) {
                guesses[i].observe(value, format_);
            }
        }
        ++rows;
        more = reader.next();
    }
    if (count > MaxColumns) {
        throw std::runtime_error("it has " + text::decimal(static_cast<long long>(count)) +
                                 " columns; a table can have at most " +
                                 text::decimal(static_cast<long long>(MaxColumns)));
    }
    charset_ = reader.charset();
    estimatedRows_ = static_cast<double>(rows);
    struct stat info {};
    if (more && reader.consumed() > 0 && ::stat(path_.c_str(), &info) == 0) {
        estimatedRows_ = static_cast<double>(rows) * static_cast<double>(info.st_size) /
                         static_cast<double>(reader.consumed());
    }

    count = std::max<std::size_t>(count, 1);
    guesses.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        TextColumn column;
        if (i < format_.columns.size() && format_.columns[i].declared) {
            column = format_.columns[i];
        } else {
            column.type = guesses[i].type();
            column.name = i < headerNames.size() ? headerNames[i] : std::string();
        }
        const bool taken = std::any_of(columns_.begin(), columns_.end(), [&](const TextColumn& c) {
            return text::iequals(c.name, column.name);
        });
        if (column.name.empty() || taken) {
            column.name = "F" + text::decimal(static_cast<long long>(i + 1));
        }
        columns_.push_back(std::move(column));
    }
    notes_->columnCount(columns_.size());
}

std::string TextTable::declaration() const {
    std::string sql = "CREATE TABLE x(";
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        sql.append(i == 0 ? "" : ", ")
            .append(sqlName(columns_[i].name))
            .append(" ")
            .append(columns_[i].sqlType());
    }
    return sql + ")";
}

std::string TextTable::mismatch(std::string_view where, std::size_t index,
                                std::string_view value) const {
    const TextColumn& column = columns_[index];
    const std::size_t length = TextColumn::characterCount(value);
    std::string description =
        std::string(where) + ", column " + column.name + ": the value " + quotedValue(value);
    const bool textual = column.type == TextColumn::Type::Text;
    if (textual) {
        description += " (" + text::decimal(static_cast<long long>(length)) +
                       " characters) is longer than the " +
                       text::decimal(static_cast<long long>(column.maxLength())) +
                       " characters of the column's type Text";
    } else {
        description += " is not a " + std::string(TextColumn::typeName(column.type)) +
                       " value, the column's type";
    }
    if (column.declared) {
        description += " as declared in schema.ini.";
    } else if (format_.maxScanRows == 0) {
        description += " as guessed from the values of the file.";
    } else {
        description += " as guessed from the first " +
                       text::decimal(static_cast<long long>(format_.maxScanRows)) +
                       " rows (MaxScanRows).";
    }
    TextColumn suggestion = column;
    suggestion.declared = true;
    suggestion.width = 0;
    if (length > TextColumn::DefaultTextWidth) {
        suggestion.type = TextColumn::Type::Memo;
    } else if (textual) {
        suggestion.width = length;
    } else if (TextColumn::parseNumber(value, format_.decimalSymbol) &&
               column.type != TextColumn::Type::DateTime) {
        suggestion.type = TextColumn::Type::Double;
    } else {
        suggestion.type = TextColumn::Type::Text;
    }
    description += column.declared ? " Change its entry in schema.ini to fit the values, e.g. "
                                   : " Declare the column's type in schema.ini, e.g. ";
    description += "Col" + text::decimal(static_cast<long long>(index + 1)) + "=" +
                   TextFormat::columnEntry(suggestion) + " in section [" + fileName_ + "].";
    return description;
}

bool TextTable::stored(const TextReader& reader, std::size_t index, sqlite::StoredValue& out,
                       Variant::DateText& buffer) const {
    const std::string_view field = reader.field(index);
    const TextColumn& column = columns_[index];
    const bool textual =
        column.type == TextColumn::Type::Text || column.type == TextColumn::Type::Memo;
    if (field.empty() || (!textual && text::trim(field).empty())) {
        out = {};
        return true;
    }
    return column.stored(field, format_, out, buffer);
}

std::string TextTable::mismatchAt(const TextReader& reader, std::size_t index) const {
    return mismatch(fileName_ + ", line " + text::decimal(reader.line()), index,
                    reader.field(index));
}

void TextTable::append(sqlite3_value** values) {
    if (!problem_.empty()) {
        throw std::runtime_error(problem_);
    }
    const bool fixed = format_.layout == TextFormat::Layout::FixedLength;
    line_.clear();
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (i > 0 && !fixed) {
            line_.push_back(format_.delimiter);
        }
        const std::size_t start = line_.size();
        if (!columns_[i].appendField(values[i], format_, line_)) {
            throw std::runtime_error(
                mismatch("Cannot add a row to " + fileName_, i, valueText(values[i])));
        }
        if (fixed) {
            const std::size_t width = columns_[i].width;
            const std::size_t length =
                TextColumn::characterCount(std::string_view(line_).substr(start));
            if (length > width) {
                throw std::runtime_error(
                    "Cannot add a row to " + fileName_ + ", column " + columns_[i].name +
                    ": the value " + quotedValue(std::string_view(line_).substr(start)) +
                    " is wider than the column's " + text::decimal(static_cast<long long>(width)) +
                    " characters in the fixed-length file.");
            }
            line_.append(width - length, ' ');
        }
    }
    if (!writer_) {
        writer_ = std::make_unique<TextWriter>(path_, charset_);
        // An empty file described with a header line gets it before its first row, so that
        // the row is not taken for the header when the file is read.
        if (writer_->startedEmpty() && format_.header) {
            writer_->writeLine(format_.headerLine(columns_));
        }
    }
    writer_->writeLine(line_);
}

void TextTable::flush() {
    if (writer_) {
        writer_->flush();
    }
}

void TextTable::close() noexcept {
    writer_.reset();
}

}  // namespace kiv::db::files
