#include "db/excel/ZipArchive.h"

#include <unzip.h>

#include <stdexcept>

namespace kiv::db::excel {

namespace {

constexpr int IgnoreCase = 2;

}  // namespace

ZipArchive::ZipArchive(const std::string& path) : zip_(unzOpen64(path.c_str())) {
    if (zip_ == nullptr) {
        throw std::runtime_error("the file is not a zip archive");
    }
}

ZipArchive::~ZipArchive() {
    unzClose(zip_);
}

std::optional<std::string> ZipArchive::read(std::string_view name) {
    const std::string entry(name);
    if (unzLocateFile(zip_, entry.c_str(), IgnoreCase) != UNZ_OK) {
        return std::nullopt;
    }
    if (unzOpenCurrentFile(zip_) != UNZ_OK) {
        throw std::runtime_error("cannot read the part " + entry);
    }
    std::string bytes;
    char buffer[65536];
    int count = 0;
    while ((count = unzReadCurrentFile(zip_, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    const int closed = unzCloseCurrentFile(zip_);
    if (count < 0 || closed != UNZ_OK) {
        throw std::runtime_error("the part " + entry + " is damaged");
    }
    return bytes;
}

}  // namespace kiv::db::excel
