// SPDX-License-Identifier: MIT
// The record set's operations, and what becomes of a pending entry.

#include "storetest.h"

#include <QTest>

#include <algorithm>
#include <functional>

using store::ErrorCode;

namespace {

// One record-set operation that needs a current record, by name.
struct NamedOperation {
    const char* name;
    std::function<void(store::RecordSet&)> run;
};

const NamedOperation kNeedCurrentRecord[] = {
    {"MoveFirst", [](store::RecordSet& set) { set.MoveFirst(); }},
    {"MoveNext", [](store::RecordSet& set) { set.MoveNext(); }},
    {"MoveLast", [](store::RecordSet& set) { set.MoveLast(); }},
    {"Fields ID", [](store::RecordSet& set) { set.Fields("ID"); }},
    {"Fields Question", [](store::RecordSet& set) { set.Fields("Question"); }},
    {"Delete", [](store::RecordSet& set) { set.Delete(); }},
};

QList<qint64> walkIds(store::DataControl& data)
{
    QList<qint64> ids;
    for (; !data.Recordset().Eof(); data.Recordset().MoveNext())
        ids.push_back(currentId(data));
    return ids;
}

} // namespace

class TestRecordSet : public QObject {
    Q_OBJECT

private slots:
    void recordsetBeforeRefreshRaisesNotOpen();
    void refreshOpensFirstRecordInAscendingIdOrder();
    void moveFirstReturnsAfterWalkingPastTheEnd();
    void moveLastGivesLargestId();
    void fieldsReadTheCurrentRecord_data();
    void fieldsReadTheCurrentRecord();
    void unknownFieldRaisesNoField_data();
    void unknownFieldRaisesNoField();
    void recordCountIsZeroOnlyWhenEmpty_data();
    void recordCountIsZeroOnlyWhenEmpty();
    void emptyTableHasNoCurrentRecord_data();
    void emptyTableHasNoCurrentRecord();
    void addNewMakesEmptyEntryPending();
    void updateStoresPendingEntryWithNextId_data();
    void updateStoresPendingEntryWithNextId();
    void updateWithNothingPendingChangesNothing_data();
    void updateWithNothingPendingChangesNothing();
    void cancelUpdateDropsOnlyThePendingEntry_data();
    void cancelUpdateDropsOnlyThePendingEntry();
    void deleteRemovesEntryFromFileAtOnce();
    void deletingWhileWalkingEmptiesTable();
    void pendingEntryIsSettledWhenSetIsReplaced_data();
    void pendingEntryIsSettledWhenSetIsReplaced();
    void typingWithNothingPendingChangesNothing();
    void failedRefreshKeepsPendingEntry();
};

void TestRecordSet::recordsetBeforeRefreshRaisesNotOpen()
{
    store::DataControl data;
    VERIFY_STORE_ERROR(data.Recordset(), ErrorCode::NotOpen, "No record set");
    VERIFY_STORE_ERROR(data.hasEntryBetween(1, 10), ErrorCode::NotOpen, "No record set");
}

void TestRecordSet::refreshOpensFirstRecordInAscendingIdOrder()
{
    const TempDeck deck(TempDeck::withIds({30, 5, 17, 2, 100}));
    store::DataControl data;
    openWholeTable(data, deck);

    QCOMPARE(currentId(data), 2);
    QCOMPARE(fieldText(data, "Question"), "term 2");
    QCOMPARE(walkIds(data), (QList<qint64>{2, 5, 17, 30, 100}));
}

void TestRecordSet::moveFirstReturnsAfterWalkingPastTheEnd()
{
    const TempDeck deck(TempDeck::withIds({4, 9}));
    store::DataControl data;
    openWholeTable(data, deck);
    store::RecordSet& set = data.Recordset();

    set.MoveNext();
    QVERIFY(!set.Eof());
    set.MoveNext();
    QVERIFY(set.Eof());
    QVERIFY(!set.current());
    VERIFY_STORE_ERROR(set.MoveNext(), ErrorCode::NoCurrentRecord, "past its last entry");

    set.MoveFirst();
    QVERIFY(!set.Eof());
    QCOMPARE(currentId(data), 4);
}

void TestRecordSet::moveLastGivesLargestId()
{
    const TempDeck deck(TempDeck::withIds({12, 3, 250, 40}));
    store::DataControl data;
    openWholeTable(data, deck);

    data.Recordset().MoveLast();
    QCOMPARE(currentId(data), 250);
    QCOMPARE(fieldText(data, "Description"), "definition 250");
    data.Recordset().MoveNext();
    QVERIFY(data.Recordset().Eof());
}

void TestRecordSet::fieldsReadTheCurrentRecord_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::addRow("ID") << "ID"
                        << "7";
    QTest::addRow("Question") << "Question"
                              << "Photosynthesis";
    QTest::addRow("Description") << "Description"
                                 << "Light made into sugar";
    QTest::addRow("names ignore case") << "question"
                                       << "Photosynthesis";
}

void TestRecordSet::fieldsReadTheCurrentRecord()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);

    const TempDeck deck({{7, "Photosynthesis", "Light made into sugar"}});
    store::DataControl data;
    openWholeTable(data, deck);

    QCOMPARE(QString::fromStdString(store::toText(data.Recordset().Fields(field.toStdString()))), expected);
}

void TestRecordSet::unknownFieldRaisesNoField_data()
{
    QTest::addColumn<QString>("field");

    QTest::addRow("other name") << "Answer";
    QTest::addRow("empty") << "";
    QTest::addRow("prefix of a field") << "Quest";
    QTest::addRow("field with suffix") << "IDs";
}

void TestRecordSet::unknownFieldRaisesNoField()
{
    QFETCH(QString, field);

    const TempDeck deck(TempDeck::numbered(1));
    store::DataControl data;
    openWholeTable(data, deck);

    VERIFY_STORE_ERROR(data.Recordset().Fields(field.toStdString()), ErrorCode::NoField, "no field");
}

void TestRecordSet::recordCountIsZeroOnlyWhenEmpty_data()
{
    QTest::addColumn<qint64>("entries");
    QTest::addColumn<bool>("empty");

    QTest::addRow("no entries") << qint64(0) << true;
    QTest::addRow("one entry") << qint64(1) << false;
    QTest::addRow("many entries") << qint64(50) << false;
}

void TestRecordSet::recordCountIsZeroOnlyWhenEmpty()
{
    QFETCH(qint64, entries);
    QFETCH(bool, empty);

    const TempDeck deck(TempDeck::numbered(entries));
    store::DataControl data;
    openWholeTable(data, deck);

    if (empty)
        QCOMPARE(data.Recordset().RecordCount(), 0);
    else
        QVERIFY(data.Recordset().RecordCount() > 0);
}

void TestRecordSet::emptyTableHasNoCurrentRecord_data()
{
    QTest::addColumn<int>("operation");
    for (int i = 0; i < int(std::size(kNeedCurrentRecord)); ++i)
        QTest::addRow("%s", kNeedCurrentRecord[i].name) << i;
}

// On an empty table the error says plainly that there are no entries, whatever
// the operation: this is what the user reads after every entry was deleted.
void TestRecordSet::emptyTableHasNoCurrentRecord()
{
    QFETCH(int, operation);

    const TempDeck deck;
    store::DataControl data;
    openWholeTable(data, deck);

    VERIFY_STORE_ERROR(kNeedCurrentRecord[operation].run(data.Recordset()), ErrorCode::NoCurrentRecord,
                       "there are no entries");
    QVERIFY(deck.entries().empty());
}

void TestRecordSet::addNewMakesEmptyEntryPending()
{
    const TempDeck deck(TempDeck::numbered(2));
    store::DataControl data;
    openWholeTable(data, deck);
    int changes = 0;
    data.hooks.currentChanged = [&] { ++changes; };

    data.Recordset().AddNew();

    QVERIFY(data.Recordset().pending());
    QCOMPARE(changes, 1); // the bound boxes reload and show it empty
    QVERIFY(std::holds_alternative<std::monostate>(data.Recordset().Fields("ID")));
    QCOMPARE(fieldText(data, "Question"), "");
    QCOMPARE(fieldText(data, "Description"), "");
    QCOMPARE(deck.entries(), TempDeck::numbered(2));
}

void TestRecordSet::updateStoresPendingEntryWithNextId_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<qint64>("newId"); // 0: refused, as the deck is full

    QTest::addRow("empty table") << QList<qint64>{} << qint64(1);
    QTest::addRow("dense IDs") << QList<qint64>{1, 2, 3} << qint64(4);
    QTest::addRow("gaps, inserted out of order") << QList<qint64>{9, 2} << qint64(10);
    QTest::addRow("all IDs below 1") << QList<qint64>{-5, 0} << qint64(1);
    QTest::addRow("only a negative ID") << QList<qint64>{-7} << qint64(1);
    QTest::addRow("largest ID 32766 leaves room for one") << QList<qint64>{1, 32766} << qint64(32767);
    QTest::addRow("largest ID 32767: refused, never 32768") << QList<qint64>{1, 32767} << qint64(0);
    QTest::addRow("largest ID above 32767, made elsewhere: refused") << QList<qint64>{40000} << qint64(0);
    QTest::addRow("largest ID 2^63-1: refused, never a random ID")
        << QList<qint64>{1, 9223372036854775807} << qint64(0);
}

void TestRecordSet::updateStoresPendingEntryWithNextId()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(qint64, newId);

    const std::string term = "Ärger — 日本語 🙂 'quoted'";
    const std::string definition = "two\r\nlines";
    const TempDeck deck(TempDeck::withIds(ids));
    store::DataControl data;
    openWholeTable(data, deck);

    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, term);
    data.Recordset().setPendingField(&store::Record::description, definition);
    const auto error = errorFrom([&] { data.Recordset().Update(); });
    if (newId == 0) {
        QVERIFY(error);
        QCOMPARE(error->number(), int(store::ErrorCode::DeckFull));
        QVERIFY2(QString::fromStdString(error->description()).contains("'verbrio-deck compact' renumbers"),
                 error->what());
        QVERIFY(data.Recordset().pending()); // the typed entry waits
        QCOMPARE(deck.entries(), TempDeck::withIds(ids));
        return;
    }
    QVERIFY2(!error, error ? error->what() : "");

    QVERIFY(!data.Recordset().pending());
    auto expected = TempDeck::withIds(ids);
    expected.push_back({newId, term, definition});
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
    QCOMPARE(deck.entries(), expected);
    if (!ids.empty()) // the record current before AddNew is current again
        QCOMPARE(currentId(data), *std::min_element(ids.begin(), ids.end()));
}

void TestRecordSet::updateWithNothingPendingChangesNothing_data()
{
    QTest::addColumn<qint64>("entries");
    QTest::addColumn<bool>("afterStoring");

    QTest::addRow("empty table") << qint64(0) << false;
    QTest::addRow("with entries") << qint64(3) << false;
    QTest::addRow("right after an Update") << qint64(3) << true;
}

void TestRecordSet::updateWithNothingPendingChangesNothing()
{
    QFETCH(qint64, entries);
    QFETCH(bool, afterStoring);

    const TempDeck deck(TempDeck::numbered(entries));
    store::DataControl data;
    openWholeTable(data, deck);
    if (afterStoring) {
        data.Recordset().AddNew();
        data.Recordset().setPendingField(&store::Record::question, "stored once");
        data.Recordset().Update();
    }
    const auto before = deck.entries();

    data.Recordset().Update();

    QCOMPARE(deck.entries(), before);
    QVERIFY(!data.Recordset().pending());
}

void TestRecordSet::cancelUpdateDropsOnlyThePendingEntry_data()
{
    QTest::addColumn<bool>("pending");
    QTest::addRow("typed entry pending") << true;
    QTest::addRow("nothing pending") << false;
}

void TestRecordSet::cancelUpdateDropsOnlyThePendingEntry()
{
    QFETCH(bool, pending);

    const TempDeck deck(TempDeck::numbered(2));
    {
        store::DataControl data;
        openWholeTable(data, deck);
        data.Recordset().MoveNext();
        if (pending) {
            data.Recordset().AddNew();
            data.Recordset().setPendingField(&store::Record::question, "typed term");
            data.Recordset().setPendingField(&store::Record::description, "typed definition");
        }
        int changes = 0;
        data.hooks.currentChanged = [&] { ++changes; };

        data.Recordset().CancelUpdate();

        QVERIFY(!data.Recordset().pending());
        QCOMPARE(changes, pending ? 1 : 0); // the bound boxes show the current record again
        QCOMPARE(currentId(data), 2);
        data.Refresh();
    }
    QCOMPARE(deck.entries(), TempDeck::numbered(2));
}

void TestRecordSet::deleteRemovesEntryFromFileAtOnce()
{
    const TempDeck deck(TempDeck::numbered(3));
    store::DataControl data;
    openWholeTable(data, deck);
    store::RecordSet& set = data.Recordset();
    set.MoveNext();

    set.Delete();

    QCOMPARE(idsOf(deck.entries()), (QList<qint64>{1, 3}));
    VERIFY_STORE_ERROR(set.Fields("ID"), ErrorCode::NoCurrentRecord, "No current record");
    VERIFY_STORE_ERROR(set.Delete(), ErrorCode::NoCurrentRecord, "No current record");
    set.MoveNext(); // goes on after the deleted entry
    QCOMPARE(currentId(data), 3);
    set.MoveFirst();
    QCOMPARE(currentId(data), 1);
}

// The walk that empties the table: MoveFirst, then Delete and MoveNext until
// EOF, then an Update with nothing pending.
void TestRecordSet::deletingWhileWalkingEmptiesTable()
{
    const TempDeck deck(TempDeck::withIds({3, 1, 8, 2, 40}));
    store::DataControl data;
    openWholeTable(data, deck);
    store::RecordSet& set = data.Recordset();

    set.MoveFirst();
    int deleted = 0;
    while (!set.Eof()) {
        set.Delete();
        ++deleted;
        set.MoveNext();
    }
    set.Update();
    data.Refresh();

    QCOMPARE(deleted, 5);
    QVERIFY(deck.entries().empty());
    QCOMPARE(data.Recordset().RecordCount(), 0);
}

void TestRecordSet::pendingEntryIsSettledWhenSetIsReplaced_data()
{
    QTest::addColumn<bool>("endOfRun");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("typedThenErased");
    QTest::addColumn<bool>("stored");

    struct Case {
        const char* name;
        const char* question;
        const char* description;
        bool typedThenErased;
        bool stored;
    };
    const Case cases[] = {
        {"untouched", "", "", false, false},
        {"term typed", "term", "", false, true},
        {"definition typed", "", "definition", false, true},
        {"both typed", "term", "definition", false, true},
        {"typed then erased", "", "", true, false},
    };
    for (const bool endOfRun : {false, true}) {
        for (const Case& c : cases) {
            QTest::addRow("%s, %s", endOfRun ? "end of run" : "Refresh", c.name)
                << endOfRun << c.question << c.description << c.typedThenErased << c.stored;
        }
    }
}

void TestRecordSet::pendingEntryIsSettledWhenSetIsReplaced()
{
    QFETCH(bool, endOfRun);
    QFETCH(QString, question);
    QFETCH(QString, description);
    QFETCH(bool, typedThenErased);
    QFETCH(bool, stored);

    const TempDeck deck(TempDeck::numbered(2));
    auto expected = TempDeck::numbered(2);
    if (stored)
        expected.push_back({3, question.toStdString(), description.toStdString()});
    {
        store::DataControl data;
        openWholeTable(data, deck);
        store::RecordSet& set = data.Recordset();
        set.AddNew();
        if (typedThenErased) {
            set.setPendingField(&store::Record::question, "typed");
            set.setPendingField(&store::Record::description, "typed");
            set.setPendingField(&store::Record::question, "");
            set.setPendingField(&store::Record::description, "");
        }
        if (!question.isEmpty())
            set.setPendingField(&store::Record::question, question.toStdString());
        if (!description.isEmpty())
            set.setPendingField(&store::Record::description, description.toStdString());

        if (!endOfRun) {
            data.Refresh();
            QVERIFY(!data.Recordset().pending());
            QCOMPARE(deck.entries(), expected);
        }
    }
    QCOMPARE(deck.entries(), expected); // stored once, never twice
}

void TestRecordSet::typingWithNothingPendingChangesNothing()
{
    const TempDeck deck(TempDeck::numbered(2));
    {
        store::DataControl data;
        openWholeTable(data, deck);
        store::RecordSet& set = data.Recordset();

        set.setPendingField(&store::Record::question, "changed");
        set.setPendingField(&store::Record::description, "changed");

        QVERIFY(!set.pending());
        QCOMPARE(fieldText(data, "Question"), "term 1");
        set.Update();
        data.Refresh();
        QCOMPARE(fieldText(data, "Question"), "term 1");
    }
    QCOMPARE(deck.entries(), TempDeck::numbered(2));
}

// A Refresh refused before anything opens leaves the record set as it was,
// pending entry and typed text included.
void TestRecordSet::failedRefreshKeepsPendingEntry()
{
    const TempDeck deck(TempDeck::numbered(1));
    store::DataControl data;
    openWholeTable(data, deck);
    data.Recordset().AddNew();
    data.Recordset().setPendingField(&store::Record::question, "typed");

    data.setRecordSource("Answers");
    VERIFY_STORE_ERROR(data.Refresh(), ErrorCode::UnsupportedRecordSource, "Answers");

    QVERIFY(data.Recordset().pending());
    QCOMPARE(fieldText(data, "Question"), "typed");
    QCOMPARE(deck.entries(), TempDeck::numbered(1));
    data.Recordset().CancelUpdate();
    QCOMPARE(deck.entries(), TempDeck::numbered(1));
}

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"
