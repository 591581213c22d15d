#include "importer.h"

#include "connection.h"
#include "deck.h"
#include "deckerror.h"
#include "newentry.h"
#include "notefields.h"
#include "sourcelines.h"
#include "sourcesink.h"

#include <QString>

#include <SQLiteCpp/Transaction.h>

#include <algorithm>
#include <limits>
#include <set>
#include <utility>

namespace deck {
namespace {

constexpr std::size_t kPlacesShown = 5;

// Keeps the entries a reader finds, refusing an over-long text at once so
// that the error names the first refused line, and counts those it leaves out.
class CheckedEntries : public SourceSink {
public:
    CheckedEntries(bool allowLong, const char* place, ImportResult& result)
        : allowLong_(allowLong), place_(place), result_(result)
    {
    }

    void entry(SourceEntry entry) override
    {
        // Nothing to learn from, and never stored: counted, not refused.
        if (entry.term.empty() && entry.definition.empty()) {
            leftOut(entry.line, "with neither a term nor a definition");
            return;
        }
        if (!allowLong_) {
            refuseLong(entry.line, "term", entry.term);
            refuseLong(entry.line, "definition", entry.definition);
        }
        entries.push_back(std::move(entry));
    }
    void leftOut(long line, std::string reason) override
    {
        auto found = std::find_if(result_.leftOut.begin(), result_.leftOut.end(),
                                  [&](const LeftOut& kind) { return kind.reason == reason; });
        if (found == result_.leftOut.end())
            found = result_.leftOut.insert(found, LeftOut{std::move(reason), 0, {}});
        ++found->count;
        if (found->places.size() < kPlacesShown)
            found->places.push_back(line);
    }
    void note(std::string text) override { result_.notes.push_back(std::move(text)); }

    std::vector<SourceEntry> entries;

private:
    void refuseLong(long line, const char* side, const std::string& text) const
    {
        const long length = textLength(text);
        if (length > kLongestText)
            throw deckError(DeckErrorCode::TooLong,
                            std::string(place_) + " " + std::to_string(line) + ": the " + side + " is "
                                + std::to_string(length) + " characters long; Verbrio's boxes take at most "
                                + std::to_string(kLongestText) + " (give --allow-long to import it anyway)");
    }

    bool allowLong_;
    const char* place_;
    ImportResult& result_;
};

std::set<std::pair<std::string, std::string>> storedPairs(store::Connection& deck)
{
    std::set<std::pair<std::string, std::string>> pairs;
    store::Deck(deck).forEach([&](const store::Entry& entry) { pairs.emplace(entry.term, entry.definition); });
    return pairs;
}

// The entries to store: all, or those that are not duplicates.
std::vector<const SourceEntry*> newEntries(store::Connection& deck, const std::vector<SourceEntry>& entries,
                                           bool skipDuplicates, ImportResult& result)
{
    std::vector<const SourceEntry*> chosen;
    std::set<std::pair<std::string, std::string>> stored;
    if (skipDuplicates)
        stored = storedPairs(deck);
    for (const SourceEntry& entry : entries) {
        if (skipDuplicates && !stored.emplace(entry.term, entry.definition).second)
            ++result.duplicates;
        else
            chosen.push_back(&entry);
    }
    return chosen;
}

// Refuses `count` new entries when any would get an ID the Review screen
// cannot draw.
void checkRoom(store::Connection& deck, std::size_t count)
{
    const std::optional<std::int64_t> next = store::nextEntryId(deck);
    const std::int64_t ceiling = store::kLargestReviewableId;
    const std::int64_t room = next && *next <= ceiling ? ceiling - *next + 1 : 0;
    if (static_cast<std::int64_t>(count) <= room)
        return;
    const std::string limit = "the Review screen draws IDs only up to " + std::to_string(ceiling);
    const std::string compact = " 'verbrio-deck compact' renumbers the deck's entries 1 to n and may make room.";
    if (static_cast<std::int64_t>(count) > ceiling)
        throw deckError(DeckErrorCode::NoRoom, "the source has " + std::to_string(count)
                                                   + " new entries, more than a deck can hold: " + limit
                                                   + ". Split the source into several decks.");
    if (room == 0)
        throw deckError(DeckErrorCode::NoRoom,
                        "no entry fits: the deck's largest ID is "
                            + std::to_string(next ? *next - 1 : std::numeric_limits<std::int64_t>::max()) + ", and "
                            + limit + "." + compact);
    throw deckError(DeckErrorCode::NoRoom, "the source has " + std::to_string(count) + " new entries, but only "
                                               + std::to_string(room) + " fit: new entries get IDs from "
                                               + std::to_string(*next) + " up, and " + limit + "." + compact);
}

std::string places(const LeftOut& kind, const char* place)
{
    std::string text = place;
    if (kind.places.size() > 1)
        text = text.ends_with('y') ? text.substr(0, text.size() - 1) + "ies" : text + "s"; // lines, entries
    for (std::size_t i = 0; i < kind.places.size(); ++i)
        text += (i == 0 ? " " : ", ") + std::to_string(kind.places[i]);
    return text + (kind.count > static_cast<long>(kind.places.size()) ? ", …" : "");
}

// Reads the source; with --html the texts of a format that does not read
// HTML itself are turned into text.
void readSource(const SourceFormat& format, const SourceInput& source, const ReadOptions& options, SourceSink& sink)
{
    if (!options.html || format.format == Format::Notes || format.format == Format::Anki) {
        format.read(source, options, sink);
        return;
    }
    HtmlEntries html(sink);
    format.read(source, options, html);
    html.finish();
}

bool isBlank(const QByteArray& source)
{
    return std::all_of(source.begin(), source.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; })
           || source == QByteArray(kUtf8Mark.data(), qsizetype(kUtf8Mark.size()));
}

} // namespace

long textLength(std::string_view text)
{
    return static_cast<long>(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).size());
}

long ImportResult::leftOutCount() const
{
    long count = 0;
    for (const LeftOut& kind : leftOut)
        count += kind.count;
    return count;
}

std::string leftOutText(const ImportResult& result)
{
    std::string text;
    for (const LeftOut& kind : result.leftOut)
        text += (text.empty() ? "" : "; ") + std::to_string(kind.count) + " " + kind.reason + ": "
                + places(kind, result.place);
    return text;
}

ImportResult importEntries(store::Connection& deck, const SourceInput& source, const ImportOptions& options)
{
    deck.checkTable();
    const SourceFormat& format = sourceFormat(options.format);
    ImportResult result;
    result.place = format.place;
    CheckedEntries checked(options.allowLong, format.place, result);
    readSource(format, source, options.read, checked);
    if (checked.entries.empty()) {
        if (result.leftOutCount() > 0)
            throw deckError(DeckErrorCode::NothingToImport, "none of its " + std::to_string(result.leftOutCount())
                                                                + " entries can be imported: " + leftOutText(result));
        if (!isBlank(source.bytes))
            throw deckError(DeckErrorCode::NothingToImport, options.read.skipHeader
                                                                ? "it holds no entries after its header line"
                                                                : "it holds no entries");
        return result; // a blank source: nothing to write, the file stays byte for byte as it was
    }

    // Checked before anything is written, and again under the write lock,
    // where another program may have stored entries in between.
    const std::vector<const SourceEntry*> toStore = newEntries(deck, checked.entries, options.skipDuplicates, result);
    checkRoom(deck, toStore.size());
    if (toStore.empty())
        return result;

    deck.run([&] {
        // IMMEDIATE takes the write lock now, waiting out another writer,
        // rather than failing half-way.
        SQLite::Transaction transaction(deck.db(), SQLite::TransactionBehavior::IMMEDIATE);
        checkRoom(deck, toStore.size());
        std::vector<store::Entry> entries;
        entries.reserve(toStore.size());
        for (const SourceEntry* entry : toStore)
            entries.push_back({0, entry->term, entry->definition});
        store::Deck(deck).addAll(entries); // in this transaction
        transaction.commit();
    });
    result.imported = static_cast<long>(toStore.size());
    return result;
}

} // namespace deck
