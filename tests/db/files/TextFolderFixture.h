#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "db/Notices.h"
#include "db/files/TextFolder.h"

namespace kiv::db::files::testing {

// A temporary folder of text files and an in-memory database with the folder's tables, used
// the way a text connection uses them: refresh before every statement.
class TextFolderFixture : public ::testing::Test {
public:
    using Rows = std::vector<std::vector<std::string>>;

protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "kivtext-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        ASSERT_EQ(
            sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
            SQLITE_OK);
    }

    void TearDown() override {
        engine_.reset();
        sqlite3_close(db_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    void write(const std::string& name, const std::string& bytes) {
        std::ofstream out(folder_ + "/" + name, std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    std::string read(const std::string& name) const {
        std::ifstream in(folder_ + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    bool exists(const std::string& name) const {
        return std::filesystem::exists(folder_ + "/" + name);
    }

    TextFolder& engine() {
        if (!engine_) {
            engine_ = std::make_unique<TextFolder>(folder_, notices_);
            engine_->attach(db_);
        }
        return *engine_;
    }

    // Runs a statement with optional text parameters; the rows as texts ("NULL" for NULL).
    // A failure is recorded in error_ and gives no rows.
    Rows query(const std::string& sql, const std::vector<std::string>& parameters = {}) {
        error_.clear();
        Rows rows;
        try {
            engine().refresh(db_);
            if (engine().executeDefinition(db_, sql)) {
                return rows;
            }
        } catch (const std::exception& failure) {
            error_ = failure.what();
            return rows;
        }
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            error_ = sqlite3_errmsg(db_);
            return rows;
        }
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].c_str(), -1,
                              SQLITE_TRANSIENT);
        }
        int result;
        while ((result = sqlite3_step(statement)) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                row.emplace_back(text == nullptr ? "NULL" : text);
            }
            rows.push_back(std::move(row));
        }
        if (result != SQLITE_DONE) {
            error_ = sqlite3_errmsg(db_);
        }
        sqlite3_finalize(statement);
        return rows;
    }

    // Runs a statement that must succeed.
    Rows run(const std::string& sql, const std::vector<std::string>& parameters = {}) {
        Rows rows = query(sql, parameters);
        EXPECT_EQ(error_, "") << sql;
        return rows;
    }

    // The SQL types the table declares for its columns.
    std::vector<std::string> declaredTypes(const std::string& table) {
        engine().refresh(db_);
        std::vector<std::string> types;
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT * FROM [" + table + "]";
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_);
            return types;
        }
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const char* type = sqlite3_column_decltype(statement, i);
            types.emplace_back(type == nullptr ? "" : type);
        }
        sqlite3_finalize(statement);
        return types;
    }

    // The SQLite storage classes of the first row of a query: "integer", "real", "text",
    // "null".
    std::vector<std::string> storageClasses(const std::string& sql) {
        engine().refresh(db_);
        std::vector<std::string> classes;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK ||
            sqlite3_step(statement) != SQLITE_ROW) {
            ADD_FAILURE() << sqlite3_errmsg(db_);
            sqlite3_finalize(statement);
            return classes;
        }
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            switch (sqlite3_column_type(statement, i)) {
                case SQLITE_INTEGER:
                    classes.emplace_back("integer");
                    break;
                case SQLITE_FLOAT:
                    classes.emplace_back("real");
                    break;
                case SQLITE_TEXT:
                    classes.emplace_back("text");
                    break;
                default:
                    classes.emplace_back("null");
                    break;
            }
        }
        sqlite3_finalize(statement);
        return classes;
    }

    std::vector<std::string> columnNames(const std::string& table) {
        Rows rows = run("SELECT name FROM pragma_table_info('" + table + "')");
        std::vector<std::string> names;
        for (const auto& row : rows) {
            names.push_back(row[0]);
        }
        return names;
    }

    std::string folder_;
    std::shared_ptr<Notices> notices_ = std::make_shared<Notices>();
    sqlite3* db_ = nullptr;
    std::unique_ptr<TextFolder> engine_;
    std::string error_;
};

}  // namespace kiv::db::files::testing
