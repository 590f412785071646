#pragma once

#include <memory>
#include <string_view>

#include "base/Collection.h"
#include "connections/clsKivConnection.h"

namespace kiv {

// The data connections of one package specification, keyed by name (letter case ignored),
// in the order they were first named.
class clsKivConnections {
public:
    // The member whose own connection currently has the same connect string as `connection`;
    // the last one when several do.
    std::shared_ptr<clsKivConnection> FindConnection(const db::Connection* connection) const;
    // The first member marked as the primary input source.
    std::shared_ptr<clsKivConnection> PrimaryInputDataSource() const;
    // Loads the connection from its section; a name already present is an error of the caller.
    std::shared_ptr<clsKivConnection> AddFromFile(clsINIFile* reader,
                                                  std::shared_ptr<clsEnvironmentVariables> environment,
                                                  std::shared_ptr<clsMessages> messages,
                                                  std::string_view name);
    std::shared_ptr<clsKivConnection> Add(std::string_view name);
    std::shared_ptr<clsKivConnection> Item(long index) const { return mItems.Item(index); }
    std::shared_ptr<clsKivConnection> Item(std::string_view name) const { return mItems.Item(name); }
    long Count() const { return mItems.Count(); }
    // A missing entry is an error of the caller (std::out_of_range).
    void Remove(long index);
    void Remove(std::string_view name);
    auto begin() const { return mItems.begin(); }
    auto end() const { return mItems.end(); }
    void Clear() { mItems.Clear(); }

    void ErrorMessages(std::shared_ptr<clsMessages> messages);
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    void Dump(clsDebugLog* log = nullptr) const;

private:
    Collection<clsKivConnection> mItems;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<clsMessages> mclsErrorMessages;
};

}  // namespace kiv
