// SPDX-License-Identifier: MIT
#include "frmmain.h"

#include "accesskeys.h"
#include "databasepath.h"
#include "icon.h"
#include "layout.h"
#include "messages.h"
#include "msgbox.h"
#include "recordsource.h"
#include "textbox.h"
#include "textlimit.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTime>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <functional>
#include <optional>
#include <utility>

namespace {

const QString kShow = QStringLiteral("Show");
const QString kNext = QStringLiteral("Next");
// Long enough that a burst of "OK"s, or one "Restart", settles the file once.
constexpr int kIdleDelayMs = 300;

// The wait cursor over the whole application while it lives, on screen at
// once: the work it covers handles no events.
class WaitCursor {
public:
    WaitCursor()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QGuiApplication::sync();
    }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

template <class Widget, class... Args>
Widget* make(const char* name, QWidget* parent, Args&&... args)
{
    auto* widget = new Widget(parent, std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace

FrmMain::FrmMain(const QString& programDirectory, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      programDirectory_(programDirectory)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(messages::kApplicationTitle);
    setWindowIcon(programIcon());
    createControls();
    applyLayout();
    connectHandlers();
    installAccessKeys(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && pbxReview->isAncestorOf(now))
            drillFocus_ = now;
    });
    // The first stop of the tab order that can take the focus: Enter and
    // Space here start nothing that changes the file.
    screenChoice()->setFocus(Qt::OtherFocusReason);
}

FrmMain::~FrmMain()
{
    // Data1 settles a typed, pending entry as it goes; nothing is shown by then.
    Data1.hooks = {};
}

void FrmMain::createControls()
{
    cmdRestart = make<QPushButton>("cmdRestart", this);
    // Only Tab brings the focus here: after a click or Alt+S, Enter goes on
    // with what the user was doing instead of asking to delete everything again.
    cmdRestart->setFocusPolicy(Qt::TabFocus);
    cmdExit = make<QPushButton>("cmdExit", this);
    pbxChoice = make<QFrame>("pbxChoice", this);
    pbxChoice->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* create = make<QRadioButton>("optScreen(0)", pbxChoice);
    auto* review = make<QRadioButton>("optScreen(1)", pbxChoice);

    pbxCreate = make<QFrame>("pbxCreate", this);
    txtInQuestion = make<LineTextBox>("txtInQuestion", pbxCreate, kLongestTypedText);
    txtInAnswer = make<MultiLineTextBox>("txtInAnswer", pbxCreate, kLongestTypedText);
    cmdOK = make<QPushButton>("cmdOK", pbxCreate);
    cmdCancel = make<QPushButton>("cmdCancel", pbxCreate);

    pbxReview = make<QFrame>("pbxReview", this);
    auto* terms = make<QRadioButton>("optShow(0)", pbxReview);
    auto* definitions = make<QRadioButton>("optShow(1)", pbxReview);
    cmdShow = make<QPushButton>("cmdShow", pbxReview);
    txtOutAnswer = make<MultiLineTextBox>("txtOutAnswer", pbxReview, kLongestTypedText);
    txtOutQuestion = make<LineTextBox>("txtOutQuestion", pbxReview, 0);

    const auto userClick = [this](const std::function<void()>& handler) { guarded(this, handler); };
    optScreen = std::make_unique<OptionArray>(
        std::array{create, review}, [this](std::int16_t i) { optScreen_Click(i); }, userClick);
    optShow = std::make_unique<OptionArray>(
        std::array{terms, definitions}, [this](std::int16_t i) { optShow_Click(i); }, userClick);
    // The screen that shows chosen again: no handler runs (its steps would
    // begin another entry, or draw another), only the focus goes back to it.
    optScreen->setReselectHandler([this](std::int16_t i) { focusOnScreen(i); });

    // Nothing labels the boxes on screen; a screen reader still tells them apart.
    for (auto* box : {txtInQuestion->widget(), txtOutQuestion->widget()})
        box->setAccessibleName(QStringLiteral("Term"));
    for (auto* box : {txtInAnswer->widget(), txtOutAnswer->widget()})
        box->setAccessibleName(QStringLiteral("Definition"));

    bindings_ = {
        {txtInQuestion, &store::Record::question, true},
        {txtInAnswer, &store::Record::description, true},
        {txtOutAnswer, &store::Record::description, false},
        {txtOutQuestion, &store::Record::question, false},
    };

    pbxCreate->hide();
    pbxReview->hide();
}

void FrmMain::applyLayout()
{
    // A larger font scales the whole layout, as a large-fonts desktop does.
    const double scale = layout::scaleFor(font());
    const QRect client =
        layout::toPixels({layout::kClientLeft, layout::kClientTop, layout::kClientWidth, layout::kClientHeight}, scale);
    setGeometry(client);
    setFixedSize(client.size());

    std::vector<const layout::Control*> byTabIndex;
    for (const auto& control : layout::kControls) {
        auto* widget = findChild<QWidget*>(QString::fromLatin1(control.name));
        auto* container = control.container ? findChild<QFrame*>(QString::fromLatin1(control.container)) : nullptr;
        const QPoint inner = container ? container->contentsRect().topLeft() : QPoint();
        widget->setGeometry(
            layout::toPixels({control.left, control.top, control.width, control.height}, scale).translated(inner));
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            button->setText(QString::fromLatin1(control.caption));
        if (control.tabIndex >= 0)
            byTabIndex.push_back(&control);
    }
    layout::fitCaptions(this);
    std::sort(byTabIndex.begin(), byTabIndex.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    QWidget* previous = nullptr;
    for (const auto* control : byTabIndex) {
        auto* widget = findChild<QWidget*>(QString::fromLatin1(control->name));
        if (widget->focusPolicy() == Qt::NoFocus)
            continue; // the containers
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

void FrmMain::connectHandlers()
{
    const auto onClick = [this](QPushButton* button, void (FrmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] { guarded(this, [&] { (this->*handler)(); }); });
    };
    onClick(cmdExit, &FrmMain::cmdExit_Click);
    onClick(cmdOK, &FrmMain::cmdOK_Click);
    onClick(cmdCancel, &FrmMain::cmdCancel_Click);
    onClick(cmdShow, &FrmMain::cmdShow_Click);
    onClick(cmdRestart, &FrmMain::cmdRestart_Click);

    for (const auto& binding : bindings_) {
        binding.box->edited = [this, binding](const QString& text) {
            guarded(this, [&] { boxEdited(binding.box, binding.field, binding.beginsEntry, text); });
        };
    }
    Data1.hooks.currentChanged = [this] { currentChanged(); };
    Data1.hooks.fileChanged = [this] {
        refusalSaid_ = false; // the file took a change: a refusal from now on is news
        idleTimer_.start();
    };
    Data1.hooks.entryNotStored = [this](const store::Error& e) {
        // Said once per refused entry: it is refused again at every departure
        // from Create while the file stays as it is.
        if (std::exchange(refusalSaid_, true))
            return;
        MsgBox(this, QString::fromLatin1(messages::kEntryNotStored) + QStringLiteral("\r\n")
                         + QString::number(e.number()) + messages::kErrorSeparator
                         + QString::fromStdString(e.description()));
    };
    idleTimer_.setSingleShot(true);
    idleTimer_.setInterval(kIdleDelayMs);
    // Busy (another copy has the file open): tried again at the next idle
    // point, and at the end of the run.
    connect(&idleTimer_, &QTimer::timeout, this, [this] { Data1.settleFile(); });
}

void FrmMain::currentChanged()
{
    if (displayBatches_ > 0)
        displayStale_ = true;
    else
        showCurrentRecord();
}

FrmMain::DisplayBatch::~DisplayBatch()
{
    if (--window_.displayBatches_ > 0 || !window_.displayStale_)
        return;
    if (std::uncaught_exceptions() > exceptionsBefore_) {
        // An error is on its way to its report: the boxes catch up once it is
        // handled, from the event loop, rather than redraw in between.
        try {
            QMetaObject::invokeMethod(
                &window_, [&window = window_] { window.showIfStale(); }, Qt::QueuedConnection);
        } catch (...) {
            // Out of memory: the next change of record redraws them.
        }
        return;
    }
    guarded(&window_, [this] { window_.showIfStale(); });
}

void FrmMain::showIfStale()
{
    if (displayBatches_ > 0 || !displayStale_)
        return;
    displayStale_ = false;
    showCurrentRecord();
}

void FrmMain::showCurrentRecord()
{
    const auto record = Data1.isOpen() ? Data1.Recordset().current() : std::nullopt;
    for (const auto& binding : bindings_) {
        if (binding.box != beginningEntryIn_)
            binding.box->showText(record ? QString::fromStdString(store::toText((*record).*binding.field)) : QString());
    }
}

void FrmMain::boxEdited(TextBox* box, store::Value store::Record::*field, bool beginsEntry, const QString& text)
{
    // Only the Create boxes write: typing into the Review boxes never changes
    // a stored entry.
    if (!beginsEntry || !Data1.isOpen())
        return;
    store::RecordSet& recordset = Data1.Recordset();
    if (!recordset.pending()) {
        // Text typed into a Create box with no entry pending begins one, so
        // that "OK" stores it rather than throwing it away. Reloading the box
        // would put its cursor back at the start and scramble the typing.
        QScopedValueRollback keep(beginningEntryIn_, box);
        recordset.AddNew();
    }
    recordset.setPendingField(field, text.toStdString());
    if (!recordset.typedEntry())
        refusalSaid_ = false; // emptied: what is typed next is another entry
}

void FrmMain::keyPressEvent(QKeyEvent* event)
{
    QPushButton* target = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        target = qobject_cast<QPushButton*>(focusWidget());
        if (!target && cmdShow->isVisible())
            target = cmdShow;
    } else if (event->key() == Qt::Key_Escape && cmdCancel->isVisible()) {
        target = cmdCancel;
    }
    if (!target) {
        QWidget::keyPressEvent(event);
        return;
    }
    target->click();
}

// The focus.

QWidget* FrmMain::screenChoice() const
{
    return (*optScreen)[optScreen->Value(1) ? 1 : 0];
}

void FrmMain::focusOnScreen(std::int16_t Index)
{
    if (Index == 0) {
        // The cursor at the end of the term, where typing goes on.
        txtInQuestion->setFocus(Qt::OtherFocusReason);
        txtInQuestion->end(false);
        return;
    }
    QWidget* drill = drillFocus_ && drillFocus_->isVisible() ? drillFocus_.data() : cmdShow;
    drill->setFocus(Qt::OtherFocusReason);
}

void FrmMain::hideControl(QWidget* control)
{
    // Qt would move the focus on along the tab order, past the end of the
    // panels to "E&xit" or "Re&start", where Enter would act on them. The
    // window's own record of its focus counts too: while a message box is
    // up, it is where the focus returns.
    QWidget* focus = focusWidget();
    if (focus && (focus == control || control->isAncestorOf(focus)))
        screenChoice()->setFocus(Qt::OtherFocusReason);
    control->setVisible(false);
}

// Start-up and exit.

void FrmMain::Form_Load()
{
    ConnectDatabase();
    // Seconds since midnight with their fraction: a different sequence of
    // picks on every run.
    generator_.seed(static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f);
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    const auto unsaved = Data1.endRun();
    if (unsaved && endingBySignal_ && unsaved->keptAt.empty())
        std::fprintf(stderr, "Verbrio: Term: %s\nVerbrio: Definition: %s\n", unsaved->term.c_str(),
                     unsaved->definition.c_str());
    if (unsaved && !endingBySignal_) {
        const QString reason = QString::fromStdString(unsaved->reason);
        const QString kept = unsaved->keptAt.empty()
                                 ? QString::fromLatin1(messages::kEntryWrittenNowhere) + QStringLiteral("\r\nTerm: ")
                                       + QString::fromStdString(unsaved->term) + QStringLiteral("\r\nDefinition: ")
                                       + QString::fromStdString(unsaved->definition)
                                 : QString::fromLatin1(messages::kEntryWrittenToFile) + QStringLiteral("\r\n")
                                       + QString::fromStdString(unsaved->keptAt);
        guarded(this, [&] { MsgBox(this, kept + QStringLiteral("\r\n\r\n") + reason); });
    }
    QWidget::closeEvent(event);
}

void FrmMain::endBySignal()
{
    endingBySignal_ = true;
    cmdExit_Click();
}

void FrmMain::cmdExit_Click()
{
    // Ends the run at once: no question, nothing of the program's own runs.
    close();
    QCoreApplication::quit();
}

// The entry store.

void FrmMain::ConnectDatabase()
{
    try {
        Data1.setDatabaseName(store::databasePath(programDirectory_.toStdString()));
        Data1.setRecordSource(store::kWholeTableSource);
        Data1.Refresh();
    } catch (...) {
        // Whatever went wrong, the handler goes on with what is open.
        const ErrorReport error = currentError();
        MsgBox(this, messages::kOpenDatabaseFailed);
        MsgBox(this, QString::number(error.number) + messages::kErrorSeparator + error.description);
    }
}

void FrmMain::PickRandomEntry()
{
    DisplayBatch batch(*this);
    store::PickRandomEntry(Data1, *random_);
}

// Screen selection.

void FrmMain::optScreen_Click(std::int16_t Index)
{
    // The steps of both screens. Each returns the step to run next; when one
    // fails, the recovery resumes at the step in its first column.
    enum Step { C1, C2, C3, C4, C5, R1, R2, R3, R4, R5, R6, R7, R8, Return };
    struct Row {
        Step resumeAt;
        std::function<Step()> run;
    };
    // The boxes show the record set once, as the handler ends, not also the
    // first entry of the reopened table on the way; the message that there
    // are no entries finds them already showing the empty table.
    std::optional<DisplayBatch> display;
    display.emplace(*this);
    // One step a line, so the table reads as the steps and their resume points.
    // clang-format off
    const Row steps[] = {
        /* C1 */ {C2, [&] { hideControl(pbxReview); return C2; }},
        /* C2 */ {C3, [&] { pbxCreate->setVisible(true); return C3; }},
        /* C3 */ {C4, [&] { ConnectDatabase(); return C4; }},
        /* C4 */ {C5, [&] { Data1.Recordset().AddNew(); return C5; }},
        /* C5 */ {Return, [&] { txtInQuestion->setFocus(); return Return; }},
        /* R1 */ {R2, [&] { ConnectDatabase(); return R2; }},
        /* R2 */ {R3, [&] { return Data1.Recordset().RecordCount() == 0 ? R3 : R5; }},
        /* R3 */ {R4, [&] { display.reset(); MsgBox(this, messages::kNoEntries); return R4; }},
        /* R4 */ {Return, [&] { optScreen->setValue(1, false); return Return; }},
        /* R5 */ {R6, [&] { optShow->setValue(0, true); return R6; }},
        /* R6 */ {R7, [&] { hideControl(pbxCreate); return R7; }},
        /* R7 */ {R8, [&] { pbxReview->setVisible(true); return R8; }},
        /* R8 */ {Return, [&] { PickRandomEntry(); return Return; }},
    };
    // clang-format on

    Step step = Index == 0 ? C1 : R1;
    while (step != Return) {
        const Row& row = steps[step];
        try {
            step = row.run();
        } catch (const std::exception&) {
            // An error raised here leaves the handler for the error report.
            if (Index == 0)
                Data1.Recordset().CancelUpdate();
            step = row.resumeAt;
        }
    }
}

// Adding entries.

void FrmMain::cmdOK_Click()
{
    {
        // The boxes show the next, empty entry once, not first the entry
        // that was current before this one began: a long one would hold the
        // window up while it is laid out.
        DisplayBatch display(*this);
        Data1.Recordset().Update();
        Data1.Recordset().AddNew();
    }
    txtInQuestion->setFocus();
}

void FrmMain::cmdCancel_Click()
{
    Data1.Recordset().CancelUpdate();
    refusalSaid_ = false;
    hideControl(pbxCreate);
    optScreen->setValue(0, false);
}

// Reviewing entries. The drill's state is in the controls: the side in
// optShow(0), the phase in the caption of cmdShow.

void FrmMain::cmdShow_Click()
{
    QWidget* answer = optShow->Value(0) ? static_cast<QWidget*>(txtOutAnswer) : txtOutQuestion;
    if (cmdShow->text() != kNext) {
        answer->setVisible(true);
        cmdShow->setText(kNext);
    } else {
        // Hidden before the record set moves: the next answer is never on screen.
        hideControl(answer);
        {
            // The boxes show the picked entry only, not the first entry of the
            // reopened table before it.
            DisplayBatch display(*this);
            ConnectDatabase();
            PickRandomEntry();
        }
        cmdShow->setText(kShow);
    }
}

void FrmMain::optShow_Click(std::int16_t Index)
{
    if (Index == 0) {
        hideControl(txtOutAnswer);
        txtOutQuestion->setVisible(true);
    } else {
        hideControl(txtOutQuestion);
        txtOutAnswer->setVisible(true);
    }
}

// Deleting all entries.

void FrmMain::cmdRestart_Click()
{
    if (MsgBox(this, messages::kRestartWarning, MsgBoxButtons::YesNo) == MsgBoxResult::No)
        return;
    const WaitCursor busy;
    DisplayBatch batch(*this);
    Data1.setRecordSource(store::kWholeTableQuery);
    Data1.Refresh();
    if (Data1.Recordset().RecordCount() == 0)
        return;
    // The way back: a copy of every entry beside the deck. If it cannot be
    // written, nothing is deleted.
    Data1.backUp(Data1.DatabaseName() + ".bak");
    Data1.Recordset().MoveFirst();
    while (!Data1.Recordset().Eof()) {
        Data1.Recordset().Delete(); // each entry leaves the file at once
        Data1.Recordset().MoveNext();
    }
    Data1.Recordset().Update();
    Data1.Refresh();
}
