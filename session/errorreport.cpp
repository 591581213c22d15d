// SPDX-License-Identifier: MIT
#include "errorreport.h"

#include "error.h"

#include <exception>
#include <new>

ErrorReport currentError()
{
    try {
        throw;
    } catch (const store::Error& e) {
        return {e.number(), QString::fromStdString(e.description())};
    } catch (const std::bad_alloc&) {
        return {kOutOfMemoryError, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {static_cast<int>(store::ErrorCode::Internal), QString::fromUtf8(e.what())};
    } catch (...) {
        return {static_cast<int>(store::ErrorCode::Internal), QStringLiteral("Unknown error")};
    }
}
