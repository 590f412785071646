#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Event.h"
#include "connections/KivConnectionType.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "diagnostics/clsMessages.h"
#include "settings/SubstitutedText.h"
#include "settings/clsEnvironmentVariables.h"
#include "settings/clsINIFile.h"

namespace kiv {

// One named data source of a package specification: builds its connect string, opens and
// closes its database connection, publishes what it opened in the environment and, as a
// primary input source over a file pattern, hands out the matching files one per opening.
class clsKivConnection {
public:
    clsKivConnection();
    ~clsKivConnection();
    clsKivConnection(const clsKivConnection&) = delete;
    clsKivConnection& operator=(const clsKivConnection&) = delete;

    bool ReadOnlyMode() const { return mbReadOnlyMode; }
    const std::shared_ptr<clsEnvironmentVariables>& Environment() const { return mclsEnvironment; }
    void Environment(std::shared_ptr<clsEnvironmentVariables> environment);
    bool PrimaryInputDataSource() const { return mbPrimaryInputDataSource; }
    void PrimaryInputDataSource(bool value);

    const std::string& Password() const { return mPassword.Value(); }
    void Password(std::string_view value);
    const std::string& UserID() const { return mUserID.Value(); }
    void UserID(std::string_view value);
    const std::string& DatabaseName() const { return mDatabaseName.Value(); }
    void DatabaseName(std::string_view value);
    const std::string& ServerName() const { return mServerName.Value(); }
    void ServerName(std::string_view value);

    const std::shared_ptr<db::Connection>& ADOConnection() const { return mADOConnection; }
    const std::string& Name() const { return msName; }
    // False when the connection was loaded by a name whose section the file does not have.
    bool IsDefined() const { return mbDefined; }
    // Says which section a connection that is not defined lacks.
    std::string NotDefinedText() const;
    void Name(std::string value) { msName = std::move(value); }
    KivConnectionTypeEnum KivConnectionType() const { return menumKivConnectionType; }
    void KivConnectionType(KivConnectionTypeEnum value);

    void Dump(clsDebugLog* log = nullptr) const;
    const std::shared_ptr<clsDebugLog>& DebugLog() const { return mclsDebugLog; }
    void DebugLog(std::shared_ptr<clsDebugLog> log);
    const std::shared_ptr<clsMessages>& ErrorMessages() const { return mclsErrorMessages; }
    void ErrorMessages(std::shared_ptr<clsMessages> messages) {
        mclsErrorMessages = std::move(messages);
    }

    // Closes the connection when it is open. Returns why closing failed, or "" when it did not:
    // a workbook is saved only when its connection closes.
    std::string CloseConnection();
    bool LoadSpecification(clsINIFile* reader, std::string_view name);
    const std::string& CurrentDatabaseName() const { return msCurrentDatabaseName; }
    // Opens the connection to read from it: a database file that does not exist is not
    // created but fails to open.
    bool OpenConnection();
    // Why the last OpenConnection failed, passwords masked; empty after a success.
    const std::string& OpenFailure() const { return msOpenFailure; }
    // Opens the connection to write to it, creating a database file that does not exist.
    bool OpenConnectionForWriting();
    bool IsOpen() const;
    std::int16_t CountMatchingDataSets();
    void mclsEnvironment_Changed(const std::string& name);

    // The columns of `table` (letter case ignored); the last listing when the connection
    // cannot be opened.
    std::shared_ptr<db::Recordset> TableStructureRecordset(std::string_view table);
    // Tables, views and procedures; the last listing when the connection cannot be opened.
    std::shared_ptr<db::Recordset> CatalogRecordset();

    // Raised after every successful opening while an environment is attached.
    Event<> ConnectionOpened;

private:
    void reset();
    void recompute();
    void setWritten(SubstitutedText& text, std::string_view value);
    bool open(bool forWriting);
    std::string buildConnectString(bool forWriting);
    std::string chooseFile();
    void listPatternFiles();
    void publishOpening(bool opened);
    void dumpConnectionInformation(clsDebugLog& log) const;

    std::string msName;
    std::string msDatabaseTypeText;
    KivConnectionTypeEnum menumKivConnectionType = kctUnknown;
    SubstitutedText mServerName, mDatabaseName, mUserID, mPassword;
    SubstitutedText mPrimaryInputText, mReadOnlyText;
    bool mbPrimaryInputDataSource = false;
    bool mbReadOnlyMode = false;
    bool mbDefined = true;
    std::shared_ptr<db::Connection> mADOConnection;
    std::string msPatternFolder;
    std::string msCurrentDatabaseName;
    std::string msOpeningConnectString;
    std::string msOpenFailure;
    std::int16_t miDataSetCount = -1;
    std::int16_t miDataSetIndex = 0;
    std::vector<std::string> mPatternFiles;
    std::unique_ptr<clsEnvironmentVariables> mclsAfterOpening;
    std::shared_ptr<clsEnvironmentVariables> mclsEnvironment;
    Subscription mEnvironmentSubscription;
    std::shared_ptr<clsMessages> mclsErrorMessages;
    std::shared_ptr<clsDebugLog> mclsDebugLog;
    std::shared_ptr<db::Recordset> mrcdCatalog;
    std::shared_ptr<db::Recordset> mrcdTableStructure;
};

}  // namespace kiv
