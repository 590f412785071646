#include "db/excel/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <utility>

namespace kiv::db::excel {

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)) {
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path_.substr(0, slash);
    temporary_ =
        (folder.empty() ? "" : folder + "/") + "." + path_.substr(slash + 1) + ".kiv-XXXXXX";
    const int fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
        throw std::runtime_error("cannot make a file beside " + path_);
    }
    ::close(fd);
}

FileReplacement::~FileReplacement() {
    if (!committed_) {
        ::unlink(temporary_.c_str());
    }
}

void FileReplacement::commit() {
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(path_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    const int written = ::open(temporary_.c_str(), O_RDONLY);
    const bool synced = written >= 0 && ::fsync(written) == 0;
    if (written >= 0) {
        ::close(written);
    }
    if (!synced || ::chmod(temporary_.c_str(), mode) != 0 ||
        ::rename(temporary_.c_str(), path_.c_str()) != 0) {
        throw std::runtime_error("cannot put the new workbook in the place of " + path_);
    }
    committed_ = true;
}

}  // namespace kiv::db::excel
