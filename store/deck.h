// SPDX-License-Identifier: MIT
#pragma once

#include "recordset.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class Connection;

// The largest ID the Review screen can draw: it picks IDs as 16-bit signed
// integers, so an entry above this can never be shown there. New entries
// never get an ID above it.
inline constexpr std::int64_t kLargestReviewableId = 32767;

// One entry with its texts as the drill's boxes show them (toText).
struct Entry {
    std::int64_t id = 0;
    std::string term;
    std::string definition;

    bool operator==(const Entry&) const = default;
    bool blank() const { return term.empty() && definition.empty(); }
};

// A fingerprint of an entry's two texts: equal texts give equal
// fingerprints, changed ones almost surely not.
std::uint64_t fingerprint(std::string_view term, std::string_view definition);

// What `check` and the editor's status bar tell about a deck.
struct DeckCounts {
    std::int64_t count = 0;
    std::int64_t lowest = 0; // the ID range, when count > 0
    std::int64_t highest = 0;
    std::int64_t belowOne = 0; // entries with an ID the random pick never draws
    std::int64_t gaps = 0;     // runs of IDs from 1 to the largest that no entry has
    std::int64_t blank = 0;    // entries whose two texts are empty
};

// The counts of a deck with these IDs, in ascending order, without its
// texts (blank stays 0): what a window that holds the IDs can tell at once.
DeckCounts countsOf(const std::vector<std::int64_t>& ids);

// The table Questions of one open file, with its rules: the only code that
// speaks SQL to it.
//
// - A new entry gets the next ID, one above the largest and at least 1, and
//   never one above kLargestReviewableId: such an add is refused with
//   ErrorCode::DeckFull, whose message names 'verbrio-deck compact' when
//   renumbering would make room. Entries already above it, in decks made
//   elsewhere, are read and drawn as ever.
// - An entry whose two texts are empty is never added (ErrorCode::BlankEntry).
// - Texts are stored exactly as given.
// - Changes and deletes can be conditional: they write only when every entry
//   still holds what the caller last read, and otherwise change nothing and
//   raise ErrorCode::ChangedElsewhere, naming the first entry that differs.
// - Work on many entries is one statement per chunk inside one transaction.
//
// Each write is one transaction, and switches the file to WAL once committed
// (Connection::write); inside a transaction the caller has begun, it joins
// that one. A Deck holds nothing but its connection: make one where needed.
class Deck {
public:
    explicit Deck(Connection& connection);
    Deck(const Deck&) = delete;
    Deck& operator=(const Deck&) = delete;

    Connection& connection() { return connection_; }

    // Reading:
    // Every ID, ascending.
    std::vector<std::int64_t> ids();
    // The entry with `id`, or none.
    std::optional<Entry> entry(std::int64_t id);
    // The entries with `ids` that are there, in ID order: one read a chunk.
    std::vector<Entry> entries(const std::vector<std::int64_t>& ids);
    // Every entry in ID order, one at a time, in one read.
    void forEach(const std::function<void(const Entry&)>& visit);
    // The same without a copy of the texts: they are those a record shows
    // (NULL as empty text) and live only for the call.
    void
    forEachText(const std::function<void(std::int64_t id, std::string_view term, std::string_view definition)>& visit);
    // For each entry in ID order, its ID and the fingerprint of its texts,
    // in one pass over the file.
    void fingerprints(std::vector<std::int64_t>& ids, std::vector<std::uint64_t>& prints);
    // The same for the IDs from `first` to `last`.
    void fingerprints(std::int64_t first, std::int64_t last, std::vector<std::int64_t>& ids,
                      std::vector<std::uint64_t>& prints);
    // Up to `limit` records (the drill's Values) with IDs from `lowest` to
    // `highest`, above `after` when given, ascending or from the largest down.
    std::vector<Record> records(std::int64_t lowest, std::int64_t highest, std::optional<std::int64_t> after, int limit,
                                bool descending);
    bool hasEntryBetween(std::int64_t lowest, std::int64_t highest);
    // The IDs from `first` to `last`, ascending, of the entries whose term or
    // definition passes `test`, in one pass over the file.
    std::vector<std::int64_t> idsMatching(std::int64_t first, std::int64_t last,
                                          const std::function<bool(std::string_view)>& test);
    DeckCounts counts();
    // The largest ID; none in an empty deck.
    std::optional<std::int64_t> largestId();

    // The ID the next add would get; none when no ID up to
    // kLargestReviewableId is left above the largest.
    std::optional<std::int64_t> nextId();
    // How many entries an add could store now.
    std::int64_t room();
    // Raises DeckFull, with its message, unless `count` new entries fit.
    void checkRoom(std::int64_t count);

    // Writing:
    // Stores a new entry under the next ID; returns it.
    std::int64_t add(const std::string& term, const std::string& definition);
    // Stores `entries` in order under the next IDs, all or none; each then
    // carries its ID.
    void addAll(std::vector<Entry>& entries);
    // Puts entries back, each under its own ID when that is free, else under
    // the next ID; each then carries the ID it got. As they were: a blank
    // entry deleted is a blank entry restored.
    void restore(std::vector<Entry>& entries);
    // Replaces the texts of `expected` (conditional).
    void change(const Entry& expected, const std::string& term, const std::string& definition);
    // Deletes the entries, all or none (conditional).
    void remove(const std::vector<Entry>& expected);
    // Deletes the entry with `id`, whatever it holds (the drill's Delete).
    void removeId(std::int64_t id);
    // Gives the entries the IDs 1 to n in their order; returns how many moved.
    std::int64_t renumber();

private:
    template <class Work>
    void write(Work&& work);
    void expect(const std::vector<Entry>& expected);
    [[noreturn]] void refuseFull(std::int64_t wanted);

    Connection& connection_;
};

} // namespace store
