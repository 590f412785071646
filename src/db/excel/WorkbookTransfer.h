#pragma once

#include "db/cells/ReaderProcess.h"
#include "db/excel/Workbook.h"

namespace kiv::db::excel {

// A workbook read in a reader process, sent to the program in a compact binary form: counts
// and lengths as 32-bit numbers, numbers as they are held, texts as their bytes.
class WorkbookTransfer {
public:
    static void send(const Workbook& workbook, cells::ReaderProcess::Output& output);
    // Throws std::runtime_error when the reader fails or what it sends is malformed.
    static Workbook receive(cells::ReaderProcess& reader);
};

}  // namespace kiv::db::excel
