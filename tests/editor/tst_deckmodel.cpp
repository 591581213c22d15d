// SPDX-License-Identifier: MIT
// The deck editor's model, headless: each change written at once, undone and
// redone; the search; changes another program makes to the file.
#include "connection.h"
#include "deckmodel.h"
#include "error.h"
#include "searchfilter.h"
#include "tempdeck.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <new>
#include <system_error>

Q_DECLARE_METATYPE(std::function<void()>)
#include <cstdio>

namespace {

using Entries = std::vector<TestEntry>;

// The model's stored rows, as the test entries they should equal.
Entries rowsOf(const DeckModel& model)
{
    Entries rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.isPending(row))
            continue;
        const DeckEntry& e = model.entry(row);
        rows.push_back({e.id, e.term, e.definition});
    }
    return rows;
}

// Runs one step of a script: "edit ID term|definition TEXT", "add [TERM]",
// "delete ID...", "undo", "redo", "other-add TEXT" (another connection
// stores an entry), "other-change ID TERM", "other-delete ID",
// "other-replace ID..." (another program renames a deck of these entries over
// the file), then the model refreshes.
void runStep(DeckModel& model, TempDeck& deck, const QString& step)
{
    const QStringList words = step.split(u' ');
    const QString& verb = words[0];
    if (verb == u"edit") {
        const int row = model.rowOfId(words[1].toLongLong());
        const int column = words[2] == u"term" ? DeckModel::TermColumn : DeckModel::DefinitionColumn;
        QVERIFY(model.setData(model.index(row, column), words.mid(3).join(u' ')));
    } else if (verb == u"add") { // the new row; stored once a term is typed into it
        const int row = model.addEntry();
        QVERIFY(row >= 0);
        if (words.size() > 1)
            QVERIFY(model.setData(model.index(row, DeckModel::TermColumn), words.mid(1).join(u' ')));
    } else if (verb == u"delete") {
        std::vector<int> rows;
        for (const QString& id : words.mid(1))
            rows.push_back(model.rowOfId(id.toLongLong()));
        model.removeEntries(rows);
    } else if (verb == u"undo") {
        model.undoStack()->undo();
    } else if (verb == u"redo") {
        model.undoStack()->redo();
    } else if (verb == u"other-replace") {
        QList<qint64> ids;
        for (const QString& id : words.mid(1))
            ids << id.toLongLong();
        const std::string next = deck.path() + ".new";
        TempDeck::createAt(next, TempDeck::withIds(ids));
        QCOMPARE(std::rename(next.c_str(), deck.path().c_str()), 0);
        QVERIFY(model.refresh());
    } else if (verb.startsWith(u"other-")) {
        SQLite::Database other(deck.path(), SQLite::OPEN_READWRITE);
        if (verb == u"other-add")
            other.exec("INSERT INTO Questions (Question, Description) VALUES ('" + words[1].toStdString()
                       + "', 'by another program')");
        else if (verb == u"other-change")
            other.exec("UPDATE Questions SET Question = '" + words[2].toStdString()
                       + "' WHERE ID = " + words[1].toStdString());
        else
            other.exec("DELETE FROM Questions WHERE ID = " + words[1].toStdString());
        QVERIFY(model.refresh());
    } else {
        QFAIL(qPrintable("unknown step " + step));
    }
}

} // namespace

class TestDeckModel : public QObject {
    Q_OBJECT
private slots:
    void changesAreWrittenAtOnce_data();
    void changesAreWrittenAtOnce();
    void undoAndRedoWriteOnlyOverWhatTheySaw_data();
    void undoAndRedoWriteOnlyOverWhatTheySaw();
    void bulkDeleteIsOneStepBackedUpFromAHundred_data();
    void bulkDeleteIsOneStepBackedUpFromAHundred();
    void searchFindsByMeaning_data();
    void searchFindsByMeaning();
    void searchOfALargeDeckFindsEveryMatch();
    void narrowedSearchSeesChangedRows();
    void searchFollowsChanges_data();
    void searchFollowsChanges();
    void sortOrdersTheViewOnly_data();
    void sortOrdersTheViewOnly();
    void refreshKeepsPersistentRows();
    void editOfAnEntryGoneElsewhereIsReported();
    void anyErrorOfAStepIsReportedWithANumber_data();
    void anyErrorOfAStepIsReportedWithANumber();
    void refusesAFileItCannotOpen();
    void newEntryOnAFullDeckIsRefusedAtOnce();
};

void TestDeckModel::changesAreWrittenAtOnce_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<qint64>>("expectedIds");
    QTest::addColumn<QStringList>("expectedTerms"); // in ID order

    const QStringList t123{"term 1", "term 2", "term 3"};
    QTest::addRow("edit a term") << QList<qint64>{1, 2, 3} << QStringList{"edit 2 term two"} << QList<qint64>{1, 2, 3}
                                 << QStringList{"term 1", "two", "term 3"};
    QTest::addRow("edit, undo") << QList<qint64>{1, 2, 3} << QStringList{"edit 2 term two", "undo"}
                                << QList<qint64>{1, 2, 3} << t123;
    QTest::addRow("edit, undo, redo") << QList<qint64>{1, 2, 3} << QStringList{"edit 2 term two", "undo", "redo"}
                                      << QList<qint64>{1, 2, 3} << QStringList{"term 1", "two", "term 3"};
    QTest::addRow("add takes largest + 1") << QList<qint64>{1, 7} << QStringList{"add new"} << QList<qint64>{1, 7, 8}
                                           << QStringList{"term 1", "term 7", "new"};
    QTest::addRow("add to an empty deck takes 1")
        << QList<qint64>{} << QStringList{"add new"} << QList<qint64>{1} << QStringList{"new"};
    QTest::addRow("add below one takes 1")
        << QList<qint64>{-5} << QStringList{"add new"} << QList<qint64>{-5, 1} << QStringList{"term -5", "new"};
    QTest::addRow("add with nothing typed stores nothing")
        << QList<qint64>{1} << QStringList{"add"} << QList<qint64>{1} << QStringList{"term 1"};
    QTest::addRow("add, edit, undo both")
        << QList<qint64>{1} << QStringList{"add new", "edit 2 term newer", "undo", "undo"} << QList<qint64>{1}
        << QStringList{"term 1"};
    QTest::addRow("add, undo, redo keeps the ID") << QList<qint64>{1} << QStringList{"add new", "undo", "redo"}
                                                  << QList<qint64>{1, 2} << QStringList{"term 1", "new"};
    QTest::addRow("delete two") << QList<qint64>{1, 2, 3} << QStringList{"delete 1 3"} << QList<qint64>{2}
                                << QStringList{"term 2"};
    QTest::addRow("delete, undo restores IDs")
        << QList<qint64>{1, 2, 3} << QStringList{"delete 1 3", "undo"} << QList<qint64>{1, 2, 3} << t123;
    QTest::addRow("delete, undo, redo") << QList<qint64>{1, 2, 3} << QStringList{"delete 2", "undo", "redo"}
                                        << QList<qint64>{1, 3} << QStringList{"term 1", "term 3"};
    QTest::addRow("entry stored elsewhere appears")
        << QList<qint64>{1} << QStringList{"other-add drill"} << QList<qint64>{1, 2} << QStringList{"term 1", "drill"};
    QTest::addRow("deck replaced by rename is read afresh") << QList<qint64>{1, 2} << QStringList{"other-replace 5 6"}
                                                            << QList<qint64>{5, 6} << QStringList{"term 5", "term 6"};
    QTest::addRow("deck replaced by rename takes the next edit")
        << QList<qint64>{1, 2} << QStringList{"other-replace 5", "edit 5 term five", "undo", "redo"} << QList<qint64>{5}
        << QStringList{"five"};
    QTest::addRow("entry deleted elsewhere goes")
        << QList<qint64>{1, 2} << QStringList{"other-delete 1"} << QList<qint64>{2} << QStringList{"term 2"};
    // The drill took the deleted last entry's ID: the undone delete comes back under a new one.
    QTest::addRow("undo delete after its ID was taken")
        << QList<qint64>{1, 2} << QStringList{"delete 2", "other-add drill", "undo"} << QList<qint64>{1, 2, 3}
        << QStringList{"term 1", "drill", "term 2"};
    QTest::addRow("undo add after it was deleted elsewhere")
        << QList<qint64>{1} << QStringList{"add new", "other-delete 2", "undo"} << QList<qint64>{1}
        << QStringList{"term 1"};
}

void TestDeckModel::changesAreWrittenAtOnce()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(QStringList, steps);
    QFETCH(QList<qint64>, expectedIds);
    QFETCH(QStringList, expectedTerms);

    TempDeck deck(TempDeck::withIds(ids));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    for (const QString& step : steps)
        runStep(model, deck, step);

    const Entries stored = deck.entries();
    QCOMPARE(rowsOf(model), stored); // the model shows exactly what is committed
    QCOMPARE(qsizetype(stored.size()), expectedIds.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        QCOMPARE(stored[i].id, expectedIds[qsizetype(i)]);
        QCOMPARE(QString::fromStdString(stored[i].question), expectedTerms[qsizetype(i)]);
    }
}

void TestDeckModel::undoAndRedoWriteOnlyOverWhatTheySaw_data()
{
    // Entries 1, 2, 3 ("term N"); another program changes, deletes or
    // reuses an ID between the editor's steps.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<qint64>>("expectedIds");
    QTest::addColumn<QStringList>("expectedTerms"); // in ID order
    QTest::addColumn<QStringList>("said");          // in the status bar

    const QList<qint64> i123{1, 2, 3};
    const QStringList changed{"term 1", "X", "term 3"};
    const QString notUndone = "Entry 2 was changed by another program; not undone";
    const QString notRedone = "Entry 2 was changed by another program; not redone";
    QTest::addRow("edit, changed elsewhere, undo")
        << QStringList{"edit 2 term two", "other-change 2 X", "undo"} << i123 << changed << QStringList{notUndone};
    QTest::addRow("edit, deleted elsewhere, undo")
        << QStringList{"edit 2 term two", "other-delete 2", "undo"} << QList<qint64>{1, 3}
        << QStringList{"term 1", "term 3"} << QStringList{notUndone};
    QTest::addRow("edit, undo, changed elsewhere, redo")
        << QStringList{"edit 2 term two", "undo", "other-change 2 X", "redo"} << i123 << changed
        << QStringList{notRedone};
    QTest::addRow("edit, undo, deleted elsewhere, redo")
        << QStringList{"edit 2 term two", "undo", "other-delete 2", "redo"} << QList<qint64>{1, 3}
        << QStringList{"term 1", "term 3"} << QStringList{notRedone};
    QTest::addRow("refused undo is dropped, the stack goes on")
        << QStringList{"edit 1 term one", "edit 2 term two", "other-change 2 X", "undo", "undo"} << i123 << changed
        << QStringList{notUndone};
    QTest::addRow("delete, undo, changed elsewhere, redo")
        << QStringList{"delete 2", "undo", "other-change 2 X", "redo"} << i123 << changed << QStringList{notRedone};
    QTest::addRow("delete, ID still free, undo")
        << QStringList{"delete 2", "other-add drill", "undo"} << QList<qint64>{1, 2, 3, 4}
        << QStringList{"term 1", "term 2", "term 3", "drill"} << QStringList{};
    QTest::addRow("delete two, one ID reused, undo")
        << QStringList{"delete 2 3", "other-add drill", "undo"} << QList<qint64>{1, 2, 3, 4}
        << QStringList{"term 1", "drill", "term 3", "term 2"} << QStringList{};
    // The drill takes the deleted entry's ID: the undone edit must follow
    // the entry to its new ID, never write into the drill's.
    QTest::addRow("edit, delete, ID reused, undo both")
        << QStringList{"edit 3 term GAMMA", "delete 3", "other-add drill", "undo", "undo"} << QList<qint64>{1, 2, 3, 4}
        << QStringList{"term 1", "term 2", "drill", "term 3"} << QStringList{};
    QTest::addRow("edit, delete, ID reused, undo both, redo both")
        << QStringList{"edit 3 term GAMMA", "delete 3", "other-add drill", "undo", "undo", "redo", "redo"} << i123
        << QStringList{"term 1", "term 2", "drill"} << QStringList{};
    QTest::addRow("add, changed elsewhere, undo")
        << QStringList{"add new", "other-change 4 X", "undo"} << QList<qint64>{1, 2, 3, 4}
        << QStringList{"term 1", "term 2", "term 3", "X"}
        << QStringList{"Entry 4 was changed by another program; not undone"};
}

void TestDeckModel::undoAndRedoWriteOnlyOverWhatTheySaw()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<qint64>, expectedIds);
    QFETCH(QStringList, expectedTerms);
    QFETCH(QStringList, said);

    TempDeck deck(TempDeck::numbered(3));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    QSignalSpy saying(&model, &DeckModel::said);
    QSignalSpy failed(&model, &DeckModel::failed);
    for (const QString& step : steps)
        runStep(model, deck, step);

    const Entries stored = deck.entries();
    QCOMPARE(rowsOf(model), stored);
    QList<qint64> ids;
    QStringList terms;
    for (const TestEntry& entry : stored) {
        ids << entry.id;
        terms << QString::fromStdString(entry.question);
    }
    QCOMPARE(ids, expectedIds);
    QCOMPARE(terms, expectedTerms);
    QStringList lines;
    for (const auto& line : saying)
        lines << line[0].toString();
    QCOMPARE(lines, said);
    QCOMPARE(failed.size(), 0); // said in the status bar, not in a box
}

void TestDeckModel::bulkDeleteIsOneStepBackedUpFromAHundred_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("step");     // every step-th row deleted, from the first
    QTest::addColumn<int>("removals"); // notices the views get
    QTest::addColumn<bool>("backedUp");

    QTest::addRow("99 in a run: no copy") << 99 << 1 << 1 << false;
    QTest::addRow("100 in a run: the copy first") << 100 << 1 << 1 << true;
    QTest::addRow("3 apart: one notice each") << 9 << 3 << 3 << false;
    QTest::addRow("100 runs: one reset") << 200 << 2 << 0 << true;
}

void TestDeckModel::bulkDeleteIsOneStepBackedUpFromAHundred()
{
    QFETCH(int, entries);
    QFETCH(int, step);
    QFETCH(int, removals);
    QFETCH(bool, backedUp);

    TempDeck deck(TempDeck::numbered(entries));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsAboutToBeRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy saying(&model, &DeckModel::said);
    std::vector<int> rows;
    for (int row = 0; row < entries; row += step)
        rows.push_back(row);
    model.removeEntries(rows);

    QCOMPARE(model.rowCount(), entries - int(rows.size()));
    QCOMPARE(rowsOf(model), deck.entries());
    QCOMPARE(removed.size(), removals);
    QCOMPARE(reset.size(), removals == 0 ? 1 : 0);
    const std::string backup = deck.path() + ".bak";
    QCOMPARE(QFileInfo::exists(QString::fromStdString(backup)), backedUp);
    QCOMPARE(saying.size(), backedUp ? 1 : 0);
    if (backedUp) // the copy holds every entry as it was before
        QCOMPARE(TempDeck::entriesAt(backup), TempDeck::numbered(entries));
    model.undoStack()->undo(); // all back, in one step
    QCOMPARE(deck.entries(), TempDeck::numbered(entries));
    QCOMPARE(rowsOf(model), deck.entries());
}

void TestDeckModel::searchFindsByMeaning_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("accents");   // "Match accents"
    QTest::addColumn<QString>("within"); // "both", "terms" or "definitions"
    QTest::addColumn<QList<qint64>>("expected");
    const QList<qint64> none;
    // The deck: searchDeck() below.
    QTest::addRow("empty shows all") << QString() << false << "both"
                                     << QList<qint64>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    QTest::addRow("ASCII, other case") << "CAT" << false << "both" << QList<qint64>{1};
    QTest::addRow("in the definition") << "SCHOOL" << false << "both" << QList<qint64>{2};
    QTest::addRow("accented, other case") << "école" << false << "both" << QList<qint64>{2};
    QTest::addRow("accent left out") << "ecole" << false << "both" << QList<qint64>{2};
    QTest::addRow("ss finds ß") << "strasse" << false << "both" << QList<qint64>{6, 14};
    QTest::addRow("capital sharp s finds ß and SS") << "STRAẞE" << false << "both" << QList<qint64>{6, 14};
    QTest::addRow("one s short finds neither") << "strase" << false << "both" << none;
    QTest::addRow("i finds İ") << "istanbul" << false << "both" << QList<qint64>{8};
    QTest::addRow("İ finds itself") << "İSTANBUL" << false << "both" << QList<qint64>{8};
    QTest::addRow("dotted i does not find dotless ı") << "ispanak" << false << "both" << none;
    QTest::addRow("capital I does not find dotless ı") << "ISPANAK" << false << "both" << none;
    QTest::addRow("dotless ı, lower case") << "ıspanak" << false << "both" << QList<qint64>{13};
    QTest::addRow("cafe finds café composed and not") << "cafe" << false << "both" << QList<qint64>{9, 10};
    QTest::addRow("café composed finds both forms") << "café" << false << "both" << QList<qint64>{9, 10};
    QTest::addRow("café decomposed finds both forms") << "cafe\u0301" << false << "both" << QList<qint64>{9, 10};
    QTest::addRow("fi finds the ligature") << "finance" << false << "both" << QList<qint64>{11};
    QTest::addRow("σοφια finds σοφία and ΣΟΦΙΑ") << "σοφια" << false << "both" << QList<qint64>{3, 12};
    QTest::addRow("final sigma finds sigma") << "ς" << false << "both" << QList<qint64>{3, 12};
    QTest::addRow("uber finds über") << "uber" << false << "both" << QList<qint64>{14};
    QTest::addRow("Kelvin sign folds to k") << QString(QChar(0x212A)) + "elvin" << false << "both" << QList<qint64>{4};
    QTest::addRow("k finds the Kelvin sign") << "unit: k" << false << "both" << QList<qint64>{4};
    QTest::addRow("s finds the long s") << "MESSE" << false << "both" << QList<qint64>{6};
    QTest::addRow("full width letters") << "FULL" << false << "both" << QList<qint64>{15};
    QTest::addRow("title case digraph") << "ǆemal" << false << "both" << QList<qint64>{15};
    QTest::addRow("emoji") << "😀" << false << "both" << QList<qint64>{5};
    QTest::addRow("across a 64-byte block") << "BOUNDARY" << false << "both" << QList<qint64>{7};
    QTest::addRow("at the very end") << "end." << false << "both" << QList<qint64>{7};
    QTest::addRow("not across the end of one entry and the next") << "end.city" << false << "both" << none;
    QTest::addRow("longer than any text") << QString(300, u'x') << false << "both" << none;
    QTest::addRow("no match") << "zzz" << false << "both" << none;
    QTest::addRow("accents matching: é finds only é") << "é" << true << "both" << QList<qint64>{2, 9, 10};
    QTest::addRow("accents matching: cafe misses café") << "cafe" << true << "both" << none;
    QTest::addRow("accents matching: uber misses über") << "UBER" << true << "both" << none;
    QTest::addRow("accents matching: case and ß still fold") << "STRASSE" << true << "both" << QList<qint64>{6, 14};
    QTest::addRow("terms only") << "coffee" << false << "terms" << none;
    QTest::addRow("definitions only") << "coffee" << false << "definitions" << QList<qint64>{9, 10};
    QTest::addRow("definitions only, not the terms") << "über" << false << "definitions" << none;
    QTest::addRow("terms only, in a term") << "ÜBER" << false << "terms" << QList<qint64>{14};
}

void TestDeckModel::searchFindsByMeaning()
{
    QFETCH(QString, search);
    QFETCH(bool, accents);
    QFETCH(QString, within);
    QFETCH(QList<qint64>, expected);
    TempDeck deck({{1, "Concatenate", "join strings"},
                   {2, "École", "school"},
                   {3, "ΣΟΦΙΑ", "wisdom"},
                   {4, "Kelvin", "a unit: \u212A"},
                   {5, "emoji 😀", "smile"},
                   {6, "Straße", "Meſſe"},
                   {7, std::string(60, '-') + "boundary", "the end."},
                   {8, "İstanbul", "city"},
                   {9, "caf\u00e9", "coffee"},
                   {10, "cafe\u0301", "coffee too"},
                   {11, "\ufb01nance", "money"},
                   {12, "σοφίας", "of wisdom"},
                   {13, "ıspanak", "spinach"},
                   {14, "über STRASSE", "over the street"},
                   {15, "ｆｕｌｌ ｗｉｄｔｈ", "ǅemal"}});
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.setMatchAccents(accents);
    filter.setScope(within == u"terms"         ? SearchFilter::Scope::Terms
                    : within == u"definitions" ? SearchFilter::Scope::Definitions
                                               : SearchFilter::Scope::Both);
    filter.setSearch(search);
    QList<qint64> found;
    for (int row = 0; row < filter.rowCount(); ++row)
        found << filter.index(row, DeckModel::IdColumn).data().toLongLong();
    QCOMPARE(found, expected);
    // Each match found is marked in the text where it is.
    for (int row = 0; row < filter.rowCount() && !search.isEmpty(); ++row) {
        qsizetype marks = 0;
        for (const int column : {DeckModel::TermColumn, DeckModel::DefinitionColumn})
            marks += filter.matchesIn(filter.index(row, column).data(Qt::EditRole).toString(), column).size();
        QVERIFY2(marks > 0, qPrintable(QString::number(found[row])));
    }
}

void TestDeckModel::searchOfALargeDeckFindsEveryMatch()
{
    TempDeck deck(TempDeck::numbered(6000));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.setSearch("99");
    QList<qint64> found, expected;
    for (int row = 0; row < filter.rowCount(); ++row)
        found << filter.index(row, DeckModel::IdColumn).data().toLongLong();
    for (qint64 id = 1; id <= 6000; ++id)
        if (std::to_string(id).find("99") != std::string::npos)
            expected << id;
    QCOMPARE(found, expected);
}

void TestDeckModel::narrowedSearchSeesChangedRows()
{
    TempDeck deck({{1, "Concord", ""}, {2, "other", ""}});
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.setSearch("con");
    QCOMPARE(filter.rowCount(), 1);
    QVERIFY(model.setData(model.index(1, DeckModel::TermColumn), "Concert"));
    filter.setSearch("conc"); // typing on: the edited row must be matched again
    QCOMPARE(filter.rowCount(), 2);
}

void TestDeckModel::searchFollowsChanges_data()
{
    // The search is set first; then the steps (runStep) change the deck.
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<qint64>>("expected");
    QTest::addRow("an edit makes a row match") << "neu" << QStringList{"edit 2 term Neü"} << QList<qint64>{2};
    QTest::addRow("an edit makes a row stop matching")
        << "term" << QStringList{"edit 1 term other"} << QList<qint64>{2, 3};
    QTest::addRow("a deleted row goes, the next stays")
        << "term" << QStringList{"delete 2", "edit 3 definition x"} << QList<qint64>{1, 3};
    QTest::addRow("an undone delete comes back") << "term 2" << QStringList{"delete 2", "undo"} << QList<qint64>{2};
    QTest::addRow("added by another program") << "other" << QStringList{"other-add Other"} << QList<qint64>{4};
    QTest::addRow("deleted by another program, the rest kept")
        << "term" << QStringList{"other-delete 1", "edit 3 term gone"} << QList<qint64>{2};
}

void TestDeckModel::searchFollowsChanges()
{
    QFETCH(QString, search);
    QFETCH(QStringList, steps);
    QFETCH(QList<qint64>, expected);
    TempDeck deck(TempDeck::numbered(3));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.setSearch(search);
    for (const QString& step : steps)
        runStep(model, deck, step);
    // The same as a search over the deck read afresh.
    SearchFilter fresh(model);
    fresh.setSearch(search);
    for (const SearchFilter* f : {&filter, &fresh}) {
        QList<qint64> found;
        for (int row = 0; row < f->rowCount(); ++row)
            found << f->index(row, DeckModel::IdColumn).data().toLongLong();
        QCOMPARE(found, expected);
    }
}

void TestDeckModel::sortOrdersTheViewOnly_data()
{
    // German order: ä sorts with a; a before ä where all else is equal.
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("steps"); // after sorting (runStep)
    QTest::addColumn<QList<qint64>>("shown");
    QTest::addRow("by term") << int(DeckModel::TermColumn) << false << QStringList() << QList<qint64>{5, 2, 3, 1, 4};
    QTest::addRow("by term, descending") << int(DeckModel::TermColumn) << true << QStringList()
                                         << QList<qint64>{4, 1, 3, 2, 5};
    QTest::addRow("by definition") << int(DeckModel::DefinitionColumn) << false << QStringList()
                                   << QList<qint64>{2, 3, 1, 5, 4};
    QTest::addRow("by ID, descending") << int(DeckModel::IdColumn) << true << QStringList()
                                       << QList<qint64>{5, 4, 3, 2, 1};
    QTest::addRow("by term, after an edit")
        << int(DeckModel::TermColumn) << false << QStringList{"edit 4 term aal"} << QList<qint64>{4, 5, 2, 3, 1};
    QTest::addRow("by term, after another program adds")
        << int(DeckModel::TermColumn) << false << QStringList{"other-add Banane"} << QList<qint64>{5, 2, 3, 6, 1, 4};
    QTest::addRow("by term, after a delete and its undo")
        << int(DeckModel::TermColumn) << false << QStringList{"delete 3", "undo"} << QList<qint64>{5, 2, 3, 1, 4};
}

void TestDeckModel::sortOrdersTheViewOnly()
{
    QFETCH(int, column);
    QFETCH(bool, descending);
    QFETCH(QStringList, steps);
    QFETCH(QList<qint64>, shown);
    const Entries entries{{1, "Birne", "pear"},
                          {2, "apfel", "Apple"},
                          {3, "Äpfel", "apples"},
                          {4, "Zebra", "zebra"},
                          {5, "ähnlich", "similar"}};
    TempDeck deck(entries);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    SearchFilter filter(model);
    filter.sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    for (const QString& step : steps)
        runStep(model, deck, step);
    QList<qint64> ids;
    for (int row = 0; row < filter.rowCount(); ++row)
        ids << filter.index(row, DeckModel::IdColumn).data().toLongLong();
    QCOMPARE(ids, shown);
    // The deck and the model keep their IDs and order.
    if (steps.isEmpty())
        QCOMPARE(deck.entries(), entries);
    QCOMPARE(rowsOf(model), deck.entries());
}

void TestDeckModel::refreshKeepsPersistentRows()
{
    TempDeck deck(TempDeck::numbered(5));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    const QPersistentModelIndex selected = model.index(model.rowOfId(4), DeckModel::TermColumn);
    QVERIFY(!model.refresh()); // nothing changed: no reload
    {
        SQLite::Database other(deck.path(), SQLite::OPEN_READWRITE);
        other.exec("DELETE FROM Questions WHERE ID IN (1, 2); UPDATE Questions SET Question = 'changed' WHERE ID = 3; "
                   "INSERT INTO Questions VALUES (9, 'new', '')");
    }
    QVERIFY(model.refresh());
    QVERIFY(selected.isValid());
    QCOMPARE(selected.row(), 1); // rows 3, 4, 5, 9: ID 4 moved up two rows
    QCOMPARE(selected.data().toString(), QString("term 4"));
    QCOMPARE(rowsOf(model), deck.entries());
}

void TestDeckModel::editOfAnEntryGoneElsewhereIsReported()
{
    TempDeck deck(TempDeck::numbered(2));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    QSignalSpy failed(&model, &DeckModel::failed);
    SQLite::Database(deck.path(), SQLite::OPEN_READWRITE).exec("DELETE FROM Questions WHERE ID = 2");
    QVERIFY(!model.setData(model.index(1, DeckModel::TermColumn), "lost?"));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toInt(), int(store::ErrorCode::ChangedElsewhere));
    QVERIFY(failed[0][1].toString().contains("Entry 2 was changed by another program"));
    QCOMPARE(model.undoStack()->count(), 0); // nothing to undo
}

void TestDeckModel::anyErrorOfAStepIsReportedWithANumber_data()
{
    QTest::addColumn<std::function<void()>>("step");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("says");

    const int internal = int(store::ErrorCode::Internal);
    QTest::addRow("the store's error") << std::function<void()>(
        [] { throw store::Error(store::ErrorCode::NoCurrentRecord, "gone"); })
                                       << int(store::ErrorCode::NoCurrentRecord) << "gone";
    QTest::addRow("a thread that cannot start") << std::function<void()>([] {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "std::async");
    }) << internal << "std::async";
    QTest::addRow("out of memory") << std::function<void()>([] { throw std::bad_alloc(); }) << 7 << "Out of memory";
    QTest::addRow("not an exception class") << std::function<void()>([] { throw 42; }) << internal << "Unknown error";
}

void TestDeckModel::anyErrorOfAStepIsReportedWithANumber()
{
    QFETCH(std::function<void()>, step);
    QFETCH(int, number);
    QFETCH(QString, says);

    TempDeck deck(TempDeck::numbered(1));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    QSignalSpy failed(&model, &DeckModel::failed);
    QVERIFY(!model.attempt(step));
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toInt(), number);
    QVERIFY2(failed[0][1].toString().contains(says), qPrintable(failed[0][1].toString()));
}

void TestDeckModel::refusesAFileItCannotOpen()
{
    TempDeck deck({}, false);
    SQLite::Database(deck.path(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE).exec("CREATE TABLE Other (x)");
    store::Connection connection(deck.path());
    QVERIFY_THROWS_EXCEPTION(store::Error, DeckModel model(connection));
}

void TestDeckModel::newEntryOnAFullDeckIsRefusedAtOnce()
{
    TempDeck deck(TempDeck::withIds({1, 32767}));
    store::Connection connection(deck.path());
    DeckModel model(connection);
    QSignalSpy failed(&model, &DeckModel::failed);
    QCOMPARE(model.addEntry(), -1); // no row to type into, only to be refused later
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toInt(), int(store::ErrorCode::DeckFull));
    QVERIFY(failed[0][1].toString().contains("'verbrio-deck compact' renumbers its 2 entries"));
}

QTEST_GUILESS_MAIN(TestDeckModel)
#include "tst_deckmodel.moc"
