#include "db/access/AccessCursor.h"

#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "db/access/AccessRowReader.h"
#include "db/cells/DamagedFiles.h"

namespace kiv::db::access {

namespace {

using cells::ReaderProcess;

std::string descriptorPath(MdbHandle* database) {
    return "/proc/self/fd/" + std::to_string(fileno(database->f->stream));
}

// The file a handle reads, for messages.
std::string fileOf(MdbHandle* database) {
    char path[4096];
    const ssize_t length = ::readlink(descriptorPath(database).c_str(), path, sizeof path);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

template <typename Value>
Value takeRaw(ReaderProcess& reader) {
    Value value{};
    std::memcpy(&value, reader.take(sizeof value).data(), sizeof value);
    return value;
}

}  // namespace

AccessCursor::AccessCursor(MdbHandle* database, const std::string& table)
    : path_(fileOf(database)),
      table_(table),
      reader_(
          [database, &table](ReaderProcess::Output& output) {
              AccessRowReader(database, table).serve(output);
          },
          ReaderProcess::limitsFor(descriptorPath(database))) {
    try {
        if (takeMarker() != AccessRowReader::Ready) {
            malformed();
        }
        row_.resize(takeRaw<std::uint32_t>(reader_));
    } catch (const std::runtime_error& failure) {
        // The table's own failure is described as it is; a failing reader names the file.
        if (std::string_view(failure.what()).starts_with("cannot read the table ")) {
            throw;
        }
        failed(failure);
    }
}

void AccessCursor::failed(const std::runtime_error& failure) const {
    const std::string description = "Cannot read the table " + table_ +
                                    " of the Access database '" + path_ + "': " + failure.what();
    cells::DamagedFiles::remember(path_, description);
    throw std::runtime_error(description);
}

void AccessCursor::rewind() {
    try {
        if (state_ == State::InBatch) {
            while (readNext()) {
            }
        }
        reader_.command(AccessRowReader::Rewind);
        state_ = State::Idle;
    } catch (const std::runtime_error& failure) {
        failed(failure);
    }
}

bool AccessCursor::next() {
    try {
        return readNext();
    } catch (const std::runtime_error& failure) {
        failed(failure);
    }
}

bool AccessCursor::readNext() {
    if (state_ == State::AtEnd) {
        return false;
    }
    if (state_ == State::Idle) {
        reader_.command(AccessRowReader::NextBatch);
        state_ = State::InBatch;
    }
    for (;;) {
        switch (takeMarker()) {
            case AccessRowReader::Row:
                readRow();
                return true;
            case AccessRowReader::Batch:
                reader_.command(AccessRowReader::NextBatch);
                break;
            case AccessRowReader::End:
                state_ = State::AtEnd;
                return false;
            default:
                malformed();
        }
    }
}

void AccessCursor::readRow() {
    for (Value& value : row_) {
        value.marker = takeMarker();
        switch (value.marker) {
            case AccessRowReader::Null:
                break;
            case AccessRowReader::Integer:
                value.integer = takeRaw<std::int64_t>(reader_);
                break;
            case AccessRowReader::Real:
                value.real = takeRaw<double>(reader_);
                break;
            case AccessRowReader::Text:
            case AccessRowReader::Blob:
                value.bytes.assign(reader_.take(takeRaw<std::uint32_t>(reader_)));
                break;
            default:
                malformed();
        }
    }
}

char AccessCursor::takeMarker() {
    return reader_.take(1).front();
}

void AccessCursor::malformed() const {
    throw std::runtime_error(
        "the file is damaged or not supported: the reader sent malformed data");
}

void AccessCursor::setResult(sqlite3_context* context, std::size_t column) const {
    const Value& value = row_[column];
    switch (value.marker) {
        case AccessRowReader::Integer:
            sqlite3_result_int64(context, value.integer);
            break;
        case AccessRowReader::Real:
            sqlite3_result_double(context, value.real);
            break;
        case AccessRowReader::Text:
            sqlite3_result_text64(context, value.bytes.data(), value.bytes.size(), SQLITE_TRANSIENT,
                                  SQLITE_UTF8);
            break;
        case AccessRowReader::Blob:
            sqlite3_result_blob64(context, value.bytes.data(), value.bytes.size(),
                                  SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_result_null(context);
            break;
    }
}

}  // namespace kiv::db::access
