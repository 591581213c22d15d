// SPDX-License-Identifier: MIT
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
#include <string_view>
#include <utility>

namespace deck {
namespace {

constexpr std::size_t kPlacesShown = 5;

// Column labels a spreadsheet's first row holds, in lower case, in the
// languages learners most often export from (English, German, French,
// Spanish, Italian, Portuguese, Dutch): those of the term's column and those
// of the definition's.
constexpr std::string_view kTermLabels[] = {
    "term",    "word",  "front",   "question", "begriff",  "wort",     "vorderseite", "frage",  "terme",
    "mot",     "recto", "término", "palabra",  "anverso",  "pregunta", "termine",     "parola", "fronte",
    "domanda", "termo", "palavra", "frente",   "pergunta", "woord",    "voorkant",    "vraag",
};
constexpr std::string_view kDefinitionLabels[] = {
    "definition",  "meaning",    "back",       "answer",      "translation", "bedeutung",  "rückseite",  "antwort",
    "übersetzung", "définition", "sens",       "verso",       "réponse",     "traduction", "definición", "significado",
    "reverso",     "respuesta",  "traducción", "definizione", "significato", "retro",      "risposta",   "traduzione",
    "definição",   "resposta",   "tradução",   "definitie",   "betekenis",   "achterkant", "antwoord",   "vertaling",
};

template <std::size_t N>
bool isLabel(const std::string& text, const std::string_view (&labels)[N])
{
    const std::string label = QString::fromUtf8(text).trimmed().toLower().toStdString();
    return std::find(std::begin(labels), std::end(labels), label) != std::end(labels);
}

bool isHeaderRow(const SourceEntry& entry)
{
    return isLabel(entry.term, kTermLabels) && isLabel(entry.definition, kDefinitionLabels);
}

// A tag ("<br>", "</b>") or a character reference ("&amp;", "&#233;").
bool holdsHtml(std::string_view text)
{
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto isAlnum = [&](char c) { return isAlpha(c) || (c >= '0' && c <= '9'); };
    for (std::size_t at = 0; at < text.size(); ++at) {
        // A plain test: find_first_of calls memchr on its set for every byte.
        if (text[at] != '<' && text[at] != '&')
            continue;
        std::size_t next = at + 1;
        if (text[at] == '<') {
            next += next < text.size() && text[next] == '/';
            const std::size_t close = text.find('>', next);
            if (next < text.size() && isAlpha(text[next]) && close != std::string_view::npos
                && text.substr(next, close - next).find('<') == std::string_view::npos)
                return true;
            continue;
        }
        const bool numeric = next < text.size() && text[next] == '#';
        next += numeric;
        std::size_t end = next;
        while (end < text.size() && isAlnum(text[end]))
            ++end;
        // "&D;" in "R&D;" is no reference: names have two letters or more.
        if (end >= next + (numeric ? 1 : 2) && end < text.size() && text[end] == ';')
            return true;
    }
    return false;
}

// Keeps the entries a reader finds, refusing an over-long text at once so
// that the error names the first refused line, and counts those it leaves out.
// For plain text it notes a first row of column labels and markup kept as
// written.
class CheckedEntries : public SourceSink {
public:
    CheckedEntries(const ImportOptions& options, const char* place, ImportResult& result)
        : allowLong_(options.allowLong), place_(place), result_(result),
          plainText_(sourceFormat(options.format).hasHeaderLine),
          headerPending_(plainText_ && !options.read.skipHeader), htmlPending_(plainText_ && !options.read.html)
    {
    }

    void entry(SourceEntry entry) override
    {
        // One rule for every source, as for CSV lines: a NUL would be
        // stored, and the deck then exported as text that cannot be read back.
        if (entry.term.find('\0') != std::string::npos || entry.definition.find('\0') != std::string::npos)
            throw deckError(DeckErrorCode::Malformed,
                            std::string(place_) + " " + std::to_string(entry.line) + ": holds a NUL character");
        for (const std::string* text : {&entry.term, &entry.definition})
            if (text->size() > std::size_t(store::kLongestField))
                throw deckError(DeckErrorCode::TooLong,
                                std::string(place_) + " " + std::to_string(entry.line) + ": a text is longer than "
                                    + std::to_string(store::kLongestField >> 20) + " MiB, the most a field may hold");
        // Nothing to learn from, and never stored: counted, not refused.
        if (entry.term.empty() && entry.definition.empty()) {
            leftOut(entry.line, "with neither a term nor a definition");
            return;
        }
        if (!allowLong_) {
            refuseLong(entry.line, "term", entry.term);
            refuseLong(entry.line, "definition", entry.definition);
        }
        if (std::exchange(headerPending_, false) && isHeaderRow(entry))
            advise(std::string(place_) + " " + std::to_string(entry.line) + " (" + entry.term + ", " + entry.definition
                       + ") looks like a row of column headings and is imported as an entry",
                   {RemedyKind::SkipHeader, {}});
        if (htmlPending_ && (holdsHtml(entry.term) || holdsHtml(entry.definition))) {
            ++withHtml_;
            if (withHtml_ == 1)
                firstHtml_ = entry.line;
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
    void note(std::string text) override { result_.notes.push_back({std::move(text), {}}); }
    void advise(std::string text, const Remedy& remedy) override { result_.notes.push_back({std::move(text), remedy}); }

    // Says what was found across the source.
    void finish()
    {
        if (withHtml_ > 0)
            advise(std::to_string(withHtml_) + (withHtml_ == 1 ? " entry holds" : " entries hold")
                       + " HTML tags or character references, kept as written (the first on " + place_ + " "
                       + std::to_string(firstHtml_) + ")",
                   {RemedyKind::Html, {}});
    }

    std::vector<SourceEntry> entries;

private:
    void refuseLong(long line, const char* side, const std::string& text) const
    {
        const long length = textLength(text);
        if (length > kLongestText)
            throw SourceError(DeckErrorCode::TooLong, place_, line,
                              std::string("the ") + side + " is " + std::to_string(length)
                                  + " characters long; Verbrio's boxes take at most " + std::to_string(kLongestText),
                              {RemedyKind::AllowLong, {}});
    }

    bool allowLong_;
    const char* place_;
    ImportResult& result_;
    bool plainText_;
    bool headerPending_;
    bool htmlPending_;
    long withHtml_ = 0;
    long firstHtml_ = 0;
};

} // namespace

StoredPairs storedPairs(store::Connection& deck)
{
    StoredPairs pairs;
    store::Deck(deck).forEach([&](const store::Entry& entry) { pairs.emplace(entry.term, entry.definition); });
    return pairs;
}

namespace {

// The entries to store: all, or those that are not duplicates; counts those
// the deck holds already.
std::vector<SourceEntry> newEntries(std::vector<SourceEntry> entries, const StoredPairs& stored, bool skipDuplicates,
                                    ImportResult& result)
{
    if (stored.empty() && !skipDuplicates)
        return entries; // nothing to compare: no copy of each text
    std::vector<SourceEntry> chosen;
    chosen.reserve(entries.size());
    StoredPairs seen;
    for (SourceEntry& entry : entries) {
        std::pair<std::string, std::string> pair{entry.term, entry.definition};
        const bool inDeck = !stored.empty() && stored.contains(pair);
        result.alreadyStored += inDeck;
        if (skipDuplicates && (inDeck || !seen.insert(std::move(pair)).second))
            ++result.duplicates;
        else
            chosen.push_back(std::move(entry));
    }
    return chosen;
}

} // namespace

void checkRoom(store::Connection& deck, std::size_t count)
{
    const std::optional<std::int64_t> next = store::nextEntryId(deck);
    const std::int64_t ceiling = store::kLargestReviewableId;
    const std::int64_t room = next && *next <= ceiling ? ceiling - *next + 1 : 0;
    if (static_cast<std::int64_t>(count) <= room)
        return;
    const std::string limit = "the Review screen draws IDs only up to " + std::to_string(ceiling);
    if (static_cast<std::int64_t>(count) > ceiling)
        throw deckError(DeckErrorCode::NoRoom, "the source has " + std::to_string(count)
                                                   + " new entries, more than a deck can hold: " + limit
                                                   + ". Split the source into several decks.");
    const Remedy compact{RemedyKind::Compact, {}};
    if (room == 0)
        throw SourceError(DeckErrorCode::NoRoom, "", 0,
                          "no entry fits: the deck's largest ID is "
                              + std::to_string(next ? *next - 1 : std::numeric_limits<std::int64_t>::max()) + ", and "
                              + limit + ".",
                          compact);
    throw SourceError(DeckErrorCode::NoRoom, "", 0,
                      "the source has " + std::to_string(count) + " new entries, but only " + std::to_string(room)
                          + " fit: new entries get IDs from " + std::to_string(*next) + " up, and " + limit + ".",
                      compact);
}

namespace {

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

std::string commandLineText(const SourceNote& note)
{
    return note.text + commandLineAdvice(note.remedy);
}

ParsedSource parseSource(const SourceInput& source, const ImportOptions& options, const StoredPairs& stored)
{
    const SourceFormat& format = sourceFormat(options.format);
    ParsedSource parsed;
    ImportResult& result = parsed.result;
    result.place = format.place;
    try {
        CheckedEntries checked(options, format.place, result);
        readSource(format, source, options.read, checked);
        checked.finish();
        if (checked.entries.empty()) {
            if (result.leftOutCount() > 0)
                throw deckError(DeckErrorCode::NothingToImport,
                                "none of its " + std::to_string(result.leftOutCount())
                                    + " entries can be imported: " + leftOutText(result));
            if (!isBlank(source.bytes))
                throw deckError(DeckErrorCode::NothingToImport, options.read.skipHeader
                                                                    ? "it holds no entries after its header line"
                                                                    : "it holds no entries");
            return parsed; // a blank source: nothing to write
        }
        parsed.entries = newEntries(std::move(checked.entries), stored, options.skipDuplicates, result);
        if (!options.skipDuplicates && result.alreadyStored > 0)
            result.notes.push_back({std::to_string(result.alreadyStored)
                                        + (result.alreadyStored == 1 ? " entry equals one" : " entries equal ones")
                                        + " the deck holds already",
                                    {RemedyKind::SkipDuplicates, {}}});
    } catch (const SourceError& e) {
        parsed.entries.clear();
        parsed.refusal = Refusal{e.number(), e.description(), e.line(), e.reason(), e.remedy()};
    } catch (const store::Error& e) {
        parsed.entries.clear();
        parsed.refusal = Refusal{e.number(), e.description(), 0, e.description(), {}};
    }
    return parsed;
}

ImportResult storeParsed(store::Connection& deck, const ParsedSource& parsed)
{
    if (parsed.refusal)
        throw store::Error(parsed.refusal->number, parsed.refusal->description);
    ImportResult result = parsed.result;
    // Checked before anything is written, and again under the write lock,
    // where another program may have stored entries in between.
    checkRoom(deck, parsed.entries.size());
    if (parsed.entries.empty())
        return result;

    deck.run([&] {
        // IMMEDIATE takes the write lock now, waiting out another writer,
        // rather than failing half-way.
        SQLite::Transaction transaction(deck.db(), SQLite::TransactionBehavior::IMMEDIATE);
        checkRoom(deck, parsed.entries.size());
        std::vector<store::Entry> entries;
        entries.reserve(parsed.entries.size());
        for (const SourceEntry& entry : parsed.entries)
            entries.push_back({0, entry.term, entry.definition});
        store::Deck(deck).addAll(entries); // in this transaction
        transaction.commit();
    });
    result.imported = static_cast<long>(parsed.entries.size());
    return result;
}

ImportResult importEntries(store::Connection& deck, const SourceInput& source, const ImportOptions& options)
{
    deck.checkTable();
    // A source that says how many entries it holds is refused before it is
    // parsed when they cannot fit; duplicates, if skipped, take no room.
    ImportOptions counted = options;
    counted.read.beforeParsing = [&](std::size_t count) {
        if (!options.skipDuplicates || count > static_cast<std::size_t>(store::kLargestReviewableId))
            checkRoom(deck, count);
    };
    return storeParsed(deck, parseSource(source, counted, storedPairs(deck)));
}

} // namespace deck
