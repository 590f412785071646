#include "db/files/TextFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "base/Path.h"
#include "base/Text.h"
#include "db/files/SchemaIni.h"
#include "db/files/TextDefinition.h"
#include "db/files/TextEncoder.h"
#include "db/files/TextVirtualTable.h"

namespace kiv::db::files {

namespace {

constexpr std::array<std::string_view, 4> TableExtensions = {".txt", ".csv", ".tab", ".asc"};

bool isTableFile(std::string_view name) {
    return std::any_of(TableExtensions.begin(), TableExtensions.end(), [&](std::string_view ext) {
        return name.size() > ext.size() && text::iendsWith(name, ext);
    });
}

// `people#csv` for `people.csv`: the form catalogs of the platform name text tables by.
std::string aliasOf(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    std::string alias(fileName);
    alias[dot] = '#';
    return alias;
}

std::string quotedName(std::string_view name) {
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"') {
            quoted.push_back('"');
        }
        quoted.push_back(c);
    }
    return quoted + "\"";
}

void execute(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string description = message != nullptr ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw std::runtime_error(description);
    }
}

// File names in the order the catalog lists them: letter case aside, as on the platform the
// files come from, then exactly, so that the order never depends on the file system.
bool nameBefore(const std::string& a, const std::string& b) {
    const std::string lowerA = text::toLower(a);
    const std::string lowerB = text::toLower(b);
    return lowerA != lowerB ? lowerA < lowerB : a < b;
}

std::vector<std::string> listTableFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (isTableFile(name) && entry->is_regular_file(typeError)) {
            names.push_back(std::move(name));
        }
    }
    std::sort(names.begin(), names.end(), nameBefore);
    return names;
}

// The width a column takes in a new fixed-length file when its type alone is known.
std::size_t fixedWidth(const TextColumn& column, const TextFormat& format) {
    switch (column.type) {
        case TextColumn::Type::Bit:
            return 5;
        case TextColumn::Type::Byte:
            return 3;
        case TextColumn::Type::Short:
            return 6;
        case TextColumn::Type::Long:
            return 11;
        case TextColumn::Type::Single:
            return 15;
        case TextColumn::Type::Currency:
        case TextColumn::Type::Double:
            return 22;
        case TextColumn::Type::DateTime:
            return std::max<std::size_t>(format.dates.pattern().size(), 10);
        default:
            return column.maxLength() > 0 ? column.maxLength() : TextColumn::DefaultTextWidth;
    }
}

// A Coln line of a schema.ini section.
bool isColumnEntry(std::string_view line) {
    const std::string_view key = text::trimWhitespace(line.substr(0, line.find('=')));
    return key.size() > 3 && text::istartsWith(key, "Col") &&
           key.find_first_not_of("0123456789", 3) == std::string_view::npos;
}

[[noreturn]] void failCreate(const std::string& fileName, const std::string& reason) {
    throw std::runtime_error("Cannot create the table " + fileName + ": " + reason);
}

}  // namespace

TextFolder::TextFolder(std::string folder, std::shared_ptr<Notices> notices)
    : folder_(path::fullPath(path::resolveExisting(folder))),
      notices_(std::move(notices)),
      tables_(std::make_shared<TextTableMap>()) {}

void TextFolder::attach(sqlite3* db) {
    TextVirtualTable::registerModule(db, tables_);
}

void TextFolder::refresh(sqlite3* db) {
    const std::vector<std::string> files = listTableFiles(folder_);
    std::vector<std::string> vanished;
    for (const std::string& name : fileNames_) {
        if (!std::binary_search(files.begin(), files.end(), name, nameBefore) &&
            !path::exists(folder_ + "/" + name)) {
            vanished.push_back(name);
        }
    }
    for (const std::string& name : vanished) {
        try {
            dropTable(db, name);
        } catch (const std::runtime_error&) {
            // A statement still reads the table; the next refresh tries again.
        }
    }
    std::optional<SchemaIni> schema;
    for (const std::string& name : files) {
        if (tables_->count(text::toLower(name)) > 0) {
            continue;
        }
        if (!schema) {
            schema.emplace(folder_);
        }
        addTable(db, name, *schema);
    }
}

void TextFolder::addTable(sqlite3* db, const std::string& fileName, const SchemaIni& schema) {
    const auto table = std::make_shared<TextTable>(folder_, fileName, schema, notices_);
    std::vector<std::string> names = {fileName};
    const std::string alias = aliasOf(fileName);
    if (!alias.empty() && tables_->count(text::toLower(alias)) == 0) {
        names.push_back(alias);
    }
    for (const std::string& name : names) {
        (*tables_)[text::toLower(name)] = table;
    }
    // A file SQLite cannot take as a table name (sqlite_...) stays in the map, so that it is
    // not tried again at every refresh, but is not listed.
    for (const std::string& name : names) {
        try {
            execute(db, "CREATE VIRTUAL TABLE temp." + quotedName(name) + " USING " +
                            TextVirtualTable::ModuleName);
        } catch (const std::runtime_error&) {
            if (name == fileName) {
                return;
            }
        }
    }
    fileNames_.insert(std::upper_bound(fileNames_.begin(), fileNames_.end(), fileName, nameBefore),
                      fileName);
}

void TextFolder::dropTable(sqlite3* db, const std::string& fileName) {
    const auto found = tables_->find(text::toLower(fileName));
    if (found == tables_->end()) {
        return;
    }
    const std::shared_ptr<TextTable> table = found->second;
    for (const std::string& name : {fileName, aliasOf(fileName)}) {
        const auto entry = tables_->find(text::toLower(name));
        if (!name.empty() && entry != tables_->end() && entry->second == table) {
            execute(db, "DROP TABLE temp." + quotedName(name));
            tables_->erase(entry);
        }
    }
    std::erase(fileNames_, fileName);
}

void TextFolder::createFile(const std::string& fileName, const std::vector<TextColumn>& columns) {
    SchemaIni schema(folder_);
    TextFormat format;
    std::vector<std::string> lines;
    if (schema.hasSection(fileName)) {
        // A section written beforehand sets the layout of the new file; its columns are
        // those of the statement.
        try {
            format = TextFormat::forFile(schema, fileName);
        } catch (const std::runtime_error& error) {
            failCreate(fileName, error.what());
        }
        for (const std::string& line : schema.lines(fileName)) {
            if (!isColumnEntry(line)) {
                lines.push_back(line);
            }
        }
    } else {
        format.charset = TextFormat::Charset::Utf8;
        lines = {"ColNameHeader=True", "Format=CSVDelimited", "CharacterSet=65001"};
    }
    std::vector<TextColumn> declared = columns;
    for (std::size_t i = 0; i < declared.size(); ++i) {
        if (format.layout == TextFormat::Layout::FixedLength) {
            declared[i].width = fixedWidth(declared[i], format);
        }
        lines.push_back("Col" + text::decimal(static_cast<long long>(i + 1)) + "=" +
                        TextFormat::columnEntry(declared[i]));
    }

    std::string content(TextEncoder::byteOrderMark(format.charset));
    if (format.header) {
        TextEncoder(format.charset).encode(format.headerLine(declared) + "\r\n", content);
    }
    const std::string path = folder_ + "/" + fileName;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        failCreate(fileName, std::strerror(errno));
    }
    const bool written =
        ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlink(path.c_str());
        failCreate(fileName, std::strerror(writeError));
    }
    schema.setSection(fileName, std::move(lines));
    try {
        schema.save();
    } catch (const std::runtime_error& error) {
        ::unlink(path.c_str());
        failCreate(fileName, error.what());
    }
}

bool TextFolder::executeDefinition(sqlite3* db, std::string_view sql) {
    const std::optional<TextDefinition> definition = TextDefinition::parse(sql);
    if (!definition) {
        return false;
    }
    refresh(db);
    const std::string& requested = definition->fileName;
    const std::string existing = path::resolveExisting(folder_ + "/" + requested);
    if (definition->kind == TextDefinition::Kind::Create) {
        if (path::exists(existing) || tables_->count(text::toLower(requested)) > 0) {
            failCreate(requested, "a table of that name exists already.");
        }
        createFile(requested, definition->columns);
        addTable(db, requested, SchemaIni(folder_));
        return true;
    }

    const auto known = tables_->find(text::toLower(requested));
    if (known == tables_->end() && !path::exists(existing)) {
        throw std::runtime_error("Cannot drop the table " + requested +
                                 ": there is no such table.");
    }
    const std::string fileName =
        known != tables_->end() ? known->second->fileName() : path::fileNameOf(existing);
    try {
        dropTable(db, fileName);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error("Cannot drop the table " + fileName + ": " + error.what());
    }
    if (::unlink((folder_ + "/" + fileName).c_str()) != 0 && errno != ENOENT) {
        throw std::runtime_error("Cannot drop the table " + fileName + ": " + std::strerror(errno));
    }
    SchemaIni schema(folder_);
    if (schema.hasSection(fileName)) {
        schema.removeSection(fileName);
        schema.save();
    }
    return true;
}

std::vector<std::string> TextFolder::tableNames() const {
    return fileNames_;
}

std::shared_ptr<TextTable> TextFolder::table(std::string_view name) const {
    const auto found = tables_->find(text::toLower(name));
    return found == tables_->end() ? nullptr : found->second;
}

}  // namespace kiv::db::files
