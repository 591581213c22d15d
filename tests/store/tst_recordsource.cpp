// SPDX-License-Identifier: MIT
// Record sources: the three texts the store opens, and everything else refused
// before the database file is touched.

#include "recordsource.h"
#include "storetest.h"

#include <QTest>

using store::ErrorCode;

class TestRecordSource : public QObject {
    Q_OBJECT

private slots:
    void acceptsTheThreeForms_data();
    void acceptsTheThreeForms();
    void refusesAnyOtherText_data();
    void refusesAnyOtherText();
    void refusedTextNeverReachesTheFile();
    void oneEntrySourceOpensOnlyThatEntry();
    void oneEntrySourceForMissingIdIsEmpty();
};

void TestRecordSource::acceptsTheThreeForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wholeTable");
    QTest::addColumn<qint64>("id");

    QTest::addRow("table name") << "Questions" << true << qint64(0);
    QTest::addRow("select all") << "SELECT * FROM Questions" << true << qint64(0);
    QTest::addRow("one entry") << "SELECT * FROM Questions WHERE ID = 42" << false << qint64(42);
    QTest::addRow("one entry, 1") << "SELECT * FROM Questions WHERE ID = 1" << false << qint64(1);
    QTest::addRow("one entry, 32767") << "SELECT * FROM Questions WHERE ID = 32767" << false << qint64(32767);
}

void TestRecordSource::acceptsTheThreeForms()
{
    QFETCH(QString, text);
    QFETCH(bool, wholeTable);
    QFETCH(qint64, id);

    const store::EntrySelection source = store::parseRecordSource(text.toStdString());
    QCOMPARE(source.wholeTable(), wholeTable);
    if (!wholeTable)
        QCOMPARE(*source.id, id);
}

void TestRecordSource::refusesAnyOtherText_data()
{
    QTest::addColumn<QString>("text");

    QTest::addRow("empty") << "";
    QTest::addRow("other table") << "Answers";
    QTest::addRow("table name with trailing space") << "Questions ";
    QTest::addRow("table name with leading space") << " Questions";
    QTest::addRow("select all with trailing text") << "SELECT * FROM Questions ORDER BY ID";
    QTest::addRow("other columns") << "SELECT ID FROM Questions";
    QTest::addRow("other statement") << "DELETE FROM Questions";
    QTest::addRow("schema table") << "SELECT * FROM sqlite_schema";
    QTest::addRow("empty number") << "SELECT * FROM Questions WHERE ID = ";
    QTest::addRow("no number, no space") << "SELECT * FROM Questions WHERE ID =";
    QTest::addRow("trailing space") << "SELECT * FROM Questions WHERE ID = 42 ";
    QTest::addRow("space before number") << "SELECT * FROM Questions WHERE ID =  42";
    QTest::addRow("space inside number") << "SELECT * FROM Questions WHERE ID = 4 2";
    QTest::addRow("second statement") << "SELECT * FROM Questions WHERE ID = 1; DROP TABLE Questions";
    QTest::addRow("trailing condition") << "SELECT * FROM Questions WHERE ID = 1 OR 1 = 1";
    QTest::addRow("letters after number") << "SELECT * FROM Questions WHERE ID = 42abc";
    QTest::addRow("hexadecimal") << "SELECT * FROM Questions WHERE ID = 0x2A";
    QTest::addRow("plus sign") << "SELECT * FROM Questions WHERE ID = +42";
    QTest::addRow("decimal point") << "SELECT * FROM Questions WHERE ID = 4.2";
    QTest::addRow("too large for 64 bits") << "SELECT * FROM Questions WHERE ID = 99999999999999999999";
    QTest::addRow("subquery") << "SELECT * FROM Questions WHERE ID = (SELECT max(ID) FROM Questions)";
}

void TestRecordSource::refusesAnyOtherText()
{
    QFETCH(QString, text);

    VERIFY_STORE_ERROR(store::parseRecordSource(text.toStdString()), ErrorCode::UnsupportedRecordSource,
                       "not supported");
}

// Refresh parses the source before it opens the file: with a refused text,
// even a file that does not exist is never looked at, and a file that does
// keeps its table and entries, while the open record set stays as it was.
void TestRecordSource::refusedTextNeverReachesTheFile()
{
    const TempDeck deck(TempDeck::numbered(3));
    store::DataControl data;
    openWholeTable(data, deck);
    data.Recordset().MoveNext();

    data.setRecordSource("SELECT * FROM Questions WHERE ID = 1; DROP TABLE Questions");
    VERIFY_STORE_ERROR(data.Refresh(), ErrorCode::UnsupportedRecordSource, "DROP TABLE");
    QCOMPARE(deck.entries(), TempDeck::numbered(3));
    QCOMPARE(currentId(data), 2);

    const TempDeck nothing({}, false);
    store::DataControl fresh;
    fresh.setDatabaseName(nothing.path());
    fresh.setRecordSource("DELETE FROM Questions");
    VERIFY_STORE_ERROR(fresh.Refresh(), ErrorCode::UnsupportedRecordSource, "DELETE FROM Questions");
}

void TestRecordSource::oneEntrySourceOpensOnlyThatEntry()
{
    const TempDeck deck(TempDeck::withIds({41, 42, 43}));
    store::DataControl data;
    data.setDatabaseName(deck.path());
    data.setRecordSource("SELECT * FROM Questions WHERE ID = 42");
    data.Refresh();

    store::RecordSet& set = data.Recordset();
    QVERIFY(set.RecordCount() > 0);
    QCOMPARE(currentId(data), 42);
    QCOMPARE(fieldText(data, "Question"), "term 42");
    set.MoveLast();
    QCOMPARE(currentId(data), 42);
    set.MoveNext();
    QVERIFY(set.Eof());
}

void TestRecordSource::oneEntrySourceForMissingIdIsEmpty()
{
    const TempDeck deck(TempDeck::withIds({41, 43}));
    store::DataControl data;
    data.setDatabaseName(deck.path());
    data.setRecordSource("SELECT * FROM Questions WHERE ID = 42");
    data.Refresh();

    QCOMPARE(data.Recordset().RecordCount(), 0);
    VERIFY_STORE_ERROR(data.Recordset().Fields("ID"), ErrorCode::NoCurrentRecord, "there is no entry with ID 42");
}

QTEST_GUILESS_MAIN(TestRecordSource)
#include "tst_recordsource.moc"
