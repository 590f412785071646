#include "connections/CatalogListing.h"

#include <utility>

#include "base/Text.h"
#include "connections/KivConnectionType.h"
#include "db/Catalog.h"

namespace kiv {

namespace {

constexpr std::pair<long, std::string_view> kTypeNames[] = {
    {2, "SMALLINT"},          {3, "INTEGER"},         {4, "SINGLE"},          {5, "DOUBLE"},
    {6, "CURRENCY"},          {7, "DATE"},            {8, "BSTR"},            {11, "BOOLEAN"},
    {12, "VARIANT"},          {14, "DECIMAL"},        {16, "TINYINT"},        {17, "UNSIGNEDTINYINT"},
    {18, "UNSIGNEDSMALLINT"}, {19, "UNSIGNEDINTEGER"}, {20, "BIGINT"},        {21, "UNSIGNEDBIGINT"},
    {72, "GUID"},             {128, "BINARY"},        {129, "CHAR"},          {130, "WCHAR"},
    {131, "NUMERIC"},         {132, "USERDEFINED"},   {133, "DBDATE"},        {134, "DBTIME"},
    {135, "DBTIMESTAMP"},     {200, "VARCHAR"},       {201, "LONGVARCHAR"},   {202, "VARWCHAR"},
    {203, "LONGVARWCHAR"},    {204, "VARBINARY"},     {205, "LONGVARBINARY"},
};

bool listsCatalog(std::int32_t type) { return type >= kctTextFile && type <= kctPostgreSQL; }

// A new client-side, in-memory recordset with the listing's fields, opened and empty.
std::shared_ptr<db::Recordset> openListing(
    std::initializer_list<std::tuple<const char*, long, long, bool>> fields) {
    auto listing = std::make_shared<db::Recordset>();
    listing->CursorLocation(db::adUseClient);
    for (const auto& [name, type, size, nullable] : fields) {
        listing->Fields().Append(name, type, size,
                                 nullable ? db::adFldIsNullable : db::adFldUnspecified);
    }
    listing->Open({}, {}, db::adOpenStatic, db::adLockBatchOptimistic);
    return listing;
}

void setValue(db::Recordset& listing, const char* field, const Variant& value) {
    listing.Fields().Item(field)->Value(value);
}

// Commits the rows added and moves to the first one when there is any.
void finish(db::Recordset& listing, std::int32_t recordNumber) {
    listing.UpdateBatch(db::adAffectAll);
    if (recordNumber > 0) {
        listing.MoveFirst();
    }
}

}  // namespace

std::string CatalogListing::ColumnTypeName(long code) {
    for (const auto& [number, name] : kTypeNames) {
        if (number == code) {
            return std::string(name);
        }
    }
    return "UNKNOWN (" + text::decimal(code) + ")";
}

std::shared_ptr<db::Recordset> CatalogListing::Catalog(
    const std::shared_ptr<db::Connection>& connection, std::int32_t connectionType) {
    auto listing = openListing({{"RecordNumber", db::adInteger, 0, false},
                                {"Name", db::adVarChar, 255, false},
                                {"Type", db::adVarChar, 32, false},
                                {"DateCreated", db::adDate, 0, true},
                                {"DateModified", db::adDate, 0, true}});
    std::int32_t recordNumber = 0;
    if (!listsCatalog(connectionType)) {
        return listing;
    }
    if (connectionType == kctSQLServer || connectionType == kctODBC ||
        connectionType == kctPostgreSQL) {
        connection->Errors().Clear();
    }
    db::Catalog catalog;
    catalog.ActiveConnection(connection);
    auto add = [&](const std::string& name, const std::string& type, const Variant& created,
                   const Variant& modified) {
        listing->AddNew();
        setValue(*listing, "RecordNumber", Variant(++recordNumber));
        setValue(*listing, "Name", Variant(name));
        setValue(*listing, "Type", Variant(type));
        setValue(*listing, "DateCreated", created);
        setValue(*listing, "DateModified", modified);
        listing->Update();
    };
    for (const auto& table : catalog.Tables()) {
        if (table->Type() != "VIEW") {
            add(table->Name(), table->Type(), table->DateCreated(), table->DateModified());
        }
    }
    listing->UpdateBatch(db::adAffectAll);
    if (ListsViewsLikeAccess(connectionType)) {
        for (const auto& view : catalog.Views()) {
            add(view->Name(), "VIEW", view->DateCreated(), view->DateModified());
        }
        listing->UpdateBatch(db::adAffectAll);
    }
    if (ListsProcedures(connectionType)) {
        for (const auto& procedure : catalog.Procedures()) {
            add(procedure->Name(), "PROCEDURE", Variant::Null(), Variant::Null());
        }
        listing->UpdateBatch(db::adAffectAll);
    }
    catalog.ActiveConnection(nullptr);
    finish(*listing, recordNumber);
    return listing;
}

std::shared_ptr<db::Recordset> CatalogListing::TableStructure(
    const std::shared_ptr<db::Connection>& connection, std::int32_t connectionType,
    std::string_view table) {
    auto listing = openListing({{"RecordNumber", db::adInteger, 0, false},
                                {"TableName", db::adVarChar, 255, false},
                                {"ColumnName", db::adVarChar, 255, false},
                                {"ColumnType", db::adVarChar, 24, false},
                                {"ColumnSize", db::adInteger, 0, true},
                                {"ColumnPrecision", db::adInteger, 0, true}});
    std::int32_t recordNumber = 0;
    if (!listsCatalog(connectionType)) {
        return listing;
    }
    if (connectionType == kctSQLServer || connectionType == kctODBC ||
        connectionType == kctPostgreSQL) {
        connection->Errors().Clear();
    }
    db::Catalog catalog;
    catalog.ActiveConnection(connection);
    const std::string wanted = text::toUpper(table);
    for (const auto& candidate : catalog.Tables()) {
        if (text::toUpper(candidate->Name()) != wanted) {
            continue;
        }
        for (const auto& column : candidate->Columns()) {
            listing->AddNew();
            setValue(*listing, "RecordNumber", Variant(++recordNumber));
            setValue(*listing, "TableName", Variant(candidate->Name()));
            setValue(*listing, "ColumnName", Variant(column->Name()));
            setValue(*listing, "ColumnType", Variant(ColumnTypeName(column->Type())));
            setValue(*listing, "ColumnSize", Variant(static_cast<std::int32_t>(column->DefinedSize())));
            setValue(*listing, "ColumnPrecision", Variant(static_cast<std::int32_t>(column->Precision())));
            listing->Update();
        }
    }
    catalog.ActiveConnection(nullptr);
    finish(*listing, recordNumber);
    return listing;
}

}  // namespace kiv
