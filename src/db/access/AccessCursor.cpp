#include "db/access/AccessCursor.h"

#include "db/access/Mdb.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "base/Variant.h"
#include "db/access/AccessColumn.h"

namespace kiv::db::access {

namespace {

constexpr double CurrencyScale = 10000.0;
// A memo's first four bytes hold its length in the low three; the text mdbtools makes of it is
// at most three bytes of UTF-8 for each stored byte.
constexpr std::uint32_t MemoLengthMask = 0x00FFFFFF;
constexpr std::size_t Utf8PerStoredByte = 3;

struct GFree {
    void operator()(char* text) const { g_free(text); }
};
using GText = std::unique_ptr<char, GFree>;

struct Free {
    void operator()(void* bytes) const { std::free(bytes); }
};

// The table of that name; forms and reports may have the same name as a table.
MdbCatalogEntry* tableEntry(MdbHandle* handle, const std::string& name) {
    for (unsigned int i = 0; i < handle->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(handle->catalog, i));
        if (entry->object_type == MDB_TABLE && name == entry->object_name) {
            return entry;
        }
    }
    return nullptr;
}

MdbColumn* columnOf(S_MdbTableDef* table, std::size_t index) {
    return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
}

void setOwnedText(sqlite3_context* context, GText text) {
    if (!text) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_text(context, text.get(), -1, SQLITE_TRANSIENT);
}

}  // namespace

AccessCursor::AccessCursor(MdbHandle* database, const std::string& table)
    : handle_(mdb_clone_handle(database)), table_(nullptr) {
    MdbCatalogEntry* entry = tableEntry(handle_, table);
    table_ = entry != nullptr ? mdb_read_table(entry) : nullptr;
    if (table_ == nullptr || mdb_read_columns(table_) == nullptr) {
        if (table_ != nullptr) {
            mdb_free_tabledef(table_);
        }
        mdb_close(handle_);
        throw std::runtime_error("cannot read the table " + table);
    }
    objectBuffers_.resize(table_->num_cols);
    for (unsigned int i = 0; i < table_->num_cols; ++i) {
        if (columnOf(table_, i)->col_type == MDB_OLE) {
            objectBuffers_[i].resize(MDB_PGSIZE);
            mdb_bind_column(table_, static_cast<int>(i + 1), objectBuffers_[i].data(), nullptr);
        }
    }
    rewind();
}

AccessCursor::~AccessCursor() {
    mdb_free_tabledef(table_);
    mdb_close(handle_);
}

void AccessCursor::rewind() {
    mdb_rewind_table(table_);
}

bool AccessCursor::next() {
    return mdb_fetch_row(table_) != 0;
}

void AccessCursor::setResult(sqlite3_context* context, std::size_t index) {
    const MdbColumn* column = columnOf(table_, index);
    const int start = column->cur_value_start;
    if (column->col_type == MDB_BOOL) {
        // A Yes/No value lives in the row's null mask: a set bit (not null) means Yes.
        sqlite3_result_int(context, column->cur_value_len == 0 ? 1 : 0);
        return;
    }
    if (column->cur_value_len == 0) {
        sqlite3_result_null(context);
        return;
    }
    switch (column->col_type) {
        case MDB_DATETIME:
            setDate(context, mdb_get_double(handle_->pg_buf, start));
            break;
        case MDB_NUMERIC: {
            const GText digits(
                mdb_numeric_to_string(handle_, start, column->col_scale, column->col_prec));
            sqlite3_result_double(context, std::strtod(digits.get(), nullptr));
            break;
        }
        case MDB_REPID:
            setOwnedText(context, GText(mdb_uuid_to_string(handle_->pg_buf, start)));
            break;
        case MDB_BINARY:
            sqlite3_result_blob(context, handle_->pg_buf + start, column->cur_value_len,
                                SQLITE_TRANSIENT);
            break;
        case MDB_OLE:
            setObject(context, index);
            break;
        case MDB_TEXT:
        case MDB_MEMO:
            setText(context, column->col_type, start, column->cur_value_len);
            break;
        default:
            setNumber(context, column->col_type, start);
            break;
    }
}

void AccessCursor::setNumber(sqlite3_context* context, int type, int start) {
    unsigned char* page = handle_->pg_buf;
    switch (type) {
        case MDB_BYTE:
            sqlite3_result_int(context, mdb_get_byte(page, start));
            break;
        case MDB_INT:
            sqlite3_result_int(context, static_cast<std::int16_t>(mdb_get_int16(page, start)));
            break;
        case MDB_LONGINT:
        case MDB_COMPLEX:
            sqlite3_result_int64(context, static_cast<std::int32_t>(mdb_get_int32(page, start)));
            break;
        case AccessColumn::LargeNumber: {
            std::int64_t value = 0;
            std::memcpy(&value, page + start, sizeof value);
            sqlite3_result_int64(context, GINT64_FROM_LE(value));
            break;
        }
        case MDB_FLOAT:
            // The Single's own value, which queries compute with as Access does; the column,
            // declared SINGLE, is read out as the shortest decimal of it.
            sqlite3_result_double(context, static_cast<double>(mdb_get_single(page, start)));
            break;
        case MDB_DOUBLE:
            sqlite3_result_double(context, mdb_get_double(page, start));
            break;
        case MDB_MONEY: {
            std::int64_t scaled = 0;
            std::memcpy(&scaled, page + start, sizeof scaled);
            sqlite3_result_double(context,
                                  static_cast<double>(GINT64_FROM_LE(scaled)) / CurrencyScale);
            break;
        }
        default:
            // A type this reader does not know: nothing is made up for it.
            sqlite3_result_null(context);
            break;
    }
}

void AccessCursor::setDate(sqlite3_context* context, double serial) {
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        sqlite3_result_double(context, serial);
        return;
    }
    scratch_ = Variant::formatDate(serial);
    sqlite3_result_text(context, scratch_.data(), static_cast<int>(scratch_.size()),
                        SQLITE_TRANSIENT);
}

void AccessCursor::setText(sqlite3_context* context, int type, int start, int length) {
    const std::size_t usual = handle_->bind_size;
    if (type == MDB_MEMO) {
        const auto stored =
            static_cast<std::uint32_t>(mdb_get_int32(handle_->pg_buf, start)) & MemoLengthMask;
        const std::size_t longest = std::max<std::size_t>(stored, static_cast<std::size_t>(length));
        mdb_set_bind_size(handle_, std::max(usual, longest * Utf8PerStoredByte + 16));
    }
    GText text(mdb_col_to_string(handle_, handle_->pg_buf, start, type, length));
    mdb_set_bind_size(handle_, usual);
    setOwnedText(context, std::move(text));
}

void AccessCursor::setObject(sqlite3_context* context, std::size_t index) {
    MdbColumn* column = columnOf(table_, index);
    // Reading a long value overwrites the bound buffer; its reference is put back from the row
    // so that the value can be read again.
    std::memcpy(objectBuffers_[index].data(), handle_->pg_buf + column->cur_value_start,
                MDB_MEMO_OVERHEAD);
    std::size_t size = 0;
    const std::unique_ptr<void, Free> bytes(mdb_ole_read_full(handle_, column, &size));
    if (!bytes) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_blob64(context, bytes.get(), size, SQLITE_TRANSIENT);
}

}  // namespace kiv::db::access
