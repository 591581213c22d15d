// SPDX-License-Identifier: MIT
// The main window, headless: its state after start-up, its geometry, the
// keyboard (tab order, access keys, Enter and Esc), the error report of a
// handler, and start-up on a database that cannot be opened.

#include "layout.h"
#include "messageboxes.h"
#include "testwindow.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtTest>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kTwipsPerPixel = 15;

// The window's controls as the program's description places them, in twips
// from the top-left corner of the container's inner area.
struct Place {
    const char* name;
    const char* container;
    int left, top, width, height;
};

constexpr Place kPlaces[] = {
    {"cmdRestart", "frmMain", 45, 1665, 1050, 330},     {"cmdExit", "frmMain", 45, 990, 1050, 330},
    {"pbxChoice", "frmMain", 45, 135, 1050, 735},       {"optScreen(0)", "pbxChoice", 45, 90, 780, 195},
    {"optScreen(1)", "pbxChoice", 45, 360, 870, 195},   {"pbxCreate", "frmMain", 1170, 45, 5460, 2625},
    {"txtInQuestion", "pbxCreate", 45, 90, 5370, 285},  {"txtInAnswer", "pbxCreate", 45, 675, 5370, 1275},
    {"cmdOK", "pbxCreate", 4410, 2160, 1005, 375},      {"cmdCancel", "pbxCreate", 3330, 2160, 1005, 375},
    {"pbxReview", "frmMain", 1170, 45, 5460, 2580},     {"optShow(0)", "pbxReview", 45, 2160, 1185, 240},
    {"optShow(1)", "pbxReview", 1305, 2160, 1455, 240}, {"cmdShow", "pbxReview", 4410, 2160, 1005, 375},
    {"txtOutAnswer", "pbxReview", 45, 675, 5370, 1275}, {"txtOutQuestion", "pbxReview", 45, 90, 5370, 285},
};

// Twips to pixels at `scale` pixels per 15 twips.
QRect pixels(int left, int top, int width, int height, double scale = 1.0)
{
    const auto px = [scale](int twips) { return int(std::lround(twips * scale / kTwipsPerPixel)); };
    return QRect(QPoint(px(left), px(top)), QPoint(px(left + width) - 1, px(top + height) - 1));
}

// Whether `a` and `b` are the same but for up to `slack` pixels at each edge.
bool near(const QRect& a, const QRect& b, int slack)
{
    return std::abs(a.left() - b.left()) <= slack && std::abs(a.top() - b.top()) <= slack
           && std::abs(a.right() - b.right()) <= slack && std::abs(a.bottom() - b.bottom()) <= slack;
}

QString text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The fonts the window is laid out at: the toolkit's default (0) and a
// larger desktop font, in points.
const double kFontSizes[] = {0, 13};

// The application's font at `points` while it lives; 0: the default font.
class ApplicationFont {
public:
    explicit ApplicationFont(double points) : saved_(QApplication::font())
    {
        if (points > 0) {
            QFont font = saved_;
            font.setPointSizeF(points);
            QApplication::setFont(font);
        }
    }
    ~ApplicationFont() { QApplication::setFont(saved_); }
    ApplicationFont(const ApplicationFont&) = delete;
    ApplicationFont& operator=(const ApplicationFont&) = delete;

private:
    QFont saved_;
};

// The row's name, with the font when it is not the default.
QByteArray rowName(const char* name, double points)
{
    return points > 0 ? QByteArray(name) + " at " + QByteArray::number(points) + " pt" : QByteArray(name);
}

// Controls with a caption grow where it would not show whole.
bool enlarged(const char* name)
{
    for (const auto& control : layout::kControls) {
        if (std::strcmp(control.name, name) == 0)
            return control.caption != nullptr;
    }
    return false;
}

// Why a button's caption does not show whole at its size; empty when it
// does. The caption is drawn in the style's contents area, which the size
// hint exceeds by margins for the focus frame (and a minimum width for push
// buttons), so a hint larger than the button does not by itself clip.
QString captionClipping(QAbstractButton* button)
{
    const QSize hint = button->sizeHint();
    if (hint.width() <= button->width() && hint.height() <= button->height())
        return {};
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool push = qobject_cast<QPushButton*>(button) != nullptr;
    const QRect contents = button->style()->subElementRect(
        push ? QStyle::SE_PushButtonContents : QStyle::SE_RadioButtonContents, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (text.width() <= contents.width() && text.height() <= contents.height())
        return {};
    return QStringLiteral("caption %1x%2 in a contents area of %3x%4 (size hint %5x%6, size %7x%8)")
        .arg(text.width())
        .arg(text.height())
        .arg(contents.width())
        .arg(contents.height())
        .arg(hint.width())
        .arg(hint.height())
        .arg(button->width())
        .arg(button->height());
}

} // namespace

class FrmMainTest : public QObject {
    Q_OBJECT

private slots:
    void startUpShowsOnlyTheLeftColumn_data();
    void startUpShowsOnlyTheLeftColumn();
    void windowHasTitleIconAndFixedClientArea();
    void controlsSitAtTheirPlaces_data();
    void controlsSitAtTheirPlaces();
    void everyCaptionFitsItsButton_data();
    void everyCaptionFitsItsButton();
    void tabVisitsVisibleControlsInTabIndexOrder_data();
    void tabVisitsVisibleControlsInTabIndexOrder();
    void accessKeysActAsClicks_data();
    void accessKeysActAsClicks();
    void enterAndEscClickOnlyTheirButtons_data();
    void enterAndEscClickOnlyTheirButtons();
    void focusAfterEveryHandler_data();
    void focusAfterEveryHandler();
    void errorInHandlerIsReportedOnceAndTheWindowGoesOn();
    void startUpOnMissingDatabaseShowsTwoPlainMessages();
};

void FrmMainTest::startUpShowsOnlyTheLeftColumn_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("onScreen");
    QTest::addColumn<QString>("caption");

    QTest::addRow("cmdRestart") << "cmdRestart" << true << "Re&start";
    QTest::addRow("cmdExit") << "cmdExit" << true << "E&xit";
    QTest::addRow("pbxChoice") << "pbxChoice" << true << QString();
    QTest::addRow("optScreen(0)") << "optScreen(0)" << true << "&Create";
    QTest::addRow("optScreen(1)") << "optScreen(1)" << true << "&Review";
    QTest::addRow("pbxCreate") << "pbxCreate" << false << QString();
    QTest::addRow("txtInQuestion") << "txtInQuestion" << false << QString();
    QTest::addRow("txtInAnswer") << "txtInAnswer" << false << QString();
    QTest::addRow("cmdOK") << "cmdOK" << false << "&OK";
    QTest::addRow("cmdCancel") << "cmdCancel" << false << "Cancel";
    QTest::addRow("pbxReview") << "pbxReview" << false << QString();
    QTest::addRow("optShow(0)") << "optShow(0)" << false << "Show &terms";
    QTest::addRow("optShow(1)") << "optShow(1)" << false << "Show &definitions";
    QTest::addRow("cmdShow") << "cmdShow" << false << "Show";
    QTest::addRow("txtOutAnswer") << "txtOutAnswer" << false << QString();
    QTest::addRow("txtOutQuestion") << "txtOutQuestion" << false << QString();
}

void FrmMainTest::startUpShowsOnlyTheLeftColumn()
{
    QFETCH(QString, name);
    QFETCH(bool, onScreen);
    QFETCH(QString, caption);

    MessageBoxes boxes;
    TestWindow window;
    QWidget* control = window.control(name);
    QVERIFY2(control, qPrintable(name));

    QCOMPARE(control->isVisible(), onScreen);
    // Only the two panels are hidden themselves; their contents are hidden with them.
    const bool panel = name == QLatin1String("pbxCreate") || name == QLatin1String("pbxReview");
    QCOMPARE(control->isHidden(), panel);
    QVERIFY(control->isEnabled());

    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), caption);
        QVERIFY(!button->isChecked());
    }
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        QCOMPARE(line->text(), QString());
        QVERIFY(!line->isReadOnly());
    }
    if (auto* multi = qobject_cast<QPlainTextEdit*>(control)) {
        QCOMPARE(multi->toPlainText(), QString());
        QVERIFY(!multi->isReadOnly());
        QCOMPARE(multi->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }
    QVERIFY(boxes.shown.isEmpty());
}

void FrmMainTest::windowHasTitleIconAndFixedClientArea()
{
    MessageBoxes boxes;
    TestWindow window;

    QCOMPARE(window.w.windowTitle(), QStringLiteral("Verbrio"));
    QVERIFY(!window.w.windowIcon().isNull());
    QVERIFY(window.w.windowIcon().availableSizes().contains(QSize(16, 16)));
    QCOMPARE(window.w.size(), QSize(444, 178));
    QCOMPARE(window.w.minimumSize(), QSize(444, 178));
    QCOMPARE(window.w.maximumSize(), QSize(444, 178));
    QVERIFY(!(window.w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.w.geometry().topLeft(), QPoint(108, 128));
}

void FrmMainTest::controlsSitAtTheirPlaces_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("points");
    for (const double points : kFontSizes) {
        for (int i = 0; i < int(std::size(kPlaces)); ++i)
            QTest::newRow(rowName(kPlaces[i].name, points).constData()) << i << points;
    }
}

void FrmMainTest::controlsSitAtTheirPlaces()
{
    QFETCH(int, row);
    QFETCH(double, points);
    const Place& place = kPlaces[row];

    ApplicationFont font(points);
    MessageBoxes boxes;
    TestWindow window;
    QWidget* control = window.control(QString::fromLatin1(place.name));
    QVERIFY(control);
    QWidget* container = control->parentWidget();
    QCOMPARE(container->objectName(), QString::fromLatin1(place.container));

    // At a larger font the whole layout grows by the ratio of the font's line
    // height to the default font's, keeping its proportions; at the default
    // font it is the layout in twips, 15 to a pixel.
    double scale = 1.0;
    if (points > 0) {
        QFont design = QApplication::font();
        design.setPointSize(9);
        scale = QFontMetricsF(QApplication::font()).height() / QFontMetricsF(design).height();
        QVERIFY2(scale > 1.2, qPrintable(QString::number(scale)));
    }
    const QRect client = pixels(1620, 1920, 6660, 2670, scale);
    QVERIFY2(near(window.w.geometry(), client, 1), qPrintable(text(window.w.geometry()) + " for " + text(client)));

    const QRect inner = container->contentsRect(); // the inner area, inside any frame
    const QRect described = pixels(place.left, place.top, place.width, place.height, scale).translated(inner.topLeft());
    const QRect actual = control->geometry();
    const int slack = points > 0 ? 1 : 0; // rounding

    const auto panel = [](const QString& name) {
        return name == QLatin1String("pbxCreate") || name == QLatin1String("pbxReview");
    };
    for (auto* sibling : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The two panels lie on the same spot; nothing else overlaps.
        if (sibling != control && !sibling->objectName().isEmpty()
            && !(panel(sibling->objectName()) && panel(control->objectName())))
            QVERIFY2(!actual.intersects(sibling->geometry()),
                     qPrintable(QStringLiteral("overlaps ") + sibling->objectName()));
    }
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        // The text's height fits inside the frame.
        QVERIFY2(line->fontMetrics().height() <= line->contentsRect().height() - 2,
                 qPrintable(text(line->contentsRect())));
    }
    if (!enlarged(place.name)) {
        QVERIFY2(near(actual, described, slack), qPrintable(text(actual) + " for " + text(described)));
        return;
    }

    // Enlarged so that its caption does not clip (everyCaptionFitsItsButton):
    // same Top, and same Left except "Show &definitions", which makes room
    // for "Show &terms".
    QVERIFY(std::abs(actual.top() - described.top()) <= slack);
    if (std::strcmp(place.name, "optShow(1)") == 0)
        QVERIFY(actual.left() >= described.left() - slack);
    else
        QVERIFY(std::abs(actual.left() - described.left()) <= slack);
    QVERIFY(actual.right() >= described.right() - slack);
    QVERIFY(actual.bottom() >= described.bottom() - slack);
    QVERIFY2(inner.contains(actual), qPrintable(QStringLiteral("outside its container: ") + text(actual)));
}

void FrmMainTest::everyCaptionFitsItsButton_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("points");
    const char* buttons[] = {"cmdRestart", "cmdExit",    "optScreen(0)", "optScreen(1)", "cmdOK",
                             "cmdCancel",  "optShow(0)", "optShow(1)",   "cmdShow"};
    for (const double points : kFontSizes) {
        for (const char* name : buttons)
            QTest::newRow(rowName(name, points).constData()) << name << QString() << points;
        QTest::newRow(rowName("cmdShow as Next", points).constData()) << "cmdShow"
                                                                      << "Next" << points;
    }
    // Larger still: the layout grows with the font.
    for (const char* name : buttons)
        QTest::newRow(rowName(name, 20).constData()) << name << QString() << 20.0;
}

void FrmMainTest::everyCaptionFitsItsButton()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(double, points);

    ApplicationFont font(points);
    MessageBoxes boxes;
    TestWindow window;
    auto* button = window.control<QAbstractButton>(name);
    QVERIFY(button);
    if (!caption.isEmpty())
        button->setText(caption);

    const QString clipping = captionClipping(button);
    QVERIFY2(clipping.isEmpty(), qPrintable(clipping));
}

void FrmMainTest::tabVisitsVisibleControlsInTabIndexOrder_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("visits");

    // Each option group is one stop, as the toolkit makes it: Tab enters it
    // at its selected button (the first while none is), and the arrow keys
    // move within it.
    QTest::addRow("no screen: panels skipped") << "none" << QStringList{"cmdExit", "cmdRestart", "optScreen(0)"};
    QTest::addRow("Review panel shown") << "review" << QStringList{"cmdExit",    "txtOutQuestion", "cmdShow",
                                                                   "optShow(0)", "cmdRestart",     "optScreen(1)"};
    QTest::addRow("Review panel showing the definition box")
        << "definitions"
        << QStringList{"cmdExit", "txtOutAnswer", "cmdShow", "optShow(1)", "cmdRestart", "optScreen(1)"};
    QTest::addRow("Create panel shown") << "create" << QStringList{"cmdExit",   "txtInQuestion", "txtInAnswer", "cmdOK",
                                                                   "cmdCancel", "cmdRestart",    "optScreen(0)"};
}

void FrmMainTest::tabVisitsVisibleControlsInTabIndexOrder()
{
    QFETCH(QString, screen);
    QFETCH(QStringList, visits);

    MessageBoxes boxes;
    TestWindow window(TempDeck::numbered(3));
    window.reach(screen);
    QVERIFY(window.active());
    QVERIFY(window.focusOn(QStringLiteral("optScreen(0)")));

    QStringList visited;
    while (visited.size() < 20) {
        window.press(QKeySequence(Qt::Key_Tab));
        visited << focusName();
        if (visited.last().startsWith(QLatin1String("optScreen(")))
            break;
    }
    QCOMPARE(visited, visits);
    QVERIFY(boxes.shown.isEmpty());
}

void FrmMainTest::accessKeysActAsClicks_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("expectedScreen"); // as screenOf gives it, or "closed"
    QTest::addColumn<QString>(
        "expectedSide"); // the Review box shown: "terms", "definitions", "" for no optShow selected
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("entries");      // in the file afterwards; -1: not checked
    QTest::addColumn<QString>("after");    // typed right after the keys, with nothing run in between
    QTest::addColumn<QString>("termBox");  // what txtInQuestion holds at the end; null: not checked
    QTest::addColumn<QString>("lastTerm"); // the term of the last entry in the file; null: not checked

    const QStringList none;
    const QStringList warning{kRestartWarningText};
    QTest::addRow("Alt+C selects Create")
        << "none"
        << "" << QKeySequence("Alt+C") << kCreateScreen << "" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+R selects Review")
        << "none"
        << "" << QKeySequence("Alt+R") << kReviewScreen << "terms" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+C leaves Review for Create")
        << "review"
        << "" << QKeySequence("Alt+C") << kCreateScreen << "terms" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+R leaves Create for Review")
        << "create"
        << "" << QKeySequence("Alt+R") << kReviewScreen << "terms" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+D shows definitions") << "review"
                                             << "" << QKeySequence("Alt+D") << kReviewScreen << "definitions" << none
                                             << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+T shows terms again") << "review"
                                             << "" << QKeySequence("Alt+D, Alt+T") << kReviewScreen << "terms" << none
                                             << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+T and Alt+D do nothing while Review is hidden")
        << "none"
        << "" << QKeySequence("Alt+T, Alt+D") << kNoScreen << "" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+O stores the typed entry") << "create"
                                                  << "new term" << QKeySequence("Alt+O") << kCreateScreen << "" << none
                                                  << 4 << QString() << QString() << QString();
    QTest::addRow("Alt+O does nothing while Create is hidden")
        << "review"
        << "" << QKeySequence("Alt+O") << kReviewScreen << "terms" << none << 3 << QString() << QString() << QString();
    QTest::addRow("Alt+S opens the warning")
        << "none"
        << "" << QKeySequence("Alt+S") << kNoScreen << "" << warning << 0 << QString() << QString() << QString();
    QTest::addRow("Alt+X ends the run") << "none"
                                        << "" << QKeySequence("Alt+X") << "closed"
                                        << "" << none << -1 << QString() << QString() << QString();
    QTest::addRow("Alt+X ends the run from Create") << "create"
                                                    << "draft" << QKeySequence("Alt+X") << "closed"
                                                    << "" << none << -1 << QString() << QString() << QString();
    // Access keys act at once: what is typed right after them lands where their handler put the focus.
    QTest::addRow("Alt+C, then typing at once: the term box")
        << "none"
        << "" << QKeySequence("Alt+C") << kCreateScreen << "" << none << 3 << "neon"
        << "neon"
        << "term 3";
    QTest::addRow("Alt+O, then typing at once: the next term box")
        << "create"
        << "neon" << QKeySequence("Alt+O") << kCreateScreen << "" << none << 4 << "argon"
        << "argon"
        << "neon";
    QTest::addRow("Alt+R, then Enter at once: Show")
        << "create"
        << "" << QKeySequence("Alt+R") << kReviewScreen << "terms" << none << 3 << "\n"
        << QString() << QString();
    // The screen that shows chosen again: nothing runs, the typing goes on.
    QTest::addRow("Alt+C on Create, then typing at once: the same term box")
        << "create"
        << "abc" << QKeySequence("Alt+C") << kCreateScreen << "" << none << 3 << "xyz"
        << "abcxyz"
        << "term 3";
    QTest::addRow("Alt+R on Review keeps the side and the entry")
        << "review"
        << "" << QKeySequence("Alt+D, Alt+R") << kReviewScreen << "definitions" << none << 3 << QString() << QString()
        << QString();
    // Alt with a letter no visible control carries does nothing.
    QTest::addRow("Alt+D on Create types nothing")
        << "create"
        << "word" << QKeySequence("Alt+D") << kCreateScreen << "" << none << 3 << ""
        << "word"
        << "term 3";
    QTest::addRow("Alt+D on Create, then Alt+O, stores the word as typed")
        << "create"
        << "word" << QKeySequence("Alt+D, Alt+O") << kCreateScreen << "" << none << 4 << ""
        << ""
        << "word";
    QTest::addRow("Alt+Shift+T, Alt+1 and Alt+Space on Create type nothing")
        << "create"
        << "word" << QKeySequence("Alt+Shift+T, Alt+1, Alt+Space") << kCreateScreen << "" << none << 3 << ""
        << "word"
        << "term 3";
}

void FrmMainTest::accessKeysActAsClicks()
{
    QFETCH(QString, screen);
    QFETCH(QString, typed);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, expectedScreen);
    QFETCH(QString, expectedSide);
    QFETCH(QStringList, boxes);
    QFETCH(int, entries);
    QFETCH(QString, after);
    QFETCH(QString, termBox);
    QFETCH(QString, lastTerm);

    MessageBoxes shown; // the warning is answered Yes, its default
    TestWindow window(TempDeck::numbered(3));
    window.reach(screen);
    QVERIFY(window.active());
    window.type(typed);
    const QStringList* clicks = window.recordClicks();
    window.press(keys);
    window.type(after);

    // Every click has happened: no button is left held down for a later one.
    for (auto* button : window.w.findChildren<QAbstractButton*>())
        QVERIFY2(!button->isDown(), qPrintable(button->objectName()));
    if (after == QLatin1String("\n"))
        QCOMPARE(*clicks, QStringList{"cmdShow"});
    if (!termBox.isNull())
        QCOMPARE(window.w.txtInQuestion->text(), termBox);
    if (!lastTerm.isNull())
        QCOMPARE(QString::fromStdString(window.deck.entries().back().question), lastTerm);

    QCOMPARE(window.w.isVisible(), expectedScreen != QLatin1String("closed"));
    if (window.w.isVisible())
        QCOMPARE(screenOf(window.w), expectedScreen);
    QCOMPARE(window.w.optShow->Value(0), expectedSide == QLatin1String("terms"));
    QCOMPARE(window.w.optShow->Value(1), expectedSide == QLatin1String("definitions"));
    if (expectedScreen == kReviewScreen && after.isEmpty()) {
        QCOMPARE(window.w.txtOutQuestion->isVisible(), expectedSide == QLatin1String("terms"));
        QCOMPARE(window.w.txtOutAnswer->isVisible(), expectedSide == QLatin1String("definitions"));
    }
    QCOMPARE(shown.texts(), boxes);
    if (entries >= 0)
        QCOMPARE(int(window.deck.entries().size()), entries);
}

void FrmMainTest::enterAndEscClickOnlyTheirButtons_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QStringList>("clicked");
    QTest::addColumn<QString>("focusTextHas"); // the focused box's text afterwards contains this

    const QStringList nothing;
    QTest::addRow("Enter in txtOutQuestion clicks Show")
        << "review"
        << "txtOutQuestion" << QKeySequence("Return") << QStringList{"cmdShow"} << "";
    QTest::addRow("keypad Enter in txtOutQuestion clicks Show")
        << "review"
        << "txtOutQuestion" << QKeySequence(Qt::Key_Enter) << QStringList{"cmdShow"} << "";
    QTest::addRow("Enter on an option button clicks Show")
        << "review"
        << "optShow(0)" << QKeySequence("Return") << QStringList{"cmdShow"} << "";
    QTest::addRow("Enter in txtOutAnswer types a line break")
        << "definitions"
        << "txtOutAnswer" << QKeySequence("A, Return, B") << nothing << "a\nb";
    QTest::addRow("Enter in txtInAnswer types a line break")
        << "create"
        << "txtInAnswer" << QKeySequence("A, Return, B") << nothing << "a\nb";
    QTest::addRow("Enter in txtInQuestion clicks nothing")
        << "create"
        << "txtInQuestion" << QKeySequence("Return") << nothing << "";
    QTest::addRow("Enter with no screen clicks nothing") << "none"
                                                         << "optScreen(0)" << QKeySequence("Return") << nothing << "";
    QTest::addRow("Enter on focused OK clicks OK") << "create"
                                                   << "cmdOK" << QKeySequence("Return") << QStringList{"cmdOK"} << "";
    QTest::addRow("Enter on focused Cancel clicks Cancel")
        << "create"
        << "cmdCancel" << QKeySequence("Return") << QStringList{"cmdCancel"} << "";
    QTest::addRow("Enter on focused Restart clicks Restart, not Show")
        << "review"
        << "cmdRestart" << QKeySequence("Return") << QStringList{"cmdRestart"} << "";
    QTest::addRow("Enter on focused Exit clicks Exit")
        << "none"
        << "cmdExit" << QKeySequence("Return") << QStringList{"cmdExit"} << "";
    QTest::addRow("Esc in txtInQuestion clicks Cancel")
        << "create"
        << "txtInQuestion" << QKeySequence("Esc") << QStringList{"cmdCancel"} << "";
    QTest::addRow("Esc in txtInAnswer clicks Cancel")
        << "create"
        << "txtInAnswer" << QKeySequence("Esc") << QStringList{"cmdCancel"} << "";
    QTest::addRow("Esc, Enter, Enter in txtInQuestion click Cancel alone")
        << "create"
        << "txtInQuestion" << QKeySequence("Esc, Return, Return") << QStringList{"cmdCancel"} << "";
    QTest::addRow("Enter, Enter on the screen choice click nothing")
        << "none"
        << "optScreen(0)" << QKeySequence("Return, Return") << nothing << "";
    QTest::addRow("Esc on the Review screen clicks nothing")
        << "review"
        << "txtOutQuestion" << QKeySequence("Esc") << nothing << "";
    QTest::addRow("Esc with no screen clicks nothing") << "none"
                                                       << "cmdExit" << QKeySequence("Esc") << nothing << "";
}

void FrmMainTest::enterAndEscClickOnlyTheirButtons()
{
    QFETCH(QString, screen);
    QFETCH(QString, focus);
    QFETCH(QKeySequence, keys);
    QFETCH(QStringList, clicked);
    QFETCH(QString, focusTextHas);

    MessageBoxes boxes;
    TestWindow window(TempDeck::numbered(3));
    window.reach(screen);
    QVERIFY(window.active());
    QVERIFY(window.focusOn(focus));

    const QStringList* clicks = window.recordClicks();
    window.press(keys);
    QCOMPARE(*clicks, clicked);

    if (!focusTextHas.isEmpty()) {
        auto* box = window.control<QPlainTextEdit>(focus);
        QVERIFY(box);
        QVERIFY2(box->toPlainText().contains(focusTextHas), qPrintable(box->toPlainText()));
    }
}

void FrmMainTest::focusAfterEveryHandler_data()
{
    // Steps as TestWindow::perform takes them. Message boxes are answered
    // with `answers` in turn, then with Enter.
    QTest::addColumn<int>("entries"); // in the file at start; -1: no file (start-up reports it)
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("focus"); // afterwards

    const QStringList none;
    // Start-up.
    QTest::addRow("start-up") << 3 << none << QStringList{} << "optScreen(0)";
    QTest::addRow("start-up after the connection boxes") << -1 << none << QStringList{} << "optScreen(0)";
    // Create (optScreen_Click 0): C5.
    QTest::addRow("Create by Alt+C") << 3 << none << QStringList{"keys Alt+C"} << "txtInQuestion";
    QTest::addRow("Create by Space on the screen choice") << 3 << none << QStringList{"keys Space"} << "txtInQuestion";
    QTest::addRow("Create by a click") << 3 << none << QStringList{"click optScreen(0)"} << "txtInQuestion";
    QTest::addRow("Create from Review, the focus in the term box")
        << 3 << none << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Alt+C"} << "txtInQuestion";
    QTest::addRow("Create again by Alt+C, from OK: the term box")
        << 3 << none << QStringList{"keys Alt+C", "type Neon", "tab to cmdOK", "keys Alt+C"} << "txtInQuestion";
    QTest::addRow("Create again by a click, from Cancel: the term box")
        << 3 << none << QStringList{"keys Alt+C", "tab to cmdCancel", "click optScreen(0)"} << "txtInQuestion";
    QTest::addRow("Create again by Space on it: the term box")
        << 3 << none << QStringList{"keys Alt+C", "focus optScreen(0)", "keys Space"} << "txtInQuestion";
    QTest::addRow("Create without a file: C4 and its recovery fail, C5 does not run")
        << -1 << none << QStringList{"keys Alt+C"} << "optScreen(0)";
    // OK.
    QTest::addRow("OK by Alt+O") << 3 << none << QStringList{"keys Alt+C", "type Neon", "keys Alt+O"}
                                 << "txtInQuestion";
    QTest::addRow("OK by a click") << 3 << none << QStringList{"keys Alt+C", "type Neon", "click cmdOK"}
                                   << "txtInQuestion";
    QTest::addRow("OK by Enter on it") << 3 << none
                                       << QStringList{"keys Alt+C", "type Neon", "tab to cmdOK", "keys Return"}
                                       << "txtInQuestion";
    // Cancel: the Create panel hides with the focus in it.
    QTest::addRow("Cancel by Esc in the term box")
        << 3 << none << QStringList{"keys Alt+C", "keys Esc"} << "optScreen(0)";
    QTest::addRow("Cancel by Esc in the definition box")
        << 3 << none << QStringList{"keys Alt+C", "keys Tab", "keys Esc"} << "optScreen(0)";
    QTest::addRow("Cancel by a click") << 3 << none << QStringList{"keys Alt+C", "click cmdCancel"} << "optScreen(0)";
    QTest::addRow("Cancel by Enter on it")
        << 3 << none << QStringList{"keys Alt+C", "tab to cmdCancel", "keys Return"} << "optScreen(0)";
    // Review (optScreen_Click 1).
    QTest::addRow("Review by Alt+R") << 3 << none << QStringList{"keys Alt+R"} << "optScreen(1)";
    QTest::addRow("Review by a click") << 3 << none << QStringList{"click optScreen(1)"} << "optScreen(1)";
    QTest::addRow("Review by Down from Create")
        << 3 << none << QStringList{"keys Alt+C", "focus optScreen(0)", "keys Down"} << "optScreen(1)";
    QTest::addRow("Review by Alt+R while typing a term")
        << 3 << none << QStringList{"keys Alt+C", "type Ne", "keys Alt+R"} << "optScreen(1)";
    QTest::addRow("Review from code while typing a term: R6 hides the focus")
        << 3 << none << QStringList{"keys Alt+C", "type Ne", "choose 1"} << "optScreen(1)";
    QTest::addRow("Review again by Alt+R: Show") << 3 << none << QStringList{"keys Alt+R", "keys Alt+R"} << "cmdShow";
    QTest::addRow("Review again by Alt+R, from the term box: it stays there")
        << 3 << none << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Alt+R"} << "txtOutQuestion";
    QTest::addRow("Review again by a click, from the definitions side: it stays there")
        << 3 << none << QStringList{"keys Alt+R", "keys Alt+D", "click optScreen(1)"} << "optShow(1)";
    QTest::addRow("Review on an empty table") << 0 << none << QStringList{"keys Alt+R"} << "optScreen(1)";
    QTest::addRow("Review on an empty table, from Create")
        << 0 << none << QStringList{"keys Alt+C", "keys Alt+R"} << "optScreen(1)";
    QTest::addRow("Create from code in the definition box of Review: C1 hides the focus")
        << 3 << none << QStringList{"keys Alt+R", "keys Alt+D", "focus txtOutAnswer", "choose 0"} << "txtInQuestion";
    // Show and Next.
    QTest::addRow("Show by Enter in the term box")
        << 3 << none << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Return"} << "txtOutQuestion";
    QTest::addRow("Next by Enter in the term box")
        << 3 << none << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Return, Return"} << "txtOutQuestion";
    QTest::addRow("Show by a click") << 3 << none << QStringList{"keys Alt+R", "click cmdShow"} << "cmdShow";
    QTest::addRow("Next by a click") << 3 << none << QStringList{"keys Alt+R", "click cmdShow", "click cmdShow"}
                                     << "cmdShow";
    QTest::addRow("Show by Enter on the screen choice")
        << 3 << none << QStringList{"keys Alt+R", "keys Return"} << "optScreen(1)";
    QTest::addRow("Next hiding the revealed term that has the focus")
        << 3 << none << QStringList{"keys Alt+R", "keys Alt+D", "keys Return", "focus txtOutQuestion", "keys Return"}
        << "optScreen(1)";
    QTest::addRow("Next on an emptied table: the error report")
        << 3 << QStringList{"Yes"}
        << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Return", "click cmdRestart", "keys Return"}
        << "txtOutQuestion";
    // The sides (optShow_Click).
    QTest::addRow("definitions by Alt+D")
        << 3 << none << QStringList{"keys Alt+R", "focus txtOutQuestion", "keys Alt+D"} << "optShow(1)";
    QTest::addRow("terms by Alt+T") << 3 << none
                                    << QStringList{"keys Alt+R", "keys Alt+D", "focus txtOutAnswer", "keys Alt+T"}
                                    << "optShow(0)";
    QTest::addRow("definitions by a click")
        << 3 << none << QStringList{"keys Alt+R", "click optShow(1)"} << "optShow(1)";
    QTest::addRow("definitions by Right")
        << 3 << none << QStringList{"keys Alt+R", "focus optShow(0)", "keys Right"} << "optShow(1)";
    // Restart: the focus stays where it was, whatever the answer.
    QTest::addRow("Restart clicked, No, on Review")
        << 3 << QStringList{"No"} << QStringList{"keys Alt+R", "click cmdShow", "click cmdRestart"} << "cmdShow";
    QTest::addRow("Restart clicked, Yes, on Review")
        << 3 << QStringList{"Yes"} << QStringList{"keys Alt+R", "focus txtOutQuestion", "click cmdRestart"}
        << "txtOutQuestion";
    QTest::addRow("Restart by Alt+S, No, on Create")
        << 3 << QStringList{"No"} << QStringList{"keys Alt+C", "type Ne", "keys Alt+S"} << "txtInQuestion";
    QTest::addRow("Restart by Alt+S, Yes, at start-up")
        << 3 << QStringList{"Yes"} << QStringList{"keys Alt+S"} << "optScreen(0)";
    QTest::addRow("Restart by Alt+S without a file: the error report")
        << -1 << QStringList{"Yes"} << QStringList{"keys Alt+S"} << "optScreen(0)";
    QTest::addRow("Restart reached by Tab keeps the focus")
        << 3 << QStringList{"No"} << QStringList{"tab to cmdRestart", "keys Return"} << "cmdRestart";
}

void FrmMainTest::focusAfterEveryHandler()
{
    QFETCH(int, entries);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, steps);
    QFETCH(QString, focus);

    std::deque<BoxAnswer> boxAnswers;
    for (const QString& answer : answers)
        boxAnswers.push_back(answer == QLatin1String("Yes") ? BoxAnswer::Yes : BoxAnswer::No);
    MessageBoxes boxes(boxAnswers);
    TestWindow window(TempDeck::numbered(std::max(entries, 0)), {0.0f}, entries >= 0);
    QVERIFY(window.active());
    const QString failed = window.perform(steps);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    QCOMPARE(focusName(), focus);
}

void FrmMainTest::errorInHandlerIsReportedOnceAndTheWindowGoesOn()
{
    // With no database, "Re&start" answered Yes fails to open the table: its
    // error leaves the handler.
    MessageBoxes boxes;
    TestWindow window({}, {0.0f}, false);
    QCOMPARE(boxes.shown.size(), 2); // start-up's own report
    QVERIFY(window.active());

    click(window.w.cmdRestart);
    QCOMPARE(boxes.shown.size(), 4);
    QCOMPARE(boxes.shown[2].text, kRestartWarningText);
    const ShownMessageBox& report = boxes.shown[3];
    QVERIFY2(report.text.startsWith(QStringLiteral("Error 14\n\n")), qPrintable(report.text));
    QVERIFY2(report.text.contains(QString::fromStdString(window.deck.path())), qPrintable(report.text));
    QCOMPARE(report.title, QStringLiteral("Verbrio"));
    QCOMPARE(report.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(report.icon, QMessageBox::NoIcon);

    // The run goes on: the window still answers the user.
    QVERIFY(window.w.isVisible());
    QVERIFY(window.active());
    window.press(QKeySequence("Alt+C"));
    QCOMPARE(screenOf(window.w), kCreateScreen);
}

// What each kind of bad file says is the store's and the reliability tests'
// concern; here, the form of the two boxes and the state start-up leaves.
void FrmMainTest::startUpOnMissingDatabaseShowsTwoPlainMessages()
{
    MessageBoxes boxes;
    TestWindow window({}, {0.0f}, false);

    QCOMPARE(boxes.shown.size(), 2);
    QCOMPARE(boxes.shown[0].text, kOpenFailedText);
    const QString detail =
        QStringLiteral("14:  The database file '%1' does not exist").arg(QString::fromStdString(window.deck.path()));
    QVERIFY2(boxes.shown[1].text.startsWith(detail), qPrintable(boxes.shown[1].text));
    for (const auto& box : boxes.shown) {
        QCOMPARE(box.title, QStringLiteral("Verbrio"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.format, Qt::PlainText);
    }

    // Start-up goes on into the No screen state.
    QVERIFY(window.w.isVisible());
    QCOMPARE(screenOf(window.w), kNoScreen);
    QCOMPARE(boxes.shown.size(), 2);
}

QTEST_MAIN(FrmMainTest)
#include "tst_frmmain.moc"
