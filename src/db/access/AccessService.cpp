#include "db/access/AccessService.h"

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "db/access/AccessDatabase.h"
#include "db/access/AccessProtocol.h"
#include "db/access/AccessRowReader.h"
#include "db/access/AccessTable.h"

namespace kiv::db::access {

using cells::ReaderProcess;

AccessService::AccessService(const std::string& path, ReaderProcess::Output& output)
    : database_(path), tables_(database_.tables()), output_(output) {}

void AccessService::run() {
    output_.putValue(static_cast<std::uint32_t>(tables_.size()));
    for (MdbCatalogEntry* entry : tables_) {
        AccessTable::read(entry).send(output_);
    }
    while (const std::optional<ReaderProcess::Command> command = output_.command()) {
        carryOut(*command);
    }
}

void AccessService::carryOut(const ReaderProcess::Command& command) {
    switch (command.code) {
        case AccessProtocol::Open:
            open(command.argument);
            break;
        case AccessProtocol::Start: {
            const auto number = static_cast<std::uint32_t>(command.argument);
            reader(number).rewind(static_cast<std::uint32_t>(command.argument >> 32));
            sendBatch(number);
            break;
        }
        case AccessProtocol::More:
            sendBatch(static_cast<std::uint32_t>(command.argument));
            break;
        case AccessProtocol::Close:
            readers_.erase(static_cast<std::uint32_t>(command.argument));
            break;
        default:
            throw std::runtime_error("the program sent an unknown command");
    }
}

void AccessService::open(std::uint64_t table) {
    if (table >= tables_.size()) {
        throw std::runtime_error("the program asked for a table the database does not have");
    }
    try {
        readers_.emplace(next_, std::make_unique<AccessRowReader>(database_.handle(),
                                                                  tables_[table]->object_name));
    } catch (const std::runtime_error& failure) {
        output_.putValue(AccessProtocol::Refused);
        output_.putText(failure.what());
        return;
    }
    output_.putValue(AccessProtocol::Opened);
    output_.putValue(next_++);
}

AccessRowReader& AccessService::reader(std::uint32_t number) {
    const auto found = readers_.find(number);
    if (found == readers_.end()) {
        throw std::runtime_error("the program asked for a reader that is not open");
    }
    return *found->second;
}

void AccessService::sendBatch(std::uint32_t number) {
    batch_.clear();
    const bool last = reader(number).read(batch_);
    output_.putValue(static_cast<std::uint8_t>(last ? 1 : 0));
    output_.putText(batch_);
}

void AccessService::serve(const std::string& path, ReaderProcess::Output& output) {
    AccessService(path, output).run();
}

}  // namespace kiv::db::access
