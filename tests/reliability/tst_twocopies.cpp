// SPDX-License-Identifier: MIT
// Two copies of the program on one file. In one process, two windows take
// turns: one stores entries, the other reviews and deletes them all, and the
// file must hold exactly what a model of both says after every step. Across
// two processes, a child that stores entries as the program does runs at the
// same time as a window that reviews and restarts: neither may report the
// file as locked, and the file must end consistent.

#include "entrytexts.h"
#include "messageboxes.h"
#include "tempdeck.h"
#include "testwindow.h"

#include <QProcess>
#include <QtTest>

#include <random>

namespace {

// A window of the program on the deck, started as the program starts.
struct Copy {
    explicit Copy(const TempDeck& deck, float seed) : random(seed), w(QString::fromStdString(deck.directory()))
    {
        w.setRandomSource(&random);
        startWindow(w);
    }
    CountingRandom random;
    FrmMain w;
};

} // namespace

class TestTwoCopies : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quietPlatformWarnings(); }
    void twoWindowsTakingTurnsKeepTheFileAsModelled();
    void storingProcessAndReviewingWindowBothKeepWorking();
};

void TestTwoCopies::twoWindowsTakingTurnsKeepTheFileAsModelled()
{
    TempDeck deck(TempDeck::numbered(3));
    std::vector<TestEntry> model = deck.entries();
    MessageBoxes boxes;
    Copy storing(deck, 1.0f);
    Copy reviewing(deck, 2.0f);
    FrmMain& a = storing.w;
    FrmMain& b = reviewing.w;
    click((*a.optScreen)[0]);
    std::mt19937 random(42);
    QString typedTerm; // what the storing window's pending entry holds

    for (int step = 0; step < 400; ++step) {
        QStringList expected;
        QString what;
        bool picked = false; // B drew an entry to show
        switch (std::uniform_int_distribution<int>(0, 5)(random)) {
        case 0: // the storing copy types an entry
            what = "A types";
            typedTerm = QStringLiteral("term %1").arg(step);
            a.txtInQuestion->clear();
            typeInto(a.txtInQuestion, typedTerm);
            break;
        case 1: // ... and stores it
            what = "A presses OK";
            if (!typedTerm.isEmpty()) { // an empty entry is never stored
                const std::int64_t largest = model.empty() ? 0 : std::max<std::int64_t>(model.back().id, 0);
                model.push_back({largest + 1, typedTerm.toStdString(), ""});
            }
            typedTerm.clear();
            click(a.cmdOK);
            break;
        case 2: // the reviewing copy opens the Review screen
            what = "B chooses Review";
            if (b.optScreen->Value(1))
                break;
            if (model.empty())
                expected << kNoEntriesText;
            click((*b.optScreen)[1]);
            picked = !model.empty();
            break;
        case 3:
        case 4: // ... and drills
            what = "B presses Show/Next";
            if (!b.pbxReview->isVisible())
                break;
            picked = b.cmdShow->text() == QLatin1String("Next") && !model.empty();
            if (b.cmdShow->text() == QLatin1String("Next") && model.empty())
                expected << kNoEntriesReport;
            click(b.cmdShow);
            break;
        case 5: // ... and deletes every entry, after Yes to the warning
            what = "B restarts";
            expected << kRestartWarningText;
            click(b.cmdRestart);
            model.clear();
            break;
        }
        const QString where = QStringLiteral("step %1 (%2)").arg(step).arg(what);
        QCOMPARE(boxes.takeTexts(), expected);
        QVERIFY2(deck.entries() == model, qPrintable(where + ": the file does not hold the modelled entries"));
        if (picked)
            QVERIFY2(holds(model, b.txtOutQuestion->text(), b.txtOutAnswer->text()),
                     qPrintable(where + ": B shows no entry of the file"));
    }
    QCOMPARE(integrityOf(deck.path()), QStringLiteral("ok"));
}

void TestTwoCopies::storingProcessAndReviewingWindowBothKeepWorking()
{
    TempDeck deck; // as shipped: empty, not yet in WAL
    MessageBoxes boxes;
    Copy reviewing(deck, 3.0f);
    FrmMain& b = reviewing.w;
    QVERIFY(activate(b));

    // While the child stores entries one after another, the window reviews
    // them and now and then deletes them all. Only the program's usual
    // messages may appear: no error of any kind.
    int rounds = 0, restarts = 0;
    const auto runBeside = [&](long firstNumber, long count, bool restarting) {
        QProcess child;
        child.start(QStringLiteral(STOREDRIVER), {QStringLiteral("store"), QString::fromStdString(deck.path()),
                                                  QString::number(firstNumber), QString::number(count)});
        if (!child.waitForStarted(10'000))
            return QStringLiteral("the store driver did not start");
        while (child.state() == QProcess::Running) {
            ++rounds;
            click((*b.optScreen)[1]);
            click(b.cmdShow);
            click(b.cmdShow);
            if (restarting && rounds % 4 == 0)
                restarts += click(b.cmdRestart);
            click((*b.optScreen)[0]); // leave Review, so that the next choice of it runs again
            click(b.cmdCancel);
            for (const QString& text : boxes.takeTexts()) {
                if (text != kNoEntriesText && text != kRestartWarningText)
                    return "the reviewing window showed: " + text;
            }
            child.waitForFinished(1);
        }
        const QByteArray errors = child.readAllStandardError();
        if (child.exitCode() != 0 || !errors.isEmpty())
            return "the storing process failed: " + QString::fromUtf8(errors);
        return QString();
    };

    QElapsedTimer clock;
    clock.start();
    QString failure = runBeside(1, 10000, true);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(integrityOf(deck.path()), QStringLiteral("ok"));
    for (const auto& e : deck.entries()) {
        const auto number = entrytexts::numberOf(e.question);
        QVERIFY2(number && e.question == entrytexts::termOf(*number)
                     && e.description == entrytexts::definitionOf(*number),
                 qPrintable(QStringLiteral("entry %1 is not as stored").arg(e.id)));
    }

    // With no deletion going on, every stored entry stays.
    click(b.cmdRestart);
    QCOMPARE(boxes.takeTexts(), QStringList{kRestartWarningText});
    QVERIFY(deck.entries().empty());
    failure = runBeside(1000, 100, false);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const auto entries = deck.entries();
    QCOMPARE(entries.size(), std::size_t(100));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].id, std::int64_t(i + 1));
        QCOMPARE(entries[i].question, entrytexts::termOf(1000 + long(i)));
        QCOMPARE(entries[i].description, entrytexts::definitionOf(1000 + long(i)));
    }
    QCOMPARE(integrityOf(deck.path()), QStringLiteral("ok"));
    qInfo("%lld ms: %d rounds of Review, Show, Next beside the storing process, %d of them with Re&start",
          clock.elapsed(), rounds, restarts);
    QVERIFY2(rounds >= 20 && restarts >= 5, "the two copies hardly overlapped");
}

QTEST_MAIN(TestTwoCopies)
#include "tst_twocopies.moc"
