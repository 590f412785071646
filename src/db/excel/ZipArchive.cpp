#include "db/excel/ZipArchive.h"

#include <unzip.h>

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::excel {

namespace {

constexpr int IgnoreCase = 2;

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t MiB = std::uint64_t{1} << 20;
    if (bytes >= 1024 * MiB && bytes % (1024 * MiB) == 0) {
        return text::decimal(static_cast<long long>(bytes / (1024 * MiB))) + " GiB";
    }
    if (bytes >= MiB && bytes % MiB == 0) {
        return text::decimal(static_cast<long long>(bytes / MiB)) + " MiB";
    }
    return text::decimal(static_cast<long long>(bytes)) + " bytes";
}

}  // namespace

ZipArchive::ZipArchive(const std::string& path) : ZipArchive(path, Limits{}) {}

ZipArchive::ZipArchive(const std::string& path, Limits limits)
    : zip_(unzOpen64(path.c_str())), limits_(limits) {
    if (zip_ == nullptr) {
        throw std::runtime_error("the file is not a zip archive");
    }
}

ZipArchive::~ZipArchive() {
    closeEntry();
    unzClose(zip_);
}

void ZipArchive::closeEntry() {
    if (!entry_.empty()) {
        unzCloseCurrentFile(zip_);
        entry_.clear();
    }
}

bool ZipArchive::open(std::string_view name) {
    closeEntry();
    const std::string entry(name);
    if (unzLocateFile(zip_, entry.c_str(), IgnoreCase) != UNZ_OK) {
        return false;
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zip_) != UNZ_OK) {
        throw std::runtime_error("cannot read the part " + entry);
    }
    entry_ = entry;
    compressed_ = info.compressed_size;
    inflated_ = 0;
    return true;
}

void ZipArchive::checkInflated() const {
    if (inflated_ > limits_.inflatedSize) {
        throw std::runtime_error("the part " + entry_ + " inflates beyond " +
                                 sizeText(limits_.inflatedSize));
    }
    if (inflated_ > limits_.ratioFrom && inflated_ / limits_.ratio > compressed_) {
        throw std::runtime_error("the part " + entry_ + " inflates beyond " +
                                 text::decimal(static_cast<long long>(limits_.ratio)) +
                                 " times its compressed size");
    }
}

std::size_t ZipArchive::readSome(char* buffer, std::size_t size) {
    if (entry_.empty()) {
        return 0;
    }
    const int count = unzReadCurrentFile(
        zip_, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
    if (count < 0) {
        const std::string entry = entry_;
        closeEntry();
        throw std::runtime_error("the part " + entry + " is damaged");
    }
    inflated_ += static_cast<std::uint64_t>(count);
    checkInflated();
    if (count == 0) {
        const bool intact = unzCloseCurrentFile(zip_) == UNZ_OK;
        const std::string entry = entry_;
        entry_.clear();
        if (!intact) {
            throw std::runtime_error("the part " + entry + " is damaged");
        }
    }
    return static_cast<std::size_t>(count);
}

std::optional<std::string> ZipArchive::read(std::string_view name) {
    if (!open(name)) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    while (const std::size_t count = readSome(buffer, sizeof buffer)) {
        bytes.append(buffer, count);
    }
    return bytes;
}

}  // namespace kiv::db::excel
