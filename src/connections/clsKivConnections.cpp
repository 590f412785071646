#include "connections/clsKivConnections.h"

#include <stdexcept>

#include "base/Text.h"

namespace kiv {

std::shared_ptr<clsKivConnection> clsKivConnections::FindConnection(
    const db::Connection* connection) const {
    std::shared_ptr<clsKivConnection> found;
    if (connection == nullptr) {
        return found;
    }
    for (const auto& member : mItems) {
        if (member->ADOConnection() &&
            member->ADOConnection()->ConnectionString() == connection->ConnectionString()) {
            found = member;
        }
    }
    return found;
}

std::shared_ptr<clsKivConnection> clsKivConnections::PrimaryInputDataSource() const {
    for (const auto& member : mItems) {
        if (member->PrimaryInputDataSource()) {
            return member;
        }
    }
    return nullptr;
}

std::shared_ptr<clsKivConnection> clsKivConnections::AddFromFile(
    clsINIFile* reader, std::shared_ptr<clsEnvironmentVariables> environment,
    std::shared_ptr<clsMessages> messages, std::string_view name) {
    auto connection = std::make_shared<clsKivConnection>();
    connection->DebugLog(mclsDebugLog);
    connection->ErrorMessages(std::move(messages));
    connection->Environment(std::move(environment));
    connection->LoadSpecification(reader, name);
    mItems.Add(connection, name);
    return connection;
}

std::shared_ptr<clsKivConnection> clsKivConnections::Add(std::string_view name) {
    auto connection = std::make_shared<clsKivConnection>();
    connection->Name(std::string(name));
    mItems.Add(connection, name);
    return connection;
}

void clsKivConnections::Remove(long index) {
    if (!mItems.Remove(index)) {
        throw std::out_of_range("No connection at position " + text::decimal(index));
    }
}

void clsKivConnections::Remove(std::string_view name) {
    if (!mItems.Remove(name)) {
        throw std::out_of_range("No connection named " + std::string(name));
    }
}

void clsKivConnections::ErrorMessages(std::shared_ptr<clsMessages> messages) {
    mclsErrorMessages = std::move(messages);
    for (const auto& member : mItems) {
        member->ErrorMessages(mclsErrorMessages);
    }
}

void clsKivConnections::DebugLog(std::shared_ptr<clsDebugLog> log) {
    mclsDebugLog = std::move(log);
    for (const auto& member : mItems) {
        member->DebugLog(mclsDebugLog);
    }
}

void clsKivConnections::Dump(clsDebugLog* log) const {
    log = clsDebugLog::Chosen(log, mclsDebugLog);
    if (log == nullptr || !log->IsLogActive()) {
        return;
    }
    log->WriteLog("Number of Actual Connections: " + text::decimal(Count()));
    for (long i = 1; i <= Count(); ++i) {
        log->WriteLog("Definition of Connection " + text::decimal(i));
        log->IncrementIndent();
        if (const auto member = mItems.Item(i)) {
            member->Dump(log);
        } else {
            log->WriteLog("<< Not Set >>");
        }
        log->DecrementIndent();
        log->WriteLog("");
    }
}

}  // namespace kiv
