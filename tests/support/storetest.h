// SPDX-License-Identifier: MIT
#pragma once

// Helpers for tests that work on the store directly: the errors it raises,
// and a data control opened on a deck as the window's connection step opens it.

#include "datacontrol.h"
#include "error.h"
#include "recordsource.h"
#include "tempdeck.h"
#include "value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// The store::Error that `work` raises, or nothing when it returns normally.
// Any other exception passes on and fails the test.
template <class Work>
std::optional<store::Error> errorFrom(Work&& work)
{
    try {
        std::forward<Work>(work)();
    } catch (const store::Error& e) {
        return e;
    }
    return std::nullopt;
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Asserts inside a test function that `work` raises store::Error with `code`
// and a description containing `says`.
#define VERIFY_STORE_ERROR(work, code, says)                                                                           \
    do {                                                                                                               \
        const auto raised_ = errorFrom([&] { work; });                                                                 \
        QVERIFY2(raised_.has_value(), "no store::Error was raised by: " #work);                                        \
        QCOMPARE(raised_->number(), static_cast<int>(code));                                                           \
        QVERIFY2(contains(raised_->description(), says), raised_->description().c_str());                              \
    } while (false)

// Points `data` at the deck's file and opens the whole table.
inline void openWholeTable(store::DataControl& data, const TempDeck& deck)
{
    data.setDatabaseName(deck.path());
    data.setRecordSource(store::kWholeTableSource);
    data.Refresh();
}

inline std::int64_t currentId(store::DataControl& data)
{
    return std::get<std::int64_t>(data.Recordset().Fields("ID"));
}

inline std::string fieldText(store::DataControl& data, const char* field)
{
    return store::toText(data.Recordset().Fields(field));
}
