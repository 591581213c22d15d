// SPDX-License-Identifier: MIT
// The deck layer's rules for writing: the next ID and its ceiling, the blank
// rule, and writes that go ahead only over what the caller last read.

#include "connection.h"
#include "deck.h"
#include "storetest.h"

#include <QTest>

namespace {

// "1,2" -> the entries with those IDs as TempDeck::withIds gives them, or,
// with `stale`, the first one as the caller would have read it before
// another program changed it.
std::vector<store::Entry> entriesOf(const QString& ids, bool stale = false)
{
    std::vector<store::Entry> entries;
    for (const QString& id : ids.split(u',')) {
        const std::string n = id.toStdString();
        entries.push_back({id.toLongLong(), "term " + n, "definition " + n});
    }
    if (stale)
        entries.front().term = "as it was";
    return entries;
}

// One write: "add TERM|DEFINITION", "addAll N", "change[-stale] ID TERM|DEFINITION",
// "remove[-stale] ID,ID", "restore ID,ID".
void write(store::Deck& deck, const QString& step)
{
    const QStringList words = step.split(u' ');
    const QString verb = words[0];
    const bool stale = verb.endsWith(u"-stale");
    const QStringList texts = words.last().split(u'|');
    if (verb == u"add") {
        deck.add(texts.value(0).toStdString(), texts.value(1).toStdString());
    } else if (verb == u"addAll") {
        std::vector<store::Entry> entries(std::size_t(words[1].toInt()), store::Entry{0, "new", ""});
        deck.addAll(entries);
    } else if (verb.startsWith(u"change")) {
        deck.change(entriesOf(words[1], stale).front(), texts.value(0).toStdString(), texts.value(1).toStdString());
    } else if (verb.startsWith(u"remove")) {
        deck.remove(entriesOf(words[1], stale));
    } else if (verb == u"restore") {
        std::vector<store::Entry> entries = entriesOf(words[1]);
        deck.restore(entries);
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

} // namespace

class TestDeck : public QObject {
    Q_OBJECT
private slots:
    void writesKeepTheDecksRules_data();
    void writesKeepTheDecksRules();
};

void TestDeck::writesKeepTheDecksRules_data()
{
    QTest::addColumn<QList<qint64>>("ids"); // "term ID", "definition ID"
    QTest::addColumn<QString>("step");
    QTest::addColumn<int>("error");              // 0: written
    QTest::addColumn<QList<qint64>>("expected"); // IDs afterwards

    const int full = int(store::ErrorCode::DeckFull);
    const int blank = int(store::ErrorCode::BlankEntry);
    const int changed = int(store::ErrorCode::ChangedElsewhere);
    const QList<qint64> i123{1, 2, 3};
    QTest::addRow("add: largest + 1") << QList<qint64>{1, 5} << "add a|b" << 0 << QList<qint64>{1, 5, 6};
    QTest::addRow("add: term only") << i123 << "add a|" << 0 << QList<qint64>{1, 2, 3, 4};
    QTest::addRow("add: blank refused") << i123 << "add |" << blank << i123;
    QTest::addRow("add: 32767 is the last") << QList<qint64>{32766} << "add a|b" << 0 << QList<qint64>{32766, 32767};
    QTest::addRow("add: full at 32767") << QList<qint64>{32767} << "add a|b" << full << QList<qint64>{32767};
    QTest::addRow("addAll: up to the ceiling")
        << QList<qint64>{32765} << "addAll 2" << 0 << QList<qint64>{32765, 32766, 32767};
    QTest::addRow("addAll: one too many, none stored")
        << QList<qint64>{32765} << "addAll 3" << full << QList<qint64>{32765};
    QTest::addRow("addAll: 700, in chunks") << QList<qint64>{} << "addAll 700" << 0 << QList<qint64>{};
    QTest::addRow("change: as read") << i123 << "change 2 x|y" << 0 << i123;
    QTest::addRow("change: changed elsewhere") << i123 << "change-stale 2 x|y" << changed << i123;
    QTest::addRow("change: gone elsewhere") << QList<qint64>{1, 3} << "change 2 x|y" << changed << QList<qint64>{1, 3};
    QTest::addRow("change: to blank refused") << i123 << "change 2 |" << blank << i123;
    QTest::addRow("remove: as read") << i123 << "remove 1,3" << 0 << QList<qint64>{2};
    QTest::addRow("remove: one changed, none removed") << i123 << "remove-stale 3,1" << changed << i123;
    QTest::addRow("remove: one gone, none removed")
        << QList<qint64>{1, 3} << "remove 1,2" << changed << QList<qint64>{1, 3};
    QTest::addRow("restore: own IDs where free") << QList<qint64>{2} << "restore 1,3" << 0 << i123;
    QTest::addRow("restore: taken ID gets the next")
        << QList<qint64>{2} << "restore 2,5" << 0 << QList<qint64>{2, 5, 6};
    QTest::addRow("restore: no room for a new ID")
        << QList<qint64>{2, 32767} << "restore 2" << full << QList<qint64>{2, 32767};
}

void TestDeck::writesKeepTheDecksRules()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QString, step);
    QFETCH(int, error);
    QFETCH(QList<qint64>, expected);

    const TempDeck deck(TempDeck::withIds(ids));
    const std::vector<TestEntry> before = deck.entries();
    store::Connection connection(deck.path());
    store::Deck entries(connection);
    const auto raised = errorFrom([&] { write(entries, step); });
    QCOMPARE(raised ? raised->number() : 0, error);
    if (error != 0) {
        QCOMPARE(deck.entries(), before); // nothing written
        return;
    }
    const std::vector<TestEntry> after = deck.entries();
    if (step == u"addAll 700") { // IDs 1 to 700, in order
        QCOMPARE(after.size(), std::size_t(700));
        QCOMPARE(after.back().id, 700);
        return;
    }
    QList<qint64> stored;
    for (const TestEntry& entry : after)
        stored << entry.id;
    QCOMPARE(stored, expected);
    if (step.startsWith(u"change")) {
        QCOMPARE(after[1].question, "x");
        QCOMPARE(after[1].description, "y");
    }
}

QTEST_GUILESS_MAIN(TestDeck)
#include "tst_deck.moc"
