// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The number of an out-of-memory error; other errors from outside the store
// carry store::ErrorCode::Internal.
inline constexpr int kOutOfMemoryError = 7;

// An error as the user is told of it.
struct ErrorReport {
    int number;
    QString description;
};

// The exception being handled, whatever its type. Call only inside a catch block.
ErrorReport currentError();
