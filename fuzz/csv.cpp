// A folder of one text file and its schema.ini, both of any bytes (the input is the schema.ini
// section, a byte 1, then the file), read whole through SQL: the format options, the guessed
// or declared types, the reader.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "db/Notices.h"
#include "db/files/TextFolder.h"

namespace {

const std::string& folder() {
    static const std::string made = [] {
        std::string pattern = "/tmp/kiv-fuzz-csv-XXXXXX";
        return std::string(::mkdtemp(pattern.data()));
    }();
    return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = bytes.find('\x01');
    const std::string_view schema = split == std::string_view::npos ? "" : bytes.substr(0, split);
    const std::string_view file = split == std::string_view::npos ? bytes : bytes.substr(split + 1);
    std::ofstream(folder() + "/schema.ini", std::ios::binary | std::ios::trunc) << schema;
    std::ofstream(folder() + "/data.csv", std::ios::binary | std::ios::trunc) << file;
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    try {
        kiv::db::files::TextFolder texts(folder(), std::make_shared<kiv::db::Notices>());
        texts.attach(db);
        texts.refresh(db);
        sqlite3_exec(
            db, "SELECT * FROM [data.csv]", [](void*, int, char**, char**) { return 0; }, nullptr,
            nullptr);
    } catch (const std::runtime_error&) {
    }
    sqlite3_close(db);
    return 0;
}
