#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/files/TextTable.h"

namespace kiv::db::files {

class SchemaIni;

// The text files of one folder as tables of an SQLite database: every file with the extension
// txt, csv, tab or asc (letter case ignored) is a virtual table in the database's temp schema,
// named by its file name (`[people.csv]`) and also as `[people#csv]`. A folder serves one
// database.
class TextFolder {
public:
    // The folder may be written with `\` and in another letter case than on disk.
    explicit TextFolder(std::string folder);

    // Registers the virtual-table module on the database. Throws std::runtime_error.
    void attach(sqlite3* db);
    // Makes the tables of files that have come into the folder and forgets those of files
    // that have left it. Cheap when nothing changed, so it runs before every statement: a
    // file added while the connection is open is found by the next statement naming it.
    // Throws std::runtime_error when a table cannot be made.
    void refresh(sqlite3* db);
    // Carries out CREATE TABLE (a new file with its header line and a schema.ini section) or
    // DROP TABLE (the file and its section deleted). False when the statement is neither;
    // throws std::runtime_error with a description when it fails.
    bool executeDefinition(sqlite3* db, std::string_view sql);
    // The file names of the tables for the catalog, sorted without regard to letter case.
    std::vector<std::string> tableNames() const;
    // The table of one of its SQL names (letter case ignored); empty for an unknown name.
    std::shared_ptr<TextTable> table(std::string_view name) const;

private:
    void addTable(sqlite3* db, const std::string& fileName, const SchemaIni& schema);
    void dropTable(sqlite3* db, const std::string& fileName);
    void createFile(const std::string& fileName, const std::vector<TextColumn>& columns);

    std::string folder_;
    std::shared_ptr<TextTableMap> tables_;
    std::vector<std::string> fileNames_;  // sorted as the catalog lists them
};

}  // namespace kiv::db::files
