// SPDX-License-Identifier: MIT
// The drill on the Review screen: every state and event of "Show"/"Next" and
// the two sides, and "Next" once every entry is gone.

#include "messageboxes.h"
#include "testwindow.h"

#include <QtTest>

namespace {

enum Event { Press, ChooseTerms, ChooseDefinitions };

enum State { PromptTerms, AnswerTerms, PromptDefinitions, AnswerDefinitions, SwitchedTerms, SwitchedDefinitions };

// Each state of the drill, what the user sees in it, and the events that
// lead there from the start of the Review screen.
struct DrillState {
    const char* name;
    bool termsSide;
    const char* caption;
    bool questionVisible;
    bool answerVisible;
    std::vector<Event> path;
};

const DrillState kStates[] = {
    /* PromptTerms */ {"prompt shown, terms", true, "Show", true, false, {}},
    /* AnswerTerms */ {"answer shown, terms", true, "Next", true, true, {Press}},
    /* PromptDefinitions */ {"prompt shown, definitions", false, "Show", false, true, {ChooseDefinitions}},
    /* AnswerDefinitions */ {"answer shown, definitions", false, "Next", true, true, {ChooseDefinitions, Press}},
    /* SwitchedTerms */
    {"switched after reveal, terms", true, "Next", true, false, {ChooseDefinitions, Press, ChooseTerms}},
    /* SwitchedDefinitions */
    {"switched after reveal, definitions", false, "Next", false, true, {Press, ChooseDefinitions}},
};

// From, event, to, and whether another entry is drawn. Choosing the side
// already selected is a click on the selected option: nothing runs.
struct Transition {
    State from;
    Event event;
    State to;
    bool nextEntry;
};

const Transition kTransitions[] = {
    {PromptTerms, Press, AnswerTerms, false},
    {PromptTerms, ChooseTerms, PromptTerms, false},
    {PromptTerms, ChooseDefinitions, PromptDefinitions, false},
    {AnswerTerms, Press, PromptTerms, true},
    {AnswerTerms, ChooseTerms, AnswerTerms, false},
    {AnswerTerms, ChooseDefinitions, SwitchedDefinitions, false},
    {PromptDefinitions, Press, AnswerDefinitions, false},
    {PromptDefinitions, ChooseTerms, PromptTerms, false},
    {PromptDefinitions, ChooseDefinitions, PromptDefinitions, false},
    {AnswerDefinitions, Press, PromptDefinitions, true},
    {AnswerDefinitions, ChooseTerms, SwitchedTerms, false},
    {AnswerDefinitions, ChooseDefinitions, AnswerDefinitions, false},
    {SwitchedTerms, Press, PromptTerms, true},
    {SwitchedTerms, ChooseTerms, SwitchedTerms, false},
    {SwitchedTerms, ChooseDefinitions, SwitchedDefinitions, false},
    {SwitchedDefinitions, Press, PromptDefinitions, true},
    {SwitchedDefinitions, ChooseTerms, SwitchedTerms, false},
    {SwitchedDefinitions, ChooseDefinitions, SwitchedDefinitions, false},
};

const char* const kEventNames[] = {"press", "choose terms", "choose definitions"};

void apply(FrmMain& w, Event event)
{
    if (event == Press)
        click(w.cmdShow);
    else
        click((*w.optShow)[event == ChooseTerms ? 0 : 1]);
}

QString expectedState(const DrillState& state)
{
    return drillText(state.termsSide, QString::fromLatin1(state.caption), state.questionVisible, state.answerVisible);
}

// The entry on screen: both boxes always show the same one.
QString entryShown(FrmMain& w)
{
    const QString term = w.txtOutQuestion->text();
    const QString number = term.section(' ', 1);
    return w.txtOutAnswer->text() == QStringLiteral("definition ") + number
               ? term
               : QStringLiteral("mismatch: ") + term + " / " + w.txtOutAnswer->text();
}

} // namespace

class TestDrill : public QObject {
    Q_OBJECT

private slots:
    void eventLeadsToNextState_data();
    void eventLeadsToNextState();
    void nextWithEveryEntryDeletedReportsNoEntries();
};

void TestDrill::eventLeadsToNextState_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("event");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("nextEntry");

    for (const auto& t : kTransitions)
        QTest::addRow("%s, %s", kStates[t.from].name, kEventNames[t.event])
            << int(t.from) << int(t.event) << int(t.to) << t.nextEntry;
}

void TestDrill::eventLeadsToNextState()
{
    QFETCH(int, from);
    QFETCH(int, event);
    QFETCH(int, to);
    QFETCH(bool, nextEntry);

    // Four entries drawn in turn: every draw brings another entry than the last.
    TestWindow window(TempDeck::numbered(4), {0.0f, 0.3f, 0.6f, 0.9f});
    MessageBoxes boxes;
    window.choose(1);
    for (const Event step : kStates[from].path)
        apply(window.w, step);
    QCOMPARE(drillOf(window.w), expectedState(kStates[from]));
    const QString before = entryShown(window.w);

    apply(window.w, Event(event));

    QCOMPARE(drillOf(window.w), expectedState(kStates[to]));
    const QString after = entryShown(window.w);
    QVERIFY2(!after.startsWith(QLatin1String("mismatch")), qPrintable(after));
    QCOMPARE(after != before, nextEntry);
    QCOMPARE(screenOf(window.w), kReviewScreen);
    QVERIFY(boxes.shown.isEmpty());
}

void TestDrill::nextWithEveryEntryDeletedReportsNoEntries()
{
    TestWindow window(TempDeck::numbered(3));
    MessageBoxes boxes({BoxAnswer::Yes});
    window.choose(1);
    click(window.w.cmdShow);
    click(window.w.cmdRestart);
    QVERIFY(window.deck.entries().empty());

    click(window.w.cmdShow); // "Next"

    QCOMPARE(drillOf(window.w), drillText(true, QStringLiteral("Next"), true, false));
    QCOMPARE(boxes.texts(), (QStringList{kRestartWarningText, kNoEntriesReport}));
    QCOMPARE(screenOf(window.w), kReviewScreen);
}

QTEST_MAIN(TestDrill)
#include "tst_drill.moc"
