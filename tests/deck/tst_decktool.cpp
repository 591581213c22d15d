// SPDX-License-Identifier: MIT
// The command line: wrong usage gives status 2, and the built executable
// keeps results on standard output and errors on standard error.

#include "ankipackagemaker.h"
#include "decktest.h"
#include "tempdeck.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Runs the built verbrio-deck.
ToolRun runProcess(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    process.start(DECK_TOOL, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// An SQLite file made by `statements`, as bytes: a package's collection.
std::string collectionMadeBy(const std::vector<std::string>& statements)
{
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    sqlite3_limit(db.getHandle(), SQLITE_LIMIT_LENGTH, 4096); // an insert computes a generated column here
    for (const std::string& statement : statements)
        db.exec(statement);
    sqlite3_int64 size = 0;
    unsigned char* bytes = sqlite3_serialize(db.getHandle(), "main", &size, 0);
    std::string image(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size));
    sqlite3_free(bytes);
    return image;
}

QString pathOf(const TempDeck& deck)
{
    return QString::fromStdString(deck.path());
}

} // namespace

class TestDeckTool : public QObject {
    Q_OBJECT

private slots:
    void wrongUsageExitsWithStatus2_data();
    void wrongUsageExitsWithStatus2();
    void helpAndVersionGoToStandardOutput_data();
    void helpAndVersionGoToStandardOutput();
    void importReadsStandardInputAndTheExampleDeck();
    void failedImportSaysWhereOnStandardErrorOnly();
    void restoreAddsTheBackupBackAndSaysHow_data();
    void restoreAddsTheBackupBackAndSaysHow();
    void notesExportAndPackagesImportTheirTexts();
    void importFromFilesPeopleHave_data();
    void importFromFilesPeopleHave();
    void outputFailureAfterTheCommitExitsWith3();
};

void TestDeckTool::wrongUsageExitsWithStatus2_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    // DECK stands for an existing deck.
    QTest::addRow("no command") << QStringList{} << "no command";
    QTest::addRow("unknown command") << QStringList{"merge", "DECK"} << "unknown command 'merge'";
    QTest::addRow("unknown option") << QStringList{"import", "--fast", "DECK", "a.csv"} << "Unknown option 'fast'";
    QTest::addRow("option without its value")
        << QStringList{"import", "DECK", "a.csv", "--format"} << "Missing value after '--format'";
    QTest::addRow("missing argument") << QStringList{"import", "DECK"} << "import needs FILE and SOURCE";
    QTest::addRow("too many arguments") << QStringList{"check", "DECK", "more"}
                                        << "too many arguments for check: 'more'";
    QTest::addRow("unknown format") << QStringList{"import", "--format", "xls", "DECK", "a.csv"}
                                    << "unknown format 'xls'";
    QTest::addRow("unknown extension") << QStringList{"import", "DECK", "a.dat"} << "cannot tell the format of 'a.dat'";
    QTest::addRow("standard input without --format") << QStringList{"import", "DECK", "-"} << "give --format";
    QTest::addRow("--skip-header for KVTML")
        << QStringList{"import", "--skip-header", "DECK", "a.kvtml"} << "kvtml has no header line";
    QTest::addRow("--columns for CSV") << QStringList{"import", "--columns", "1,3", "DECK", "a.csv"}
                                       << "--columns is for notes exports";
    QTest::addRow("--columns not two numbers")
        << QStringList{"import", "--columns", "2,2", "DECK", "a.apkg"} << "two different column numbers";
    QTest::addRow("separator with a line end")
        << QStringList{"import", "--separator", ":\n", "DECK", "a.csv"} << "unknown separator ':\n'";
    QTest::addRow("--row-separator for KVTML")
        << QStringList{"import", "--row-separator", ";", "DECK", "a.kvtml"} << "--row-separator is for CSV";
    QTest::addRow("row separator equal to the separator")
        << QStringList{"import", "--separator", ";", "--row-separator", ";", "DECK", "a.csv"}
        << "other than the separator";
    QTest::addRow("--separator for tab-separated text")
        << QStringList{"import", "--separator", ";", "DECK", "a.txt"} << "--separator is for CSV";
    QTest::addRow("unknown encoding") << QStringList{"import", "--encoding", "klingon", "DECK", "a.csv"}
                                      << "unknown encoding 'klingon'";
    QTest::addRow("one language") << QStringList{"import", "--languages", "en", "DECK", "a.kvtml"}
                                  << "--languages takes two identifiers";
    QTest::addRow("import the deck into itself") << QStringList{"import", "DECK", "DECK"} << "is the deck itself";
    QTest::addRow("export as KVTML") << QStringList{"export", "DECK", "out.kvtml"}
                                     << "whether to write CSV or tab-separated";
    QTest::addRow("export onto the deck itself")
        << QStringList{"export", "--format", "csv", "DECK", "DECK"} << "is the deck itself";
}

void TestDeckTool::wrongUsageExitsWithStatus2()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    TempDeck target(TempDeck::numbered(1));
    const QByteArray before = snapshot(target.path());
    arguments.replaceInStrings("DECK", pathOf(target));
    const ToolRun run = runTool(arguments);
    QCOMPARE(run.status, deck::kWrongUsage);
    QVERIFY2(run.err.contains(message.toUtf8()) && run.err.contains("--help'."), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QCOMPARE(snapshot(target.path()), before);
}

void TestDeckTool::helpAndVersionGoToStandardOutput_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::addRow("version") << QStringList{"--version"} << "verbrio-deck 1.02\n";
    QTest::addRow("general help") << QStringList{"--help"} << "Usage: verbrio-deck COMMAND";
    QTest::addRow("import help") << QStringList{"import", "--help"}
                                 << "Usage: verbrio-deck import [options] FILE SOURCE";
    QTest::addRow("import options") << QStringList{"import", "-h"} << "--skip-duplicates";
    QTest::addRow("export help") << QStringList{"export", "--help"}
                                 << "Usage: verbrio-deck export [options] FILE [OUT]";
    QTest::addRow("compact help") << QStringList{"compact", "--help"} << "Usage: verbrio-deck compact FILE";
}

void TestDeckTool::helpAndVersionGoToStandardOutput()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const ToolRun run = runProcess(arguments);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(expected.toUtf8()), run.out.constData());
    QVERIFY(run.err.isEmpty());
}

void TestDeckTool::importReadsStandardInputAndTheExampleDeck()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Verbrio.mdb");
    QCOMPARE(runProcess({"init", path}).status, 0);

    const ToolRun piped = runProcess({"import", "--format", "tsv", path, "-"}, "Stdin\tfrom a pipe\n");
    QCOMPARE(piped.status, 0);
    QCOMPARE(piped.out, QByteArray("Imported 1 entry; left out 0; skipped 0 duplicates.\n"));

    const ToolRun example = runProcess({"import", "--skip-header", path, EXAMPLES_DIR "/elements.csv"});
    QCOMPARE(example.status, 0);
    QCOMPARE(example.out, QByteArray("Imported 50 entries; left out 0; skipped 0 duplicates.\n"));

    const ToolRun exported = runProcess({"export", path});
    QCOMPARE(exported.status, 0);
    QVERIFY(exported.out.startsWith("Stdin,from a pipe\r\nHydrogen,\"H, atomic number 1\"\r\n"));
    QVERIFY(exported.out.endsWith("Tin,\"Sn, atomic number 50\"\r\n"));
}

void TestDeckTool::failedImportSaysWhereOnStandardErrorOnly()
{
    TempDeck target(TempDeck::numbered(3));
    QTemporaryDir dir;
    QFile source(dir.filePath("bad.csv"));
    QVERIFY(source.open(QIODevice::WriteOnly));
    source.write("good,line\nbad line\n");
    source.close();

    const ToolRun run = runProcess({"import", pathOf(target), source.fileName()});
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains("bad.csv, line 2: has 1 field where 2") && run.err.contains("Nothing was imported"),
             run.err.constData());
    QCOMPARE(target.entries(), TempDeck::numbered(3));
}

void TestDeckTool::restoreAddsTheBackupBackAndSaysHow_data()
{
    QTest::addColumn<QList<qint64>>("deckIds");
    QTest::addColumn<qint64>("otherTextsAt"); // the deck's entry there has texts of its own; 0: none
    QTest::addColumn<QByteArray>("backup");   // "GOOD": entries 2, 5 and 9; empty: none
    QTest::addColumn<QList<qint64>>("after");
    QTest::addColumn<QString>("lastTerm");
    QTest::addColumn<QString>("says");

    const QString counts = "Restored %1 from '.*' to '.*': %2 with their own IDs, %3 under new IDs; %4 already there.";
    QTest::addRow("into the emptied deck: their own IDs")
        << QList<qint64>{} << qint64(0) << QByteArray("GOOD") << QList<qint64>{2, 5, 9} << "term 9"
        << counts.arg("3 entries").arg(3).arg(0).arg(0);
    QTest::addRow("beside other entries: their own IDs")
        << QList<qint64>{1} << qint64(0) << QByteArray("GOOD") << QList<qint64>{1, 2, 5, 9} << "term 9"
        << counts.arg("3 entries").arg(3).arg(0).arg(0);
    QTest::addRow("after an interrupted Restart: no survivor doubled")
        << QList<qint64>{5, 9} << qint64(0) << QByteArray("GOOD") << QList<qint64>{2, 5, 9} << "term 9"
        << counts.arg("1 entry").arg(1).arg(0).arg(2);
    QTest::addRow("everything there: nothing added")
        << QList<qint64>{2, 5, 9} << qint64(0) << QByteArray("GOOD") << QList<qint64>{2, 5, 9} << "term 9"
        << counts.arg("0 entries").arg(0).arg(0).arg(3);
    QTest::addRow("an ID taken by other texts: a new ID above the largest")
        << QList<qint64>{5} << qint64(5) << QByteArray("GOOD") << QList<qint64>{2, 5, 9, 10} << "term 5"
        << counts.arg("3 entries").arg(2).arg(1).arg(0);
    QTest::addRow("no room below the ceiling: nothing written")
        << QList<qint64>{5, 32767} << qint64(5) << QByteArray("GOOD") << QList<qint64>{5, 32767} << "term 32767"
        << "1 entry would need new IDs above 32767, but the Review screen draws IDs only up to 32767, so only 0 fit";
    QTest::addRow("a -wal beside the backup is neither applied nor touched")
        << QList<qint64>{} << qint64(0) << QByteArray("GOOD WAL") << QList<qint64>{2, 5, 9} << "term 9"
        << counts.arg("3 entries").arg(3).arg(0).arg(0);
    QTest::addRow("a damaged backup is named")
        << QList<qint64>{1} << qint64(0) << QByteArray("SQLite format 3").append(100, 'x') << QList<qint64>{1}
        << "term 1"
        << "Verbrio.mdb.bak'";
    QTest::addRow("no backup: nothing changes")
        << QList<qint64>{1} << qint64(0) << QByteArray() << QList<qint64>{1} << "term 1"
        << "There is no backup";
}

void TestDeckTool::restoreAddsTheBackupBackAndSaysHow()
{
    QFETCH(QList<qint64>, deckIds);
    QFETCH(qint64, otherTextsAt);
    QFETCH(QByteArray, backup);
    QFETCH(QList<qint64>, after);
    QFETCH(QString, lastTerm);
    QFETCH(QString, says);

    std::vector<TestEntry> held = TempDeck::withIds(deckIds);
    for (TestEntry& entry : held)
        if (entry.id == otherTextsAt)
            entry.question = "other term";
    const TempDeck target(held);
    const std::string backupPath = target.path() + ".bak";
    const QString walPath = QString::fromStdString(backupPath) + "-wal";
    if (backup.startsWith("GOOD")) {
        TempDeck::createAt(backupPath, TempDeck::withIds({2, 5, 9}));
        QFile wal(walPath);
        const QByteArray bytes = TempDeck::foreignWal(TempDeck::withIds({3, 4}));
        QVERIFY(backup == "GOOD" || (wal.open(QIODevice::WriteOnly) && wal.write(bytes) == bytes.size()));
    } else if (!backup.isEmpty()) {
        QFile file(QString::fromStdString(backupPath));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(backup) == backup.size());
    }
    const QByteArray backupBefore = snapshot(backupPath) + snapshot(walPath);
    const ToolRun run = runProcess({"restore", pathOf(target)});

    const bool restored = after != deckIds || run.out.contains("already there");
    QCOMPARE(run.status, restored ? 0 : 1);
    QVERIFY2(QRegularExpression(says).match(QString::fromUtf8(restored ? run.out : run.err)).hasMatch(),
             (run.out + run.err).constData());
    QCOMPARE(idsOf(target.entries()), after);
    QCOMPARE(QString::fromStdString(target.entries().back().question), lastTerm);
    QCOMPARE(snapshot(backupPath) + snapshot(walPath), backupBefore);
}

void TestDeckTool::notesExportAndPackagesImportTheirTexts()
{
    TempDeck target;
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    };
    // Named .csv, told by its header lines all the same.
    write("Spanish.csv", "#separator:tab\n#html:true\n#notetype column:1\n#tags column:4\n#deck:Spanish\n"
                         "Basic\t<b>el perro</b>\tdog<br>Plural: los&nbsp;perros\tanimal noun\n"
                         "Basic\t<div>la casa</div>\t\"&quot;house&quot; <img src=\"\"casa.jpg\"\">\"\thome\n");
    write("legacy.apkg", ankiPackage({{"Hund", "dog", "der"}}, PackageKind::Anki2));
    write("new.colpkg",
          ankiPackage({{"Katze", "cat[sound:katze.mp3]"}, {"<img src=a.png>", "image only"}}, PackageKind::Compressed));

    const ToolRun notes = runProcess({"import", pathOf(target), dir.filePath("Spanish.csv")});
    QCOMPARE(notes.status, 0);
    QCOMPARE(notes.out, dir.filePath("Spanish.csv").toUtf8() + ": line 5: the header '#deck:Spanish' is ignored\n"
                            + dir.filePath("Spanish.csv").toUtf8()
                            + ": dropped 1 image: Verbrio shows text only\n"
                              "Imported 2 entries; left out 0; skipped 0 duplicates.\n");
    QCOMPARE(runProcess({"import", pathOf(target), dir.filePath("legacy.apkg")}).status, 0);
    const ToolRun package = runProcess({"import", pathOf(target), dir.filePath("new.colpkg")});
    QCOMPARE(package.status, 0);
    QVERIFY2(package.out.endsWith(
                 "dropped 1 image and 1 sound reference: Verbrio shows text only\n"
                 "Imported 1 entry; left out 1 (1 with field 1 or 2 empty once HTML is turned into text: note 2); "
                 "skipped 0 duplicates.\n"),
             package.out.constData());

    const std::vector<TestEntry> expected{{1, "el perro", "dog\nPlural: los\u00a0perros"},
                                          {2, "la casa", "\"house\""},
                                          {3, "Hund", "dog"},
                                          {4, "Katze", "cat"}};
    QCOMPARE(target.entries(), expected);
}

void TestDeckTool::importFromFilesPeopleHave_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // "DECK COPY": a copy of the deck itself
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output with status 0, else on standard error

    QTest::addRow("restore from a copy") << "Verbrio.mdb.bak" << QByteArray("DECK COPY") << 0
                                         << "Imported 3 entries; left out 0; skipped 0 duplicates.";
    QTest::addRow("spreadsheet CSV with semicolons")
        << "list.csv" << QByteArray("Haus;house, building\r\n") << 0 << "list.csv: read as semicolon-separated text";
    QTest::addRow("words without definitions")
        << "words.kvtml"
        << QByteArray(
               "<kvtml version=\"2.0\"><identifiers><identifier id=\"0\"/></identifiers><entries><entry id=\"0\">"
               "<translation id=\"0\"><text>Hund</text></translation></entry></entries></kvtml>")
        << 1 << "words.kvtml: it holds words without definitions";
    QTest::addRow("some entries left out")
        << "mixed.kvtml"
        << QByteArray(
               "<kvtml version=\"2.0\">\n<entries><entry id=\"0\"><translation id=\"0\"><text>a</text></translation>"
               "<translation id=\"1\"><text>b</text></translation></entry>\n<entry id=\"1\"><translation "
               "id=\"0\"><text>c</text>"
               "</translation></entry></entries></kvtml>\n")
        << 0 << "Imported 1 entry; left out 1 (1 without text in language 1: line 3); skipped 0 duplicates.";
    QTest::addRow("package of image-only notes")
        << "images.apkg" << ankiPackage({{"<img src=a.png>", "x"}}, PackageKind::Anki21) << 1
        << "images.apkg: none of its 1 entries can be imported: 1 with field 1 or 2 empty";
    QTest::addRow("comma-separated text named .txt")
        << "cards.txt" << QByteArray("dog,Hund\ncat,Katze\n") << 1
        << "cards.txt, line 1: has no tab; each line must hold the term, a tab and the definition; the file reads as "
           "CSV separated by comma; give --format csv\n";
    QTest::addRow("spreadsheet text, a cell over two lines")
        << "unicode.txt" << QByteArray("a\t\"one\ntwo\"\nb\tc\n") << 1
        << "line 2: has no tab; each line must hold the term, a tab and the definition; the file reads as CSV, with "
           "texts over several lines in quotes; give --format csv --separator tab";
    QTest::addRow("a custom export of ' - ' and ';' named .txt")
        << "custom.txt" << QByteArray("dog - Hund;cat - Katze;") << 1
        << "line 1: has no tab; each line must hold the term, a tab and the definition; its text has \" - \" between "
           "term and definition; give --separator ' - ' --row-separator ';'\n";
    QTest::addRow("a header row imported with a note")
        << "list.csv" << QByteArray("Wort;Bedeutung\nHaus;house\n") << 0
        << "list.csv: line 1 (Wort, Bedeutung) looks like a row of column headings and is imported as an entry; give "
           "--skip-header to leave it out";
    QTest::addRow("markup in plain text")
        << "export.txt" << QByteArray("a\tb\nthe house<br>(f.)\tdas Haus &amp; Hof\n") << 0
        << "export.txt: 1 entry holds HTML tags or character references, kept as "
           "written (the first on line 2); give --html to read them as HTML";
    QTest::addRow("zip that is no package") << "other.apkg" << zipArchive({{"readme.txt", "hi"}}) << 1
                                            << "other.apkg, is not a readable package: it holds no collection";
    // Hostile or odd packages, made here: a few hundred bytes each.
    QTest::addRow("a generated field of a gigabyte")
        << "huge.apkg"
        << zipArchive({{"collection.anki2", collectionMadeBy({"CREATE TABLE notes (id INTEGER PRIMARY KEY, n INTEGER, "
                                                              "flds TEXT GENERATED ALWAYS AS (printf('%.*c', n, 'x')))",
                                                              "INSERT INTO notes VALUES (1, 1000000000)"})}})
        << 1 << "huge.apkg, is not a readable package: its table of notes computes its column flds";
    QTest::addRow("a table NOTES in capitals")
        << "caps.apkg"
        << zipArchive(
               {{"collection.anki2", collectionMadeBy({"CREATE TABLE NOTES (id INTEGER PRIMARY KEY, flds TEXT)",
                                                       "INSERT INTO NOTES VALUES (1, 'Hund' || char(31) || 'dog')"})}})
        << 0 << "Imported 1 entry";
    QTest::addRow("two members of one name")
        << "twice.apkg"
        << zipArchive({{"collection.anki2", ankiCollection({{"a", "b"}})}, {"collection.ankiX", ankiCollection({})}})
               .replace("collection.ankiX", "collection.anki2")
        << 1 << "twice.apkg, is not a readable package: it holds two members named 'collection.anki2'";
    QTest::addRow("a NUL in a note") << "nul.apkg"
                                     << ankiPackage({{"a", "b"}, {std::string("Hyd\0rogen", 9), "H"}},
                                                    PackageKind::Anki2)
                                     << 1 << "nul.apkg, note 2: holds a NUL character";
    std::vector<NoteFields> tooMany(32765, NoteFields{"<b>t</b>", "<i>d</i>"});
    tooMany.back() = {"caf\xe9", "not UTF-8, never reached"};
    QTest::addRow("too many notes, counted before any is parsed")
        << "many.apkg" << ankiPackage(tooMany, PackageKind::Anki21) << 1
        << "many.apkg: the source has 32765 new entries, but only 32764 fit";
    QTest::addRow("KVTML declaring an unknown encoding")
        << "klingon.kvtml" << QByteArray("<?xml version=\"1.0\"\n encoding=\"klingon\"?>\n<kvtml/>") << 1
        << "klingon.kvtml, line 2: declares the encoding 'klingon', which is not known";
    QTest::addRow("a deck with a NUL in a text")
        << "nul.mdb"
        << QByteArray::fromStdString(collectionMadeBy(
               {store::kCreateQuestionsTable, "INSERT INTO Questions VALUES (7, 'Hyd' || char(0) || 'rogen', 'H')"}))
        << 1 << "nul.mdb, entry 7: holds a NUL character";
    QTest::addRow("a line of 3 MiB, refused as it passes 2")
        << "long.csv" << QByteArray("a,b\n") + QByteArray(3 << 20, 'x') << 1
        << "long.csv', line 2: is longer than 2 MiB, more than an entry's fields may hold";
    QTest::addRow("a FIFO named .csv: nothing lost to sniffing")
        << "pipe.csv" << QByteArray("FIFO:") + QByteArray(100, 'a') + ",b\n"
        << 0 << "Imported 1 entry";
}

void TestDeckTool::importFromFilesPeopleHave()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(int, status);
    QFETCH(QString, said);

    TempDeck target(TempDeck::numbered(3));
    QTemporaryDir dir;
    const QString source = dir.filePath(fileName);
    std::thread feeder;
    if (content == "DECK COPY") {
        QVERIFY(QFile::copy(pathOf(target), source));
    } else if (content.startsWith("FIFO:")) {
        QVERIFY(::mkfifo(QFile::encodeName(source).constData(), 0600) == 0);
        feeder = std::thread([source, bytes = content.mid(5)] {
            QFile fifo(source);
            if (fifo.open(QIODevice::WriteOnly))
                fifo.write(bytes);
        });
    } else {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
    const QByteArray before = snapshot(target.path());
    const ToolRun run = runProcess({"import", pathOf(target), source});
    if (feeder.joinable()) {
        // A writer still waiting for a reader is let go.
        const int unblock = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_NONBLOCK);
        feeder.join();
        ::close(unblock);
    }
    QCOMPARE(run.status, status);
    QVERIFY2((status == 0 ? run.out : run.err).contains(said.toUtf8()), (run.out + run.err).constData());
    if (status != 0)
        QCOMPARE(snapshot(target.path()), before);
}

// A script that retries a failed import must not import twice: once the
// entries are in, a failure to say so is not "nothing was imported".
void TestDeckTool::outputFailureAfterTheCommitExitsWith3()
{
    TempDeck target;
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(DECK_TOOL, {"import", "--format", "tsv", pathOf(target), "-"});
    QVERIFY(process.waitForStarted());
    process.write("term\tdefinition\n");
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(30000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitCode(), 3);
    QVERIFY2(err.contains("imported 1 entry into") && !err.contains("Nothing was imported"), err.constData());
    QCOMPARE(target.entries().size(), std::size_t(1));
}

QTEST_GUILESS_MAIN(TestDeckTool)
#include "tst_decktool.moc"
