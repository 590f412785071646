#pragma once

#include <gtest/gtest.h>

#include "db/Error.h"

namespace kiv::db::testing {

// The error a call throws; a test failure when it throws none.
template <typename Call>
Error errorOf(Call&& call) {
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no error was thrown";
    return Error(0, "", "", 0, "");
}

}  // namespace kiv::db::testing
