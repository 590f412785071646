#include "db/access/AccessDatabase.h"

#include "db/access/Mdb.h"

#include <array>
#include <fstream>
#include <stdexcept>

#include "base/Text.h"

namespace kiv::db::access {

namespace {

// What the first page of a database says at offset 4.
constexpr std::array<std::string_view, 2> Signatures = {"Standard Jet DB", "Standard ACE DB"};

// Checked before mdbtools sees the file, so that a file of another kind gets a clear
// description instead of the library's messages.
bool looksLikeDatabase(const std::string& path) {
    std::array<char, 19> bytes{};
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), bytes.size());
    const std::string_view head(bytes.data(), static_cast<std::size_t>(in.gcount()));
    for (const std::string_view signature : Signatures) {
        if (head.size() >= 4 + signature.size() && head.substr(4, signature.size()) == signature) {
            return true;
        }
    }
    return false;
}

}  // namespace

AccessDatabase::AccessDatabase(const std::string& path)
    : handle_(looksLikeDatabase(path) ? mdb_open(path.c_str(), MDB_NOFLAGS) : nullptr) {
    if (handle_ == nullptr) {
        throw std::runtime_error("the file is not an Access database");
    }
    if (mdb_read_catalog(handle_, MDB_ANY) == nullptr) {
        mdb_close(handle_);
        throw std::runtime_error("the catalog of the database cannot be read");
    }
}

AccessDatabase::~AccessDatabase() {
    mdb_close(handle_);
}

std::vector<MdbCatalogEntry*> AccessDatabase::tables() const {
    std::vector<MdbCatalogEntry*> entries;
    for (unsigned int i = 0; i < handle_->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(handle_->catalog, i));
        if (entry->object_type == MDB_TABLE) {
            entries.push_back(entry);
        }
    }
    return entries;
}

bool AccessDatabase::isSystemTable(const MdbCatalogEntry* entry) {
    return (static_cast<unsigned int>(entry->flags) & 0x80000002u) != 0 ||
           text::istartsWith(entry->object_name, "MSys");
}

}  // namespace kiv::db::access
