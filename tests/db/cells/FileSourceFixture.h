#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/Constants.h"
#include "db/Error.h"
#include "db/ErrorOf.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace kiv::db::testing {

// A connection of the program to a file source (a workbook, an HTML file, an Access database)
// and ways to look at what it reads: rows as texts, field types, the catalog.
class FileSourceFixture : public ::testing::Test {
protected:
    using Rows = std::vector<std::vector<std::string>>;

    void open(const std::string& connectString) {
        connection_ = std::make_shared<Connection>();
        connection_->Open(connectString);
    }

    std::shared_ptr<Recordset> query(const std::string& sql) {
        auto recordset = std::make_shared<Recordset>();
        recordset->Open(sql, connection_, adOpenForwardOnly, adLockReadOnly, adCmdText);
        return recordset;
    }

    // Every row of a statement, each value as its text ("NULL" for Null).
    Rows rows(const std::string& sql) {
        Rows result;
        const std::shared_ptr<Recordset> recordset = query(sql);
        for (; !recordset->EOF(); recordset->MoveNext()) {
            std::vector<std::string> row;
            for (const auto& field : recordset->Fields()) {
                const Variant& value = field->Value();
                row.push_back(value.isNull() ? "NULL" : value.toText());
            }
            result.push_back(std::move(row));
        }
        return result;
    }

    // The kinds of the values of a statement's first row.
    std::vector<Variant::Kind> kinds(const std::string& sql) {
        std::vector<Variant::Kind> result;
        const std::shared_ptr<Recordset> recordset = query(sql);
        for (const auto& field : recordset->Fields()) {
            result.push_back(field->Value().kind());
        }
        return result;
    }

    // "name type size" for every field of a statement.
    std::vector<std::string> fields(const std::string& sql) {
        std::vector<std::string> result;
        const std::shared_ptr<Recordset> recordset = query(sql);
        for (const auto& field : recordset->Fields()) {
            result.push_back(field->Name() + " " + std::to_string(field->Type()) + " " +
                             std::to_string(field->DefinedSize()));
        }
        return result;
    }

    // "name:type" of every table of the catalog, in its order.
    std::vector<std::string> tables() {
        Catalog catalog;
        catalog.ActiveConnection(connection_);
        std::vector<std::string> result;
        for (const auto& table : catalog.Tables()) {
            result.push_back(table->Name() + ":" + table->Type());
        }
        return result;
    }

    TempDir folder_;
    std::shared_ptr<Connection> connection_;
};

}  // namespace kiv::db::testing
