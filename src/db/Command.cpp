#include "db/Command.h"

#include <utility>

#include "db/Connection.h"
#include "db/Engine.h"
#include "db/Recordset.h"
#include "db/SqlText.h"

namespace kiv::db {

Command::Command() = default;

Command::~Command() {
    try {
        release();
    } catch (const Error&) {
        // Nobody is left to tell; what was written before stays written.
    }
}

void Command::ActiveConnection(std::shared_ptr<Connection> connection) {
    if (connection != connection_) {
        release();
        connection_ = std::move(connection);
    }
}

void Command::CommandText(std::string text) {
    if (text != text_) {
        release();
        text_ = std::move(text);
    }
}

void Command::CommandType(long type) {
    if (type != type_) {
        release();
        type_ = type;
    }
}

std::shared_ptr<Parameter> Command::CreateParameter(std::string name, long type, long direction,
                                                    long size, Variant value) const {
    return std::make_shared<Parameter>(std::move(name), type, direction, size, std::move(value));
}

std::shared_ptr<Recordset> Command::Execute(long* recordsAffected, long) {
    if (!connection_) {
        throw Error::layer(adErrInvalidConnection, "Kiv.Command",
                           "The connection cannot be used to perform this operation. It is either "
                           "closed or invalid in this context.");
    }
    // The previous result reads from the same prepared statement, which is about to run
    // again.
    if (std::shared_ptr<Recordset> previous = result_.lock();
        previous && previous->State() != adStateClosed) {
        previous->Close();
    }
    std::unique_ptr<Cursor> cursor;
    long affected = -1;
    try {
        const std::shared_ptr<Engine> engine = connection_->engine();
        if (!statement_) {
            statement_ = engine->prepare(
                type_ == adCmdTable ? "SELECT * FROM " + SqlText::bracket(text_) : text_);
            if (std::shared_ptr<Command> self = weak_from_this().lock()) {
                connection_->enlist(self);
            }
        }
        cursor = statement_->run(parameters_, affected);
    } catch (const Error& error) {
        connection_->report(error);
        throw;
    }
    if (recordsAffected != nullptr) {
        *recordsAffected = affected;
    }
    if (!cursor) {
        return nullptr;
    }
    auto recordset = std::make_shared<Recordset>();
    recordset->openOnCursor(std::move(cursor), connection_);
    result_ = recordset;
    return recordset;
}

void Command::release() {
    std::unique_ptr<PreparedStatement> statement = std::move(statement_);
    if (std::shared_ptr<Recordset> previous = result_.lock();
        previous && previous->State() != adStateClosed) {
        previous->close();
    }
    if (statement) {
        try {
            statement->close();
        } catch (const Error& error) {
            if (connection_) {
                connection_->report(error);
            }
            throw;
        }
    }
}

}  // namespace kiv::db
