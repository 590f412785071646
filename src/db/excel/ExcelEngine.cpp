#include "db/excel/ExcelEngine.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "base/Path.h"
#include "base/Text.h"
#include "db/Constants.h"
#include "db/Engine.h"
#include "db/cells/CellEngine.h"
#include "db/cells/DamagedFiles.h"
#include "db/cells/FileSource.h"
#include "db/cells/ReaderProcess.h"
#include "db/excel/HeldSheet.h"
#include "db/excel/SheetTableBuilder.h"
#include "db/excel/WorkbookTransfer.h"
#include "db/excel/WorkbookWriteEngine.h"
#include "db/excel/XlsPackage.h"
#include "db/excel/XlsReader.h"
#include "db/excel/XlsxPackage.h"
#include "db/excel/XlsxReader.h"

namespace kiv::db::excel {

using cells::CellEngine;
using cells::FileSource;

namespace {

const FileSource Source{"Kiv.Excel", "[Kiv][Excel]", "Excel workbook"};

constexpr std::string_view ZipSignature = "PK\x03\x04";
constexpr std::string_view CompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

std::string signatureOf(const std::string& path) {
    std::array<char, 8> bytes{};
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), bytes.size());
    return std::string(bytes.data(), static_cast<std::size_t>(in.gcount()));
}

// The library that reads .xls files is not safe from damaged ones: it reads them in a process
// of its own, and a file it failed on fails again at once.
Workbook readXls(const std::string& path) {
    if (const std::optional<std::string> failure = cells::DamagedFiles::failure(path)) {
        throw std::runtime_error(*failure);
    }
    try {
        cells::ReaderProcess reader(
            [&](cells::ReaderProcess::Output& output) {
                WorkbookTransfer::send(XlsReader::read(path), output);
            },
            cells::ReaderProcess::limitsFor(path));
        return WorkbookTransfer::receive(reader);
    } catch (const std::runtime_error& failure) {
        cells::DamagedFiles::remember(path, failure.what());
        throw;
    }
}

// The sheets of an .xlsx workbook are read from the file at each scan, those of an .xls
// workbook held.
Workbook readWorkbook(const std::string& path) {
    const std::string signature = signatureOf(path);
    try {
        if (signature.starts_with(ZipSignature)) {
            return XlsxReader::read(path);
        }
        if (signature.starts_with(CompoundFileSignature)) {
            return readXls(path);
        }
    } catch (const std::runtime_error& failure) {
        throw Source.error("Cannot read the workbook '" + path + "': " + failure.what() + ".");
    }
    throw Source.error("The file '" + path + "' is not an Excel workbook (.xls or .xlsx).");
}

bool plainName(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '$';
    });
}

// `'My Sheet$'`: the form catalogs of the platform name sheets whose names need quotes by.
std::string quotedSheet(std::string_view tableName) {
    return "'" + text::replaceAll(tableName, "'", "''") + "'";
}

bool isXlsx(const std::string& path, const std::string& signature) {
    return signature.empty() ? text::iendsWith(path, ".xlsx") || text::iendsWith(path, ".xlsm")
                             : signature.starts_with(ZipSignature);
}

// A workbook opened for writing: an .xlsx file, or a new one of either format.
std::shared_ptr<Engine> writer(const std::string& resolved, bool exists, bool header) {
    const bool xls = text::iendsWith(resolved, ".xls");
    if (!exists && !xls && !isXlsx(resolved, {})) {
        throw Source.error("The workbook '" + resolved +
                           "' does not exist; a new workbook is written in the .xlsx format when "
                           "its name ends in .xlsx, in the .xls format when it ends in .xls.");
    }
    const std::string path = path::fullPath(resolved);
    // The workbook is written when the connection closes, where a failure can no longer fail
    // the step that loaded it: a folder that is not there is said now.
    if (const std::string folder = path::directoryOf(path);
        !exists && !folder.empty() && !path::isDirectory(folder)) {
        throw Source.error("The workbook '" + path + "' cannot be created: the folder '" + folder +
                           "' does not exist.");
    }
    if (!exists && xls) {
        return std::make_shared<WorkbookWriteEngine>(Source, path, Workbook{}, header,
                                                     std::make_shared<XlsPackage>(path));
    }
    Workbook workbook = exists ? readWorkbook(path) : Workbook{};
    std::shared_ptr<WorkbookPackage> package;
    try {
        package = std::make_shared<XlsxPackage>(path, workbook, exists);
    } catch (const std::runtime_error& error) {
        throw Source.error("Cannot read the workbook '" + path + "': " + error.what() + ".");
    }
    return std::make_shared<WorkbookWriteEngine>(Source, path, std::move(workbook), header,
                                                 std::move(package));
}

}  // namespace

std::shared_ptr<Engine> ExcelEngine::open(const ConnectString& parts, long mode) {
    const bool header = FileSource::firstRowHasNames(parts, true);
    const bool writable = (mode & adModeReadWrite) != adModeRead;
    const std::optional<std::string> source = parts.value("Data Source");
    if (writable && source && !source->empty()) {
        const std::string resolved = path::resolveExisting(*source);
        const bool exists = path::exists(resolved);
        if (!exists || isXlsx(resolved, signatureOf(resolved))) {
            return writer(resolved, exists, header);
        }
    }
    const std::string path = Source.path(parts);
    const std::string refusal =
        writable ? "The workbook '" + path +
                       "' is an existing .xls file, which can be read but not changed on this "
                       "platform (only a new .xls workbook is written); rows can be added to a "
                       "workbook in the .xlsx format"
                 : "The connection to the workbook '" + path + "' is read-only";
    return serve(readWorkbook(path), path, header, FileSource::modified(path), refusal);
}

std::shared_ptr<Engine> ExcelEngine::serve(const Workbook& workbook, const std::string& path,
                                           bool header, const Variant& modified,
                                           std::string refusal, cells::CellChanges* changes) {
    std::vector<HeldSheet> held;
    held.reserve(workbook.sheets.size());
    std::vector<const SheetSource*> sheets;
    for (const Workbook::Sheet& sheet : workbook.sheets) {
        sheets.push_back(sheet.file ? sheet.file.get() : &held.emplace_back(sheet));
    }
    std::vector<CellEngine::NamedTable> tables;
    std::vector<CatalogEntry> catalog;
    try {
        for (const Workbook::Name& name : workbook.names) {
            tables.emplace_back(name.name, SheetTableBuilder::build(name.name, *sheets[name.sheet],
                                                                    name.range, header));
            catalog.push_back(CatalogEntry{name.name, "TABLE", modified, modified});
        }
        for (const SheetSource* sheet : sheets) {
            const std::string name = sheet->name() + "$";
            const auto table = SheetTableBuilder::build(name, *sheet, sheet->usedRange(), header);
            tables.emplace_back(name, table);
            if (!plainName(name)) {
                tables.emplace_back(quotedSheet(name), table);
            }
            catalog.push_back(CatalogEntry{name, "TABLE", modified, modified});
        }
    } catch (const std::runtime_error& failure) {
        throw Source.error(failure.what());
    }
    std::sort(catalog.begin(), catalog.end(), [](const CatalogEntry& a, const CatalogEntry& b) {
        return text::toLower(a.name) < text::toLower(b.name);
    });
    return CellEngine::open(Source, path, tables, std::move(catalog), std::move(refusal), changes);
}

}  // namespace kiv::db::excel
