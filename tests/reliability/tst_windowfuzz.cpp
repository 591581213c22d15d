// SPDX-License-Identifier: MIT
// Model-based fuzzing of the real window: seeded sequences of random user
// actions (clicks, access keys, Enter, Esc, Tab, typing and pasting texts of
// every kind, message boxes answered at random) run against the window on a
// temporary deck, beside a small model of what the file must hold. After
// every action the window must be in a state the model allows and the file
// must hold exactly the model's entries. A failing sequence is shrunk to the
// shortest one found that still fails, and printed.

#include "fuzzaction.h"
#include "messageboxes.h"
#include "tempdeck.h"
#include "testwindow.h"
#include "windowmodel.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

constexpr int kInputLength = 255;
constexpr qint64 kShrinkBudgetMs = 60'000;

QString boxText(TextBox* box)
{
    return box->text();
}

bool hasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && (i + 1 == text.size() || !text[i + 1].isLowSurrogate()))
            return true;
        if (text[i].isLowSurrogate() && (i == 0 || !text[i - 1].isHighSurrogate()))
            return true;
    }
    return false;
}

// `text` after typing `typed` at its end, one character at a time, into a box
// that keeps at most `limit` UTF-16 units (0: no limit): a character that
// does not fit whole is cut.
// What a box holds after `typed` was typed into it: every character as it
// was typed, save that a multi-line box stores a line separator as a line feed.
QString afterTyping(QString text, const QString& typed, int limit, bool multiLine)
{
    for (const char32_t c : typed.toUcs4()) {
        const bool separator = multiLine && (c == U'\u2028' || c == U'\u2029');
        const QString character = separator ? QStringLiteral("\n") : QString::fromUcs4(&c, 1);
        if (limit == 0 || text.size() + character.size() <= limit)
            text += character;
    }
    return text;
}

QString entriesText(const std::vector<TestEntry>& entries)
{
    QStringList lines;
    for (const auto& e : entries)
        lines << QStringLiteral("%1: \"%2\" / \"%3\"")
                     .arg(e.id)
                     .arg(escaped(QString::fromStdString(e.question), 20),
                          escaped(QString::fromStdString(e.description), 20));
    return "[" + lines.join("; ") + "]";
}

// The handler a user action runs, as the window's rules route it.
enum class Handler { None, Create, Review, OK, Cancel, Show, Terms, Definitions, Restart, Exit };

struct Failure {
    int action = -1; // index of the action after which a check failed; -1: none
    QString check;   // which check
    QString detail;
    explicit operator bool() const { return action >= 0; }
};

struct RunStats {
    int actions = 0;
    int stores = 0;   // actions after which the file held more entries
    int restarts = 0; // actions after which a non-empty file was emptied
    int reports = 0;  // default error reports shown (all predicted by the model)
    int programRuns = 1;
};

// One run of a sequence of actions, the program started afresh on a new deck.
class FuzzRun {
public:
    FuzzRun(unsigned seed, std::vector<TestEntry> initial) : seed_(seed), deck_(initial), model_(std::move(initial)) { }

    Failure run(const std::vector<FuzzAction>& actions)
    {
        startProgram();
        for (int i = 0; i < int(actions.size()); ++i) {
            QString check, detail;
            step(actions[i], check, detail);
            if (!check.isEmpty())
                return {i, check, detail};
            ++stats.actions;
        }
        if (w_)
            endProgram({boxText(w_->txtInQuestion), boxText(w_->txtInAnswer)});
        const auto entries = deck_.entries();
        if (entries != model_.entries)
            return {int(actions.size()), "file after the last run ended",
                    "file " + entriesText(entries) + ", model " + entriesText(model_.entries)};
        const QString integrity = integrityOf(deck_.path());
        if (integrity != QLatin1String("ok"))
            return {int(actions.size()), "integrity check", integrity};
        return {};
    }

    RunStats stats;

private:
    void startProgram()
    {
        generator_.seed(float(seed_ + unsigned(stats.programRuns)));
        w_ = std::make_unique<FrmMain>(QString::fromStdString(deck_.directory()));
        w_->setRandomSource(&generator_);
        if (!startWindow(*w_))
            qWarning("the window did not become active");
        // "pressed" comes before the click and its handler, so nested
        // selections made by the handler's code come after it here.
        for (auto* button : w_->findChildren<QAbstractButton*>())
            QObject::connect(button, &QAbstractButton::pressed, w_.get(), [this, button] { pressed_ << button; });
        // Note every edit the user makes, then let the window handle it.
        for (TextBox* box : {static_cast<TextBox*>(w_->txtInQuestion), static_cast<TextBox*>(w_->txtInAnswer),
                             static_cast<TextBox*>(w_->txtOutQuestion), static_cast<TextBox*>(w_->txtOutAnswer)}) {
            const bool createBox = box == w_->txtInQuestion || box == w_->txtInAnswer;
            box->edited = [this, createBox, handle = box->edited](const QString& text) {
                (createBox ? createEdits_ : reviewEdits_) += 1;
                handle(text);
            };
        }
        model_.screen = {};
        model_.drill = {};
        model_.pending = false;
        model_.ended = false;
    }

    void endProgram(const WindowModel::Typed& typed)
    {
        model_.end(typed);
        w_.reset(); // the data control settles a typed entry as the run ends
    }

    QWidget* control(const QString& name) const { return w_->findChild<QWidget*>(name); }

    TextBox* box(const QString& name) const
    {
        const std::pair<const char*, TextBox*> boxes[] = {{"txtInQuestion", w_->txtInQuestion},
                                                          {"txtInAnswer", w_->txtInAnswer},
                                                          {"txtOutQuestion", w_->txtOutQuestion},
                                                          {"txtOutAnswer", w_->txtOutAnswer}};
        for (const auto& [boxName, b] : boxes) {
            if (name == QLatin1String(boxName))
                return b;
        }
        return nullptr;
    }

    static int limitOf(const QString& boxName) { return boxName == QLatin1String("txtOutQuestion") ? 0 : kInputLength; }

    // Which control the action clicks, if any, as the window routes keys:
    // access keys act on visible controls only, Enter on the focused push
    // button or else a visible "Show", Esc on a visible "Cancel", Space on the
    // focused button; Enter in a multi-line box types a line break.
    QAbstractButton* clickedBy(const FuzzAction& action) const
    {
        QWidget* focus = QApplication::focusWidget();
        QWidget* target = nullptr;
        switch (action.kind) {
        case FuzzAction::Click: target = control(action.target); break;
        case FuzzAction::AccessKey: {
            const char* names[] = {"optScreen(0)", "optScreen(1)", "cmdExit",   "cmdRestart",
                                   "cmdOK",        "optShow(0)",   "optShow(1)"};
            target = control(names[kFuzzAccessKeys.indexOf(action.target)]);
            break;
        }
        case FuzzAction::Key:
            if (action.target == QLatin1String("Enter")) {
                if (qobject_cast<QPlainTextEdit*>(focus))
                    return nullptr;
                target = qobject_cast<QPushButton*>(focus) ? focus : w_->cmdShow;
            } else if (action.target == QLatin1String("Esc")) {
                target = w_->cmdCancel;
            } else if (action.target == QLatin1String("Space")) {
                target = qobject_cast<QAbstractButton*>(focus);
            }
            break;
        default: break;
        }
        return target && target->isVisible() ? qobject_cast<QAbstractButton*>(target) : nullptr;
    }

    // The handler a press of `button` runs; a press on the option already
    // selected runs nothing.
    static Handler handlerOf(const QAbstractButton* button, bool wasChecked)
    {
        if (!button || (qobject_cast<const QRadioButton*>(button) && wasChecked))
            return Handler::None;
        const std::pair<const char*, Handler> handlers[] = {
            {"optScreen(0)", Handler::Create},    {"optScreen(1)", Handler::Review}, {"cmdOK", Handler::OK},
            {"cmdCancel", Handler::Cancel},       {"cmdShow", Handler::Show},        {"optShow(0)", Handler::Terms},
            {"optShow(1)", Handler::Definitions}, {"cmdRestart", Handler::Restart},  {"cmdExit", Handler::Exit}};
        for (const auto& [name, handler] : handlers) {
            if (button->objectName() == QLatin1String(name))
                return handler;
        }
        return Handler::None;
    }

    static bool isArrow(const FuzzAction& action)
    {
        static const QStringList arrows{"Up", "Down", "Left", "Right"};
        return action.kind == FuzzAction::Key && arrows.contains(action.target);
    }

    // The other option of the focused option's group.
    QAbstractButton* siblingOf(QWidget* focus) const
    {
        for (const auto* options : {w_->optScreen.get(), w_->optShow.get()}) {
            for (int i = 0; i < 2; ++i) {
                if ((*options)[i] == focus)
                    return (*options)[1 - i];
            }
        }
        return nullptr;
    }

    void perform(const FuzzAction& action)
    {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : w_.get();
        switch (action.kind) {
        case FuzzAction::Click: {
            QWidget* target = control(action.target);
            if (!target->isVisible())
                return; // a user cannot click a hidden control
            click(qobject_cast<QAbstractButton*>(target));
            break;
        }
        case FuzzAction::AccessKey:
            QTest::keyClick(focus, Qt::Key(Qt::Key_A + (action.target[0].unicode() - 'A')), Qt::AltModifier);
            break;
        case FuzzAction::Key: {
            const std::pair<const char*, std::pair<Qt::Key, Qt::KeyboardModifiers>> keys[] = {
                {"Enter", {Qt::Key_Return, {}}}, {"Esc", {Qt::Key_Escape, {}}},
                {"Tab", {Qt::Key_Tab, {}}},      {"Backtab", {Qt::Key_Backtab, Qt::ShiftModifier}},
                {"Space", {Qt::Key_Space, {}}},  {"Backspace", {Qt::Key_Backspace, {}}},
                {"Up", {Qt::Key_Up, {}}},        {"Down", {Qt::Key_Down, {}}},
                {"Left", {Qt::Key_Left, {}}},    {"Right", {Qt::Key_Right, {}}}};
            for (const auto& [name, key] : keys) {
                if (action.target == QLatin1String(name))
                    QTest::keyClick(focus, key.first, key.second);
            }
            break;
        }
        case FuzzAction::FocusBox:
        case FuzzAction::Type:
        case FuzzAction::Paste: {
            TextBox* target = box(action.target);
            if (!target->widget()->isVisible())
                return;
            if (action.kind == FuzzAction::FocusBox) {
                target->widget()->setFocus(Qt::MouseFocusReason);
            } else if (action.kind == FuzzAction::Type) {
                typeInto(target, action.text);
            } else {
                focusAtEnd(target);
                QGuiApplication::clipboard()->setText(action.text);
                QTest::keyClick(target->widget(), Qt::Key_V, Qt::ControlModifier);
            }
            break;
        }
        case FuzzAction::Close: w_->close(); break;
        }
    }

    void runModel(Handler handler, const WindowModel::Typed& typed)
    {
        switch (handler) {
        case Handler::None: break;
        case Handler::Create: model_.optScreen_Click(0, typed); break;
        case Handler::Review: model_.optScreen_Click(1, typed); break;
        case Handler::OK: model_.cmdOK_Click(typed); break;
        case Handler::Cancel: model_.cmdCancel_Click(); break;
        case Handler::Show: model_.cmdShow_Click(typed); break;
        case Handler::Terms: model_.optShow_Click(0); break;
        case Handler::Definitions: model_.optShow_Click(1); break;
        case Handler::Restart: model_.cmdRestart_Click(typed); break;
        case Handler::Exit: model_.end(typed); break;
        }
    }

    void step(const FuzzAction& action, QString& check, QString& detail)
    {
        if (!w_) {
            // The previous action ended the run: the program starts again.
            ++stats.programRuns;
            startProgram();
        }
        if (QApplication::activeWindow() != w_.get()) {
            if (!activate(*w_)) {
                check = "window activation";
                detail = "the window did not become active again";
                return;
            }
        }

        const WindowModel::Typed typed{boxText(w_->txtInQuestion), boxText(w_->txtInAnswer)};
        // The button the action presses, as the window routes it. An arrow
        // key moves within an option group from a selected option to the
        // other; which one it reaches is the toolkit's geometry, so it is
        // read from the press itself.
        QAbstractButton* routed = clickedBy(action);
        QWidget* focus = QApplication::focusWidget();
        QAbstractButton* arrowTarget =
            isArrow(action) && siblingOf(focus) && qobject_cast<QRadioButton*>(focus)->isChecked() ? siblingOf(focus)
                                                                                                   : nullptr;
        const bool wasChecked = routed && routed->isChecked();
        TextBox* edited =
            action.kind == FuzzAction::Type || action.kind == FuzzAction::Paste ? box(action.target) : nullptr;
        const bool editable = edited && edited->widget()->isVisible();
        const QString before = edited ? edited->text() : QString();
        const std::size_t entriesBefore = model_.entries.size();

        model_.begin(action.answers);
        answerer_.setAnswers(action.answers);
        answerer_.shown.clear();
        pressed_.clear();
        createEdits_ = reviewEdits_ = 0;
        try {
            perform(action);
        } catch (const std::exception& e) {
            check = "exception escaped";
            detail = QString::fromUtf8(e.what());
            return;
        }

        QList<QAbstractButton*> expectedPressed;
        if (routed)
            expectedPressed << routed;
        if (arrowTarget && !pressed_.isEmpty())
            routed = arrowTarget, expectedPressed << arrowTarget;
        // Not QList's ==: Qt 6.4 compares two empty lists with memcmp(nullptr,
        // nullptr, 0), which the undefined-behaviour sanitizer stops on.
        if (!std::ranges::equal(pressed_, expectedPressed)) {
            const auto names = [](const QList<QAbstractButton*>& buttons) {
                QStringList list;
                for (auto* b : buttons)
                    list << b->objectName();
                return "[" + list.join(", ") + "]";
            };
            check = "buttons pressed";
            detail = names(pressed_) + ", expected " + names(expectedPressed);
            return;
        }
        const Handler handler = action.kind == FuzzAction::Close ? Handler::Exit : handlerOf(routed, wasChecked);
        runModel(handler, typed);
        if (handler == Handler::None && createEdits_ > 0)
            model_.createBoxEdited();

        if (model_.ended) {
            if (w_->isVisible()) {
                check = "run ended";
                detail = "the window is still shown";
                return;
            }
            w_.reset();
        } else {
            checkWindow(check, detail);
            if (check.isEmpty() && editable)
                checkEdit(action, before, check, detail);
        }
        if (check.isEmpty()) {
            const auto entries = deck_.entries();
            if (entries != model_.entries) {
                check = "file holds the model's entries";
                detail = "file " + entriesText(entries) + ", model " + entriesText(model_.entries);
            }
        }
        stats.stores += model_.entries.size() > entriesBefore;
        stats.restarts += model_.entries.empty() && entriesBefore > 0;
        for (const auto& shown : answerer_.shown)
            stats.reports += shown.text.startsWith(QLatin1String("Error "));
    }

    void checkWindow(QString& check, QString& detail)
    {
        const auto fail = [&](const char* what, const QString& why) {
            if (check.isEmpty()) {
                check = QString::fromLatin1(what);
                detail = why;
            }
        };

        // The message boxes, exactly those the model predicts.
        QStringList seen, expected;
        for (const auto& shown : answerer_.shown)
            seen << escaped(shown.text, 80) + (shown.buttons.testFlag(QMessageBox::Yes) ? " (Yes/No)" : "");
        for (const auto& box : model_.boxes)
            expected << escaped(box.text, 80) + (box.yesNo ? " (Yes/No)" : "");
        bool boxesMatch = answerer_.shown.size() == qsizetype(model_.boxes.size());
        for (qsizetype i = 0; boxesMatch && i < answerer_.shown.size(); ++i) {
            const auto& box = model_.boxes[std::size_t(i)];
            const auto& shown = answerer_.shown[i];
            boxesMatch = shown.text == box.text
                         && shown.buttons == (box.yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok);
        }
        if (!boxesMatch)
            fail("message boxes", "shown [" + seen.join(" | ") + "], expected [" + expected.join(" | ") + "]");

        // The screen: one of the states the screen handler can leave.
        const WindowModel::Screen screen{w_->pbxCreate->isVisible(), w_->pbxReview->isVisible(),
                                         w_->optScreen->Value(0)   ? 0
                                         : w_->optScreen->Value(1) ? 1
                                                                   : -1};
        const auto screenText = [](const WindowModel::Screen& s) {
            return QStringLiteral("Create panel %1, Review panel %2, option %3")
                .arg(s.createPanel)
                .arg(s.reviewPanel)
                .arg(s.option);
        };
        const WindowModel::Screen allowed[] = {{false, false, -1},
                                               {true, false, 0},
                                               {false, true, 1},
                                               {true, false, -1}};
        if (std::find(std::begin(allowed), std::end(allowed), screen) == std::end(allowed))
            fail("screen state", "not a state of the window: " + screenText(screen));
        if (!(screen == model_.screen))
            fail("screen state", screenText(screen) + ", model " + screenText(model_.screen));

        // The drill: one of its six states while the Review panel shows.
        const WindowModel::Drill drill{w_->optShow->Value(0)   ? 0
                                       : w_->optShow->Value(1) ? 1
                                                               : -1,
                                       w_->cmdShow->text() == QLatin1String("Next"), !w_->txtOutQuestion->isHidden(),
                                       !w_->txtOutAnswer->isHidden()};
        const auto drillText = [](const WindowModel::Drill& d) {
            return QStringLiteral("side %1, caption %2, term %3, definition %4")
                .arg(d.side)
                .arg(d.next ? "Next" : "Show")
                .arg(d.termShown ? "shown" : "hidden", d.definitionShown ? "shown" : "hidden");
        };
        const WindowModel::Drill sixStates[] = {{0, false, true, false}, {0, true, true, true},
                                                {1, false, false, true}, {1, true, true, true},
                                                {0, true, true, false},  {1, true, false, true}};
        if (screen.reviewPanel && std::find(std::begin(sixStates), std::end(sixStates), drill) == std::end(sixStates))
            fail("drill state", "not one of the six: " + drillText(drill));
        if (!(drill == model_.drill))
            fail("drill state", drillText(drill) + ", model " + drillText(model_.drill));

        // The pending entry, the entry shown after a pick, the focus.
        const bool pending = w_->Data1.isOpen() && w_->Data1.Recordset().pending();
        if (pending != model_.pending)
            fail("pending entry", QStringLiteral("window %1, model %2").arg(pending).arg(model_.pending));
        if (model_.picked && !holds(model_.entries, w_->txtOutQuestion->text(), w_->txtOutAnswer->text()))
            fail("picked entry", "the Review boxes show \"" + escaped(w_->txtOutQuestion->text()) + "\" / \""
                                     + escaped(w_->txtOutAnswer->text()) + "\", no entry of "
                                     + entriesText(model_.entries));
        if (model_.focusInTerm && w_->focusWidget() != w_->txtInQuestion)
            fail("focus", "not in txtInQuestion after a new entry began");

        // The boxes' limits, and no half of a character made of two units.
        for (const QString& name : kFuzzBoxes) {
            const QString text = box(name)->text();
            if (limitOf(name) > 0 && name != QLatin1String("txtOutAnswer") && text.size() > limitOf(name))
                fail("length limit", QStringLiteral("%1 holds %2 UTF-16 units").arg(name).arg(text.size()));
            if (hasLoneSurrogate(text))
                fail("whole characters", name + " holds half of a character: \"" + escaped(text) + "\"");
        }
    }

    void checkEdit(const FuzzAction& action, const QString& before, QString& check, QString& detail)
    {
        const QString after = box(action.target)->text();
        const int limit = limitOf(action.target);
        if (action.kind == FuzzAction::Type) {
            const QString expected =
                afterTyping(before, action.text, limit, qobject_cast<QPlainTextEdit*>(box(action.target)->widget()));
            if (after != expected) {
                check = "typed text";
                detail = action.target + " holds \"" + escaped(after, 300) + "\", expected \"" + escaped(expected, 300)
                         + "\"";
            }
        } else if (!after.startsWith(before) || (limit > 0 && before.size() <= limit && after.size() > limit)) {
            check = "pasted text";
            detail = action.target + " held \"" + escaped(before, 300) + "\", holds \"" + escaped(after, 300) + "\"";
        }
    }

    unsigned seed_;
    TempDeck deck_;
    WindowModel model_;
    MessageBoxes answerer_;
    store::Generator generator_;
    std::unique_ptr<FrmMain> w_;
    QList<QAbstractButton*> pressed_;
    int createEdits_ = 0;
    int reviewEdits_ = 0;
};

std::vector<TestEntry> initialEntries(unsigned seed)
{
    return TempDeck::numbered(seed % 4);
}

// Removes actions while the sequence still fails the same check, chunks
// first and then single actions, within a time budget.
std::vector<FuzzAction> shrink(unsigned seed, std::vector<FuzzAction> actions, const Failure& failure)
{
    actions.resize(std::size_t(failure.action) + 1);
    QElapsedTimer clock;
    clock.start();
    for (std::size_t chunk = actions.size() / 2; chunk >= 1 && !clock.hasExpired(kShrinkBudgetMs); chunk /= 2) {
        for (std::size_t start = 0; start < actions.size() && !clock.hasExpired(kShrinkBudgetMs);) {
            std::vector<FuzzAction> candidate(actions.begin(), actions.begin() + std::ptrdiff_t(start));
            candidate.insert(candidate.end(), actions.begin() + std::ptrdiff_t(std::min(actions.size(), start + chunk)),
                             actions.end());
            FuzzRun run(seed, initialEntries(seed));
            const Failure result = run.run(candidate);
            if (result && result.check == failure.check) {
                candidate.resize(std::min(candidate.size(), std::size_t(result.action) + 1));
                actions = std::move(candidate);
            } else {
                start += chunk;
            }
        }
        if (chunk == 1)
            break;
    }
    return actions;
}

QList<unsigned> seedsToRun()
{
    const QByteArray fromEnvironment = qgetenv("VERBRIO_FUZZ_SEEDS");
    if (fromEnvironment.isEmpty())
        return {1, 2, 3, 4, 5};
    QList<unsigned> seeds;
    for (const auto& seed : fromEnvironment.split(','))
        seeds << seed.trimmed().toUInt();
    return seeds;
}

int actionsPerSeed()
{
    const int fromEnvironment = qEnvironmentVariableIntValue("VERBRIO_FUZZ_ACTIONS");
    return fromEnvironment > 0 ? fromEnvironment : 4000;
}

} // namespace

class TestWindowFuzz : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { quietPlatformWarnings(); }
    void randomActionsKeepWindowAndFileAsTheModelSays_data();
    void randomActionsKeepWindowAndFileAsTheModelSays();
    void sequencesThatOnceFailedPass_data();
    void sequencesThatOnceFailedPass();
};

void TestWindowFuzz::randomActionsKeepWindowAndFileAsTheModelSays_data()
{
    QTest::addColumn<unsigned>("seed");
    for (const unsigned seed : seedsToRun())
        QTest::addRow("seed %u", seed) << seed;
}

void TestWindowFuzz::randomActionsKeepWindowAndFileAsTheModelSays()
{
    QFETCH(unsigned, seed);
    const auto actions = generateActions(seed, actionsPerSeed());

    QElapsedTimer clock;
    clock.start();
    FuzzRun run(seed, initialEntries(seed));
    const Failure failure = run.run(actions);
    const qint64 elapsed = clock.elapsed();
    if (!failure) {
        qInfo(
            "seed %u: %d actions in %lld ms, %d program runs, %d stores, %d restarts, %d error reports (all predicted)",
            seed, run.stats.actions, elapsed, run.stats.programRuns, run.stats.stores, run.stats.restarts,
            run.stats.reports);
        return;
    }

    const auto shortest = shrink(seed, actions, failure);
    FuzzRun again(seed, initialEntries(seed));
    const Failure last = again.run(shortest);
    QStringList steps;
    for (std::size_t i = 0; i < shortest.size(); ++i)
        steps << QStringLiteral("  %1. %2").arg(i + 1).arg(describe(shortest[i]));
    QFAIL(qPrintable(
        QStringLiteral("seed %1 failed after action %2 of %3: %4: %5\n"
                       "Shortest sequence found (%6 actions, initial deck of %7 entries), failing with %8: %9\n%10")
            .arg(seed)
            .arg(failure.action + 1)
            .arg(actions.size())
            .arg(failure.check, failure.detail)
            .arg(shortest.size())
            .arg(initialEntries(seed).size())
            .arg(last.check, last.detail, steps.join("\n"))));
}

// Sequences the fuzzer once shrank a failure to, kept as they failed. Steps:
// "Alt+R", "key Up", "click cmdOK", "type txtInQuestion:TEXT", "close";
// every message box is answered with Enter.
void TestWindowFuzz::sequencesThatOnceFailedPass_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QStringList>("steps");
    QTest::addRow("Up from Review selects Create and leaves the cursor in the term box")
        << 2 << QStringList{"Alt+R", "key Up", "key Space", "Alt+O"};
    QTest::addRow("Down from Create selects Review on an empty table, then Up selects Create again")
        << 0 << QStringList{"Alt+C", "click optScreen(0)", "key Down", "key Up", "type txtInQuestion:x", "close"};
    QTest::addRow("Left after an emoji that follows Devanagari does not stop inside the emoji")
        << 2
        << QStringList{
               "Alt+C",
               QStringLiteral("type txtInQuestion:\u0928\u092e\u0938\u094d\u0924\u0947\U0001F469\u200D\U0001F4BB"),
               "key Left", "Alt+T", "Alt+O"}; // Alt+T types nothing where no option shows
    QTest::addRow("Right and Left switch the sides")
        << 1 << QStringList{"Alt+R", "Alt+D", "key Left", "key Right", "key Enter", "key Enter"};
}

void TestWindowFuzz::sequencesThatOnceFailedPass()
{
    QFETCH(int, entries);
    QFETCH(QStringList, steps);

    std::vector<FuzzAction> actions;
    for (const QString& step : steps) {
        const QString rest = step.section(QLatin1Char(' '), 1);
        FuzzAction action{FuzzAction::Close, {}, {}, {}};
        if (step.startsWith(QLatin1String("Alt+")))
            action = {FuzzAction::AccessKey, step.mid(4), {}, {}};
        else if (step.startsWith(QLatin1String("key ")))
            action = {FuzzAction::Key, rest, {}, {}};
        else if (step.startsWith(QLatin1String("click ")))
            action = {FuzzAction::Click, rest, {}, {}};
        else if (step.startsWith(QLatin1String("type ")))
            action = {FuzzAction::Type, rest.section(QLatin1Char(':'), 0, 0), rest.section(QLatin1Char(':'), 1), {}};
        actions.push_back(action);
    }
    FuzzRun run(1, TempDeck::numbered(entries));
    const Failure failure = run.run(actions);
    QVERIFY2(!failure, qPrintable(QStringLiteral("after step %1 (%2): %3: %4")
                                      .arg(failure.action + 1)
                                      .arg(steps.value(failure.action), failure.check, failure.detail)));
}

QTEST_MAIN(TestWindowFuzz)
#include "tst_windowfuzz.moc"
