#include "db/access/AccessRowReader.h"

#include "db/access/Mdb.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

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

using cells::ReaderProcess;

// The rows of a batch: the program asks for the next batch as it reads the last.
constexpr std::size_t BatchRows = 512;

template <typename Value>
void putRaw(ReaderProcess::Output& output, Value value) {
    output.put(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
}

void putMarker(ReaderProcess::Output& output, AccessRowReader::Marker marker) {
    putRaw(output, marker);
}

void putBytes(ReaderProcess::Output& output, AccessRowReader::Marker marker, const void* bytes,
              std::size_t size) {
    putMarker(output, marker);
    putRaw(output, static_cast<std::uint32_t>(size));
    output.put(std::string_view(static_cast<const char*>(bytes), size));
}

void putInteger(ReaderProcess::Output& output, std::int64_t value) {
    putMarker(output, AccessRowReader::Integer);
    putRaw(output, value);
}

void putReal(ReaderProcess::Output& output, double value) {
    putMarker(output, AccessRowReader::Real);
    putRaw(output, value);
}

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

void putOwnedText(ReaderProcess::Output& output, GText text) {
    if (!text) {
        putMarker(output, AccessRowReader::Null);
        return;
    }
    putBytes(output, AccessRowReader::Text, text.get(), std::strlen(text.get()));
}

// A Single as the shortest decimal that reads back as the same Single, so 0.15 stays 0.15.
double singleValue(float value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    double result = value;
    std::from_chars(buffer, written.ptr, result);
    return result;
}

}  // namespace

// The handle the reader process inherited shares its file position with the program and
// with the other readers: it gets a file of its own before anything is read.
AccessRowReader::AccessRowReader(MdbHandle* database, const std::string& table)
    : handle_(mdb_clone_handle(database)), table_(nullptr) {
    const std::string file = "/proc/self/fd/" + std::to_string(fileno(database->f->stream));
    FILE* own = std::fopen(file.c_str(), "rb");
    if (own == nullptr) {
        mdb_close(handle_);
        throw std::runtime_error("cannot open the database again to read the table " + table);
    }
    handle_->f->stream = own;
    MdbCatalogEntry* entry = tableEntry(handle_, table);
    table_ = entry != nullptr ? mdb_read_table(entry) : nullptr;
    if (table_ == nullptr || mdb_read_columns(table_) == nullptr) {
        throw std::runtime_error("cannot read the table " + table);
    }
    objectBuffers_.resize(table_->num_cols);
    for (unsigned int i = 0; i < table_->num_cols; ++i) {
        if (columnOf(table_, i)->col_type == MDB_OLE) {
            objectBuffers_[i].resize(MDB_PGSIZE);
            mdb_bind_column(table_, static_cast<int>(i + 1), objectBuffers_[i].data(), nullptr);
        }
    }
    mdb_rewind_table(table_);
}

// The reader process ends without closing what it opened.
AccessRowReader::~AccessRowReader() = default;

void AccessRowReader::serve(ReaderProcess::Output& output) {
    putMarker(output, Ready);
    putRaw(output, static_cast<std::uint32_t>(table_->num_cols));
    for (int command = output.command(); command != -1; command = output.command()) {
        if (command == Rewind) {
            mdb_rewind_table(table_);
        } else if (command == NextBatch) {
            sendBatch(output);
        }
    }
}

void AccessRowReader::sendBatch(ReaderProcess::Output& output) {
    for (std::size_t rows = 0; rows < BatchRows; ++rows) {
        if (mdb_fetch_row(table_) == 0) {
            putMarker(output, End);
            return;
        }
        putMarker(output, Row);
        for (std::size_t column = 0; column < table_->num_cols; ++column) {
            putValue(output, column);
        }
    }
    putMarker(output, Batch);
}

void AccessRowReader::putValue(ReaderProcess::Output& output, std::size_t index) {
    const MdbColumn* column = columnOf(table_, index);
    const int start = column->cur_value_start;
    if (column->col_type == MDB_BOOL) {
        // A Yes/No value lives in the row's null mask: a set bit (not null) means Yes.
        putInteger(output, column->cur_value_len == 0 ? 1 : 0);
        return;
    }
    if (column->cur_value_len == 0) {
        putMarker(output, Null);
        return;
    }
    switch (column->col_type) {
        case MDB_DATETIME:
            putDate(output, mdb_get_double(handle_->pg_buf, start));
            break;
        case MDB_NUMERIC: {
            const GText digits(
                mdb_numeric_to_string(handle_, start, column->col_scale, column->col_prec));
            putReal(output, std::strtod(digits.get(), nullptr));
            break;
        }
        case MDB_REPID:
            putOwnedText(output, GText(mdb_uuid_to_string(handle_->pg_buf, start)));
            break;
        case MDB_BINARY:
            putBytes(output, Blob, handle_->pg_buf + start,
                     static_cast<std::size_t>(column->cur_value_len));
            break;
        case MDB_OLE:
            putObject(output, index);
            break;
        case MDB_TEXT:
        case MDB_MEMO:
            putText(output, column->col_type, start, column->cur_value_len);
            break;
        default:
            putNumber(output, column->col_type, start);
            break;
    }
}

void AccessRowReader::putNumber(ReaderProcess::Output& output, int type, int start) {
    unsigned char* page = handle_->pg_buf;
    switch (type) {
        case MDB_BYTE:
            putInteger(output, mdb_get_byte(page, start));
            break;
        case MDB_INT:
            putInteger(output, static_cast<std::int16_t>(mdb_get_int16(page, start)));
            break;
        case MDB_LONGINT:
        case MDB_COMPLEX:
            putInteger(output, static_cast<std::int32_t>(mdb_get_int32(page, start)));
            break;
        case AccessColumn::LargeNumber: {
            std::int64_t value = 0;
            std::memcpy(&value, page + start, sizeof value);
            putInteger(output, GINT64_FROM_LE(value));
            break;
        }
        case MDB_FLOAT:
            putReal(output, singleValue(mdb_get_single(page, start)));
            break;
        case MDB_DOUBLE:
            putReal(output, mdb_get_double(page, start));
            break;
        case MDB_MONEY: {
            std::int64_t scaled = 0;
            std::memcpy(&scaled, page + start, sizeof scaled);
            putReal(output, static_cast<double>(GINT64_FROM_LE(scaled)) / CurrencyScale);
            break;
        }
        default:
            // A type this reader does not know: nothing is made up for it.
            putMarker(output, Null);
            break;
    }
}

void AccessRowReader::putDate(ReaderProcess::Output& output, double serial) {
    if (serial < Variant::MinDate || serial >= Variant::MaxDate + 1) {
        putReal(output, serial);
        return;
    }
    const std::string text = Variant::formatDate(serial);
    putBytes(output, Text, text.data(), text.size());
}

void AccessRowReader::putText(ReaderProcess::Output& output, int type, int start, int length) {
    const std::size_t usual = handle_->bind_size;
    if (type == MDB_MEMO) {
        const auto stored =
            static_cast<std::uint32_t>(mdb_get_int32(handle_->pg_buf, start)) & MemoLengthMask;
        const std::size_t longest = std::max<std::size_t>(stored, static_cast<std::size_t>(length));
        mdb_set_bind_size(handle_, std::max(usual, longest * Utf8PerStoredByte + 16));
    }
    GText text(mdb_col_to_string(handle_, handle_->pg_buf, start, type, length));
    mdb_set_bind_size(handle_, usual);
    putOwnedText(output, std::move(text));
}

void AccessRowReader::putObject(ReaderProcess::Output& output, std::size_t index) {
    MdbColumn* column = columnOf(table_, index);
    // Reading a long value overwrites the bound buffer; its reference is put back from the row
    // so that the value can be read again.
    std::memcpy(objectBuffers_[index].data(), handle_->pg_buf + column->cur_value_start,
                MDB_MEMO_OVERHEAD);
    std::size_t size = 0;
    const std::unique_ptr<void, Free> bytes(mdb_ole_read_full(handle_, column, &size));
    if (!bytes) {
        putMarker(output, Null);
        return;
    }
    putBytes(output, Blob, bytes.get(), size);
}

}  // namespace kiv::db::access
