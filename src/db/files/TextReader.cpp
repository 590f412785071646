#include "db/files/TextReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::files {

namespace {

std::string systemError() {
    return std::strerror(errno);
}

}  // namespace

TextReader::TextReader(const TextFormat& format, std::size_t chunkSize, TextFileNotes* notes)
    : format_(format), chunkSize_(chunkSize), notes_(notes), charset_(format.charset) {
    const bool fixed = format.layout == TextFormat::Layout::FixedLength;
    for (const char stop : {'\r', '\n'}) {
        unquotedStops_[static_cast<unsigned char>(stop)] = true;
        quotedStops_[static_cast<unsigned char>(stop)] = true;
    }
    if (!fixed) {
        unquotedStops_[static_cast<unsigned char>(format.delimiter)] = true;
        quotedStops_[static_cast<unsigned char>(format.quote)] = true;
    }
}

TextReader::~TextReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void TextReader::start(const std::string& path) {
    if (fd_ >= 0 && path == path_) {
        if (::lseek(fd_, 0, SEEK_SET) < 0) {
            throw std::runtime_error(systemError());
        }
    } else {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            throw std::runtime_error(systemError());
        }
        path_ = path;
    }
    struct stat info {};
    fileSize_ = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
    decide();
    buffer_.clear();
    pos_ = 0;
    consumed_ = 0;
    eof_ = false;
    afterCr_ = false;
    line_ = 1;
    recordLine_ = 0;
    record_.clear();
    fields_.clear();
}

// The character set from the head of the file, whatever the chunk size, so that every reader
// of a file decides the same; the reading then starts after the byte-order mark.
void TextReader::decide() {
    raw_.resize(TextDecoder::HeadSize);
    std::size_t size = 0;
    while (size < raw_.size()) {
        const ssize_t count =
            ::pread(fd_, raw_.data() + size, raw_.size() - size, static_cast<off_t>(size));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            throw std::runtime_error(systemError());
        }
        if (count == 0) {
            break;
        }
        size += static_cast<std::size_t>(count);
    }
    const TextDecoder::Detected detected = TextDecoder::detect(std::string_view(raw_.data(), size),
                                                               size < raw_.size(), format_.charset);
    charset_ = detected.charset;
    decoder_.emplace(charset_);
    if (::lseek(fd_, static_cast<off_t>(detected.markLength), SEEK_SET) < 0) {
        throw std::runtime_error(systemError());
    }
    bytesRead_ = detected.markLength;
}

bool TextReader::fill() {
    consumed_ += buffer_.size();
    buffer_.clear();
    pos_ = 0;
    raw_.resize(chunkSize_);
    while (buffer_.empty()) {
        if (eof_ || fd_ < 0) {
            return false;
        }
        const ssize_t count = ::read(fd_, raw_.data(), raw_.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("line " + text::decimal(line_) + ": " + systemError());
        }
        bytesRead_ += static_cast<std::uint64_t>(count);
        if (count == 0) {
            if (bytesRead_ < fileSize_) {
                throw std::runtime_error("the file ended on line " + text::decimal(line_) +
                                         " after " + text::decimal(bytesRead_) + " of its " +
                                         text::decimal(fileSize_) +
                                         " bytes; it was cut short while being read");
            }
            eof_ = true;
            decoder_->finish(buffer_);
            noteFallback();
            continue;
        }
        decoder_->decode(std::string_view(raw_.data(), static_cast<std::size_t>(count)), buffer_);
        noteFallback();
    }
    return true;
}

// The line of the first bytes read as Windows-1252: the current line, the buffer having just
// been filled, and the line ends before them.
void TextReader::noteFallback() {
    const std::optional<std::size_t> at = decoder_->takeFallback();
    if (!at || notes_ == nullptr) {
        return;
    }
    std::int64_t line = line_;
    for (std::size_t i = 0; i < *at; ++i) {
        const bool afterCr = i == 0 ? afterCr_ : buffer_[i - 1] == '\r';
        if (buffer_[i] == '\r' || (buffer_[i] == '\n' && !afterCr)) {
            ++line;
        }
    }
    notes_->notUtf8(line);
}

void TextReader::endField(std::size_t& fieldStart) {
    fields_.push_back({static_cast<std::uint32_t>(fieldStart),
                       static_cast<std::uint32_t>(record_.size() - fieldStart)});
    fieldStart = record_.size();
}

bool TextReader::next() {
    enum class State { FieldStart, Unquoted, Quoted, QuoteSeen };
    const bool fixed = format_.layout == TextFormat::Layout::FixedLength;
    const char quote = fixed ? '\0' : format_.quote;
    for (;;) {
        record_.clear();
        fields_.clear();
        recordLine_ = line_;
        std::size_t fieldStart = 0;
        bool content = false;  // anything but a line end: a blank line has none
        State state = State::FieldStart;
        char previous = '\0';        // inside quotes: the character before, to count CR LF once
        std::int64_t quoteLine = 0;  // where the quoted value being read opened
        bool ended = false;
        while (!ended) {
            if (pos_ == buffer_.size() && !fill()) {
                if (state == State::Quoted) {
                    throw std::runtime_error("the quoted value that opens on line " +
                                             text::decimal(quoteLine) +
                                             " is not closed before the end of the file");
                }
                if (!content) {
                    return false;
                }
                endField(fieldStart);
                break;
            }
            if (afterCr_) {
                afterCr_ = false;
                if (buffer_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            const char* begin = buffer_.data() + pos_;
            const char* end = buffer_.data() + buffer_.size();
            switch (state) {
                case State::FieldStart:
                    if (quote != '\0' && *begin == quote) {
                        content = true;
                        state = State::Quoted;
                        quoteLine = line_;
                        ++pos_;
                        break;
                    }
                    state = State::Unquoted;
                    [[fallthrough]];
                case State::Unquoted: {
                    const char* stop = begin;
                    while (stop != end && !unquotedStops_[static_cast<unsigned char>(*stop)]) {
                        ++stop;
                    }
                    if (stop != begin) {
                        record_.append(begin, static_cast<std::size_t>(stop - begin));
                        content = true;
                    }
                    pos_ += static_cast<std::size_t>(stop - begin);
                    if (stop == end) {
                        break;
                    }
                    ++pos_;
                    if (*stop == '\r' || *stop == '\n') {
                        afterCr_ = *stop == '\r';
                        ++line_;
                        endField(fieldStart);
                        ended = true;
                    } else {
                        content = true;
                        endField(fieldStart);
                        state = State::FieldStart;
                    }
                    break;
                }
                case State::Quoted: {
                    const char* stop = begin;
                    for (;;) {
                        while (stop != end && !quotedStops_[static_cast<unsigned char>(*stop)]) {
                            ++stop;
                        }
                        if (stop == end || *stop == quote) {
                            break;
                        }
                        const char before = stop != begin ? stop[-1] : previous;
                        if (*stop == '\r' || before != '\r') {
                            ++line_;
                        }
                        ++stop;
                    }
                    if (stop != begin) {
                        previous = stop[-1];
                    }
                    record_.append(begin, static_cast<std::size_t>(stop - begin));
                    pos_ += static_cast<std::size_t>(stop - begin);
                    if (line_ - quoteLine > MaxQuotedLines) {
                        throw std::runtime_error(
                            "the quoted value that opens on line " + text::decimal(quoteLine) +
                            " is not closed within " + text::decimal(MaxQuotedLines) + " lines");
                    }
                    if (stop != end) {
                        ++pos_;
                        state = State::QuoteSeen;
                    }
                    break;
                }
                case State::QuoteSeen:
                    if (*begin == quote) {
                        record_.push_back(quote);
                        previous = quote;
                        ++pos_;
                        state = State::Quoted;
                    } else {
                        // Text after the closing quote belongs to the value as it stands.
                        state = State::Unquoted;
                    }
                    break;
            }
            if (record_.size() > MaxRecordBytes) {
                throw std::runtime_error("the record starting on line " +
                                         text::decimal(recordLine_) + " is longer than " +
                                         text::decimal(MaxRecordBytes >> 20) +
                                         " MiB; a quoted value is probably not closed");
            }
        }
        if (!content) {
            continue;
        }
        if (fixed) {
            splitFixed();
            if (fields_.empty()) {
                continue;
            }
        } else if (notes_ != nullptr && fields_.size() > notes_->columnCount()) {
            notes_->extraFields(recordLine_, fields_.size());
        }
        return true;
    }
}

void TextReader::splitFixed() {
    const std::string_view line = record_;
    fields_.clear();
    if (line.find_first_not_of(' ') == std::string_view::npos) {
        return;
    }
    std::size_t at = 0;
    for (const TextColumn& column : format_.columns) {
        const std::size_t start = at;
        for (std::size_t characters = 0; at < line.size() && characters < column.width;
             ++characters) {
            ++at;
            while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) {
                ++at;
            }
        }
        std::size_t first = start;
        std::size_t last = at;
        while (first < last && line[first] == ' ') {
            ++first;
        }
        while (last > first && line[last - 1] == ' ') {
            --last;
        }
        fields_.push_back(
            {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last - first)});
    }
}

std::string_view TextReader::field(std::size_t index) const {
    if (index >= fields_.size()) {
        return {};
    }
    return std::string_view(record_).substr(fields_[index].offset, fields_[index].length);
}

}  // namespace kiv::db::files
