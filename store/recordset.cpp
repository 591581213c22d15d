// SPDX-License-Identifier: MIT
#include "recordset.h"

#include "connection.h"
#include "deck.h"
#include "error.h"

#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <utility>

namespace store {
namespace {

// Records after the current one are read this many at a time: each query is
// a read transaction of its own, and walking the table (deleting every
// entry) would otherwise spend its time taking file locks.
constexpr int kReadAhead = 32;

// Field names, matched without regard to case.
constexpr std::pair<std::string_view, Value Record::*> kFields[] = {
    {"ID", &Record::id},
    {"Question", &Record::question},
    {"Description", &Record::description},
};

Value Record::*fieldNamed(std::string_view name)
{
    for (const auto& [fieldName, member] : kFields) {
        if (name.size() == fieldName.size()
            && sqlite3_strnicmp(name.data(), fieldName.data(), static_cast<int>(name.size())) == 0)
            return member;
    }
    throw Error(ErrorCode::NoField, "The record set has no field '" + std::string(name) + "'");
}

// The description of a NoCurrentRecord error: when the record set holds no
// entries at all the user is told so plainly, otherwise `detail` says why.
std::string noCurrentRecord(const EntrySelection& source, bool noEntries, const std::string& detail)
{
    if (!noEntries)
        return "No current record: " + detail;
    return source.wholeTable() ? "No current record: there are no entries in the table Questions"
                               : "No current record: there is no entry with ID " + std::to_string(*source.id);
}

} // namespace

RecordSet::RecordSet(Connection& connection, EntrySelection source, const RecordSetHooks& hooks)
    : connection_(connection), source_(source), hooks_(hooks)
{
    row_ = next(Direction::First);
    empty_ = !row_;
    if (row_) {
        position_ = std::get<std::int64_t>(row_->id);
        reached_ = 1;
    }
}

long RecordSet::RecordCount() const
{
    enter("RecordCount");
    return empty_ ? 0 : std::max(reached_, 1L);
}

void RecordSet::MoveFirst()
{
    enter("MoveFirst");
    moveTo(Direction::First);
}

void RecordSet::MoveNext()
{
    enter("MoveNext");
    if (eof_ || !position_)
        throw Error(ErrorCode::NoCurrentRecord,
                    noCurrentRecord(source_, empty_, "the record set is past its last entry"));
    moveTo(Direction::Next);
}

void RecordSet::MoveLast()
{
    enter("MoveLast");
    moveTo(Direction::Last);
}

void RecordSet::moveTo(Direction direction)
{
    settlePending();
    auto row = next(direction);
    if (!row && direction != Direction::Next)
        throw Error(ErrorCode::NoCurrentRecord, noCurrentRecord(source_, true, {}));

    row_ = std::move(row);
    eof_ = !row_;
    if (row_) {
        position_ = std::get<std::int64_t>(row_->id);
        empty_ = false;
        reached_ = direction == Direction::Next ? reached_ + 1 : std::max(reached_, 1L);
    }
    changed();
}

Value RecordSet::Fields(std::string_view name) const
{
    enter("Fields");
    const auto field = fieldNamed(name);
    const auto record = current();
    if (!record)
        throw Error(ErrorCode::NoCurrentRecord,
                    noCurrentRecord(source_, empty_, "there is no entry to read '" + std::string(name) + "' from"));
    return (*record).*field;
}

void RecordSet::AddNew()
{
    enter("AddNew");
    settlePending();
    pending_ = held_ ? std::exchange(held_, std::nullopt) : Record{std::monostate{}, std::string(), std::string()};
    changed();
}

void RecordSet::Update()
{
    enter("Update");
    if (!pending_)
        return; // nothing pending: nothing to store
    if (isBlank(*pending_))
        pending_.reset();
    else
        storePending();
    changed();
}

void RecordSet::CancelUpdate()
{
    enter("CancelUpdate");
    if (!pending_)
        return;
    pending_.reset();
    changed();
}

void RecordSet::Delete()
{
    enter("Delete");
    if (!row_)
        throw Error(ErrorCode::NoCurrentRecord, noCurrentRecord(source_, empty_, "there is no entry to delete"));
    Deck(connection_).removeId(std::get<std::int64_t>(row_->id));
    row_.reset(); // position_ stays: MoveNext goes on after the deleted entry
    fileChanged();
    changed();
}

std::optional<Record> RecordSet::current() const
{
    return pending_ ? pending_ : row_;
}

void RecordSet::setPendingField(Value Record::*field, std::string text)
{
    if (pending_)
        (*pending_).*field = std::move(text);
}

void RecordSet::settlePending()
{
    if (!pending_)
        return;
    if (isBlank(*pending_))
        pending_.reset();
    else
        storePending();
}

const Record* RecordSet::typedEntry() const
{
    if (pending_ && !isBlank(*pending_))
        return &*pending_;
    return held_ ? &*held_ : nullptr;
}

void RecordSet::forgetTypedEntry()
{
    if (pending_ && !isBlank(*pending_))
        pending_.reset();
    else
        held_.reset();
}

void RecordSet::storePending()
{
    storeEntry(connection_, *pending_);
    pending_.reset(); // stored: the record current before AddNew is current again
    ahead_.clear();   // the new entry may belong among the records read ahead
    fileChanged();
}

void storeEntry(Connection& connection, const Record& entry)
{
    Deck(connection).add(toText(entry.question), toText(entry.description));
}

bool isBlank(const Record& entry)
{
    return toText(entry.question).empty() && toText(entry.description).empty();
}

std::optional<Record> RecordSet::next(Direction direction)
{
    if (direction != Direction::Next)
        ahead_.clear();
    if (ahead_.empty())
        ahead_ = fetch(direction);
    if (ahead_.empty())
        return std::nullopt;
    Record row = std::move(ahead_.front());
    ahead_.pop_front();
    return row;
}

std::deque<Record> RecordSet::fetch(Direction direction) const
{
    // The view is a range of IDs: the whole table, or one ID.
    const std::int64_t lowest = source_.id.value_or(std::numeric_limits<std::int64_t>::min());
    const std::int64_t highest = source_.id.value_or(std::numeric_limits<std::int64_t>::max());
    std::vector<Record> rows =
        direction == Direction::Next
            ? Deck(connection_).records(lowest, highest, position_, kReadAhead, false)
            : Deck(connection_).records(lowest, highest, std::nullopt, 1, direction == Direction::Last);
    return {std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end())};
}

void RecordSet::enter(std::string_view operation) const
{
    if (hooks_.beforeOperation)
        hooks_.beforeOperation(operation);
}

void RecordSet::fileChanged() const
{
    if (hooks_.fileChanged)
        hooks_.fileChanged();
}

void RecordSet::changed() const
{
    if (hooks_.currentChanged)
        hooks_.currentChanged();
}

} // namespace store
