// SPDX-License-Identifier: MIT
#pragma once

// Builds packages of the flashcard program in memory for tests and
// benchmarks, after the format's published schema: a zip archive holding an
// SQLite collection whose table `notes` keeps each note's fields in `flds`,
// separated by the character 0x1f.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <sqlite3.h>
#include <zip.h>
#include <zstd.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using NoteFields = std::vector<std::string>;

// How the collection is stored: the legacy names, or zstd-compressed beside
// the stand-in that newer programs leave under the legacy name.
enum class PackageKind { Anki2, Anki21, Compressed };

// The one note newer programs put in collection.anki2 beside collection.anki21b.
inline const NoteFields kUpdateNote{
    "Please update to the latest Anki version, then import the .colpkg/.apkg file again.", ""};

// An SQLite file holding `notes` in the table notes, as bytes.
inline std::string ankiCollection(const std::vector<NoteFields>& notes)
{
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(
        "CREATE TABLE notes (id integer PRIMARY KEY, guid text NOT NULL, mid integer NOT NULL, mod integer NOT NULL, "
        "usn integer NOT NULL, tags text NOT NULL, flds text NOT NULL, sfld integer NOT NULL, csum integer NOT NULL, "
        "flags integer NOT NULL, data text NOT NULL)");
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO notes VALUES (?1, ?2, 1342697561419, 1700000000, -1, '', ?3, ?4, 0, 0, '')");
    // A note's ID is the time it was made, in milliseconds.
    for (std::size_t i = 0; i < notes.size(); ++i) {
        std::string fields;
        for (const std::string& field : notes[i])
            fields += (&field == notes[i].data() ? "" : "\x1f") + field;
        insert.bind(1, static_cast<std::int64_t>(1700000000000 + i));
        insert.bind(2, "guid" + std::to_string(i));
        insert.bind(3, fields);
        insert.bind(4, notes[i].empty() ? std::string() : notes[i].front());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db.getHandle(), "main", &size, 0);
    std::string image(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    sqlite3_free(bytes);
    return image;
}

inline std::string zstdCompressed(const std::string& bytes)
{
    std::string compressed(ZSTD_compressBound(bytes.size()), '\0');
    const std::size_t size = ZSTD_compress(compressed.data(), compressed.size(), bytes.data(), bytes.size(), 3);
    if (ZSTD_isError(size))
        throw std::runtime_error(ZSTD_getErrorName(size));
    compressed.resize(size);
    return compressed;
}

// A zip archive holding `members` (name, bytes), written through a file in a
// temporary directory.
inline QByteArray zipArchive(const std::vector<std::pair<std::string, std::string>>& members)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.filePath("package.apkg"));
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("cannot make a zip archive");
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("cannot add to a zip archive");
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write a zip archive");
    }
    QFile file(QString::fromLocal8Bit(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline QByteArray ankiPackage(const std::vector<NoteFields>& notes, PackageKind kind)
{
    switch (kind) {
    case PackageKind::Anki2: return zipArchive({{"collection.anki2", ankiCollection(notes)}, {"media", "{}"}});
    case PackageKind::Anki21: return zipArchive({{"collection.anki21", ankiCollection(notes)}, {"media", "{}"}});
    case PackageKind::Compressed:
        return zipArchive({{"collection.anki2", ankiCollection({kUpdateNote})},
                           {"collection.anki21b", zstdCompressed(ankiCollection(notes))},
                           {"meta", std::string("\x08\x03", 2)}});
    }
    return {};
}
