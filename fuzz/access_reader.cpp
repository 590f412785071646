// The program's side of an Access database's reader process: a child that sends any bytes as the
// tables' definitions and its answers to the commands, whose rows are then split into values.
// The child sends them all at once and takes the commands without answering; when the program
// waits for more than it sent, the child ends after 20 ms without a command.
#include <sys/time.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "db/access/AccessCursor.h"
#include "db/access/AccessReader.h"
#include "db/cells/ReaderProcess.h"

using kiv::db::access::AccessCursor;
using kiv::db::access::AccessReader;
using kiv::db::access::AccessTable;
using kiv::db::cells::ReaderProcess;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const auto reader = std::make_shared<AccessReader>(
            "fuzz.mdb",
            [&](ReaderProcess::Output& output) {
                // The fuzzer's own handler of the alarm is inherited: the alarm ends the child.
                std::signal(SIGALRM, SIG_DFL);
                output.put(bytes);
                do {
                    const itimerval wait{{0, 0}, {0, 20000}};
                    ::setitimer(ITIMER_REAL, &wait, nullptr);
                } while (output.command());
            },
            ReaderProcess::Limits{});
        for (const AccessTable& table : reader->tables()) {
            AccessCursor cursor(reader, table);
            cursor.rewind(~std::uint32_t{0});
            while (cursor.next()) {
            }
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
