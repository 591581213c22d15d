// SPDX-License-Identifier: MIT
// Crash safety: a child process drives the entry store as the program does,
// storing entries one after another and deleting them all as "Re&start"
// does (with its backup first and the idle point after), and is killed with
// SIGKILL at random moments, 50 times over one file. After each kill the
// file and its backup must pass SQLite's integrity check, the file hold every
// entry whose store had returned and none whose delete had returned, and
// hold no entry with a term or definition other than the one written.

#include "entrytexts.h"
#include "tempdeck.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <map>
#include <random>

namespace {

constexpr int kKills = 50;

// What a child printed before it was killed, replayed on what the file held.
struct Replay {
    std::map<std::int64_t, long> entries; // ID -> entry number
    long stored = 0;                      // "S" lines
    long deleted = 0;                     // "D" lines
    bool deleting = false;                // between "B" and "R"
};

Replay replay(std::map<std::int64_t, long> entries, const QByteArray& output)
{
    Replay r{std::move(entries)};
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words[0] == "S" && words.size() == 3) {
            r.entries[words[1].toLongLong()] = words[2].toLong();
            ++r.stored;
        } else if (words[0] == "D" && words.size() == 2) {
            r.entries.erase(words[1].toLongLong());
            ++r.deleted;
        } else if (words[0] == "B") {
            r.deleting = true;
        } else if (words[0] == "R") {
            r.deleting = false;
        }
    }
    return r;
}

// The file's entries by ID, each checked whole; an entry whose texts are not
// exactly those written for its number is reported in `broken`.
std::map<std::int64_t, long> readEntries(const QString& path, QStringList& broken)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT ID, Question, Description FROM Questions");
    std::map<std::int64_t, long> entries;
    while (query.executeStep()) {
        const std::int64_t id = query.getColumn(0).getInt64();
        const std::string term = query.getColumn(1).getString();
        const std::string definition = query.getColumn(2).getString();
        const auto number = entrytexts::numberOf(term);
        if (!number || term != entrytexts::termOf(*number) || definition != entrytexts::definitionOf(*number))
            broken << QStringLiteral("ID %1: \"%2\"").arg(id).arg(QString::fromStdString(term.substr(0, 40)));
        else
            entries[id] = *number;
    }
    return entries;
}

QString describe(const std::map<std::int64_t, long>& entries)
{
    if (entries.empty())
        return QStringLiteral("none");
    return QStringLiteral("%1 entries, IDs %2 to %3")
        .arg(entries.size())
        .arg(entries.begin()->first)
        .arg(entries.rbegin()->first);
}

} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT

private slots:
    void killedStoreKeepsEveryReturnedChangeAndNoHalfEntry();
    void killedEditorKeepsEveryCommittedEditAndNoHalfEntry();
};

void TestCrashSafety::killedStoreKeepsEveryReturnedChangeAndNoHalfEntry()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verbrio.mdb"));
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE Questions (ID INTEGER PRIMARY KEY, Question TEXT, Description TEXT)");
    }

    std::mt19937 random(20240601);
    std::map<std::int64_t, long> expected;
    int killedStoring = 0, killedDeleting = 0, unreported = 0;
    long stored = 0, deleted = 0;
    QElapsedTimer clock;
    clock.start();

    for (int kill = 0; kill < kKills; ++kill) {
        const long firstNumber = (kill + 1) * 1'000'000L;
        QProcess child;
        child.start(QStringLiteral(STOREDRIVER), {QStringLiteral("cycle"), path, QString::number(firstNumber)});
        QVERIFY2(child.waitForStarted(10'000), qPrintable(child.errorString()));

        // Kill at a random moment: some time after it is ready, or, every
        // other time, a few milliseconds into a deletion of all entries.
        const bool duringDeletion = kill % 2 == 1;
        const int delayMs = std::uniform_int_distribution<int>(0, duringDeletion ? 15 : 150)(random);
        QByteArray output;
        QElapsedTimer wait;
        wait.start();
        qint64 armedAt = -1;
        while (!wait.hasExpired(20'000)) {
            child.waitForReadyRead(1);
            output += child.readAllStandardOutput();
            const bool ready = output.startsWith("ready\n");
            if (armedAt < 0 && ready && (!duringDeletion || output.contains("\nB\n")))
                armedAt = wait.elapsed();
            if (armedAt >= 0 && wait.elapsed() - armedAt >= delayMs)
                break;
            if (child.state() != QProcess::Running)
                break;
        }
        QVERIFY2(child.state() == QProcess::Running,
                 qPrintable("the store driver stopped by itself: " + child.readAllStandardError()));
        child.kill(); // SIGKILL
        QVERIFY(child.waitForFinished(10'000));
        output += child.readAllStandardOutput();
        output.truncate(output.lastIndexOf('\n') + 1); // a line cut short was not reported

        const QString where = QStringLiteral("kill %1 (%2 ms into %3)")
                                  .arg(kill + 1)
                                  .arg(delayMs)
                                  .arg(duringDeletion ? "a deletion" : "the run");
        const QString integrity = integrityOf(path.toStdString());
        QVERIFY2(integrity == QLatin1String("ok"), qPrintable(where + ": integrity check: " + integrity));
        // The backup Restart writes first is whole, or the one before it.
        if (QFile::exists(path + ".bak")) {
            const QString backup = integrityOf((path + ".bak").toStdString());
            QVERIFY2(backup == QLatin1String("ok"), qPrintable(where + ": the backup's integrity check: " + backup));
        }

        QStringList broken;
        const auto file = readEntries(path, broken);
        QVERIFY2(broken.isEmpty(), qPrintable(where + ": half-stored entries: " + broken.join(", ")));

        const Replay r = replay(expected, output);
        stored += r.stored;
        deleted += r.deleted;
        (r.deleting ? killedDeleting : killedStoring) += 1;
        // The kill may have come after an operation returned and before its
        // line was written: one entry more (the next store) or one fewer (the
        // next delete, which goes in ascending ID order) than reported.
        bool consistent = file == r.entries;
        if (!consistent && !r.deleting && file.size() == r.entries.size() + 1) {
            auto withNext = r.entries;
            const std::int64_t nextId =
                (r.entries.empty() ? 0 : std::max<std::int64_t>(r.entries.rbegin()->first, 0)) + 1;
            withNext[nextId] = firstNumber + r.stored;
            consistent = file == withNext;
        }
        if (!consistent && r.deleting && file.size() + 1 == r.entries.size()) {
            auto withoutNext = r.entries;
            withoutNext.erase(withoutNext.begin());
            consistent = file == withoutNext;
        }
        unreported += consistent && file != r.entries;
        QVERIFY2(consistent, qPrintable(where + ": the file holds " + describe(file) + ", the reported changes leave "
                                        + describe(r.entries)));
        expected = file;
    }
    qInfo("%d kills in %lld ms: %d while storing, %d while deleting all; %ld stores and %ld deletes reported, "
          "%d changes made but not yet reported when killed",
          kKills, clock.elapsed(), killedStoring, killedDeleting, stored, deleted, unreported);
    QVERIFY2(killedDeleting >= kKills / 4, "too few kills landed inside a deletion of all entries");
}

namespace {

// An entry as the deck editor leaves it between its steps: added empty, its
// term typed, its definition typed. Any other texts are a half-written entry.
enum class Stage { Empty, Term, Full };
using EditedEntries = std::map<std::int64_t, std::pair<long, Stage>>; // ID -> number, stage

EditedEntries readEdited(const QString& path, QStringList& broken)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT ID, Question, Description FROM Questions");
    EditedEntries entries;
    while (query.executeStep()) {
        const std::int64_t id = query.getColumn(0).getInt64();
        const std::string term = query.getColumn(1).getString();
        const std::string definition = query.getColumn(2).getString();
        const auto number = entrytexts::numberOf(term);
        if (term.empty() && definition.empty())
            entries[id] = {0, Stage::Empty};
        else if (number && term == entrytexts::termOf(*number) && definition.empty())
            entries[id] = {*number, Stage::Term};
        else if (number && term == entrytexts::termOf(*number) && definition == entrytexts::definitionOf(*number))
            entries[id] = {*number, Stage::Full};
        else
            broken << QString::number(id);
    }
    return entries;
}

// Whether `file` is what the reported steps left, or the step after the
// last line further on: the kill may fall between a commit and its line.
bool oneStepOn(const EditedEntries& reported, const EditedEntries& file, const QList<QByteArray>& last)
{
    if (file == reported)
        return true;
    const QByteArray step = last.value(0);
    if (step == "B")
        return file.empty(); // every entry deleted in one transaction
    const std::int64_t id = last.value(1).toLongLong();
    const long number = last.value(2).toLong();
    std::vector<EditedEntries> next;
    const auto with = [&](std::int64_t at, long n, Stage stage) {
        EditedEntries e = reported;
        e[at] = {n, stage};
        next.push_back(e);
    };
    const std::int64_t newId = std::max<std::int64_t>(reported.empty() ? 0 : reported.rbegin()->first, 0) + 1;
    if (step == "T" || step == "U")
        with(id, number, Stage::Full);
    if (step == "u")
        with(id, number, Stage::Term); // the undo announced
    if ((step == "S" || step == "R" || step.isEmpty()) && file.contains(newId))
        with(newId, file.at(newId).first, Stage::Term); // the next entry stored with its term
    return std::find(next.begin(), next.end(), file) != next.end();
}

} // namespace

// The deck editor's changes, killed at random moments: each change it has
// committed (a new entry, a term, a definition, an undo, a deletion of all)
// is in the file, and no entry holds texts other than the steps write.
void TestCrashSafety::killedEditorKeepsEveryCommittedEditAndNoHalfEntry()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Verbrio.mdb"));
    TempDeck::createAt(path.toStdString());
    std::mt19937 random(20261207);
    EditedEntries reported;
    for (int kill = 0; kill < kKills / 2; ++kill) {
        QProcess child;
        child.start(QStringLiteral(STOREDRIVER),
                    {QStringLiteral("edit"), path, QString::number((kill + 1) * 1'000'000L)});
        QVERIFY2(child.waitForStarted(10'000), qPrintable(child.errorString()));
        QVERIFY(child.waitForReadyRead(10'000));
        QTest::qSleep(std::uniform_int_distribution<int>(0, 150)(random));
        QVERIFY2(child.state() == QProcess::Running, qPrintable("the driver stopped: " + child.readAllStandardError()));
        child.kill();
        QVERIFY(child.waitForFinished(10'000));
        QByteArray output = child.readAllStandardOutput();
        output.truncate(output.lastIndexOf('\n') + 1);

        QList<QByteArray> last;
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> words = line.split(' ');
            if (!line.isEmpty() && line != "ready")
                last = words;
            const std::int64_t id = words.size() > 1 ? words[1].toLongLong() : 0;
            const long number = words.size() > 2 ? words[2].toLong() : 0;
            if (words[0] == "T" || words[0] == "U")
                reported[id] = {number, Stage::Term};
            else if (words[0] == "S")
                reported[id] = {number, Stage::Full};
            else if (words[0] == "R")
                reported.clear();
        }
        const QString where = QStringLiteral("kill %1").arg(kill + 1);
        QCOMPARE(integrityOf(path.toStdString()), QStringLiteral("ok"));
        QStringList broken;
        const EditedEntries file = readEdited(path, broken);
        QVERIFY2(broken.isEmpty(), qPrintable(where + ": half-written entries, IDs " + broken.join(", ")));
        QVERIFY2(oneStepOn(reported, file, last),
                 qPrintable(where
                            + QStringLiteral(": the file holds %1 entries, the reported steps %2")
                                  .arg(file.size())
                                  .arg(reported.size())));
        reported = file;
    }
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
