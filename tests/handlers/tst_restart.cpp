// "Re&start": the warning, what each answer does, and the operations it asks
// of the record set.

#include "handlertest.h"

namespace {

enum From { NoScreen, CreateScreen, ReviewScreen };

// Answers the next message box by pressing `key` in it, as the user would.
class KeyAnswer : public QObject {
public:
    explicit KeyAnswer(Qt::Key key) : key_(key)
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || answered_)
                return;
            answered_ = true;
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key_);
        });
        timer_.start(5);
    }

private:
    Qt::Key key_;
    bool answered_ = false;
    QTimer timer_;
};

QStringList deletions(int count)
{
    QStringList trace{"Refresh", "RecordCount", "MoveFirst"};
    for (int i = 0; i < count; ++i)
        trace << "Delete" << "MoveNext";
    return trace << "Update" << "Refresh";
}

// The drill as the user sees it.
QString drillOf(const FrmMain& w)
{
    return QStringLiteral("%1 %2 %3 %4").arg(w.optShow->Value(0)).arg(w.cmdShow->text()).arg(w.txtOutQuestion->isVisible()).arg(w.txtOutAnswer->isVisible());
}

} // namespace

class TestRestart : public QObject {
    Q_OBJECT

private slots:
    void warningAsksWithYesAsDefault();
    void yesDeletesEveryEntryAndKeepsTheScreen_data();
    void yesDeletesEveryEntryAndKeepsTheScreen();
    void noChangesNothing_data();
    void noChangesNothing();
    void keysAnswerTheWarning_data();
    void keysAnswerTheWarning();
};

void TestRestart::warningAsksWithYesAsDefault()
{
    Window window(TempDeck::numbered(1));
    MessageBoxes boxes({QMessageBox::No});
    window.click(window.w.cmdRestart);

    QCOMPARE(boxes.shown.size(), 1);
    const ShownMessageBox& box = boxes.shown[0];
    QCOMPARE(box.text, kRestartWarningText);
    QCOMPARE(box.title, QStringLiteral("Verbrio"));
    QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.defaultButton, QMessageBox::Yes);
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.format, Qt::PlainText);
}

void TestRestart::yesDeletesEveryEntryAndKeepsTheScreen_data()
{
    QTest::addColumn<QList<qint64>>("ids");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("trace");
    QTest::addColumn<QString>("screen");

    // Nothing to delete: no MoveFirst, no Update, no second Refresh.
    QTest::addRow("empty table, No screen") << QList<qint64>{} << int(NoScreen) << "" << QStringList{"Refresh", "RecordCount"} << kNoScreen;
    QTest::addRow("empty table, Create screen") << QList<qint64>{} << int(CreateScreen) << "" << QStringList{"Refresh", "RecordCount"} << kCreateScreen;
    QTest::addRow("one entry, No screen") << QList<qint64>{1} << int(NoScreen) << "" << deletions(1) << kNoScreen;
    QTest::addRow("IDs with gaps, Review screen") << QList<qint64>{2, 5, 9} << int(ReviewScreen) << "" << deletions(3) << kReviewScreen;
    QTest::addRow("two entries, Create screen") << QList<qint64>{1, 2} << int(CreateScreen) << "" << deletions(2) << kCreateScreen;
    // The reopen stores the typed entry; it goes with the rest.
    QTest::addRow("two entries, Create screen, a term typed") << QList<qint64>{1, 2} << int(CreateScreen) << "new" << deletions(3) << kCreateScreen;
}

void TestRestart::yesDeletesEveryEntryAndKeepsTheScreen()
{
    QFETCH(QList<qint64>, ids);
    QFETCH(int, from);
    QFETCH(QString, typed);
    QFETCH(QStringList, trace);
    QFETCH(QString, screen);

    std::vector<TestEntry> entries;
    for (const auto id : ids)
        entries.push_back({id, "term " + std::to_string(id), "definition " + std::to_string(id)});
    Window window(entries, {0.5f});
    MessageBoxes boxes({QMessageBox::Yes});
    if (from == CreateScreen)
        window.choose(0);
    if (from == ReviewScreen)
        window.choose(1);
    if (!typed.isEmpty())
        window.typeTerm(typed);
    const QString drill = drillOf(window.w);
    OperationSeam seam(window.w.Data1);

    window.click(window.w.cmdRestart);

    QCOMPARE(boxes.texts(), QStringList{kRestartWarningText});
    QCOMPARE(seam.trace, trace);
    QCOMPARE(window.stored(), QStringList{});
    QCOMPARE(QString::fromStdString(window.w.Data1.RecordSource()), QStringLiteral("SELECT * FROM Questions"));
    QCOMPARE(screenOf(window.w), screen);
    QCOMPARE(drillOf(window.w), drill);
}

void TestRestart::noChangesNothing_data()
{
    QTest::addColumn<int>("from");

    QTest::addRow("Review screen: the drawn entry stays current") << int(ReviewScreen);
    QTest::addRow("Create screen: the typed entry stays pending") << int(CreateScreen);
}

void TestRestart::noChangesNothing()
{
    QFETCH(int, from);

    Window window(TempDeck::numbered(3), {0.5f});
    MessageBoxes boxes({QMessageBox::No});
    window.choose(from == CreateScreen ? 0 : 1);
    if (from == CreateScreen)
        window.typeTerm(QStringLiteral("typed"));
    const QStringList before = window.stored();
    const std::string source = window.w.Data1.RecordSource();
    const QString term = from == CreateScreen ? window.w.txtInQuestion->text() : window.w.txtOutQuestion->text();
    OperationSeam seam(window.w.Data1);

    window.click(window.w.cmdRestart);

    QCOMPARE(boxes.texts(), QStringList{kRestartWarningText});
    QCOMPARE(seam.trace, QStringList{}); // the record set was not touched
    QCOMPARE(window.w.Data1.RecordSource(), source);
    QCOMPARE(from == CreateScreen ? window.w.txtInQuestion->text() : window.w.txtOutQuestion->text(), term);
    QCOMPARE(window.pending(), from == CreateScreen);
    QCOMPARE(window.stored(), before);
    QCOMPARE(screenOf(window.w), from == CreateScreen ? kCreateScreen : kReviewScreen);
}

void TestRestart::keysAnswerTheWarning_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("left");

    QTest::addRow("Enter answers Yes") << int(Qt::Key_Return) << 0;
    QTest::addRow("Esc answers No") << int(Qt::Key_Escape) << 2;
}

void TestRestart::keysAnswerTheWarning()
{
    QFETCH(int, key);
    QFETCH(int, left);

    Window window(TempDeck::numbered(2));
    KeyAnswer answer{Qt::Key(key)};
    window.click(window.w.cmdRestart);

    QCOMPARE(window.deck.entries().size(), std::size_t(left));
}

QTEST_MAIN(TestRestart)
#include "tst_restart.moc"
