#pragma once

// Small helpers shared by the store's tests.

#include "datacontrol.h"
#include "error.h"
#include "tempdeck.h"
#include "value.h"

#include <QList>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The store::Error that `work` raises, or nothing when it returns normally.
// Any other exception passes on and fails the test.
template <class Work>
std::optional<store::Error> errorFrom(Work&& work)
{
    try {
        work();
    } catch (const store::Error& e) {
        return e;
    }
    return std::nullopt;
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Points `data` at the deck's file and opens the whole table, as the window's
// connection step does.
inline void openWholeTable(store::DataControl& data, const TempDeck& deck)
{
    data.setDatabaseName(deck.path());
    data.setRecordSource("Questions");
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

inline QList<qint64> idsOf(const std::vector<TestEntry>& entries)
{
    QList<qint64> ids;
    for (const auto& e : entries)
        ids.push_back(e.id);
    return ids;
}

// Entries with the given IDs, texts "term ID" and "definition ID".
inline std::vector<TestEntry> withIds(const QList<qint64>& ids)
{
    std::vector<TestEntry> entries;
    for (const auto id : ids)
        entries.push_back({id, "term " + std::to_string(id), "definition " + std::to_string(id)});
    return entries;
}

// Asserts inside a test function that `work` raises store::Error with `code`
// and a description containing `says`.
#define VERIFY_STORE_ERROR(work, code, says)                                                   \
    do {                                                                                       \
        const auto raised_ = errorFrom([&] { work; });                                         \
        QVERIFY2(raised_.has_value(), "no store::Error was raised by: " #work);                \
        QCOMPARE(raised_->number(), static_cast<int>(code));                                   \
        QVERIFY2(contains(raised_->description(), says), raised_->description().c_str());      \
    } while (false)
