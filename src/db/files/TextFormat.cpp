#include "db/files/TextFormat.h"

#include <algorithm>
#include <stdexcept>

#include "base/Text.h"
#include "base/Variant.h"
#include "db/files/SchemaIni.h"

namespace kiv::db::files {

namespace {

// Coln entries are looked for up to this position, the most columns a text table has.
constexpr std::size_t MaxColumns = 255;

[[noreturn]] void refuse(std::string_view fileName, std::string_view key, std::string_view value,
                         std::string_view reason) {
    throw std::runtime_error("schema.ini, section [" + std::string(fileName) + "], " +
                             std::string(key) + "=" + std::string(value) + ": " +
                             std::string(reason));
}

std::optional<std::size_t> parseCount(std::string_view text) {
    const std::string_view digits = text::trim(text);
    if (digits.empty() || digits.size() > 9) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    return value;
}

std::optional<TextFormat::Charset> parseCharset(std::string_view name) {
    if (text::iequals(name, "ANSI") || text::iequals(name, "OEM")) {
        return TextFormat::Charset::Machine;
    }
    if (name == "1252") {
        return TextFormat::Charset::Windows1252;
    }
    if (name == "437") {
        return TextFormat::Charset::Cp437;
    }
    if (name == "65001" || text::iequals(name, "UTF-8") || text::iequals(name, "UTF8")) {
        return TextFormat::Charset::Utf8;
    }
    if (text::iequals(name, "Unicode") || name == "1200") {
        return TextFormat::Charset::Utf16LE;
    }
    if (name == "1201") {
        return TextFormat::Charset::Utf16BE;
    }
    return std::nullopt;
}

// The next blank-separated word of `rest`.
std::string_view nextWord(std::string_view& rest) {
    rest = text::trimWhitespace(rest);
    const auto end = rest.find_first_of(" \t");
    const std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    return word;
}

}  // namespace

TextColumn TextFormat::parseColumn(std::string_view entry) {
    std::string_view rest = text::trimWhitespace(entry);
    TextColumn column;
    column.declared = true;
    if (!rest.empty() && rest.front() == '"') {
        const auto close = rest.find('"', 1);
        if (close == std::string_view::npos) {
            throw std::runtime_error("the column name has no closing double quote");
        }
        column.name = std::string(rest.substr(1, close - 1));
        rest = rest.substr(close + 1);
    } else {
        column.name = std::string(nextWord(rest));
    }
    const std::string_view typeWord = nextWord(rest);
    if (column.name.empty() || typeWord.empty()) {
        throw std::runtime_error("a column entry is a name and a type, e.g. Col1=Name Text");
    }
    const std::optional<TextColumn::Type> type = TextColumn::typeFromName(typeWord);
    if (!type) {
        throw std::runtime_error(std::string(typeWord) +
                                 " is not a column type (Bit, Byte, "
                                 "Short, Long, Currency, Single, Double, DateTime, Text, Memo)");
    }
    column.type = *type;
    // A Date type may carry its pattern after the type word; the section's DateTimeFormat
    // is what the engine reads dates with, so only a Width is taken from the rest.
    while (!rest.empty()) {
        const std::string_view word = nextWord(rest);
        if (text::iequals(word, "Width")) {
            const std::optional<std::size_t> width = parseCount(nextWord(rest));
            if (!width || *width == 0) {
                throw std::runtime_error("Width needs a number of characters above 0");
            }
            column.width = *width;
        }
    }
    return column;
}

std::string TextFormat::headerLine(const std::vector<TextColumn>& columns) const {
    std::string header;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TextColumn& column = columns[i];
        if (layout == Layout::FixedLength) {
            header.append(column.name.substr(0, column.width));
            header.append(
                column.width - std::min(column.width, TextColumn::characterCount(column.name)),
                ' ');
            continue;
        }
        if (i > 0) {
            header.push_back(delimiter);
        }
        if (quote == '\0') {
            header.append(column.name);
        } else {
            header.push_back(quote);
            header.append(column.name);
            header.push_back(quote);
        }
    }
    return header;
}

std::string TextFormat::columnEntry(const TextColumn& column) {
    std::string entry = column.name.find_first_of(" \t") == std::string::npos
                            ? column.name
                            : "\"" + column.name + "\"";
    entry.append(" ").append(TextColumn::typeName(column.type));
    if (column.width > 0) {
        entry.append(" Width ").append(text::decimal(static_cast<long long>(column.width)));
    }
    return entry;
}

TextFormat TextFormat::forFile(const SchemaIni& schema, std::string_view fileName) {
    TextFormat format;
    if (!schema.hasSection(fileName)) {
        return format;
    }
    auto value = [&](std::string_view key) { return schema.value(fileName, key); };

    if (const std::optional<std::string> layout = value("Format")) {
        const std::string_view name = *layout;
        if (text::iequals(name, "CSVDelimited")) {
            format.delimiter = ',';
        } else if (text::iequals(name, "TabDelimited")) {
            format.delimiter = '\t';
        } else if (text::iequals(name, "FixedLength")) {
            format.layout = Layout::FixedLength;
        } else if (text::istartsWith(name, "Delimited(") && name.ends_with(')') &&
                   name.size() == 12 && name[10] != '"' &&
                   static_cast<unsigned char>(name[10]) < 0x80) {
            format.delimiter = name[10];
        } else {
            refuse(fileName, "Format", name,
                   "the format is one of CSVDelimited, TabDelimited, Delimited(x) with one "
                   "ASCII character x other than a double quote, or FixedLength");
        }
    }
    if (const std::optional<std::string> header = value("ColNameHeader")) {
        if (!text::iequals(*header, "True") && !text::iequals(*header, "False")) {
            refuse(fileName, "ColNameHeader", *header, "the value is True or False");
        }
        format.header = text::iequals(*header, "True");
    }
    if (const std::optional<std::string> rows = value("MaxScanRows")) {
        const std::optional<std::size_t> count = parseCount(*rows);
        if (!count) {
            refuse(fileName, "MaxScanRows", *rows, "the value is a number of rows (0: all)");
        }
        format.maxScanRows = *count;
    }
    if (const std::optional<std::string> charset = value("CharacterSet")) {
        const std::optional<Charset> parsed = parseCharset(*charset);
        if (!parsed) {
            refuse(fileName, "CharacterSet", *charset,
                   "the character set is ANSI, OEM, Unicode, 65001 (UTF-8), 1252, 437, 1200 or "
                   "1201");
        }
        format.charset = *parsed;
    }
    if (const std::optional<std::string> dates = value("DateTimeFormat");
        dates && !dates->empty()) {
        format.dates = DateTimeFormat(*dates);
    }
    if (const std::optional<std::string> symbol = value("DecimalSymbol")) {
        if (symbol->size() != 1) {
            refuse(fileName, "DecimalSymbol", *symbol, "the value is one character");
        }
        format.decimalSymbol = symbol->front();
    }
    if (const std::optional<std::string> quote = value("TextDelimiter")) {
        if (text::iequals(*quote, "none")) {
            format.quote = '\0';
        } else if (quote->size() == 1) {
            format.quote = quote->front();
        } else {
            refuse(fileName, "TextDelimiter", *quote, "the value is one character or none");
        }
    }
    for (std::size_t position = 1; position <= MaxColumns; ++position) {
        const std::string key = "Col" + text::decimal(static_cast<long long>(position));
        const std::optional<std::string> entry = value(key);
        if (!entry) {
            continue;
        }
        try {
            if (format.columns.size() < position) {
                format.columns.resize(position);
            }
            format.columns[position - 1] = parseColumn(*entry);
        } catch (const std::runtime_error& error) {
            refuse(fileName, key, *entry, error.what());
        }
    }
    if (format.layout == Layout::FixedLength) {
        if (format.columns.empty()) {
            refuse(fileName, "Format", "FixedLength",
                   "a fixed-length file needs Coln entries with a Width for each column");
        }
        for (std::size_t i = 0; i < format.columns.size(); ++i) {
            if (!format.columns[i].declared || format.columns[i].width == 0) {
                refuse(fileName, "Format", "FixedLength",
                       "Col" + text::decimal(static_cast<long long>(i + 1)) +
                           " needs an entry with a Width in a fixed-length file");
            }
        }
    }
    return format;
}

std::optional<double> TextFormat::parseDate(std::string_view text) const {
    if (dates.pattern() != DateTimeFormat::Default) {
        if (const std::optional<double> serial = dates.parse(text)) {
            return serial;
        }
    }
    return Variant::parseDate(text);
}

}  // namespace kiv::db::files
