#include "db/excel/Spool.h"

#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace kiv::db::excel {

namespace {

constexpr std::size_t PieceSize = 1 << 20;

}  // namespace

Spool::Spool(std::string what) : what_(std::move(what)) {}

Spool::~Spool() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void Spool::append(std::string_view bytes) {
    pending_ += bytes;
    size_ += bytes.size();
    if (pending_.size() >= PieceSize) {
        flush();
    }
}

void Spool::flush() {
    if (file_ == nullptr) {
        file_ = std::tmpfile();
        if (file_ == nullptr) {
            throw std::runtime_error("cannot make a temporary file for " + what_);
        }
    }
    if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size()) {
        throw std::runtime_error("cannot keep " + what_ +
                                 " in a temporary file (the disk may be full)");
    }
    pending_.clear();
    unflushed_ = true;
}

void Spool::copyTo(const std::function<void(std::string_view)>& out) {
    if (file_ != nullptr) {
        std::fflush(file_);
        std::rewind(file_);
        std::string buffer(PieceSize, '\0');
        std::size_t count = 0;
        while ((count = std::fread(buffer.data(), 1, buffer.size(), file_)) > 0) {
            out(std::string_view(buffer.data(), count));
        }
        const bool failed = std::ferror(file_) != 0;
        std::fseek(file_, 0, SEEK_END);
        unflushed_ = false;
        if (failed) {
            throw std::runtime_error("cannot read " + what_ + " back from a temporary file");
        }
    }
    out(pending_);
}

std::size_t Spool::readAt(std::uint64_t offset, char* buffer, std::size_t size) {
    const std::uint64_t inFile = size_ - pending_.size();
    if (offset >= inFile) {
        const std::size_t from =
            static_cast<std::size_t>(std::min(offset - inFile, std::uint64_t{pending_.size()}));
        const std::size_t count = std::min(size, pending_.size() - from);
        std::copy_n(pending_.data() + from, count, buffer);
        return count;
    }
    if (std::exchange(unflushed_, false) && std::fflush(file_) != 0) {
        throw std::runtime_error("cannot keep " + what_ +
                                 " in a temporary file (the disk may be full)");
    }
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, inFile - offset));
    const ssize_t count = ::pread(::fileno(file_), buffer, wanted, static_cast<off_t>(offset));
    if (count <= 0) {
        throw std::runtime_error("cannot read " + what_ + " back from a temporary file");
    }
    return static_cast<std::size_t>(count);
}

void Spool::clear() {
    pending_.clear();
    size_ = 0;
    if (file_ != nullptr) {
        std::fclose(std::exchange(file_, nullptr));
    }
    unflushed_ = false;
}

}  // namespace kiv::db::excel
