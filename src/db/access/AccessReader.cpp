#include "db/access/AccessReader.h"

#include <optional>
#include <stdexcept>

#include "db/access/AccessProtocol.h"
#include "db/access/AccessService.h"

namespace kiv::db::access {

using cells::ReaderProcess;

template <typename Call>
auto AccessReader::guarded(Call&& call) {
    if (!failure_.empty()) {
        throw std::runtime_error(failure_);
    }
    try {
        return call();
    } catch (const std::runtime_error& failure) {
        failure_ = failure.what();
        throw;
    }
}

AccessReader::AccessReader(const std::string& path)
    : AccessReader(
          path, [path](ReaderProcess::Output& output) { AccessService::serve(path, output); },
          ReaderProcess::limitsFor(path)) {}

AccessReader::AccessReader(const std::string& path, const ReaderProcess::Work& serve,
                           ReaderProcess::Limits limits)
    : path_(path), process_(serve, limits) {
    guarded([&] {
        for (auto count = process_.takeValue<std::uint32_t>(); count > 0; --count) {
            tables_.push_back(AccessTable::receive(process_));
        }
    });
}

std::uint32_t AccessReader::open(const std::string& table) {
    std::uint32_t index = 0;
    while (index < tables_.size() && tables_[index].name != table) {
        ++index;
    }
    if (index == tables_.size()) {
        throw std::runtime_error("the database has no table " + table);
    }
    std::optional<std::string> refusal;
    const std::uint32_t reader = guarded([&] {
        process_.command({AccessProtocol::Open, index});
        const auto answer = process_.takeValue<char>();
        if (answer == AccessProtocol::Refused) {
            refusal = process_.takeText();
            return std::uint32_t{0};
        }
        if (answer != AccessProtocol::Opened) {
            process_.malformed();
        }
        return process_.takeValue<std::uint32_t>();
    });
    if (refusal) {
        throw std::runtime_error(*refusal);
    }
    return reader;
}

bool AccessReader::start(std::uint32_t reader, std::uint32_t columns, std::string& batch) {
    return this->batch({AccessProtocol::Start, std::uint64_t{columns} << 32 | reader}, batch);
}

bool AccessReader::more(std::uint32_t reader, std::string& batch) {
    return this->batch({AccessProtocol::More, reader}, batch);
}

bool AccessReader::batch(ReaderProcess::Command command, std::string& batch) {
    return guarded([&] {
        process_.command(command);
        const bool last = process_.takeValue<std::uint8_t>() != 0;
        batch.assign(process_.takeText());
        return last;
    });
}

void AccessReader::close(std::uint32_t reader) noexcept {
    try {
        guarded([&] { process_.command({AccessProtocol::Close, reader}); });
    } catch (const std::runtime_error&) {
        // A reader that failed has nothing left to close.
    }
}

void AccessReader::malformed() {
    try {
        process_.malformed();
    } catch (const std::runtime_error& failure) {
        failure_ = failure.what();
        throw;
    }
}

}  // namespace kiv::db::access
