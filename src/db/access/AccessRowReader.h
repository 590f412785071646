#pragma once

#include "db/access/Mdb.h"

#include <string>
#include <vector>

#include "db/cells/ReaderProcess.h"

namespace kiv::db::access {

// The rows of one Access table read through mdbtools inside a reader process, sent to the
// program in batches. Each row is `Row` and one value per column: `Null`; `Integer` and eight
// bytes; `Real` and a double; `Text` or `Blob` and a four-byte length and the bytes. A batch
// ends with `Batch` when more rows follow, with `End` after the last row.
class AccessRowReader {
public:
    enum Marker : char {
        Ready = 'k',
        Row = 'R',
        Batch = 'B',
        End = 'E',
        Null = 'n',
        Integer = 'i',
        Real = 'd',
        Text = 't',
        Blob = 'b'
    };
    enum Command : char { NextBatch = 'n', Rewind = 'r' };

    // Reads through a handle of its own on the file of `database`, with a file position of its
    // own. Throws std::runtime_error when the table cannot be read.
    AccessRowReader(MdbHandle* database, const std::string& table);
    ~AccessRowReader();
    AccessRowReader(const AccessRowReader&) = delete;
    AccessRowReader& operator=(const AccessRowReader&) = delete;

    // Sends Ready and the number of columns, then carries out the program's commands until it
    // sends no more.
    void serve(cells::ReaderProcess::Output& output);

private:
    void sendBatch(cells::ReaderProcess::Output& output);
    // Puts the value of a column of the current row. Dates go as yyyy-mm-dd hh:mm:ss text
    // converted from the stored day numbers, which hold every date the database can
    // (mdbtools' own text form is wrong outside 1900-9999).
    void putValue(cells::ReaderProcess::Output& output, std::size_t column);
    void putNumber(cells::ReaderProcess::Output& output, int type, int start);
    // A date outside the years 100 to 9999 no date value holds goes as its day number.
    void putDate(cells::ReaderProcess::Output& output, double serial);
    void putText(cells::ReaderProcess::Output& output, int type, int start, int length);
    void putObject(cells::ReaderProcess::Output& output, std::size_t column);

    MdbHandle* handle_;
    S_MdbTableDef* table_;
    std::vector<std::vector<char>> objectBuffers_;  // by column; only OLE columns have one
};

}  // namespace kiv::db::access
