#include "db/excel/Spool.h"

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
        if (failed) {
            throw std::runtime_error("cannot read " + what_ + " back from a temporary file");
        }
    }
    out(pending_);
}

void Spool::clear() {
    pending_.clear();
    size_ = 0;
    if (file_ != nullptr) {
        std::fclose(std::exchange(file_, nullptr));
    }
}

}  // namespace kiv::db::excel
