#pragma once

// What the handler tests share: a window on a temporary deck, a seam that
// records the record-set operations and makes a chosen one fail, a random
// source of chosen draws, and the texts the user must see.

#include "error.h"
#include "frmmain.h"
#include "messageboxes.h"
#include "optionarray.h"
#include "randompick.h"
#include "recordsource.h"
#include "tempdeck.h"
#include "textbox.h"

#include <QApplication>
#include <QFrame>
#include <QHash>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <SQLiteCpp/Database.h>

#include <string_view>
#include <vector>

// The messages exactly as the user reads them in the box.
inline const QString kNoEntriesText = QStringLiteral("There are no entries in the database!");
inline const QString kOpenFailedText = QStringLiteral(
    "There was an error opening the database!\n"
    "A detailed message will follow.  Please write down the message\n"
    "and consult the Readme.txt file for contact information");
inline const QString kRestartWarningText = QStringLiteral(
    "Warning! This will permanently delete all entries in the database!\n"
    "Are you sure you want to continue?");

// The number of every error the seam raises.
inline constexpr int kForcedError = 9999;

inline QString forcedDescription(const QString& operation)
{
    return QStringLiteral("forced failure of ") + operation;
}

// ConnectDatabase's second box for an error the seam raised.
inline QString forcedDetailText(const QString& operation)
{
    return QStringLiteral("%1:  %2").arg(kForcedError).arg(forcedDescription(operation));
}

// Draws exactly the values given, over and over.
class DrawSequence : public store::RandomSource {
public:
    explicit DrawSequence(std::vector<float> values = {0.0f}) : values_(std::move(values)) {}
    float next() override { return values_[next_++ % values_.size()]; }

private:
    std::vector<float> values_;
    std::size_t next_ = 0;
};

// Records every record-set operation the window asks for, by name, and makes
// chosen ones raise a store::Error. Remove it before the window goes.
class OperationSeam {
public:
    explicit OperationSeam(store::DataControl& data) : data_(data)
    {
        data_.hooks.beforeOperation = [this](std::string_view operation) {
            const QString name = QString::fromUtf8(operation.data(), qsizetype(operation.size()));
            trace << name;
            const int seen = ++calls_[name];
            if (onOperation)
                onOperation(name);
            for (const auto& failure : failures_) {
                if (failure.operation == name && (failure.occurrence == 0 || failure.occurrence == seen))
                    throw store::Error(kForcedError, forcedDescription(name).toStdString());
            }
        };
    }
    ~OperationSeam() { data_.hooks.beforeOperation = nullptr; }

    OperationSeam(const OperationSeam&) = delete;
    OperationSeam& operator=(const OperationSeam&) = delete;

    // The `occurrence`-th call of `operation` from now on fails; 0: every call.
    void failAt(const QString& operation, int occurrence = 1)
    {
        failures_.push_back({operation, occurrence ? calls_.value(operation) + occurrence : 0});
    }

    QStringList trace;
    std::function<void(const QString&)> onOperation; // runs before a failure is raised

private:
    struct Failure {
        QString operation;
        int occurrence;
    };
    store::DataControl& data_;
    std::vector<Failure> failures_;
    QHash<QString, int> calls_;
};

// Entries as "ID: term / definition" lines, for comparisons that read well.
inline QStringList listed(const std::vector<TestEntry>& entries)
{
    QStringList lines;
    for (const auto& e : entries)
        lines << QStringLiteral("%1: %2 / %3").arg(e.id).arg(QString::fromStdString(e.question), QString::fromStdString(e.description));
    return lines;
}

// The screen as the user sees it: which panel shows, which option is selected.
inline QString screenOf(const FrmMain& w)
{
    const bool create = w.pbxCreate->isVisible();
    const bool review = w.pbxReview->isVisible();
    const QString panels = create && review ? QStringLiteral("both panels")
                           : create         ? QStringLiteral("Create panel")
                           : review         ? QStringLiteral("Review panel")
                                            : QStringLiteral("no panel");
    const bool createOption = w.optScreen->Value(0);
    const bool reviewOption = w.optScreen->Value(1);
    const QString option = createOption && reviewOption ? QStringLiteral("both options")
                           : createOption               ? QStringLiteral("Create option")
                           : reviewOption               ? QStringLiteral("Review option")
                                                        : QStringLiteral("no option");
    return panels + QStringLiteral(", ") + option;
}

inline const QString kNoScreen = QStringLiteral("no panel, no option");
inline const QString kCreateScreen = QStringLiteral("Create panel, Create option");
inline const QString kReviewScreen = QStringLiteral("Review panel, Review option");

// The program's window, started and shown on a deck of its own.
struct Window {
    explicit Window(const std::vector<TestEntry>& entries = {}, std::vector<float> values = {0.0f})
        : deck(entries), draws(std::move(values)), w(QString::fromStdString(deck.directory()))
    {
        w.setRandomSource(&this->draws);
        w.Form_Load();
        w.show();
        static_cast<void>(QTest::qWaitForWindowActive(&w));
    }

    bool pending() { return w.Data1.isOpen() && w.Data1.Recordset().pending(); }
    bool narrowedToOneEntry() const
    {
        return QString::fromStdString(w.Data1.RecordSource()).startsWith(QLatin1String(store::kOneEntryQuery));
    }
    // The widget with the keyboard focus once the window is active again:
    // after a message box closes, the test stands in for the window manager.
    QWidget* focused()
    {
        w.activateWindow();
        return QTest::qWaitForWindowActive(&w) ? QApplication::focusWidget() : nullptr;
    }
    bool focusInTerm() { return focused() == w.txtInQuestion; }

    // The user's choice of a screen: the option is selected and its handler
    // runs, also when it was selected already.
    void choose(int screen) { w.optScreen->setValue(screen, true); }

    // A user's click on "Show"/"Next", "OK", "Cancel", "Re&start", or on a side.
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void clickSide(int side) { (*w.optShow)[side]->click(); }

    // Typing, as the user does it: into the box that has the focus.
    static void type(QWidget* box, const QString& text)
    {
        box->setFocus();
        for (const QChar c : text) {
            if (c == QLatin1Char('\n'))
                QTest::keyClick(box, Qt::Key_Return);
            else if (c.unicode() < 0x80)
                QTest::keyClick(box, char(c.unicode()));
            else // beyond ASCII, a key that types the character
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    void typeTerm(const QString& text) { type(w.txtInQuestion, text); }
    void typeDefinition(const QString& text) { type(w.txtInAnswer, text); }

    // What the file holds.
    QStringList stored() const { return listed(deck.entries()); }

    // Changes the file behind the program's back, through a connection of its own.
    void execOnFile(const char* sql)
    {
        SQLite::Database db(deck.path(), SQLite::OPEN_READWRITE);
        db.exec(sql);
    }

    TempDeck deck;
    DrawSequence draws;
    FrmMain w;
};
