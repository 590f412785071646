#pragma once

#include <memory>
#include <string>

#include "base/Variant.h"
#include "db/Constants.h"
#include "db/Parameters.h"

namespace kiv::db {

class Connection;
class PreparedStatement;
class Recordset;

// A statement prepared once on its connection and run again and again with new parameter
// values. The statement is prepared at the first Execute and kept until the text or the
// connection changes, so a lookup run for every row costs one preparation in all. What a
// command writes is made durable when it is released: when its text or connection changes,
// when its connection closes, or when it goes away.
class Command : public std::enable_shared_from_this<Command> {
public:
    Command();
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    std::shared_ptr<Connection> ActiveConnection() const noexcept { return connection_; }
    void ActiveConnection(std::shared_ptr<Connection> connection);
    const std::string& CommandText() const noexcept { return text_; }
    void CommandText(std::string text);
    // adCmdText (statement text) or adCmdTable (the text is a table name).
    long CommandType() const noexcept { return type_; }
    void CommandType(long type);

    db::Parameters& Parameters() noexcept { return parameters_; }
    const db::Parameters& Parameters() const noexcept { return parameters_; }
    std::shared_ptr<Parameter> CreateParameter(std::string name = {}, long type = adEmpty,
                                               long direction = adParamInput, long size = 0,
                                               Variant value = Variant()) const;

    // A statement that yields rows gives an open, streaming recordset positioned on its
    // first row; it stays readable until the command runs again, which closes it. Any
    // other statement gives an empty pointer and the number of rows it changed.
    std::shared_ptr<Recordset> Execute(long* recordsAffected = nullptr,
                                       long options = adCmdUnspecified);

private:
    friend class Connection;

    // Ends the prepared statement, making what it wrote durable.
    void release();

    std::shared_ptr<Connection> connection_;
    std::string text_;
    long type_ = adCmdText;
    db::Parameters parameters_;
    std::unique_ptr<PreparedStatement> statement_;
    std::weak_ptr<Recordset> result_;
};

}  // namespace kiv::db
