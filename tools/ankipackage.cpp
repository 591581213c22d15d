// SPDX-License-Identifier: MIT
#include "ankipackage.h"

#include "connection.h"
#include "deckerror.h"
#include "value.h"

#include <QByteArray>
#include <QStringDecoder>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

#include <array>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace deck {
namespace {

// Newest first: the first one the archive holds is read.
constexpr const char* kCollections[] = {"collection.anki21b", "collection.anki21", "collection.anki2"};
constexpr const char* kCompressed = "collection.anki21b";

// No collection a deck could fill is this large; a larger one is a damaged
// or hostile archive that would only exhaust the memory.
constexpr std::size_t kLargestCollection = std::size_t(1) << 30;

constexpr char kFieldSeparator = '\x1f';

store::Error unreadable(const std::string& problem)
{
    return deckError(DeckErrorCode::Malformed, "is not a readable package: " + problem);
}

std::string largestText()
{
    return std::to_string(kLargestCollection >> 20) + " MiB";
}

using Archive = std::unique_ptr<zip_t, decltype(&zip_discard)>;
using ArchiveFile = std::unique_ptr<zip_file_t, decltype(&zip_fclose)>;

Archive openArchive(const QByteArray& package)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(package.constData(), static_cast<zip_uint64_t>(package.size()), 0, &error);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive) {
        zip_source_free(source);
        const std::string reason = zip_error_strerror(&error);
        zip_error_fini(&error);
        throw unreadable("it is not a zip archive (" + reason + ")");
    }
    zip_error_fini(&error);
    return Archive(archive, zip_discard);
}

std::string readMember(zip_t* archive, zip_int64_t index, const char* name)
{
    ArchiveFile file(zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0), zip_fclose);
    if (!file)
        throw unreadable(std::string("cannot open ") + name + ": " + zip_strerror(archive));
    std::string bytes;
    std::array<char, 1 << 16> chunk{};
    for (;;) {
        const zip_int64_t read = zip_fread(file.get(), chunk.data(), chunk.size());
        if (read < 0)
            throw unreadable(std::string(name) + " is damaged: " + zip_file_strerror(file.get()));
        if (read == 0)
            return bytes;
        if (bytes.size() + static_cast<std::size_t>(read) > kLargestCollection)
            throw unreadable(std::string(name) + " is larger than " + largestText());
        bytes.append(chunk.data(), static_cast<std::size_t>(read));
    }
}

std::string decompressed(const std::string& compressed)
{
    const std::unique_ptr<ZSTD_DStream, decltype(&ZSTD_freeDStream)> stream(ZSTD_createDStream(), ZSTD_freeDStream);
    if (!stream)
        throw deckError(DeckErrorCode::CannotRead, "Cannot decompress the collection: out of memory");
    std::string bytes;
    std::vector<char> chunk(ZSTD_DStreamOutSize());
    ZSTD_inBuffer in{compressed.data(), compressed.size(), 0};
    std::size_t pending = 1; // nonzero while a frame is unfinished
    while (in.pos < in.size) {
        ZSTD_outBuffer out{chunk.data(), chunk.size(), 0};
        pending = ZSTD_decompressStream(stream.get(), &out, &in);
        if (ZSTD_isError(pending))
            throw unreadable(std::string(kCompressed) + " is damaged: " + ZSTD_getErrorName(pending));
        if (bytes.size() + out.pos > kLargestCollection)
            throw unreadable(std::string(kCompressed) + " is larger than " + largestText() + " once decompressed");
        bytes.append(chunk.data(), out.pos);
    }
    if (pending != 0)
        throw unreadable(std::string(kCompressed) + " is cut short");
    return bytes;
}

// The newest collection the archive holds, decompressed.
std::string collectionOf(zip_t* archive)
{
    // Programs differ in which of two members of one name they read: the
    // package means one thing to one program and another to the next.
    std::set<std::string> names;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (name && !names.insert(name).second)
            throw unreadable("it holds two members named '" + std::string(name)
                             + "', and which one it means is unclear");
    }
    for (const char* name : kCollections) {
        const zip_int64_t index = zip_name_locate(archive, name, 0);
        if (index < 0)
            continue;
        std::string bytes = readMember(archive, index, name);
        return std::strcmp(name, kCompressed) == 0 ? decompressed(bytes) : bytes;
    }
    throw unreadable("it holds no collection (collection.anki21b, collection.anki21 or collection.anki2)");
}

bool isUtf8(std::string_view text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

// Collations a collection may declare (newer ones sort names with their
// own); only the notes are read, so plain byte order stands in for any.
int byteOrder(void*, int leftSize, const void* left, int rightSize, const void* right)
{
    const int common = std::memcmp(left, right, static_cast<std::size_t>(std::min(leftSize, rightSize)));
    return common != 0 ? common : leftSize - rightSize;
}

void anyCollation(void*, sqlite3* db, int encoding, const char* name)
{
    sqlite3_create_collation(db, name, encoding, nullptr, byteOrder);
}

void readNotes(std::string& collection, NoteEntries& notes, const std::function<void(std::size_t)>& beforeParsing)
{
    static constexpr std::string_view kHeader{"SQLite format 3\0", 16};
    if (!std::string_view(collection).starts_with(kHeader))
        throw unreadable("its collection is not an SQLite database");
    // Bytes 18 and 19 say whether the file wants a write-ahead log, which a
    // database in memory cannot have; the copy here is complete without one.
    if (collection.size() > 19 && collection[18] == 2 && collection[19] == 2)
        collection[18] = collection[19] = 1;

    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    store::protectFromUntrustedFile(db);
    const int status = sqlite3_deserialize(db.getHandle(), "main", reinterpret_cast<unsigned char*>(collection.data()),
                                           static_cast<sqlite3_int64>(collection.size()),
                                           static_cast<sqlite3_int64>(collection.size()), SQLITE_DESERIALIZE_READONLY);
    if (status != SQLITE_OK)
        throw unreadable(std::string("its collection cannot be opened: ") + sqlite3_errstr(status));
    sqlite3_collation_needed(db.getHandle(), nullptr, anyCollation);

    // A view named notes could compute rows without end, and a generated
    // column a gigabyte of text from a few bytes: only stored fields are read.
    SQLite::Statement kind(db, "SELECT type FROM sqlite_schema WHERE name = 'notes' COLLATE NOCASE");
    if (!kind.executeStep() || kind.getColumn(0).getString() != "table")
        throw unreadable("its collection has no table of notes");
    SQLite::Statement computed(db, "SELECT name FROM pragma_table_xinfo('notes') WHERE hidden != 0");
    if (computed.executeStep())
        throw unreadable("its table of notes computes its column " + computed.getColumn(0).getString());
    // Counted before any HTML is parsed: a package that cannot fit says so at once.
    if (beforeParsing)
        beforeParsing(static_cast<std::size_t>(db.execAndGet("SELECT count(*) FROM notes").getInt64()));
    SQLite::Statement query(db, "SELECT flds FROM notes ORDER BY id");
    std::vector<std::string> fields;
    long number = 0;
    while (query.executeStep()) {
        const std::string text = store::toText(store::columnValue(query.getColumn(0)));
        ++number;
        // The HTML parser would replace a broken byte without a word.
        if (!isUtf8(text))
            throw unreadable("note " + std::to_string(number) + " is not valid UTF-8 text");
        // As in every other source: a deck's texts export and import back unchanged.
        if (text.find('\0') != std::string::npos)
            throw deckError(DeckErrorCode::Malformed, "note " + std::to_string(number) + ": holds a NUL character");
        fields.clear();
        for (std::size_t begin = 0;;) {
            const std::size_t end = text.find(kFieldSeparator, begin);
            fields.push_back(text.substr(begin, end - begin));
            if (end == std::string::npos)
                break;
            begin = end + 1;
        }
        notes.add(number, fields);
    }
}

} // namespace

void readAnkiPackage(const QByteArray& package, std::optional<FieldPair> chosen, SourceSink& sink,
                     const std::function<void(std::size_t)>& beforeParsing)
{
    std::string collection = collectionOf(openArchive(package).get());
    NoteEntries notes(chosen.value_or(FieldPair{}), true, sink);
    notes.setCloze(!chosen); // the fields chosen are taken as they are
    try {
        readNotes(collection, notes, beforeParsing);
    } catch (const SQLite::Exception& e) {
        throw unreadable("its collection cannot be read: " + store::failureText(e));
    }
    notes.finish();
}

void readAnkiSource(const SourceInput& input, const ReadOptions& options, SourceSink& sink)
{
    readAnkiPackage(input.bytes, options.columns, sink, options.beforeParsing);
}

} // namespace deck
