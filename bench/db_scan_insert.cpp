// Reads a CSV file through the text-folder engine and inserts every row through a target
// recordset into a new SQLite file: the path every load from text files into a database
// takes. Prints the elapsed time and the process's peak memory.
//
//   db_scan_insert FOLDER FILE.csv TARGET.db
//
// The target database must hold the table `bench` with the CSV's columns.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Field.h"
#include "db/Recordset.h"

namespace {

long peakMemoryKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long copyRows(const std::string& folder, const std::string& file, const std::string& target) {
    auto text = std::make_shared<kiv::db::Connection>();
    text->Open("Driver={Microsoft Text Driver (*.txt; *.csv)};DBQ=" + folder + ";");
    auto database = std::make_shared<kiv::db::Connection>();
    database->Open("Provider=SQLite;Data Source=" + target);

    auto source = std::make_shared<kiv::db::Recordset>();
    source->Open("SELECT * FROM [" + file + "]", text, kiv::db::adOpenForwardOnly,
                 kiv::db::adLockReadOnly, kiv::db::adCmdText);
    auto destination = std::make_shared<kiv::db::Recordset>();
    destination->Open("SELECT * FROM [bench]", database, kiv::db::adOpenKeyset,
                      kiv::db::adLockOptimistic, kiv::db::adCmdText);

    // Fields are bound once, as the column mappings of a load bind theirs.
    std::vector<std::pair<kiv::db::Field*, kiv::db::Field*>> bound;
    for (long i = 0; i < source->Fields().Count(); ++i) {
        bound.emplace_back(source->Fields().Item(i).get(), destination->Fields().Item(i).get());
    }
    long rows = 0;
    for (; !source->EOF(); source->MoveNext()) {
        destination->AddNew();
        for (const auto& [from, to] : bound) {
            to->Value(from->Value());
        }
        destination->Update();
        ++rows;
    }
    destination->Close();
    source->Close();
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: db_scan_insert FOLDER FILE.csv TARGET.db\n");
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        const long rows = copyRows(argv[1], argv[2], argv[3]);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        std::printf("rows %ld seconds %.3f peak_kib %ld\n", rows, elapsed.count(), peakMemoryKiB());
        return 0;
    } catch (const kiv::db::Error& error) {
        std::fprintf(stderr, "db_scan_insert: %s\n", error.Description().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "db_scan_insert: %s\n", error.what());
    }
    return 1;
}
