#include "db/access/AccessRowReader.h"

#include "db/access/Mdb.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "base/Variant.h"
#include "db/access/AccessColumn.h"
#include "db/access/AccessProtocol.h"

namespace kiv::db::access {

namespace {

constexpr double CurrencyScale = 10000.0;
// A memo's first four bytes hold its length in the low three; the text mdbtools makes of it is
// at most three bytes of UTF-8 for each stored byte.
constexpr std::uint32_t MemoLengthMask = 0x00FFFFFF;
constexpr std::size_t Utf8PerStoredByte = 3;
constexpr double SecondsPerDay = 86400.0;

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

template <typename Value>
void putRaw(std::string& batch, Value value) {
    batch.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void putInteger(std::string& batch, std::int64_t value) {
    batch.push_back(AccessProtocol::Integer);
    putRaw(batch, value);
}

void putReal(std::string& batch, double value) {
    batch.push_back(AccessProtocol::Real);
    putRaw(batch, value);
}

void putBytes(std::string& batch, AccessProtocol::Value kind, const void* bytes, std::size_t size) {
    batch.push_back(kind);
    putRaw(batch, static_cast<std::uint32_t>(size));
    batch.append(static_cast<const char*>(bytes), size);
}

void putOwnedText(std::string& batch, const GText& text) {
    if (!text) {
        batch.push_back(AccessProtocol::Null);
        return;
    }
    putBytes(batch, AccessProtocol::Text, text.get(), std::strlen(text.get()));
}

}  // namespace

AccessRowReader::AccessRowReader(MdbHandle* database, const std::string& table)
    : handle_(mdb_clone_handle(database)), table_(nullptr) {
    MdbCatalogEntry* entry = tableEntry(handle_, table);
    table_ = entry != nullptr ? mdb_read_table(entry) : nullptr;
    if (table_ == nullptr || mdb_read_columns(table_) == nullptr) {
        if (table_ != nullptr) {
            mdb_free_tabledef(table_);
        }
        mdb_close(handle_);
        throw std::runtime_error("its definition cannot be read");
    }
    objectBuffers_.resize(table_->num_cols);
    for (unsigned int i = 0; i < table_->num_cols; ++i) {
        if (columnOf(table_, i)->col_type == MDB_OLE) {
            objectBuffers_[i].resize(MDB_PGSIZE);
            mdb_bind_column(table_, static_cast<int>(i + 1), objectBuffers_[i].data(), nullptr);
        }
    }
    rewind(columns_);
}

AccessRowReader::~AccessRowReader() {
    mdb_free_tabledef(table_);
    mdb_close(handle_);
}

void AccessRowReader::rewind(std::uint32_t columns) {
    columns_ = columns;
    mdb_rewind_table(table_);
}

bool AccessRowReader::read(std::string& batch) {
    while (batch.size() < AccessProtocol::BatchBytes) {
        if (mdb_fetch_row(table_) == 0) {
            return true;
        }
        for (std::size_t column = 0; column < table_->num_cols; ++column) {
            if (AccessProtocol::reads(columns_, column)) {
                putValue(batch, column);
            } else {
                batch.push_back(AccessProtocol::Null);
            }
        }
    }
    return false;
}

void AccessRowReader::putValue(std::string& batch, std::size_t index) {
    const MdbColumn* column = columnOf(table_, index);
    const int start = column->cur_value_start;
    if (column->col_type == MDB_BOOL) {
        // A Yes/No value lives in the row's null mask: a set bit (not null) means Yes.
        putInteger(batch, column->cur_value_len == 0 ? 1 : 0);
        return;
    }
    if (column->cur_value_len == 0) {
        batch.push_back(AccessProtocol::Null);
        return;
    }
    switch (column->col_type) {
        case MDB_DATETIME:
            putDate(batch, mdb_get_double(handle_->pg_buf, start));
            break;
        case MDB_NUMERIC: {
            const GText digits(
                mdb_numeric_to_string(handle_, start, column->col_scale, column->col_prec));
            putReal(batch, std::strtod(digits.get(), nullptr));
            break;
        }
        case MDB_REPID:
            putOwnedText(batch, GText(mdb_uuid_to_string(handle_->pg_buf, start)));
            break;
        case MDB_BINARY:
            putBytes(batch, AccessProtocol::Blob, handle_->pg_buf + start,
                     static_cast<std::size_t>(column->cur_value_len));
            break;
        case MDB_OLE:
            putObject(batch, index);
            break;
        case MDB_TEXT:
        case MDB_MEMO:
            putText(batch, column->col_type, start, column->cur_value_len);
            break;
        default:
            putNumber(batch, column->col_type, start);
            break;
    }
}

void AccessRowReader::putNumber(std::string& batch, int type, int start) {
    unsigned char* page = handle_->pg_buf;
    switch (type) {
        case MDB_BYTE:
            putInteger(batch, mdb_get_byte(page, start));
            break;
        case MDB_INT:
            putInteger(batch, static_cast<std::int16_t>(mdb_get_int16(page, start)));
            break;
        case MDB_LONGINT:
        case MDB_COMPLEX:
            putInteger(batch, static_cast<std::int32_t>(mdb_get_int32(page, start)));
            break;
        case AccessColumn::LargeNumber: {
            std::int64_t value = 0;
            std::memcpy(&value, page + start, sizeof value);
            putInteger(batch, GINT64_FROM_LE(value));
            break;
        }
        case MDB_FLOAT:
            // The Single's own value, which queries compute with as Access does; the column,
            // declared SINGLE, is read out as the shortest decimal of it.
            putReal(batch, static_cast<double>(mdb_get_single(page, start)));
            break;
        case MDB_DOUBLE:
            putReal(batch, mdb_get_double(page, start));
            break;
        case MDB_MONEY: {
            std::int64_t scaled = 0;
            std::memcpy(&scaled, page + start, sizeof scaled);
            putReal(batch, static_cast<double>(GINT64_FROM_LE(scaled)) / CurrencyScale);
            break;
        }
        default:
            // A type this reader does not know: nothing is made up for it.
            batch.push_back(AccessProtocol::Null);
            break;
    }
}

void AccessRowReader::putDate(std::string& batch, double serial) {
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        putReal(batch, serial);
        return;
    }
    // Access keeps dates to the second, as its forms show them; the stamps its system tables
    // hold carry fractions of a second that it never shows.
    const double day = std::trunc(serial);
    const double seconds = std::round(std::fabs(serial - day) * SecondsPerDay);
    const std::string text =
        Variant::formatDate(day + std::copysign(seconds / SecondsPerDay, serial));
    putBytes(batch, AccessProtocol::Text, text.data(), text.size());
}

void AccessRowReader::putText(std::string& batch, int type, int start, int length) {
    const std::size_t usual = handle_->bind_size;
    if (type == MDB_MEMO) {
        const auto stored =
            static_cast<std::uint32_t>(mdb_get_int32(handle_->pg_buf, start)) & MemoLengthMask;
        const std::size_t longest = std::max<std::size_t>(stored, static_cast<std::size_t>(length));
        mdb_set_bind_size(handle_, std::max(usual, longest * Utf8PerStoredByte + 16));
    }
    GText text(mdb_col_to_string(handle_, handle_->pg_buf, start, type, length));
    mdb_set_bind_size(handle_, usual);
    putOwnedText(batch, text);
}

void AccessRowReader::putObject(std::string& batch, std::size_t index) {
    MdbColumn* column = columnOf(table_, index);
    // Reading a long value overwrites the bound buffer; its reference is put back from the row
    // so that the value can be read again.
    std::memcpy(objectBuffers_[index].data(), handle_->pg_buf + column->cur_value_start,
                MDB_MEMO_OVERHEAD);
    std::size_t size = 0;
    const std::unique_ptr<void, Free> bytes(mdb_ole_read_full(handle_, column, &size));
    if (!bytes) {
        batch.push_back(AccessProtocol::Null);
        return;
    }
    putBytes(batch, AccessProtocol::Blob, bytes.get(), size);
}

}  // namespace kiv::db::access
