// SPDX-License-Identifier: MIT
// Program directories with spaces, letters outside ASCII and long paths: the
// window finds Verbrio.mdb there and works on it, and the real executable,
// copied there, opens the file beside it.

#include "messageboxes.h"
#include "tempdeck.h"
#include "testwindow.h"

#include <QProcess>
#include <QtTest>

namespace {

// A long path: segments of 50 bytes until the whole reaches `bytes`.
QString longPath(const QString& base, int bytes)
{
    QString path = base;
    for (int i = 0; path.toUtf8().size() < bytes; ++i)
        path += QStringLiteral("/segment %1 ").arg(i, 2, 10, QLatin1Char('0')) + QString(37, QLatin1Char('x'));
    return path;
}

// Verbrio.mdb with no entries in `directory`, made with the folders to it.
QString createDatabase(const QString& directory)
{
    QDir().mkpath(directory);
    const QString path = QDir(directory).filePath(QStringLiteral("Verbrio.mdb"));
    TempDeck::createAt(path.toStdString());
    return path;
}

} // namespace

class TestProgramDirectory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quietPlatformWarnings(); }
    void windowWorksOnDatabaseInProgramDirectory_data();
    void windowWorksOnDatabaseInProgramDirectory();
    void pathBeyondSqliteLimitIsReportedWithTheFileName();
    void executableOpensDatabaseBesideIt_data();
    void executableOpensDatabaseBesideIt();
};

void TestProgramDirectory::windowWorksOnDatabaseInProgramDirectory_data()
{
    QTest::addColumn<QString>("relative"); // the program directory inside a temporary one
    QTest::addRow("spaces") << "My Programs/Verbrio  folder ";
    QTest::addRow("letters outside ASCII")
        << QStringLiteral("\u00dcbungen/Vokabeln \u00f1 \u65e5\u672c\u8a9e \U0001F600");
    QTest::addRow("ending in a separator") << "Programs/Verbrio/";
    QTest::addRow("long path, 480 bytes") << longPath(QStringLiteral("long"), 480 - 40);
}

void TestProgramDirectory::windowWorksOnDatabaseInProgramDirectory()
{
    QFETCH(QString, relative);
    QTemporaryDir base;
    const QString directory = base.path() + QLatin1Char('/') + relative;
    const QString database = createDatabase(directory);

    MessageBoxes boxes;
    {
        FrmMain w(directory);
        QVERIFY(startWindow(w));
        QCOMPARE(boxes.takeTexts(), QStringList());
        click((*w.optScreen)[0]);
        typeInto(w.txtInQuestion, QStringLiteral("Stra\u00dfe \u05e9\u05dc\u05d5\u05dd"));
        typeInto(w.txtInAnswer, QStringLiteral("street"));
        click(w.cmdOK);
        click((*w.optScreen)[1]);
        QCOMPARE(boxes.takeTexts(), QStringList());
        QCOMPARE(w.txtOutQuestion->text(), QStringLiteral("Stra\u00dfe \u05e9\u05dc\u05d5\u05dd"));
    }
    const std::vector<TestEntry> stored{{1, "Stra\u00dfe \u05e9\u05dc\u05d5\u05dd", "street"}};
    QCOMPARE(TempDeck::entriesAt(database.toStdString()), stored);
}

// SQLite takes file paths of at most 512 bytes: beyond that the file cannot
// be opened, and the user is told so with the file's name.
void TestProgramDirectory::pathBeyondSqliteLimitIsReportedWithTheFileName()
{
    QTemporaryDir base;
    const QString directory = longPath(base.path(), 600);
    // The file is there: made in a short directory, moved into place.
    createDatabase(base.filePath(QStringLiteral("short")));
    QVERIFY(QDir().mkpath(QFileInfo(directory).path()));
    QVERIFY(QDir().rename(base.filePath(QStringLiteral("short")), directory));
    QVERIFY(QFile::exists(directory + QStringLiteral("/Verbrio.mdb")));

    MessageBoxes boxes;
    FrmMain w(directory);
    w.Form_Load();
    const QStringList seen = boxes.takeTexts();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0], kOpenFailedText);
    QVERIFY2(seen[1].startsWith(QLatin1String("14:  Cannot open the database file '") + directory
                                + "/Verbrio.mdb': its path is longer than the 512 bytes SQLite accepts"),
             qPrintable(seen[1]));
}

void TestProgramDirectory::executableOpensDatabaseBesideIt_data()
{
    windowWorksOnDatabaseInProgramDirectory_data();
}

void TestProgramDirectory::executableOpensDatabaseBesideIt()
{
    QFETCH(QString, relative);
    QTemporaryDir base;
    const QString directory = QDir::cleanPath(base.path() + QLatin1Char('/') + relative);
    const QString database = createDatabase(directory);
    const QString program = QDir(directory).filePath(QStringLiteral("Verbrio"));
    QVERIFY(QFile::copy(QStringLiteral(VERBRIO_EXECUTABLE), program));
    const QByteArray before = snapshot(database);

    QProcess verbrio;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    verbrio.setProcessEnvironment(environment);
    verbrio.start(program, {});
    QVERIFY2(verbrio.waitForStarted(10'000), qPrintable(verbrio.errorString()));

    // The running program holds the database beside it open (and shows no
    // message, which would keep it from getting that far).
    const QString descriptors = QStringLiteral("/proc/%1/fd").arg(verbrio.processId());
    bool opened = false;
    QElapsedTimer clock;
    clock.start();
    while (!opened && !clock.hasExpired(10'000)) {
        for (const QFileInfo& fd : QDir(descriptors).entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
            opened |= fd.symLinkTarget() == database;
        if (!opened)
            QTest::qWait(20);
    }
    verbrio.kill();
    verbrio.waitForFinished(10'000);
    QVERIFY2(opened, qPrintable("the program did not open " + database + ": " + verbrio.readAllStandardError()));
    QVERIFY2(snapshot(database) == before, "starting the program changed the database");
}

QTEST_MAIN(TestProgramDirectory)
#include "tst_programdirectory.moc"
