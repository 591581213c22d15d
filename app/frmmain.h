// SPDX-License-Identifier: MIT
#pragma once

#include "datacontrol.h"
#include "optionarray.h"
#include "randompick.h"
#include "recordset.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

class QFrame;
class QPushButton;
class QRadioButton;
class TextBox;
class LineTextBox;
class MultiLineTextBox;

// The program's one window: the choice of screen on the left, the Create and
// Review panels on the same spot to its right. The window keeps its state in
// its controls; the handlers read it from them when they run.
class FrmMain : public QWidget {
public:
    // `programDirectory` holds Verbrio.mdb.
    explicit FrmMain(const QString& programDirectory, QWidget* parent = nullptr);
    ~FrmMain() override;

    // The start-up handler: run once, before the window is shown.
    void Form_Load();

    // Handlers, one per user action; each runs to its end.
    void cmdExit_Click();
    // Ends the run as cmdExit_Click does, for a signal: where the entry being
    // typed went is said on standard error only, since no one may be there
    // to answer a message box.
    void endBySignal();
    void optScreen_Click(std::int16_t Index);
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdShow_Click();
    void optShow_Click(std::int16_t Index);
    void cmdRestart_Click();

    // Draws come from here; tests put a source of chosen values in place.
    void setRandomSource(store::RandomSource* random) { random_ = random; }

    // The controls. Their names are the window's own vocabulary.
    store::DataControl Data1;
    QPushButton* cmdRestart = nullptr;
    QPushButton* cmdExit = nullptr;
    QFrame* pbxChoice = nullptr;
    std::unique_ptr<OptionArray> optScreen;
    QFrame* pbxCreate = nullptr;
    LineTextBox* txtInQuestion = nullptr;
    MultiLineTextBox* txtInAnswer = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QFrame* pbxReview = nullptr;
    std::unique_ptr<OptionArray> optShow;
    QPushButton* cmdShow = nullptr;
    MultiLineTextBox* txtOutAnswer = nullptr;
    LineTextBox* txtOutQuestion = nullptr;

protected:
    // The end of the run: the entry being typed is stored; one the file
    // refuses is kept in a file, and a message says where (or shows it,
    // when no file takes it).
    void closeEvent(QCloseEvent* event) override;
    // Enter clicks the focused button, else "Show"; Esc clicks "Cancel": the
    // default and cancel buttons, each only while it is visible.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ConnectDatabase();
    void PickRandomEntry();

    // The screen choice: the selected option of optScreen, else "&Create".
    QWidget* screenChoice() const;
    // Hides `control`. A focus on it or inside it goes to the screen choice first.
    void hideControl(QWidget* control);
    // The focus back to the screen `Index` of optScreen that shows: the term
    // box on Create; on Review, where it last was in the drill, else "Show".
    void focusOnScreen(std::int16_t Index);
    QPointer<QWidget> drillFocus_;

    void createControls();
    void applyLayout();
    void connectHandlers();
    void showCurrentRecord();
    void currentChanged();

    // While one lives, the bound boxes show the current record only once, as
    // the last one goes: a loop that moves the record set thousands of times
    // (deleting all, drawing over gaps) does not redraw the boxes each time.
    class DisplayBatch {
    public:
        explicit DisplayBatch(FrmMain& window) : window_(window), exceptionsBefore_(std::uncaught_exceptions())
        {
            ++window_.displayBatches_;
        }
        ~DisplayBatch();
        DisplayBatch(const DisplayBatch&) = delete;
        DisplayBatch& operator=(const DisplayBatch&) = delete;

    private:
        FrmMain& window_;
        int exceptionsBefore_; // in flight as the batch began: more at its end means unwinding
    };
    int displayBatches_ = 0;
    bool displayStale_ = false;
    void showIfStale();
    void boxEdited(TextBox* box, store::Value store::Record::*field, bool beginsEntry, const QString& text);

    // A text box bound to a field of Data1's current record.
    struct Binding {
        TextBox* box = nullptr;
        store::Value store::Record::*field = nullptr;
        bool beginsEntry = false; // typing here with nothing pending begins an entry
    };
    std::vector<Binding> bindings_;
    // The Create box whose typing is beginning an entry: it keeps its text and
    // cursor while the other boxes show the new, empty entry.
    TextBox* beginningEntryIn_ = nullptr;

    // The note that the entry being typed was refused has been shown, and
    // neither the file nor that entry has changed since.
    bool refusalSaid_ = false;

    // The run ends on a signal: no message box on the way out.
    bool endingBySignal_ = false;

    // Started by every change stored and restarted by the next: once the
    // program has been idle this long, the file is made self-contained.
    QTimer idleTimer_;

    QString programDirectory_;
    store::Generator generator_;
    store::RandomSource* random_ = &generator_;
};
