// SPDX-License-Identifier: MIT
#pragma once

#include "entrytable.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class DeckModel;
class EntryArea;
class QCheckBox;
class QComboBox;
class ImportDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class SearchFilter;

namespace store {
class Connection;
}

// The deck editor's window: a search field, the table of entries, the
// current entry in full below it, and the deck's figures in the status bar.
// It wires the model to the widgets; the changes themselves are the model's.
class DeckWindow : public QMainWindow {
    Q_OBJECT
public:
    // Raises store::Error when the file is not a deck the program can open.
    DeckWindow(store::Connection& deck, const QString& deckPath, QWidget* parent = nullptr);
    ~DeckWindow() override;

    // Opens the deck at `path` in a window of its own, which owns its
    // connection and is deleted when closed; nothing, after saying why in a
    // box, when the file is not a deck the editor can open.
    static DeckWindow* openDeck(const QString& path, QWidget* parent = nullptr);
    // The decks opened last, the latest first; a deck opened is put first.
    static QStringList recentDecks();
    static void rememberDeck(const QString& path);

    DeckModel& model() { return *model_; }
    QTableView* table() const { return table_; }
    QLineEdit* searchField() const { return search_; }
    EntryArea* entryArea() const { return area_; }
    SearchFilter& filter() const { return *filter_; }
    QCheckBox* matchAccentsBox() const { return matchAccents_; }
    QComboBox* searchInBox() const { return searchIn_; }

    // The end of the run (a signal): a pending edit is stored, as far as the
    // deck takes it, and the window closes without a question.
    void endRun();
    // A session save: a pending edit is stored and the file settled; the
    // window stays.
    void storePending();

    // Imports `source` through the import dialog, which shows what it
    // would add as its options change.
    void importFile(const QString& source);
    void exportTo(const QString& target);

    // When set, answers the Open, Import and Export file dialogs in their place
    // (tests): given the dialog's title, the file chosen, or "" to cancel.
    std::function<QString(const QString& title)> chooseFile;
    // When set, runs the import dialog in place of the user (tests); the
    // dialog's result says whether it imported.
    std::function<void(ImportDialog& dialog)> answerImport;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    // The search's row: the field, where it looks, whether accents count.
    QWidget* buildSearch();
    void searchChanged();
    // Moves to the next (1) or previous (-1) match, round the table.
    void goToMatch(int step);
    void addEntry();
    void deleteSelected();
    void compact();
    void showCurrent();
    void updateStatus();
    void updateFigures();
    void report(int number, const QString& description);
    // Runs a slot's work to its end: whatever escapes it (a store::Error,
    // std::system_error, bad_alloc, anything) becomes a message with a number.
    void guarded(const std::function<void()>& work) noexcept;
    void editCurrent();
    // Makes the current row the only one selected, unless the user's own
    // selection holds it.
    void keepSelectionInSight();
    // Asks what to do with an edit the deck refused; false to stay open.
    bool mayClose();
    // Runs verbrio-deck with `arguments`; its output, or its errors.
    bool runTool(const QStringList& arguments, QString& said);

    void openChosen();
    void fillRecent();

    std::unique_ptr<store::Connection> ownDeck_; // for a window openDeck() made
    store::Connection& deck_;
    QString deckPath_;
    QMenu* recent_ = nullptr;
    DeckModel* model_;
    SearchFilter* filter_;
    QLineEdit* search_;
    QComboBox* searchIn_ = nullptr;
    QCheckBox* matchAccents_ = nullptr;
    EntryTable* table_;
    EntryArea* area_;
    QLabel* status_;
    QLabel* warning_;
    QPushButton* compact_;
    bool ending_ = false;
};
