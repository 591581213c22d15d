// Program directories with spaces, letters outside ASCII and long paths: the
// window finds Verbrio.mdb there and works on it, and the real executable,
// copied there, opens the file beside it.

#include "boxanswerer.h"
#include "frmmain.h"
#include "schema.h"
#include "windowdriver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

namespace {

// A long path: segments of 50 bytes until the whole reaches `bytes`.
QString longPath(const QString& base, int bytes)
{
    QString path = base;
    for (int i = 0; path.toUtf8().size() < bytes; ++i)
        path += QStringLiteral("/segment %1 ").arg(i, 2, 10, QLatin1Char('0')) + QString(37, QLatin1Char('x'));
    return path;
}

void createDatabase(const QString& directory)
{
    QDir().mkpath(directory);
    SQLite::Database db(QDir(directory).filePath(QStringLiteral("Verbrio.mdb")).toStdString(),
                        SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(store::kCreateQuestionsTable);
}

QStringList terms(const QString& directory)
{
    SQLite::Database db(QDir(directory).filePath(QStringLiteral("Verbrio.mdb")).toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT Question FROM Questions ORDER BY ID");
    QStringList result;
    while (query.executeStep())
        result << QString::fromStdString(query.getColumn(0).getString());
    return result;
}

QStringList texts(BoxAnswerer& boxes)
{
    QStringList result;
    for (const auto& box : boxes.shown)
        result << box.text;
    boxes.shown.clear();
    return result;
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
    QTest::addRow("letters outside ASCII") << QStringLiteral("\u00dcbungen/Vokabeln \u00f1 \u65e5\u672c\u8a9e \U0001F600");
    QTest::addRow("ending in a separator") << "Programs/Verbrio/";
    QTest::addRow("long path, 480 bytes") << longPath(QStringLiteral("long"), 480 - 40);
}

void TestProgramDirectory::windowWorksOnDatabaseInProgramDirectory()
{
    QFETCH(QString, relative);
    QTemporaryDir base;
    const QString directory = base.path() + QLatin1Char('/') + relative;
    createDatabase(directory);

    BoxAnswerer boxes;
    {
        FrmMain w(directory);
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(texts(boxes), QStringList());
        click((*w.optScreen)[0]);
        typeInto(w.txtInQuestion, QStringLiteral("Stra\u00dfe \u05e9\u05dc\u05d5\u05dd"));
        typeInto(w.txtInAnswer, QStringLiteral("street"));
        click(w.cmdOK);
        click((*w.optScreen)[1]);
        QCOMPARE(texts(boxes), QStringList());
        QCOMPARE(w.txtOutQuestion->text(), QStringLiteral("Stra\u00dfe \u05e9\u05dc\u05d5\u05dd"));
    }
    QCOMPARE(terms(directory), QStringList{QStringLiteral("Stra\u00dfe \u05e9\u05dc\u05d5\u05dd")});
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

    BoxAnswerer boxes;
    FrmMain w(directory);
    w.Form_Load();
    const QStringList seen = texts(boxes);
    QCOMPARE(seen.size(), 2);
    QVERIFY2(seen[0].startsWith(QLatin1String("There was an error opening the database!")), qPrintable(seen[0]));
    QVERIFY2(seen[1].startsWith(QLatin1String("14:  Cannot open the database file '" ) + directory + "/Verbrio.mdb': its path is longer than the 512 bytes SQLite accepts"),
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
    createDatabase(directory);
    const QString database = QDir(directory).filePath(QStringLiteral("Verbrio.mdb"));
    const QString program = QDir(directory).filePath(QStringLiteral("Verbrio"));
    QVERIFY(QFile::copy(QStringLiteral(VERBRIO_EXECUTABLE), program));
    const QByteArray before = [&] { QFile f(database); f.open(QIODevice::ReadOnly); return f.readAll(); }();

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
    QFile file(database);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll() == before, "starting the program changed the database");
}

QTEST_MAIN(TestProgramDirectory)
#include "tst_programdirectory.moc"
