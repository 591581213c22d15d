// SPDX-License-Identifier: MIT
// No sequence of Enter, Esc and Space deletes an entry. From every state a
// user reaches on the way, each of the 3^6 sequences of six of these keys is
// pressed on a window of its own. A message box that opens is answered with
// Enter, its default: for the Restart warning, Yes.
//
// The file is read once a sequence has ended: these keys cannot bring back
// an entry once deleted (only "&OK" stores, and a stored entry gets a new ID),
// nor start the run again, so a shorter sequence that did harm shows at the
// end of every sequence that begins with it. A failure is then replayed key
// by key to name the shortest sequence that did it.

#include "messageboxes.h"
#include "testwindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QtTest>

namespace {

constexpr int kKeys = 6;
const std::pair<Qt::Key, const char*> kKeyNames[] = {
    {Qt::Key_Return, "Enter"}, {Qt::Key_Escape, "Esc"}, {Qt::Key_Space, "Space"}};
constexpr int kKinds = int(std::size(kKeyNames));

int sequenceCount()
{
    int count = 1;
    for (int i = 0; i < kKeys; ++i)
        count *= kKinds;
    return count;
}

// The keys of sequence number `n`, first key first.
std::vector<int> keysOf(int n)
{
    std::vector<int> keys;
    for (int i = 0; i < kKeys; ++i, n /= kKinds)
        keys.push_back(n % kKinds);
    return keys;
}

QString describe(const std::vector<int>& keys, std::size_t count)
{
    QStringList names;
    for (std::size_t i = 0; i < count; ++i)
        names << QString::fromLatin1(kKeyNames[keys[i]].second);
    return names.join(QStringLiteral(", "));
}

struct State {
    bool fileAtStart;
    std::deque<BoxAnswer> answers;
    QStringList steps;
};

// Reaches `state` on a window of its own, presses the first `count` keys of
// `keys`, and tells what went wrong: empty when nothing did.
QString pressFrom(const State& state, const std::vector<int>& keys, std::size_t count, QString* focusAtStart = nullptr)
{
    MessageBoxes boxes(state.answers);
    TestWindow window(TempDeck::numbered(state.fileAtStart ? 3 : 0), {0.0f}, state.fileAtStart);
    if (!window.active())
        return QStringLiteral("the window did not become active");
    if (const QString failed = window.perform(state.steps); !failed.isEmpty())
        return QStringLiteral("reaching the state, ") + failed;
    const QStringList before = window.stored();
    if (before.isEmpty())
        return QStringLiteral("the state holds no entries to lose");
    if (focusAtStart)
        *focusAtStart = focusName();
    boxes.takeTexts();

    for (std::size_t k = 0; k < count; ++k) {
        window.press(QKeySequence(kKeyNames[keys[k]].first));
        if (window.w.isVisible() && !window.active())
            return QStringLiteral("the window did not become active again");
    }
    const QStringList after = window.stored();
    QStringList harm;
    if (!window.w.isVisible())
        harm << QStringLiteral("the run ended");
    if (after != before)
        harm << QStringLiteral("the file holds [%1], it held [%2]").arg(after.join("; "), before.join("; "));
    if (!harm.isEmpty())
        harm << QStringLiteral("message boxes [%1]")
                    .arg(boxes.texts().join(" | ").replace(QLatin1Char('\n'), QLatin1Char(' ')));
    return harm.join(QStringLiteral("; "));
}

} // namespace

class KeySafetyTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void noSequenceOfEnterEscSpaceDeletesAnEntry_data();
    void noSequenceOfEnterEscSpaceDeletesAnEntry();
};

void KeySafetyTest::initTestCase()
{
    quietPlatformWarnings();
    // Thousands of windows, each on a deck of its own: where a file system
    // in memory is at hand, the decks go there, and creating one costs no
    // wait for the disk. The program works on them as on any other.
    if (qEnvironmentVariableIsEmpty("VERBRIO_KEYSAFETY_TMPDIR")) {
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        if (shm.isDir() && shm.isWritable())
            qputenv("TMPDIR", "/dev/shm");
    } else {
        qputenv("TMPDIR", qgetenv("VERBRIO_KEYSAFETY_TMPDIR"));
    }
}

void KeySafetyTest::noSequenceOfEnterEscSpaceDeletesAnEntry_data()
{
    // Each state as the user reaches it: the file at start-up (missing, or
    // with three entries), the answers to the message boxes on the way, and
    // the steps (TestWindow::perform).
    QTest::addColumn<bool>("fileAtStart");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("steps");

    const QStringList none;
    const QString storedElsewhere = QStringLiteral(
        "sql INSERT INTO Questions (Question, Description) VALUES ('Neon', 'a noble gas'), ('Argon', 'another one')");
    QTest::addRow("start-up") << true << none << QStringList{};
    QTest::addRow("after the start-up connection boxes") << false << none << QStringList{"file with 3 entries"};
    QTest::addRow("Create, nothing typed") << true << none << QStringList{"keys Alt+C"};
    QTest::addRow("Create, a term typed") << true << none << QStringList{"keys Alt+C", "type Neon"};
    QTest::addRow("after Cancel") << true << none << QStringList{"keys Alt+C", "type Neon", "keys Esc"};
    QTest::addRow("Review before Show") << true << none << QStringList{"keys Alt+R"};
    QTest::addRow("Review after Show") << true << none << QStringList{"keys Alt+R", "keys Return"};
    QTest::addRow("after Restart answered No on Review")
        << true << QStringList{"No"} << QStringList{"keys Alt+R", "click cmdRestart"};
    QTest::addRow("after Restart answered Yes on Review, entries stored since")
        << true << QStringList{"Yes"} << QStringList{"keys Alt+R", "click cmdRestart", storedElsewhere};
}

void KeySafetyTest::noSequenceOfEnterEscSpaceDeletesAnEntry()
{
    QFETCH(bool, fileAtStart);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, steps);

    State state{fileAtStart, {}, steps};
    for (const QString& answer : answers)
        state.answers.push_back(answer == QLatin1String("Yes") ? BoxAnswer::Yes : BoxAnswer::No);

    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < sequenceCount(); ++n) {
        const std::vector<int> keys = keysOf(n);
        if (pressFrom(state, keys, keys.size()).isEmpty())
            continue;
        for (std::size_t count = 1; count <= keys.size(); ++count) {
            QString focus;
            const QString harm = pressFrom(state, keys, count, &focus);
            if (!harm.isEmpty())
                QFAIL(qPrintable(
                    QStringLiteral("%1 (the focus on %2 at the start): %3").arg(describe(keys, count), focus, harm)));
        }
    }
    qInfo("%d sequences of %d keys in %lld ms", sequenceCount(), kKeys, clock.elapsed());
}

QTEST_MAIN(KeySafetyTest)
#include "tst_keysafety.moc"
