#include "db/excel/ZipWriter.h"

#include <unzip.h>
#include <zip.h>

#include <ctime>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace kiv::db::excel {

namespace {

// New parts are compressed for speed: a workbook of many rows is written in a fraction of the
// time the best compression takes, for a file a little larger.
constexpr int NewEntryLevel = 1;
constexpr std::size_t CopyBufferSize = 256 * 1024;

struct SourceCloser {
    void operator()(void* source) const { unzClose(source); }
};

zip_fileinfo infoOf(const unz_file_info64& info) {
    zip_fileinfo copied{};
    copied.tmz_date.tm_sec = info.tmu_date.tm_sec;
    copied.tmz_date.tm_min = info.tmu_date.tm_min;
    copied.tmz_date.tm_hour = info.tmu_date.tm_hour;
    copied.tmz_date.tm_mday = info.tmu_date.tm_mday;
    copied.tmz_date.tm_mon = info.tmu_date.tm_mon;
    copied.tmz_date.tm_year = info.tmu_date.tm_year;
    copied.dosDate = info.dosDate;
    copied.internal_fa = info.internal_fa;
    copied.external_fa = info.external_fa;
    return copied;
}

}  // namespace

ZipWriter::ZipWriter(const std::string& path)
    : path_(path), zip_(zipOpen64(path.c_str(), APPEND_STATUS_CREATE)) {
    if (zip_ == nullptr) {
        throw std::runtime_error("cannot create the file " + path);
    }
}

ZipWriter::~ZipWriter() {
    if (zip_ != nullptr) {
        zipClose(zip_, nullptr);
    }
}

void ZipWriter::check(int result, const std::string& what) const {
    if (result != ZIP_OK) {
        throw std::runtime_error("cannot write " + what + " to " + path_ +
                                 " (the disk may be full)");
    }
}

void ZipWriter::copyFrom(const std::string& source,
                         const std::function<bool(const std::string& name)>& replace) {
    const std::unique_ptr<void, SourceCloser> from(unzOpen64(source.c_str()));
    if (!from) {
        throw std::runtime_error("the file " + source + " is not a zip archive");
    }
    for (int at = unzGoToFirstFile(from.get()); at == UNZ_OK; at = unzGoToNextFile(from.get())) {
        char name[4096];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(from.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            throw std::runtime_error("the directory of " + source + " is damaged");
        }
        if (!replace(name)) {
            copyCurrent(from.get(), name);
        }
    }
}

void ZipWriter::copyCurrent(void* source, const std::string& name) {
    unz_file_info64 info{};
    unzGetCurrentFileInfo64(source, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(source, &method, &level, 1) != UNZ_OK) {
        throw std::runtime_error("cannot read the part " + name);
    }
    const zip_fileinfo copied = infoOf(info);
    check(zipOpenNewFileInZip4_64(zip_, name.c_str(), &copied, nullptr, 0, nullptr, 0, nullptr,
                                  method, level, 1, 0, 0, 0, nullptr, 0, info.version,
                                  info.flag & ~8UL, info.uncompressed_size >= 0xffffffffU),
          name);
    std::vector<char> buffer(CopyBufferSize);
    int count = 0;
    while ((count = unzReadCurrentFile(source, buffer.data(),
                                       static_cast<unsigned>(buffer.size()))) > 0) {
        check(zipWriteInFileInZip(zip_, buffer.data(), static_cast<unsigned>(count)), name);
    }
    unzCloseCurrentFile(source);
    if (count < 0) {
        throw std::runtime_error("the part " + name + " is damaged");
    }
    check(zipCloseFileInZipRaw64(zip_, info.uncompressed_size, info.crc), name);
}

void ZipWriter::begin(const std::string& name) {
    // A new part is stamped with the time it is written, as a zip tool would.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    zip_fileinfo info{};
    info.tmz_date.tm_sec = static_cast<unsigned>(local.tm_sec);
    info.tmz_date.tm_min = static_cast<unsigned>(local.tm_min);
    info.tmz_date.tm_hour = static_cast<unsigned>(local.tm_hour);
    info.tmz_date.tm_mday = static_cast<unsigned>(local.tm_mday);
    info.tmz_date.tm_mon = static_cast<unsigned>(local.tm_mon);
    info.tmz_date.tm_year = static_cast<unsigned>(local.tm_year + 1900);
    check(zipOpenNewFileInZip64(zip_, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, NewEntryLevel, 0),
          name);
}

void ZipWriter::write(std::string_view bytes) {
    if (!bytes.empty()) {
        check(zipWriteInFileInZip(zip_, bytes.data(), static_cast<unsigned>(bytes.size())),
              "a part");
    }
}

void ZipWriter::end() {
    check(zipCloseFileInZip(zip_), "a part");
}

void ZipWriter::add(const std::string& name, std::string_view bytes) {
    begin(name);
    write(bytes);
    end();
}

void ZipWriter::close() {
    void* zip = std::exchange(zip_, nullptr);
    check(zipClose(zip, nullptr), "the directory");
}

}  // namespace kiv::db::excel
