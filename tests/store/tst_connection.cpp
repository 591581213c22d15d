// SPDX-License-Identifier: MIT
// The database file: where it lies, which files are refused and why, that
// reading leaves it untouched, that a stored change is on disk at once, and
// that two programs can share it.

#include "badfile.h"
#include "connection.h"
#include "databasepath.h"
#include "randompick.h"
#include "storetest.h"
#include "unprivilegeduser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QTest>
#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using store::ErrorCode;

namespace {

std::string journalMode(const std::string& path)
{
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    return db.execAndGet("PRAGMA journal_mode").getString();
}

// Each kind of file the store refuses (as badfile makes it), and the error
// it must raise.
struct Refusal {
    const char* file;
    int number;
    const char* says;
};

const Refusal kRefusals[] = {
    {"missing", SQLITE_CANTOPEN, "does not exist"},
    {"a directory of that name", SQLITE_CANTOPEN, "is a directory, not a database file"},
    {"zero bytes", int(ErrorCode::BadTable), "has no table Questions"},
    {"random bytes", SQLITE_NOTADB, "file is not a database"},
    {"older desktop-database format", SQLITE_NOTADB, "file is not a database"},
    {"SQLite header, damaged table pages", SQLITE_CORRUPT, "database disk image is malformed"},
    {"no table Questions", int(ErrorCode::BadTable), "has no table Questions"},
    {"a view named Questions", int(ErrorCode::BadTable), "has no table Questions"},
    {"no column Question", int(ErrorCode::BadTable), "has no column Question"},
    {"no column Description", int(ErrorCode::BadTable), "has no column Description"},
    {"no column ID", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"ID an integer but not the key", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"ID INT PRIMARY KEY", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"ID a text key", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"ID INTEGER PRIMARY KEY DESC", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"key of two columns", int(ErrorCode::BadTable), "must have the column ID as its INTEGER PRIMARY KEY"},
    {"WITHOUT ROWID", int(ErrorCode::BadTable), "WITHOUT ROWID table; its ID must be an INTEGER PRIMARY KEY"},
    {"a trigger on the table", int(ErrorCode::BadTable), "carries a trigger; Verbrio does not open such files"},
    {"a generated column", int(ErrorCode::ComputedTable), "has a generated or hidden column, Pad"},
    {"a CHECK constraint", int(ErrorCode::ComputedTable), "has a CHECK constraint"},
    {"an index on an expression", int(ErrorCode::ComputedTable),
     "has an index on an expression or with a WHERE clause, Heavy"},
    {"a partial index", int(ErrorCode::ComputedTable), "has an index on an expression or with a WHERE clause, Part"},
};

} // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void databasePathAddsSeparatorOnlyWhenMissing_data();
    void databasePathAddsSeparatorOnlyWhenMissing();
    void badFileIsRefusedAndLeftUntouched_data();
    void badFileIsRefusedAndLeftUntouched();
    void failedRefreshKeepsOpenRecordSet();
    void refreshRechecksTableAfterSchemaChange();
    void readOnlyFileReadsButRefusesWrites();
    void fileOnlyReadStaysByteForByteUnchanged();
    void firstWriteSwitchesTheFileToWal();
    void storedChangeSurvivesKill_data();
    void storedChangeSurvivesKill();
    void twoDataControlsShareOneFile();
    void refusedWriteLeavesFileByteForByte_data();
    void refusedWriteLeavesFileByteForByte();
    void idlePointLeavesOneSelfContainedFile();
    void idlePointNeverWaitsForAnotherCopy();
    void fileReplacedWhileIdleIsReadAfresh_data();
    void fileReplacedWhileIdleIsReadAfresh();
    void refusedTypedEntryNeverBlocksReadingAndIsKeptAtTheEnd();
    void backUpWritesACopyOrRaises();
    void untrustedConnectionStopsRunawayWork_data();
    void untrustedConnectionStopsRunawayWork();
    void walNotWrittenWithTheFileIsMovedAsideNotApplied_data();
    void walNotWrittenWithTheFileIsMovedAsideNotApplied();
    void storeErrorNumbersAreDistinctAndNoneIsSqlites();
};

void TestConnection::databasePathAddsSeparatorOnlyWhenMissing_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("expected");

    QTest::addRow("no trailing separator") << "/opt/Verbrio"
                                           << "/opt/Verbrio/Verbrio.mdb";
    QTest::addRow("trailing separator") << "/opt/Verbrio/"
                                        << "/opt/Verbrio/Verbrio.mdb";
    QTest::addRow("root") << "/"
                          << "/Verbrio.mdb";
    QTest::addRow("relative") << "."
                              << "./Verbrio.mdb";
}

void TestConnection::databasePathAddsSeparatorOnlyWhenMissing()
{
    QFETCH(QString, directory);
    QFETCH(QString, expected);

    QCOMPARE(QString::fromStdString(store::databasePath(directory.toStdString())), expected);
}

void TestConnection::badFileIsRefusedAndLeftUntouched_data()
{
    QTest::addColumn<int>("kind");
    for (int i = 0; i < int(std::size(kRefusals)); ++i)
        QTest::addRow("%s", kRefusals[i].file) << i;
}

void TestConnection::badFileIsRefusedAndLeftUntouched()
{
    QFETCH(int, kind);
    const Refusal& bad = kRefusals[kind];

    const TempDeck deck({}, false);
    QVERIFY(badfile::make(QString::fromLatin1(bad.file), QString::fromStdString(deck.path())));
    const QByteArray before = snapshot(deck.path());

    store::DataControl data;
    data.setDatabaseName(deck.path());
    data.setRecordSource("Questions");
    const auto raised = errorFrom([&] { data.Refresh(); });

    QVERIFY(raised.has_value());
    QCOMPARE(raised->number(), bad.number);
    QVERIFY2(contains(raised->description(), bad.says), raised->description().c_str());
    QVERIFY2(contains(raised->description(), deck.path()), "the description names the file");
    VERIFY_STORE_ERROR(data.Recordset(), ErrorCode::NotOpen, "No record set");
    QVERIFY(snapshot(deck.path()) == before); // never created, never written
}

void TestConnection::failedRefreshKeepsOpenRecordSet()
{
    const TempDeck deck(TempDeck::numbered(3));
    const TempDeck missing({}, false);
    store::DataControl data;
    openWholeTable(data, deck);
    data.Recordset().MoveNext();

    data.setDatabaseName(missing.path());
    VERIFY_STORE_ERROR(data.Refresh(), SQLITE_CANTOPEN, "does not exist");

    QCOMPARE(currentId(data), 2);
    data.Recordset().MoveNext();
    QCOMPARE(currentId(data), 3);
    data.setDatabaseName(deck.path());
    data.Refresh();
    QCOMPARE(currentId(data), 1);
}

// The table is checked again when another program changes the file's schema
// while the connection stays open.
void TestConnection::refreshRechecksTableAfterSchemaChange()
{
    const TempDeck deck(TempDeck::numbered(2));
    store::DataControl data;
    openWholeTable(data, deck);

    badfile::sql(QString::fromStdString(deck.path()),
                 {"CREATE TABLE Log (Text TEXT)",
                  "CREATE TRIGGER Spy AFTER DELETE ON Questions BEGIN INSERT INTO Log VALUES (old.Question); END"});

    VERIFY_STORE_ERROR(data.Refresh(), ErrorCode::BadTable, "carries a trigger");
    QCOMPARE(currentId(data), 1);
}

void TestConnection::readOnlyFileReadsButRefusesWrites()
{
    const TempDeck deck(TempDeck::numbered(2));
    QVERIFY(makeReadOnly(QString::fromStdString(deck.path()), QString::fromStdString(deck.directory())));
    const QByteArray before = snapshot(deck.path());
    UnprivilegedUser user;
    if (!user.ok())
        QSKIP("running as root and cannot drop to an unprivileged user, so a read-only file would still be written");
    {
        store::DataControl data;
        openWholeTable(data, deck);
        data.Recordset().MoveLast();
        QCOMPARE(currentId(data), 2);

        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, "typed");
        const auto raised = errorFrom([&] { data.Recordset().Update(); });
        QVERIFY(raised.has_value());
        QCOMPARE(raised->number() & 0xff, SQLITE_READONLY);
        QVERIFY2(contains(raised->description(), "readonly"), raised->description().c_str());
        QVERIFY2(contains(raised->description(), deck.path()), raised->description().c_str());
        data.Recordset().CancelUpdate();

        data.Recordset().MoveFirst();
        const auto refused = errorFrom([&] { data.Recordset().Delete(); });
        QVERIFY(refused.has_value());
        QCOMPARE(refused->number() & 0xff, SQLITE_READONLY);
    }
    QVERIFY(snapshot(deck.path()) == before);
    QCOMPARE(deck.entries(), TempDeck::numbered(2));
}

// Reading, moving, picking, and beginning entries that are then dropped write
// nothing: the file keeps its journal mode and every byte.
void TestConnection::fileOnlyReadStaysByteForByteUnchanged()
{
    const TempDeck deck(TempDeck::withIds({1, 2, 4, 7}));
    const QByteArray before = snapshot(deck.path());
    const QStringList filesBefore = QDir(QString::fromStdString(deck.directory())).entryList(QDir::Files);
    {
        store::DataControl data;
        openWholeTable(data, deck);
        store::RecordSet& set = data.Recordset();
        while (!set.Eof())
            set.MoveNext();
        set.MoveLast();
        set.Fields("Question");
        set.AddNew();
        set.setPendingField(&store::Record::question, "typed");
        set.CancelUpdate();
        set.setPendingField(&store::Record::question, "typed with nothing pending");
        set.Update();
        set.AddNew();
        data.Refresh(); // drops the untouched entry

        store::Generator generator;
        generator.seed(1.0f);
        store::PickRandomEntry(data, generator);
        QVERIFY(data.Recordset().RecordCount() > 0);
        openWholeTable(data, deck);
        data.Recordset().AddNew();
    }
    QVERIFY(snapshot(deck.path()) == before);
    QCOMPARE(QDir(QString::fromStdString(deck.directory())).entryList(QDir::Files), filesBefore);
    QCOMPARE(journalMode(deck.path()), "delete");
}

// That a stored entry is in the file when Update returns, tst_recordset shows.
void TestConnection::firstWriteSwitchesTheFileToWal()
{
    const TempDeck deck(TempDeck::numbered(1));
    store::DataControl data;
    openWholeTable(data, deck);
    QCOMPARE(journalMode(deck.path()), "delete");

    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, "term");
    data.Recordset().Update();

    QCOMPARE(journalMode(deck.path()), "wal");
}

void TestConnection::storedChangeSurvivesKill_data()
{
    QTest::addColumn<bool>("deleting");
    QTest::addRow("Update") << false;
    QTest::addRow("Delete") << true;
}

// A child process stores one change and is killed the moment the call
// returns: no destructor, no clean close. The change must be in the file.
void TestConnection::storedChangeSurvivesKill()
{
    QFETCH(bool, deleting);

    const TempDeck deck(TempDeck::numbered(2));
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        try {
            auto* data = new store::DataControl; // never destroyed
            openWholeTable(*data, deck);
            if (deleting) {
                data->Recordset().Delete();
            } else {
                data->Recordset().AddNew();
                data->Recordset().setPendingField(&store::Record::question, "kept");
                data->Recordset().Update();
            }
        } catch (...) {
            _exit(1);
        }
        kill(getpid(), SIGKILL);
        _exit(2);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the child failed before it was killed");

    auto expected = TempDeck::numbered(2);
    if (deleting)
        expected.erase(expected.begin());
    else
        expected.push_back({3, "kept", ""});
    QCOMPARE(deck.entries(), expected);
}

// One program stores and deletes while another is part-way through reading;
// neither waits on the other's locks.
void TestConnection::twoDataControlsShareOneFile()
{
    const TempDeck deck(TempDeck::numbered(3));
    QElapsedTimer timer;
    timer.start();
    store::DataControl reader;
    store::DataControl writer;
    openWholeTable(reader, deck);
    openWholeTable(writer, deck);
    reader.Recordset().MoveNext();

    writer.Recordset().AddNew();
    writer.Recordset().setPendingField(&store::Record::question, "from the writer");
    writer.Recordset().Update();
    writer.Recordset().Delete(); // entry 1, current in the writer

    reader.Recordset().MoveNext();
    QCOMPARE(currentId(reader), 3);
    reader.Recordset().MoveNext();
    QCOMPARE(currentId(reader), 4); // stored by the writer after the reader opened
    QCOMPARE(fieldText(reader, "Question"), "from the writer");
    reader.Recordset().MoveFirst();
    QCOMPARE(currentId(reader), 2);

    reader.Recordset().Delete(); // and the other way round
    writer.Refresh();
    QCOMPARE(currentId(writer), 3);
    QCOMPARE(idsOf(deck.entries()), (QList<qint64>{3, 4}));
    QVERIFY2(timer.elapsed() < 1500, "a busy wait happened: one connection held a lock");
}

// A deck whose table refuses some entries, as a file made elsewhere may.
void TestConnection::refusedWriteLeavesFileByteForByte_data()
{
    QTest::addColumn<QString>("table");
    QTest::addRow("UNIQUE term, in any case")
        << "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT COLLATE NOCASE UNIQUE, Description TEXT)";
    QTest::addRow("UNIQUE term")
        << "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT UNIQUE, Description TEXT)";
    QTest::addRow("NOT NULL on a column the program leaves out")
        << "CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT, Topic TEXT NOT NULL)";
}

void TestConnection::refusedWriteLeavesFileByteForByte()
{
    QFETCH(QString, table);
    const TempDeck deck({}, false);
    const QString path = QString::fromStdString(deck.path());
    badfile::sql(path, {table.toStdString()});
    if (table.contains(QLatin1String("UNIQUE")))
        badfile::sql(path, {"INSERT INTO Questions (ID, Question) VALUES (1, 'long')"});
    const QByteArray before = snapshot(deck.path());
    {
        store::DataControl data;
        openWholeTable(data, deck);
        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, "long");
        const auto raised = errorFrom([&] { data.Recordset().Update(); });
        QVERIFY(raised.has_value());
        QCOMPARE(raised->number() & 0xff, SQLITE_CONSTRAINT);
        QVERIFY(data.Recordset().pending());
        data.Recordset().CancelUpdate();
    }
    QVERIFY(snapshot(deck.path()) == before);
    QCOMPARE(QDir(QString::fromStdString(deck.directory())).entryList(QDir::Files), QStringList{"Verbrio.mdb"});
}

// After a burst of changes the idle point leaves the file alone in its
// folder, in the rollback journal, holding every entry: a copy of it alone
// is complete, and it reads from a folder where nothing can be created.
void TestConnection::idlePointLeavesOneSelfContainedFile()
{
    const TempDeck deck(TempDeck::numbered(2));
    const QString dir = QString::fromStdString(deck.directory());
    store::DataControl data;
    openWholeTable(data, deck);
    for (const char* term : {"a", "b", "c"}) {
        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, term);
        data.Recordset().Update();
    }
    data.Recordset().Delete(); // entry 1
    QCOMPARE(journalMode(deck.path()), "wal");

    QVERIFY(data.settleFile());

    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"Verbrio.mdb"});
    QCOMPARE(journalMode(deck.path()), "delete");
    const TempDeck copy({}, false);
    QVERIFY(QFile::copy(QString::fromStdString(deck.path()), QString::fromStdString(copy.path())));
    QCOMPARE(idsOf(copy.entries()), (QList<qint64>{2, 3, 4, 5}));
    // The connection goes on writing, and the next idle point settles again.
    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, "d");
    data.Recordset().Update();
    QVERIFY(data.settleFile());
    QCOMPARE(QDir(dir).entryList(QDir::Files), QStringList{"Verbrio.mdb"});
    QCOMPARE(deck.entries().size(), std::size_t(5));
}

void TestConnection::idlePointNeverWaitsForAnotherCopy()
{
    const TempDeck deck(TempDeck::numbered(2));
    store::DataControl data;
    auto other = std::make_unique<store::DataControl>();
    openWholeTable(data, deck);
    data.Recordset().Delete();
    openWholeTable(*other, deck); // opens the file in WAL

    QElapsedTimer timer;
    timer.start();
    QVERIFY(!data.settleFile());
    QVERIFY2(timer.elapsed() < 500, "the idle point waited for the other copy");
    QCOMPARE(deck.entries(), TempDeck::withIds({2})); // checkpointed or not, the entry is gone

    other.reset(); // the other copy ends
    QVERIFY(data.settleFile());
    QCOMPARE(journalMode(deck.path()), "delete");
}

void TestConnection::fileReplacedWhileIdleIsReadAfresh_data()
{
    QTest::addColumn<bool>("inPlace"); // else a new file renamed over the path
    QTest::addColumn<bool>("typed");   // an entry typed and pending meanwhile
    QTest::addColumn<bool>("refresh"); // a Refresh before the next entry is stored
    QTest::addRow("overwritten in place") << true << false << true;
    QTest::addRow("overwritten in place, an entry typed") << true << true << true;
    QTest::addRow("renamed over, an entry typed") << false << true << true;
    QTest::addRow("renamed over, the next entry stored at once") << false << false << false;
}

void TestConnection::fileReplacedWhileIdleIsReadAfresh()
{
    QFETCH(bool, inPlace);
    QFETCH(bool, typed);
    QFETCH(bool, refresh);
    const TempDeck deck(TempDeck::numbered(3));
    const TempDeck other(TempDeck::withIds({7, 8}));
    store::DataControl data;
    openWholeTable(data, deck);
    data.Recordset().Delete();
    QVERIFY(data.settleFile());
    if (typed) {
        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, "typed");
    }

    const QString path = QString::fromStdString(deck.path());
    if (inPlace) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate)); // cp over it
        file.write(snapshot(other.path()));
    } else {
        const QString next = path + ".new";
        QVERIFY(QFile::copy(QString::fromStdString(other.path()), next));
        QCOMPARE(::rename(next.toLocal8Bit().constData(), path.toLocal8Bit().constData()), 0);
    }
    if (refresh)
        data.Refresh();
    data.Recordset().MoveLast();
    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, "after");
    data.Recordset().Update(); // into the file now at the path, without a word
    data.endRun();

    QCOMPARE(integrityOf(deck.path()), "ok");
    auto expected = TempDeck::withIds({7, 8});
    if (typed)
        expected.push_back({9, "typed", ""});
    expected.push_back({typed ? 10 : 9, "after", ""});
    QCOMPARE(deck.entries(), expected);
}

// The file refuses the typed entry at a reopen: the reopen still opens, the
// entry is held aside and the reason said once, AddNew brings it back, and
// at the end of the run it goes to the unsaved-entries file.
void TestConnection::refusedTypedEntryNeverBlocksReadingAndIsKeptAtTheEnd()
{
    const TempDeck deck({}, false);
    badfile::sql(
        QString::fromStdString(deck.path()),
        {"CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT, Topic TEXT NOT NULL)",
         "INSERT INTO Questions VALUES (1, 'term 1', 'definition 1', 'x')"});
    const QByteArray before = snapshot(deck.path());
    const QString unsaved = QString::fromStdString(deck.directory()) + "/Verbrio.unsaved.csv";
    {
        store::DataControl data;
        QStringList said;
        data.hooks.entryNotStored = [&](const store::Error& e) { said << QString::number(e.number() & 0xff); };
        openWholeTable(data, deck);
        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, "no");
        data.Recordset().setPendingField(&store::Record::description, "a \"quoted\", two-line\ntext");

        openWholeTable(data, deck);
        openWholeTable(data, deck);
        QCOMPARE(said, QStringList{QString::number(SQLITE_CONSTRAINT)});
        QCOMPARE(currentId(data), 1); // reading goes on
        QVERIFY(!data.Recordset().pending());
        data.Recordset().AddNew();
        QCOMPARE(fieldText(data, "Question"), "no");
        openWholeTable(data, deck);
        QCOMPARE(said.size(), 2); // held anew after it was back on screen
    }
    QVERIFY(snapshot(deck.path()) == before);
    QFile csv(unsaved);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(), QByteArray("\"no\",\"a \"\"quoted\"\", two-line\ntext\"\r\n"));
}

void TestConnection::backUpWritesACopyOrRaises()
{
    const TempDeck deck(TempDeck::numbered(3));
    const QString dir = QString::fromStdString(deck.directory());
    QVERIFY(QFile::setPermissions(QString::fromStdString(deck.path()), QFile::ReadOwner | QFile::WriteOwner));
    store::DataControl data;
    openWholeTable(data, deck);
    data.Recordset().Delete(); // in the WAL only
    const std::string backup = deck.path() + ".bak";
    // A link planted where a fixed temporary name would be is never followed.
    QVERIFY(QFile::link(dir + "/outside", QString::fromStdString(backup + ".partial")));

    data.backUp(backup);
    QCOMPARE(TempDeck::entriesAt(backup), TempDeck::withIds({2, 3}));
    QCOMPARE(journalMode(backup), "delete");
    QCOMPARE(QFile::permissions(QString::fromStdString(backup)) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    QVERIFY(!QFile::exists(dir + "/outside"));

    // Each later copy keeps the two before it; the oldest goes.
    for (const int id : {2, 3, 0}) {
        SQLite::Database(deck.path(), SQLite::OPEN_READWRITE)
            .exec("DELETE FROM Questions WHERE ID = " + std::to_string(id));
        data.backUp(backup);
    }
    QCOMPARE(TempDeck::entriesAt(backup), TempDeck::withIds({}));
    QCOMPARE(TempDeck::entriesAt(backup + ".1"), TempDeck::withIds({}));
    QCOMPARE(TempDeck::entriesAt(backup + ".2"), TempDeck::withIds({3}));
    QCOMPARE(QDir(dir).entryList({"Verbrio.mdb.*"}, QDir::AllEntries | QDir::System),
             (QStringList{"Verbrio.mdb.bak", "Verbrio.mdb.bak.1", "Verbrio.mdb.bak.2", "Verbrio.mdb.bak.partial"}));

    VERIFY_STORE_ERROR(data.backUp(deck.directory() + "/no such folder/Verbrio.mdb.bak"), ErrorCode::CannotBackUp,
                       "so nothing was deleted");
}

void TestConnection::untrustedConnectionStopsRunawayWork_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says"); // the error's text, or the result's
    // printf stops quietly at the limit rather than fail.
    QTest::addRow("printf of 3 MB is cut short")
        << "SELECT coalesce(length(printf('%.*c', 3000000, 'x')), 0) < 2200000" << SQLITE_OK << "1";
    QTest::addRow("a blob of 3 MB") << "SELECT length(zeroblob(3000000))" << SQLITE_TOOBIG
                                    << "longer than the 1 MiB a field may hold";
    QTest::addRow("counting without end")
        << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n" << SQLITE_INTERRUPT
        << "was stopped: the file makes SQLite compute without end";
    QTest::addRow("a row of two long fields is read")
        << "SELECT length(printf('%.*c', 1048576, 'x') || printf('%.*c', 1048576, 'y'))" << SQLITE_OK << "2097152";
}

void TestConnection::untrustedConnectionStopsRunawayWork()
{
    QFETCH(QString, sql);
    QFETCH(int, code);
    QFETCH(QString, says);
    SQLite::Database db(":memory:", SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    store::protectFromUntrustedFile(db, std::chrono::milliseconds(300));
    QElapsedTimer clock;
    clock.start();
    try {
        const std::string result = db.execAndGet(sql.toStdString()).getString();
        QCOMPARE(SQLITE_OK, code);
        QCOMPARE(QString::fromStdString(result), says);
    } catch (const SQLite::Exception& e) {
        QCOMPARE(e.getErrorCode(), code);
        QVERIFY2(QString::fromStdString(store::failureText(e)).contains(says), e.what());
    }
    QVERIFY2(clock.elapsed() < 5000, "the statement was not stopped in time");
}

void TestConnection::walNotWrittenWithTheFileIsMovedAsideNotApplied_data()
{
    QTest::addColumn<bool>("ownWal");         // the file's own -wal, its header saying so; else another file's
    QTest::addColumn<bool>("readOnlyFolder"); // so that the -wal cannot be moved
    QTest::addColumn<QList<qint64>>("ids");   // none: the file is refused, and left as it is
    QTest::addRow("another deck's -wal beside a file in rollback mode") << false << false << QList<qint64>{1, 2, 3};
    QTest::addRow("the file's own -wal, left by a kill") << true << false << QList<qint64>{7, 8};
    QTest::addRow("another deck's -wal that cannot be moved") << false << true << QList<qint64>{};
}

void TestConnection::walNotWrittenWithTheFileIsMovedAsideNotApplied()
{
    QFETCH(bool, ownWal);
    QFETCH(bool, readOnlyFolder);
    QFETCH(QList<qint64>, ids);
    const TempDeck deck(TempDeck::numbered(3));
    const QString path = QString::fromStdString(deck.path());
    const QByteArray wal = TempDeck::foreignWal(TempDeck::withIds({7, 8}));
    if (ownWal) {
        // The file and its -wal as a kill leaves them: the header says WAL.
        const TempDeck other;
        SQLite::Database writer(other.path(), SQLite::OPEN_READWRITE);
        writer.exec("PRAGMA journal_mode = WAL");
        writer.exec("INSERT INTO Questions VALUES (7, 'term 7', 'definition 7'), (8, 'term 8', 'definition 8')");
        QVERIFY(QFile::remove(path) && QFile::copy(QString::fromStdString(other.path()), path));
        QVERIFY(QFile::copy(QString::fromStdString(other.path()) + "-wal", path + "-wal"));
    } else {
        QFile beside(path + "-wal");
        QVERIFY(beside.open(QIODevice::WriteOnly) && beside.write(wal) == wal.size() && !wal.isEmpty());
    }

    store::DataControl data;
    if (readOnlyFolder) {
        QVERIFY(makeReadOnly(path, QString::fromStdString(deck.directory())));
        const QByteArray before = snapshot(path) + snapshot(path + "-wal");
        UnprivilegedUser user;
        if (!user.ok())
            QSKIP("running as root and cannot drop to an unprivileged user, so the folder would still be written");
        VERIFY_STORE_ERROR(openWholeTable(data, deck), ErrorCode::ForeignWal, "cannot be moved aside");
        QCOMPARE(snapshot(path) + snapshot(path + "-wal"), before);
        return;
    }
    openWholeTable(data, deck);
    QCOMPARE(idsOf(TempDeck::entriesAt(deck.path())), ids);
    const QStringList aside = QDir(QString::fromStdString(deck.directory())).entryList({"Verbrio.mdb-wal.*"});
    QCOMPARE(aside.size(), ownWal ? 0 : 1);
    QCOMPARE(QString::fromStdString(data.takeNotice()).contains("moved aside to '" + path + "-wal.2"), !ownWal);
    QCOMPARE(data.takeNotice(), ""); // said once
}

void TestConnection::storeErrorNumbersAreDistinctAndNoneIsSqlites()
{
    const ErrorCode codes[] = {ErrorCode::Overflow,        ErrorCode::TypeMismatch,
                               ErrorCode::NoCurrentRecord, ErrorCode::UnsupportedRecordSource,
                               ErrorCode::NoField,         ErrorCode::NotOpen,
                               ErrorCode::BadTable,        ErrorCode::NoEntryInRange,
                               ErrorCode::CannotBackUp,    ErrorCode::NoRoomToRestore,
                               ErrorCode::ComputedTable,   ErrorCode::ForeignWal,
                               ErrorCode::Internal};
    QSet<int> seen;
    for (const ErrorCode code : codes) {
        const int number = int(code);
        QVERIFY2(!seen.contains(number), qPrintable(QString::number(number)));
        seen << number;
        // SQLite names every code it uses, extended ones by their low byte.
        QCOMPARE(sqlite3_errstr(number), "unknown error");
    }
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
