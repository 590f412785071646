#include "db/files/TextWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::files {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno) + ".");
}

// Whether the file's last character is a line end, looking at its last bytes only.
bool endsWithLineEnd(int fd, off_t size, TextFormat::Charset charset) {
    const bool wide =
        charset == TextFormat::Charset::Utf16LE || charset == TextFormat::Charset::Utf16BE;
    const off_t width = wide ? 2 : 1;
    if (size < width) {
        return true;
    }
    char last[2] = {0, 0};
    if (::pread(fd, last, static_cast<std::size_t>(width), size - width) != width) {
        return false;
    }
    char unit = last[0];
    if (wide) {
        const bool littleEndian = charset == TextFormat::Charset::Utf16LE;
        if ((littleEndian ? last[1] : last[0]) != 0) {
            return false;
        }
        unit = littleEndian ? last[0] : last[1];
    }
    return unit == '\r' || unit == '\n';
}

}  // namespace

TextWriter::TextWriter(std::string path, TextFormat::Charset charset)
    : path_(std::move(path)), encoder_(charset) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        fail("Cannot open", path_);
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const int error = errno;
        ::close(fd_);
        errno = error;
        fail("Cannot open", path_);
    }
    startedEmpty_ = info.st_size == 0;
    if (startedEmpty_) {
        lead_ = TextEncoder::byteOrderMark(charset);
    } else if (!endsWithLineEnd(fd_, info.st_size, charset)) {
        encoder_.encode("\r\n", lead_);
    }
    pending_ = lead_;
}

TextWriter::~TextWriter() {
    try {
        flush();
    } catch (const std::runtime_error&) {
        // Nobody is left to tell; the statements that wrote flushed at their commit.
    }
    ::close(fd_);
}

void TextWriter::writeLine(std::string_view line) {
    encoder_.encode(line, pending_);
    encoder_.encode("\r\n", pending_);
    ++pendingLines_;
    if (pending_.size() >= FlushSize) {
        flush();
    }
}

void TextWriter::flush() {
    if (pendingLines_ == 0) {
        return;
    }
    struct stat before {};
    const bool sized = ::fstat(fd_, &before) == 0;
    std::size_t written = 0;
    while (written < pending_.size()) {
        const ssize_t count = ::write(fd_, pending_.data() + written, pending_.size() - written);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const std::string reason = std::strerror(errno);
            const std::size_t lost = pendingLines_;
            // A line cut short would be read as a row of its own: the file goes back to its
            // last complete line, and the lines gathered are given up, so that none of them
            // turns up later unannounced.
            const bool restored = sized && ::ftruncate(fd_, before.st_size) == 0;
            pending_ = restored ? lead_ : std::string();
            pendingLines_ = 0;
            throw std::runtime_error(
                "Cannot write " + path_ + ": " + reason + ". " +
                (restored ? "The file ends with the last complete row written before; the last "
                          : "The file may end with an incomplete row; the last ") +
                text::decimal(static_cast<long long>(lost)) + (lost == 1 ? " row" : " rows") +
                " added to it " + (lost == 1 ? "is" : "are") + " not in it.");
        }
        written += static_cast<std::size_t>(count);
    }
    lead_.clear();
    pending_.clear();
    pendingLines_ = 0;
}

}  // namespace kiv::db::files
