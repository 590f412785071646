#include "db/Connection.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "db/Command.h"
#include "db/Engine.h"
#include "db/EngineFactory.h"
#include "db/Recordset.h"

namespace kiv::db {

namespace {

constexpr const char* Source = "Kiv.Connection";

template <typename T>
void prune(std::vector<std::weak_ptr<T>>& items) {
    std::erase_if(items, [](const std::weak_ptr<T>& item) { return item.expired(); });
}

}  // namespace

Connection::Connection() = default;

Connection::~Connection() {
    if (engine_) {
        try {
            Close();
        } catch (const Error&) {
            // Nobody is left to tell; what was written before stays written.
        }
    }
}

std::string Connection::Version() const {
    return KIV_VERSION;
}

void Connection::Open(std::string_view connectString, std::string_view, std::string_view, long) {
    try {
        if (engine_) {
            throw Error::layer(adErrObjectOpen, Source,
                               "Operation is not allowed when the object is open.");
        }
        if (!connectString.empty()) {
            connectionString_ = std::string(connectString);
        }
        std::shared_ptr<Engine> engine = EngineFactory::open(connectionString_, mode_, notices_);
        provider_ = engine->provider();
        engine_ = std::move(engine);
    } catch (const Error& error) {
        report(error);
        throw;
    }
}

void Connection::Close() {
    if (!engine_) {
        const Error error = Error::layer(adErrObjectClosed, Source,
                                         "Operation is not allowed when the object is closed.");
        report(error);
        throw error;
    }
    // Everything runs to the end even when one part fails, so the connection is closed
    // afterwards; the first failure is reported.
    std::optional<Error> failure;
    for (const auto& weak : std::exchange(recordsets_, {})) {
        if (std::shared_ptr<Recordset> recordset = weak.lock();
            recordset && recordset->State() != adStateClosed) {
            try {
                recordset->close();
            } catch (const Error& error) {
                if (!failure) {
                    failure = error;
                }
            }
        }
    }
    for (const auto& weak : std::exchange(commands_, {})) {
        if (std::shared_ptr<Command> command = weak.lock()) {
            try {
                command->release();
            } catch (const Error& error) {
                if (!failure) {
                    failure = error;
                }
            }
        }
    }
    try {
        std::exchange(engine_, nullptr)->close();
    } catch (const Error& error) {
        if (!failure) {
            failure = error;
        }
    }
    if (failure) {
        report(*failure);
        throw *failure;
    }
}

std::shared_ptr<Recordset> Connection::Execute(std::string_view commandText, long* recordsAffected,
                                               long) {
    std::unique_ptr<Cursor> cursor;
    long affected = -1;
    try {
        cursor = engine()->execute(commandText, affected);
    } catch (const Error& error) {
        report(error);
        throw;
    }
    if (recordsAffected != nullptr) {
        *recordsAffected = affected;
    }
    if (!cursor) {
        return nullptr;
    }
    auto recordset = std::make_shared<Recordset>();
    recordset->openOnCursor(std::move(cursor), weak_from_this().lock());
    return recordset;
}

void Connection::BeginTrans() {
    try {
        engine()->beginTransaction();
    } catch (const Error& error) {
        report(error);
        throw;
    }
}

void Connection::CommitTrans() {
    try {
        engine()->endTransaction(true);
    } catch (const Error& error) {
        report(error);
        throw;
    }
}

void Connection::RollbackTrans() {
    try {
        engine()->endTransaction(false);
    } catch (const Error& error) {
        report(error);
        throw;
    }
}

void Connection::CreateTable(std::string_view table, const std::vector<ColumnInfo>& columns,
                             bool replacing) {
    try {
        const bool exists = !engine()->tableColumns(table).empty();
        if (!exists || replacing) {
            engine()->createTable(table, columns, exists);
        }
    } catch (const Error& error) {
        report(error);
        throw;
    }
}

std::string Connection::WriteRefusal() const {
    return engine_ ? engine_->refusal() : std::string();
}

std::shared_ptr<Engine> Connection::engine() const {
    if (!engine_) {
        throw Error::layer(adErrInvalidConnection, Source,
                           "The connection cannot be used to perform this operation. It is either "
                           "closed or invalid in this context.");
    }
    return engine_;
}

void Connection::report(const Error& error) {
    errors_.Replace(error);
}

void Connection::enlist(const std::shared_ptr<Recordset>& recordset) {
    prune(recordsets_);
    recordsets_.push_back(recordset);
}

void Connection::enlist(const std::shared_ptr<Command>& command) {
    prune(commands_);
    const bool known = std::any_of(commands_.begin(), commands_.end(),
                                   [&](const auto& weak) { return weak.lock() == command; });
    if (!known) {
        commands_.push_back(command);
    }
}

}  // namespace kiv::db
