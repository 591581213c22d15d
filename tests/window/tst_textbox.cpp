// SPDX-License-Identifier: MIT
// Text boxes: the 255-unit limit of the window's boxes for typing and
// pasting, the cut that enforces it, and a hidden multi-line box revealed.

#include "messageboxes.h"
#include "testwindow.h"
#include "textbox.h"

#include <QClipboard>
#include <QtTest>

using Cut = std::pair<int, int>;
Q_DECLARE_METATYPE(Cut)

namespace {

const QString kSmile = QStringLiteral("\U0001F600"); // two UTF-16 units

// The text the box reports to the record set: what is stored.
QString text(QWidget* box)
{
    return dynamic_cast<TextBox*>(box)->text();
}

} // namespace

class TextBoxTest : public QObject {
    Q_OBJECT

private slots:
    void excessBeforeCursor_data();
    void excessBeforeCursor();
    void lengthLimitHoldsForTypingAndPasting_data();
    void lengthLimitHoldsForTypingAndPasting();
    void longerStoredTextIsNotCutByTyping_data();
    void longerStoredTextIsNotCutByTyping();
    void hiddenDefinitionBoxShowsTheCurrentEntryOnceRevealed_data();
    void hiddenDefinitionBoxShowsTheCurrentEntryOnceRevealed();
    void altTypesNothingButAltGrTypes_data();
    void altTypesNothingButAltGrTypes();
    void oneLineBoxShowsTheStartOfAnEntry_data();
    void oneLineBoxShowsTheStartOfAnEntry();
};

void TextBoxTest::excessBeforeCursor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("limit");
    QTest::addColumn<Cut>("cut");

    QTest::addRow("within the limit") << "abc" << 3 << 5 << Cut{3, 3};
    QTest::addRow("exactly at the limit") << "abcde" << 5 << 5 << Cut{5, 5};
    QTest::addRow("over at the end") << "abcdefg" << 7 << 5 << Cut{5, 7};
    QTest::addRow("over, inserted in the middle") << "abXYcde" << 4 << 5 << Cut{2, 4};
    QTest::addRow("over, inserted at the start") << "XYabcde" << 2 << 5 << Cut{0, 2};
    QTest::addRow("no limit") << QString(1000, QLatin1Char('a')) << 1000 << 0 << Cut{1000, 1000};
    QTest::addRow("cut would split a pair: the whole pair goes") << "ab" + kSmile << 4 << 3 << Cut{2, 4};
    QTest::addRow("cut right after a pair keeps it") << "a" + kSmile + "b" << 4 << 3 << Cut{3, 4};
    QTest::addRow("cut right before a pair takes it") << "ab" + kSmile << 4 << 2 << Cut{2, 4};
    QTest::addRow("a pair within the limit stays") << kSmile << 2 << 2 << Cut{2, 2};
}

void TextBoxTest::excessBeforeCursor()
{
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(int, limit);
    QFETCH(Cut, cut);

    QCOMPARE(::excessBeforeCursor(text, cursor, limit), cut);
}

void TextBoxTest::lengthLimitHoldsForTypingAndPasting_data()
{
    // Steps: "type:TEXT", "paste:TEXT" (through the clipboard and Ctrl+V) or
    // "key:KEYS", each sent to the box, which starts empty.
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("expected");

    const QString x255(255, QLatin1Char('x'));
    const QString digits = QStringLiteral("0123456789").repeated(30);
    const QString a250(250, QLatin1Char('a'));

    struct Box {
        const char* screen;
        const char* name;
        const char* toStart; // the key that moves the cursor to the start
    };
    const Box limited[] = {
        {"create", "txtInQuestion", "Home"},
        {"create", "txtInAnswer", "Ctrl+Home"},
        {"definitions", "txtOutAnswer", "Ctrl+Home"},
    };
    for (const Box& b : limited) {
        QTest::addRow("%s: typing stops at 255", b.name)
            << b.screen << b.name << QStringList{"type:" + x255 + "yyyyy"} << x255;
        QTest::addRow("%s: a long paste is cut to 255", b.name)
            << b.screen << b.name << QStringList{"paste:" + digits} << digits.left(255);
        QTest::addRow("%s: a paste cut inside a pair keeps no half", b.name)
            << b.screen << b.name << QStringList{"paste:" + a250, "paste:bbbb" + kSmile + "c"} << a250 + "bbbb";
        QTest::addRow("%s: a paste whose pair fits keeps it", b.name)
            << b.screen << b.name << QStringList{"paste:" + a250, "paste:bbb" + kSmile + "c"} << a250 + "bbb" + kSmile;
        QTest::addRow("%s: typing into a full box at its start changes nothing", b.name)
            << b.screen << b.name << QStringList{"paste:" + x255, QStringLiteral("key:") + b.toStart, "type:zz"}
            << x255;
        QTest::addRow("%s: short text is kept whole", b.name)
            << b.screen << b.name << QStringList{"type:abc", "paste:" + kSmile} << "abc" + kSmile;
        const QString exact = QStringLiteral("a\u00a0b\u200bc\u0301\u2060") + kSmile + QStringLiteral("\u05e9");
        QTest::addRow("%s: no-break and zero-width spaces, marks kept exactly", b.name)
            << b.screen << b.name << QStringList{"type:" + exact, "paste:" + exact} << exact + exact;
    }
    for (const char* name : {"txtInAnswer", "txtOutAnswer"}) {
        const char* screen = name[3] == 'I' ? "create" : "definitions";
        QTest::addRow("%s: Enter and Shift+Enter each give a line feed", name)
            << screen << name << QStringList{"type:a", "key:Return", "type:b", "key:Shift+Return", "type:c"}
            << "a\nb\nc";
        QTest::addRow("%s: a pasted line separator gives a line feed", name)
            << screen << name << QStringList{QStringLiteral("paste:a\u2028b\u2029c")} << "a\nb\nc";
    }
    QTest::addRow("txtOutQuestion: typing has no limit") << "review"
                                                         << "txtOutQuestion" << QStringList{"type:" + digits} << digits;
    QTest::addRow("txtOutQuestion: pasting has no limit")
        << "review"
        << "txtOutQuestion" << QStringList{"paste:" + digits.repeated(4) + kSmile} << digits.repeated(4) + kSmile;
}

void TextBoxTest::lengthLimitHoldsForTypingAndPasting()
{
    QFETCH(QString, screen);
    QFETCH(QString, box);
    QFETCH(QStringList, steps);
    QFETCH(QString, expected);

    MessageBoxes boxes;
    TestWindow window(TempDeck::numbered(3));
    window.reach(screen);
    QVERIFY(window.active());
    QWidget* widget = window.control(box);
    QVERIFY(widget->isVisible());
    QVERIFY(window.focusOn(box));
    window.press(QKeySequence(QStringLiteral("Ctrl+A, Del"))); // a Review box shows its entry
    QCOMPARE(text(widget), QString());

    for (const QString& step : steps) {
        const QString argument = step.section(QLatin1Char(':'), 1);
        if (step.startsWith(QLatin1String("type:"))) {
            window.type(argument);
        } else if (step.startsWith(QLatin1String("paste:"))) {
            QApplication::clipboard()->setText(argument);
            window.press(QKeySequence::Paste);
        } else {
            window.press(QKeySequence(argument));
        }
    }
    QCOMPARE(text(widget), expected);
    QVERIFY(boxes.shown.isEmpty());
}

void TextBoxTest::longerStoredTextIsNotCutByTyping_data()
{
    // A definition stored by another program can be longer than the boxes
    // take. Typing must not grow it, nor eat what the box shows.
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<int>("kept");      // leading characters of the definition still shown
    QTest::addColumn<QString>("added"); // what follows them

    QTest::addRow("typing at the end") << QKeySequence("Ctrl+End, Z") << QString() << 300 << "";
    QTest::addRow("pasting in the middle") << QKeySequence("Ctrl+Home, Right, Right") << "abc" << 300 << "";
    QTest::addRow("typing after deleting one adds nothing: still over the limit")
        << QKeySequence("Ctrl+End, Backspace, Y") << QString() << 299 << "";
}

void TextBoxTest::longerStoredTextIsNotCutByTyping()
{
    QFETCH(QKeySequence, keys);
    QFETCH(QString, pasted);
    QFETCH(int, kept);
    QFETCH(QString, added);

    const QString definition = QStringLiteral("0123456789").repeated(30);
    MessageBoxes boxes;
    TestWindow window({{1, "term", definition.toStdString()}});
    window.reach(QStringLiteral("definitions"));
    QVERIFY(window.active());
    window.w.txtOutAnswer->setFocus(Qt::OtherFocusReason);
    QCOMPARE(window.w.txtOutAnswer->toPlainText(), definition);

    window.press(keys);
    if (!pasted.isEmpty()) {
        QApplication::clipboard()->setText(pasted);
        window.press(QKeySequence::Paste);
    }
    QCOMPARE(window.w.txtOutAnswer->toPlainText(), definition.left(kept) + added);
    // The stored entry is untouched: the Review boxes never write.
    QCOMPARE(window.deck.entries().front().description, definition.toStdString());
}

void TextBoxTest::hiddenDefinitionBoxShowsTheCurrentEntryOnceRevealed_data()
{
    QTest::addColumn<bool>("byChoosingDefinitions"); // else by "Show"
    QTest::addRow("revealed by Show") << false;
    QTest::addRow("revealed by choosing the definitions side") << true;
}

// The definition box lays its text out only once it is shown. Whatever the
// entries drawn while it was hidden, it then shows the current one.
void TextBoxTest::hiddenDefinitionBoxShowsTheCurrentEntryOnceRevealed()
{
    QFETCH(bool, byChoosingDefinitions);

    MessageBoxes boxes;
    TestWindow window(TempDeck::numbered(2), {0.0f, 0.9f});
    window.reach(QStringLiteral("review"));
    MultiLineTextBox* definition = window.w.txtOutAnswer;
    QVERIFY(!definition->isVisible());
    click(window.w.cmdShow);
    QVERIFY(definition->isVisible());
    QCOMPARE(definition->toPlainText(), QStringLiteral("definition 1"));

    click(window.w.cmdShow); // "Next": the box hides before entry 2 is drawn
    QVERIFY(!definition->isVisible());
    QCOMPARE(window.w.txtOutQuestion->text(), QStringLiteral("term 2"));
    click(byChoosingDefinitions ? static_cast<QAbstractButton*>((*window.w.optShow)[1]) : window.w.cmdShow);

    QVERIFY(definition->isVisible());
    QCOMPARE(definition->toPlainText(), QStringLiteral("definition 2"));
    QVERIFY(boxes.shown.isEmpty());
}

void TextBoxTest::altTypesNothingButAltGrTypes_data()
{
    // A key with its text and modifiers, sent to a box holding "ab" with the
    // cursor at its end. No control of the window carries Q or E.
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString euro = QStringLiteral("\u20AC");
    const struct {
        const char* screen;
        const char* box;
    } boxes[] = {{"create", "txtInQuestion"},
                 {"create", "txtInAnswer"},
                 {"review", "txtOutQuestion"},
                 {"definitions", "txtOutAnswer"}};
    for (const auto& b : boxes) {
        QTest::addRow("%s: Alt+Q types nothing", b.box) << b.screen << b.box << int(Qt::AltModifier) << "q"
                                                        << "ab";
        QTest::addRow("%s: Alt+Shift+E types nothing", b.box)
            << b.screen << b.box << int(Qt::AltModifier | Qt::ShiftModifier) << "E"
            << "ab";
        // X11's AltGr is a modifier of its own; elsewhere it arrives as Ctrl+Alt.
        QTest::addRow("%s: AltGr+E types the euro sign", b.box)
            << b.screen << b.box << int(Qt::GroupSwitchModifier) << euro << "ab" + euro;
        QTest::addRow("%s: Ctrl+Alt+E types the euro sign", b.box)
            << b.screen << b.box << int(Qt::ControlModifier | Qt::AltModifier) << euro << "ab" + euro;
        QTest::addRow("%s: Q without Alt types q", b.box) << b.screen << b.box << int(Qt::NoModifier) << "q"
                                                          << "abq";
    }
}

void TextBoxTest::altTypesNothingButAltGrTypes()
{
    QFETCH(QString, screen);
    QFETCH(QString, box);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QString, expected);

    MessageBoxes boxes;
    TestWindow window(TempDeck::numbered(3));
    window.reach(screen);
    QVERIFY(window.active());
    QVERIFY(window.focusOn(box));
    window.press(QKeySequence(QStringLiteral("Ctrl+A, Del"))); // a Review box shows its entry
    window.type(QStringLiteral("ab"));

    const Qt::Key key = text.compare(QLatin1String("q"), Qt::CaseInsensitive) == 0 ? Qt::Key_Q : Qt::Key_E;
    QTest::sendKeyEvent(QTest::Click, window.control(box), key, text, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(::text(window.control(box)), expected);
    QCOMPARE(focusName(), box);
    QVERIFY(boxes.shown.isEmpty());
}

void TextBoxTest::oneLineBoxShowsTheStartOfAnEntry_data()
{
    // Steps as TestWindow::perform takes them, on a deck of two entries whose
    // terms are far longer than the box is wide.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("entry"); // whose term the box shows; 0: empty

    QTest::addRow("Review") << QStringList{"keys Alt+R"} << "txtOutQuestion" << 1;
    QTest::addRow("Next, the cursor left at the end of the previous term, typed into")
        << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys End", "type more", "keys Return, Return"}
        << "txtOutQuestion" << 2;
    QTest::addRow("Review again, from Create")
        << QStringList{"keys Alt+R", "keys Alt+C", "keys Alt+R"} << "txtOutQuestion" << 2;
    QTest::addRow("Create after Review: the empty new entry")
        << QStringList{"keys Alt+R", "keys Alt+C"} << "txtInQuestion" << 0;
}

void TextBoxTest::oneLineBoxShowsTheStartOfAnEntry()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, box);
    QFETCH(int, entry);

    const auto longTerm = [](int id) {
        return QStringLiteral("Start%1 ").arg(id) + QString(300, QLatin1Char('w')) + QStringLiteral(" end");
    };
    MessageBoxes boxes;
    TestWindow window({{1, longTerm(1).toStdString(), "definition 1"}, {2, longTerm(2).toStdString(), "definition 2"}},
                      {0.0f, 0.9f});
    QVERIFY(window.active());
    const QString failed = window.perform(steps);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));

    auto* line = window.control<QLineEdit>(box);
    QCOMPARE(line->text(), entry ? longTerm(entry) : QString());
    QCOMPARE(line->cursorPosition(), 0);
    // The cursor, at the start of the text, is at the left edge of the box:
    // the box is scrolled all the way left.
    const QRect cursor = line->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    QVERIFY2(cursor.left() <= line->contentsRect().left() + 8,
             qPrintable(QStringLiteral("cursor at x %1").arg(cursor.left())));
}

QTEST_MAIN(TextBoxTest)
#include "tst_textbox.moc"
