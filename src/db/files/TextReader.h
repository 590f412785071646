#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/files/TextDecoder.h"
#include "db/files/TextFileNotes.h"
#include "db/files/TextFormat.h"

namespace kiv::db::files {

// Reads the records of a text file one after the other, in chunks of a fixed size, so that
// memory stays the same whatever the size of the file. Quoted values may hold delimiters,
// line breaks and doubled quotes; lines end in CR, LF or CR LF; blank lines are skipped.
// The character set is decided from the first bytes of the file (TextDecoder::detect).
class TextReader {
public:
    // Chunk sizes: large for scans through whole files, small for the first rows only.
    static constexpr std::size_t ReadChunk = std::size_t{1} << 20;
    static constexpr std::size_t ScanChunk = std::size_t{64} << 10;
    // A longer record means a quote that is never closed; reading stops there rather than
    // holding the rest of the file in memory.
    static constexpr std::size_t MaxRecordBytes = std::size_t{16} << 20;
    // A quoted value may span this many lines; one that goes on is taken for a quote that is
    // never closed, which would swallow the rows after it.
    static constexpr std::int64_t MaxQuotedLines = 1000;

    // The format, and the notes when given, must outlive the reader; what reading has to
    // tell besides failures goes to the notes.
    TextReader(const TextFormat& format, std::size_t chunkSize, TextFileNotes* notes = nullptr);
    ~TextReader();
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // Positions the reader before the first line of the file, opening it when it is not open
    // yet. Throws std::runtime_error when it cannot be opened. The descriptions of the
    // exceptions leave the file to the caller to name.
    void start(const std::string& path);

    // Reads the next record; false at the end of the file. Throws std::runtime_error when the
    // file cannot be read, ends before the size it had when reading started (it was cut
    // short meanwhile), a record is too long or a quoted value is not closed.
    bool next();

    std::size_t fieldCount() const { return fields_.size(); }
    // The text of a field of the current record; empty for an empty field and for fields
    // past the end of the record. Valid until the next call of next().
    std::string_view field(std::size_t index) const;
    // The line the current record starts on, counting from 1.
    std::int64_t line() const { return recordLine_; }
    // The character set the file is read in, as decided when it was started.
    TextFormat::Charset charset() const { return charset_; }
    // UTF-8 bytes read so far.
    std::size_t consumed() const { return consumed_ + pos_; }
    // Bytes of the file read so far, and its size when reading started.
    std::uint64_t bytesRead() const { return bytesRead_; }
    std::uint64_t fileSize() const { return fileSize_; }

private:
    struct Field {
        std::uint32_t offset;
        std::uint32_t length;
    };

    void decide();
    bool fill();
    void noteFallback();
    void endField(std::size_t& fieldStart);
    void splitFixed();

    const TextFormat& format_;
    // The characters that end a run of plain characters outside and inside quotes.
    std::array<bool, 256> unquotedStops_{};
    std::array<bool, 256> quotedStops_{};
    std::size_t chunkSize_;
    TextFileNotes* notes_;
    int fd_ = -1;
    std::string path_;
    std::optional<TextDecoder> decoder_;
    TextFormat::Charset charset_;
    std::string raw_;     // bytes as read
    std::string buffer_;  // the same as UTF-8
    std::size_t pos_ = 0;
    std::size_t consumed_ = 0;
    // Size of a regular file when reading started (0 for others), and the bytes read since.
    std::uint64_t bytesRead_ = 0;
    std::uint64_t fileSize_ = 0;
    bool eof_ = false;
    bool afterCr_ = false;  // the last line ended in CR; an LF right after it belongs to it
    std::int64_t line_ = 1;
    std::int64_t recordLine_ = 0;
    std::string record_;  // the values of the current record, one after the other
    std::vector<Field> fields_;
};

}  // namespace kiv::db::files
