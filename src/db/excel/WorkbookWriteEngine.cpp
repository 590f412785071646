#include "db/excel/WorkbookWriteEngine.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <utility>

#include "base/Text.h"
#include "db/Constants.h"
#include "db/excel/ExcelEngine.h"
#include "db/excel/WorkbookTableWriter.h"
#include "db/files/TextDefinition.h"

namespace kiv::db::excel {

namespace {

// The name a statement gives a sheet: `Sheet1$`, `'My Sheet$'` or a bare name; quotes and the
// `$` taken off.
std::string sheetName(std::string_view table) {
    std::string name(table);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') {
        name = text::replaceAll(name.substr(1, name.size() - 2), "''", "'");
    }
    if (!name.empty() && name.back() == '$') {
        name.pop_back();
    }
    return name;
}

bool startsWithWord(std::string_view sql, std::string_view word) {
    const std::string_view trimmed = text::trimWhitespace(sql);
    return text::istartsWith(trimmed, word) &&
           (trimmed.size() == word.size() ||
            !std::isalnum(static_cast<unsigned char>(trimmed[word.size()])));
}

// A value as the cell it becomes in the workbook.
cells::Cell cellOf(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
        case Variant::Kind::Null:
            return cells::Cell();
        case Variant::Kind::Text:
            return cells::Cell::ofText(std::string(value.textView()));
        case Variant::Kind::Boolean:
            return cells::Cell::ofNumber(value.toBool() ? 1 : 0, cells::Cell::Kind::Boolean);
        case Variant::Kind::Date:
            return cells::Cell::ofNumber(value.toDate(), cells::Cell::Kind::Date);
        default:
            return cells::Cell::ofNumber(value.toDouble());
    }
}

// What a sheet's name cannot hold, and how long it may be.
constexpr std::string_view ForbiddenInSheetNames = "[]:*?/\\";
constexpr std::size_t LongestSheetName = 31;

}  // namespace

WorkbookWriteEngine::WorkbookWriteEngine(const cells::FileSource& source, std::string path,
                                         Workbook workbook, bool header,
                                         std::shared_ptr<WorkbookPackage> package)
    : source_(source),
      path_(std::move(path)),
      workbook_(std::move(workbook)),
      header_(header),
      modified_(cells::FileSource::modified(path_)),
      package_(std::move(package)) {
    rebuild();
}

Error WorkbookWriteEngine::failure(const std::string& description) const {
    return Error(adErrEngineFailure, source_.provider, "HY000", 0, source_.tag + description);
}

void WorkbookWriteEngine::rebuild() {
    reader_ = ExcelEngine::serve(
        workbook_, path_, header_, modified_,
        "Only a data load, INSERT, CREATE TABLE and DROP TABLE change the workbook '" + path_ + "'",
        this);
}

std::unique_ptr<Cursor> WorkbookWriteEngine::execute(std::string_view sql, long& recordsAffected) {
    if (startsWithWord(sql, "DELETE")) {
        throw failure("Deleting data in a linked table is not supported by this ISAM.");
    }
    if (define(sql)) {
        recordsAffected = 0;
        return nullptr;
    }
    std::unique_ptr<Cursor> cursor = reader_->execute(sql, recordsAffected);
    if (std::exchange(cellsChanged_, false)) {
        rebuild();
    }
    return cursor;
}

std::unique_ptr<PreparedStatement> WorkbookWriteEngine::prepare(std::string_view sql) {
    if (startsWithWord(sql, "DELETE")) {
        throw failure("Deleting data in a linked table is not supported by this ISAM.");
    }
    return reader_->prepare(sql);
}

bool WorkbookWriteEngine::define(std::string_view sql) {
    std::optional<files::TextDefinition> definition;
    try {
        definition = files::TextDefinition::parse(sql);
    } catch (const std::runtime_error& error) {
        throw failure(error.what());
    }
    if (!definition) {
        return false;
    }
    const std::string name = sheetName(definition->fileName);
    if (definition->kind == files::TextDefinition::Kind::Drop) {
        const std::size_t sheet = sheetOf(definition->fileName);
        package_->clearSheet(sheet);
        for (Workbook::Sheet& read : workbook_.sheets) {
            if (text::iequals(read.name, package_->sheetName(sheet))) {
                read.rows.clear();
                read.file.reset();
            }
        }
        rebuild();
        return true;
    }
    if (name.empty() || name.size() > LongestSheetName ||
        name.find_first_of(ForbiddenInSheetNames) != std::string::npos) {
        throw failure("Cannot create the sheet '" + name +
                      "': a sheet's name has 1 to 31 characters, none of them [ ] : * ? / \\.");
    }
    std::vector<std::string> columns;
    for (const files::TextColumn& column : definition->columns) {
        columns.push_back(column.name);
    }
    makeSheet(name, columns);
    return true;
}

// A sheet that holds no cell (one DROP TABLE cleared) takes the names into its first row;
// one that holds cells is refused.
void WorkbookWriteEngine::makeSheet(const std::string& name,
                                    const std::vector<std::string>& columns) {
    const std::optional<std::size_t> existing = package_->sheet(name);
    auto read =
        std::find_if(workbook_.sheets.begin(), workbook_.sheets.end(),
                     [&](const Workbook::Sheet& sheet) { return text::iequals(sheet.name, name); });
    if (existing && (read == workbook_.sheets.end() || read->usedRange())) {
        throw failure("Cannot create the sheet '" + name +
                      "': the workbook has a sheet of that name already.");
    }
    std::vector<cells::Cell> header;
    std::vector<Variant> values;
    for (const std::string& column : columns) {
        header.push_back(cells::Cell::ofText(column));
        values.emplace_back(column);
    }
    try {
        if (existing) {
            package_->addRow(*existing, 0, values, columns);
        } else {
            package_->addSheet(name, columns);
        }
    } catch (const std::runtime_error& error) {
        throw failure("Cannot create the sheet '" + name + "': " + error.what());
    }
    if (read == workbook_.sheets.end()) {
        read = workbook_.sheets.insert(workbook_.sheets.end(), Workbook::Sheet{name, {}, nullptr});
    }
    read->rows = {std::move(header)};
    read->file = nullptr;
    const CellRange range{0, 0, CellRange::Unbounded, columns.empty() ? 0 : columns.size() - 1};
    const std::size_t index = static_cast<std::size_t>(read - workbook_.sheets.begin());
    auto named =
        std::find_if(workbook_.names.begin(), workbook_.names.end(),
                     [&](const Workbook::Name& known) { return text::iequals(known.name, name); });
    if (named == workbook_.names.end()) {
        workbook_.names.push_back(Workbook::Name{name, index, range});
    } else {
        *named = Workbook::Name{name, index, range};
    }
    rebuild();
}

std::size_t WorkbookWriteEngine::sheetOf(std::string_view table) const {
    if (const std::optional<std::size_t> sheet = package_->sheet(sheetName(table))) {
        return *sheet;
    }
    throw failure("The workbook '" + path_ + "' has no sheet " + std::string(table) + ".");
}

WorkbookWriteEngine::Target WorkbookWriteEngine::targetOf(std::string_view table) const {
    const std::size_t names = header_ ? 1 : 0;
    for (const Workbook::Name& name : workbook_.names) {
        if (text::iequals(name.name, table)) {
            return Target{sheetOf(workbook_.sheets[name.sheet].name), name.range.firstColumn,
                          name.range.firstRow + names};
        }
    }
    Target target{sheetOf(table), 0, names};
    for (const Workbook::Sheet& read : workbook_.sheets) {
        if (text::iequals(read.name, package_->sheetName(target.sheet)) && read.usedRange()) {
            target.firstColumn = read.usedRange()->firstColumn;
            target.firstRow = read.usedRange()->firstRow + names;
        }
    }
    return target;
}

void WorkbookWriteEngine::update(const cells::CellTable& table, std::size_t row,
                                 const std::vector<std::optional<Variant>>& values) {
    const Target target = targetOf(table.name());
    const std::size_t sheetRow = target.firstRow + row;
    Workbook::Sheet* read = nullptr;
    for (Workbook::Sheet& candidate : workbook_.sheets) {
        read = text::iequals(candidate.name, package_->sheetName(target.sheet)) ? &candidate : read;
    }
    if (read != nullptr) {
        // The cells changed are shown by the statements that follow: the sheet is held.
        try {
            read->hold();
        } catch (const std::runtime_error& error) {
            throw std::runtime_error("Cannot change cells of the workbook '" + path_ +
                                     "': " + error.what());
        }
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i]) {
            continue;
        }
        const std::size_t column = target.firstColumn + i;
        package_->setCell(target.sheet, sheetRow, column, *values[i], table.columns()[i].name);
        if (read != nullptr && sheetRow < read->rows.size()) {
            std::vector<cells::Cell>& cells = read->rows[sheetRow];
            cells.resize(std::max(cells.size(), column + 1));
            cells[column] = cellOf(*values[i]);
        }
    }
    cellsChanged_ = true;
}

std::unique_ptr<TableWriter> WorkbookWriteEngine::openTable(std::string_view table) {
    const Target target = targetOf(table);
    return std::make_unique<WorkbookTableWriter>(
        package_, target.sheet, target.firstColumn, tableColumns(table),
        failure("Cannot add the row to " + std::string(table) + ": "));
}

void WorkbookWriteEngine::insert(const cells::CellTable& table,
                                 const std::vector<Variant>& values) {
    const Target target = targetOf(table.name());
    std::vector<std::string> names;
    for (const cells::CellColumn& column : table.columns()) {
        names.push_back(column.name);
    }
    package_->addRow(target.sheet, target.firstColumn, values, names);
}

std::vector<ColumnInfo> WorkbookWriteEngine::tableColumns(std::string_view table) {
    std::vector<ColumnInfo> columns = reader_->tableColumns(table);
    if (columns.empty() && package_->sheet(sheetName(table))) {
        columns = reader_->tableColumns(sheetName(table) + "$");
    }
    return columns;
}

void WorkbookWriteEngine::close() {
    try {
        package_->save();
    } catch (const std::runtime_error& error) {
        throw failure("Cannot save the workbook '" + path_ + "': " + error.what() +
                      "; the file was left as it was.");
    }
}

}  // namespace kiv::db::excel
