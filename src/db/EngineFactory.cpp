#include "db/EngineFactory.h"

#include <optional>
#include <string>

#include "base/Path.h"
#include "base/Text.h"
#include "db/ConnectString.h"
#include "db/Constants.h"
#include "db/Engine.h"
#include "db/Error.h"
#include "db/Notices.h"
#include "db/TextFolderHooks.h"
#include "db/access/AccessEngine.h"
#include "db/excel/ExcelEngine.h"
#include "db/html/HtmlEngine.h"
#include "db/odbc/OdbcEngine.h"
#include "db/postgres/PgEngine.h"
#include "db/sqlite/SqliteEngine.h"

namespace kiv::db {

namespace {

constexpr const char* Source = "Kiv.Connection";

[[noreturn]] void unsupported(const std::string& description) {
    throw Error(adErrProviderNotFound, Source, "IM002", 0, "[Kiv]" + description);
}

bool containsIgnoringCase(std::string_view text, std::string_view part) {
    return text::toLower(text).find(text::toLower(part)) != std::string::npos;
}

std::shared_ptr<Engine> openSqlite(const ConnectString& parts, long mode, Notices& notices) {
    const std::optional<std::string> source = parts.value("Data Source");
    if (!source || source->empty()) {
        throw Error(adErrEngineFailure, "Kiv.SQLite", "08001", 0,
                    "[Kiv][SQLite]The connect string names no database file (Data Source).");
    }
    const bool readOnly = (mode & adModeReadWrite) == adModeRead;
    const std::string file = path::fullPath(path::resolveExisting(*source));
    // A missing file is created only for a connection meant to be written to: anywhere else a
    // mistyped name would quietly read an empty database.
    const bool missing = *source != ":memory:" && !path::exists(file);
    if (missing && (readOnly || text::iequals(parts.value("FailIfMissing").value_or(""), "True"))) {
        throw Error(adErrEngineFailure, "Kiv.SQLite", "08001", 0,
                    "[Kiv][SQLite]The database file '" + file + "' does not exist.");
    }
    std::shared_ptr<Engine> engine = sqlite::SqliteEngine::openFile(file, readOnly);
    if (missing) {
        notices.add(Notices::Kind::Information, "created new database file " + file);
    }
    return engine;
}

std::shared_ptr<Engine> openTextFolder(const ConnectString& parts, long mode,
                                       const std::shared_ptr<Notices>& notices) {
    std::string folder = parts.value("DBQ").value_or("");
    if (folder.empty()) {
        folder = parts.value("DefaultDir").value_or("");
    }
    if (folder.empty()) {
        folder = path::currentDirectory();
    }
    const std::string resolved = path::resolveExisting(folder);
    if (!path::isDirectory(resolved)) {
        // A text connection names the folder that holds the files, not a file.
        throw Error(adErrEngineFailure, "Kiv.Text", "08001", 0,
                    path::exists(resolved)
                        ? "[Kiv][Text]'" + folder +
                              "' is a file, not a folder: a text connection's Database names the "
                              "folder that holds its files, which the steps name as tables."
                        : "[Kiv][Text]The folder '" + folder + "' does not exist.");
    }
    auto engine = std::make_shared<sqlite::SqliteEngine>(
        sqlite::SqliteDatabase::openMemory("Kiv.Text", "[Kiv][Text]"),
        (mode & adModeReadWrite) == adModeRead, std::make_unique<TextFolderHooks>(folder, notices));
    // The folder's tables are made now, so a folder that cannot be read fails to open.
    engine->runHooks();
    return engine;
}

}  // namespace

std::shared_ptr<Engine> EngineFactory::open(std::string_view connectString, long mode,
                                            const std::shared_ptr<Notices>& notices) {
    const ConnectString parts(connectString);
    if (const std::optional<std::string> driver = parts.value("Driver")) {
        if (containsIgnoringCase(*driver, "Text Driver")) {
            return openTextFolder(parts, mode, notices);
        }
        return odbc::OdbcEngine::open(connectString, mode);
    }
    if (parts.value("DSN")) {
        return odbc::OdbcEngine::open(connectString, mode);
    }
    const std::optional<std::string> provider = parts.value("Provider");
    if (!provider) {
        unsupported(connectString.empty() ? "The connect string is empty."
                                          : "The connect string names no provider or driver.");
    }
    if (text::iequals(*provider, "SQLite") || text::iequals(*provider, "Kiv.SQLite")) {
        return openSqlite(parts, mode, *notices);
    }
    if (text::iequals(*provider, "PostgreSQL")) {
        return postgres::PgEngine::open(parts, mode);
    }
    if (text::istartsWith(*provider, "Microsoft.Jet.OLEDB") ||
        text::istartsWith(*provider, "Microsoft.ACE.OLEDB")) {
        const std::string properties = parts.value("Extended Properties").value_or("");
        if (containsIgnoringCase(properties, "Excel")) {
            return excel::ExcelEngine::open(parts, mode);
        }
        if (containsIgnoringCase(properties, "HTML Import")) {
            return html::HtmlEngine::open(parts);
        }
        return access::AccessEngine::open(parts);
    }
    unsupported("The provider '" + *provider + "' is not supported.");
}

}  // namespace kiv::db
