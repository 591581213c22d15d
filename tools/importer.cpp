#include "importer.h"

#include "connection.h"
#include "csvformat.h"
#include "deckerror.h"
#include "kvtml.h"
#include "sourcelines.h"
#include "sourcesink.h"
#include "tsvformat.h"
#include "value.h"

#include <QByteArray>
#include <QString>

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <set>
#include <utility>

namespace deck {
namespace {

// Keeps the entries a reader finds, refusing an over-long text at once so
// that the error names the first refused line.
class CheckedEntries : public SourceSink {
public:
    CheckedEntries(bool allowLong, std::vector<std::string>& notes)
        : allowLong_(allowLong), notes_(notes) {}

    void entry(SourceEntry entry) override
    {
        if (!allowLong_) {
            refuseLong(entry.line, "term", entry.term);
            refuseLong(entry.line, "definition", entry.definition);
        }
        entries.push_back(std::move(entry));
    }
    void note(std::string text) override { notes_.push_back(std::move(text)); }

    std::vector<SourceEntry> entries;

private:
    static void refuseLong(long line, const char* side, const std::string& text)
    {
        const long length = textLength(text);
        if (length > kLongestText)
            throw deckError(DeckErrorCode::TooLong,
                            "line " + std::to_string(line) + ": the " + side + " is " + std::to_string(length) +
                                " characters long; Verbrio's boxes take at most " + std::to_string(kLongestText) +
                                " (give --allow-long to import it anyway)");
    }

    bool allowLong_;
    std::vector<std::string>& notes_;
};

void readSource(const QByteArray& source, const ImportOptions& options, SourceSink& sink, std::vector<std::string>& notes)
{
    if (options.format == Format::Kvtml) {
        readKvtml(source, sink); // XML names its own encoding
        return;
    }
    const std::string_view text = withoutByteOrderMark(std::string_view(source.constData(), static_cast<std::size_t>(source.size())));
    if (options.format == Format::Tsv) {
        readTsv(text, options.skipHeader, sink);
    } else if (options.detectTabs && looksTabSeparated(text)) {
        notes.push_back("read as tab-separated text: it has tabs and no comma outside quotes");
        readCsv(text, '\t', options.skipHeader, sink);
    } else {
        readCsv(text, ',', options.skipHeader, sink);
    }
}

std::set<std::pair<std::string, std::string>> storedPairs(SQLite::Database& db)
{
    std::set<std::pair<std::string, std::string>> pairs;
    SQLite::Statement query(db, "SELECT Question, Description FROM Questions");
    while (query.executeStep())
        pairs.emplace(store::toText(store::columnValue(query.getColumn(0))),
                      store::toText(store::columnValue(query.getColumn(1))));
    return pairs;
}

} // namespace

long textLength(std::string_view text)
{
    return static_cast<long>(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).size());
}

ImportResult importEntries(store::Connection& deck, const QByteArray& source, const ImportOptions& options)
{
    deck.checkTable();
    ImportResult result;
    CheckedEntries checked(options.allowLong, result.notes);
    readSource(source, options, checked, result.notes);
    if (checked.entries.empty())
        return result; // nothing to write: the file stays byte for byte as it was

    deck.beforeWrite();
    deck.run([&] {
        // IMMEDIATE takes the write lock now, waiting out another writer,
        // rather than failing half-way.
        SQLite::Transaction transaction(deck.db(), SQLite::TransactionBehavior::IMMEDIATE);
        std::set<std::pair<std::string, std::string>> stored;
        if (options.skipDuplicates)
            stored = storedPairs(deck.db());
        SQLite::Statement insert(deck.db(), "INSERT INTO Questions (Question, Description) VALUES (?1, ?2)");
        for (const SourceEntry& entry : checked.entries) {
            if (options.skipDuplicates && !stored.emplace(entry.term, entry.definition).second) {
                ++result.duplicates;
                continue;
            }
            insert.bind(1, entry.term);
            insert.bind(2, entry.definition);
            insert.exec();
            insert.reset();
            ++result.imported;
        }
        transaction.commit();
    });
    return result;
}

} // namespace deck
