// SPDX-License-Identifier: MIT
#include "deckwindow.h"

#include "commandline.h"
#include "connection.h"
#include "console.h"
#include "deck.h"
#include "deckcheck.h"
#include "deckmodel.h"
#include "entryarea.h"
#include "error.h"
#include "errorreport.h"
#include "icon.h"
#include "importdialog.h"
#include "searchfilter.h"
#include "textdelegate.h"
#include "textlimit.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

namespace {

// How often the file is asked whether another program has changed it.
constexpr int kPollMs = 500;
QString count(qsizetype n, const char* one, const char* many)
{
    return QLocale().toString(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

// Decks the File menu offers again.
constexpr int kRecentDecks = 8;

QSettings settings()
{
    return QSettings(u"Verbrio"_qs, u"Verbrio Deck"_qs);
}

} // namespace

void DeckWindow::rememberDeck(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList decks = DeckWindow::recentDecks();
    decks.removeAll(absolute);
    decks.prepend(absolute);
    settings().setValue(u"recentDecks"_qs, QStringList(decks.mid(0, kRecentDecks)));
}

namespace {

// The file a drag carries, when it carries one local file; else "".
QString droppedFile(const QMimeData* data)
{
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls[0].isLocalFile() ? urls[0].toLocalFile() : QString();
}

} // namespace

DeckWindow::DeckWindow(store::Connection& deck, const QString& deckPath, QWidget* parent)
    : QMainWindow(parent), deck_(deck), deckPath_(deckPath)
{
    model_ = new DeckModel(deck, this);
    filter_ = new SearchFilter(*model_, this);
    setWindowTitle(tr("%1 - Verbrio Deck").arg(QFileInfo(deckPath).fileName()));
    setWindowIcon(programIcon());
    setAcceptDrops(true);

    // The search field, the table and the entry area:
    search_ = new QLineEdit;
    search_->setPlaceholderText(tr("Search terms and definitions (Ctrl+F)"));
    search_->setAccessibleName(tr("Search"));
    search_->setClearButtonEnabled(true);

    table_ = new EntryTable;
    table_->setAccessibleName(tr("Entries"));
    table_->setModel(filter_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    table_->setWordWrap(false);
    table_->setTabKeyNavigation(false); // Tab moves between the window's parts
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->resizeSection(DeckModel::IdColumn,
                                              table_->fontMetrics().horizontalAdvance(u"0000000"_qs));
    table_->horizontalHeader()->resizeSection(DeckModel::TermColumn, table_->fontMetrics().averageCharWidth() * 30);
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* delegate = new TextDelegate(filter_, this);
    table_->setItemDelegate(delegate);

    area_ = new EntryArea;
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(table_);
    splitter->addWidget(area_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    QWidget* searchRow = buildSearch();
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(searchRow);
    layout->addWidget(splitter);
    setCentralWidget(central);

    // The status bar:
    status_ = new QLabel;
    status_->setAccessibleName(tr("Deck figures"));
    warning_ = new QLabel;
    warning_->setAccessibleName(tr("Deck warning"));
    warning_->setWordWrap(true);
    compact_ = new QPushButton(tr("C&ompact"));
    compact_->setAccessibleName(tr("Compact the deck"));
    statusBar()->addWidget(status_);
    statusBar()->addWidget(warning_, 1);
    statusBar()->addPermanentWidget(compact_);
    connect(compact_, &QPushButton::clicked, this, [this] { guarded([&] { compact(); }); });

    buildMenus();
    for (QWidget* box : {static_cast<QWidget*>(search_), area_->box(DeckModel::TermColumn)->viewport(),
                         area_->box(DeckModel::DefinitionColumn)->viewport()})
        box->installEventFilter(this);

    // Wiring:
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        guarded([&] {
            filter_->setSearch(text);
            searchChanged();
        });
    });
    connect(search_, &QLineEdit::returnPressed, table_, qOverload<>(&QWidget::setFocus));
    connect(table_, &QAbstractItemView::activated, this, [this] { guarded([&] { editCurrent(); }); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { guarded([&] { showCurrent(); }); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { guarded([&] { showCurrent(); }); });
    for (const auto rowsChanged : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, rowsChanged, this, [this] { guarded([&] { updateFigures(); }); });
    connect(model_, &DeckModel::failed, this, &DeckWindow::report);
    connect(model_, &DeckModel::said, this,
            [this](const QString& message) { statusBar()->showMessage(message, 10000); });
    // Esc on the new row, nothing typed, takes it away again.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::RevertModelCache
                    && model_->isPending(filter_->mapToSource(table_->currentIndex()).row()))
                    model_->dropPending();
            });
    connect(delegate, &TextDelegate::editInArea, this, [this](const QModelIndex& index) {
        table_->selectOnly(index);
        area_->box(index.column())->setFocus();
    });
    area_->store = [this](qint64 id, int column, const QString& text) {
        const int row = model_->rowOfId(id);
        if (row < 0) {
            report(int(store::ErrorCode::NoCurrentRecord),
                   tr("The entry with ID %1 is no longer in the deck; the edit was not saved").arg(id));
            return false;
        }
        return model_->setData(model_->index(row, column), text);
    };
    const auto sayCut = [this](int leftOut) {
        statusBar()->showMessage(tr("The text was cut to %1 characters: %2 left out")
                                     .arg(kLongestTypedText)
                                     .arg(QLocale().toString(leftOut)),
                                 10000);
    };
    connect(area_, &EntryArea::textCut, this, sayCut);
    connect(area_, &EntryArea::discarded, this, [this] { guarded([&] { showCurrent(); }); });
    connect(delegate, &TextDelegate::textCut, this, sayCut);
    connect(delegate, &TextDelegate::refused, this, [this](const QModelIndex& index, const QString& text) {
        guarded([&] {
            showCurrent();
            // The edit waits in the area, where Ctrl+Return stores it again.
            if (area_->keepRefused(model_->idAt(filter_->mapToSource(index).row()), index.column(), text))
                area_->box(index.column())->setFocus();
        });
    });

    // Changes another program makes (the drill storing an entry):
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        // Not under a message box: a file that stays unreadable would stack one box on another.
        guarded([&] {
            if (!QApplication::activeModalWidget() && model_->refresh())
                keepSelectionInSight();
            model_->settle();
        });
    });
    poll->start(kPollMs);

    updateFigures();
    table_->setFocus();
    if (filter_->rowCount() > 0)
        table_->selectOnly(filter_->index(0, DeckModel::TermColumn));
    resize(800, 600);
}

DeckWindow::~DeckWindow()
{
    if (!ownDeck_)
        return;
    // The model reads through the connection this window owns: it goes first.
    delete filter_;
    delete model_;
    ownDeck_->leaveWal(); // no -wal or -shm file outlives the window
}

DeckWindow* DeckWindow::openDeck(const QString& path, QWidget* parent)
{
    try {
        auto deck = std::make_unique<store::Connection>(QFile::encodeName(path).toStdString());
        auto* window = new DeckWindow(*deck, path, parent);
        window->ownDeck_ = std::move(deck);
        window->setAttribute(Qt::WA_DeleteOnClose);
        rememberDeck(path);
        window->show();
        return window;
    } catch (const store::Error& e) {
        QMessageBox::warning(
            parent, tr("Open Deck"),
            tr("Cannot open '%1':\n%2\n(error %3)").arg(path, QString::fromStdString(e.description())).arg(e.number()));
        return nullptr;
    }
}

QStringList DeckWindow::recentDecks()
{
    return settings().value(u"recentDecks"_qs).toStringList();
}

void DeckWindow::openChosen()
{
    const QString title = tr("Open Deck");
    const QString path = chooseFile ? chooseFile(title)
                                    : QFileDialog::getOpenFileName(this, title, QFileInfo(deckPath_).absolutePath(),
                                                                   tr("Decks (*.mdb);;All files (*)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).canonicalFilePath() == QFileInfo(deckPath_).canonicalFilePath()) {
        activateWindow(); // this deck is open here already
        return;
    }
    openDeck(path);
}

void DeckWindow::fillRecent()
{
    recent_->clear();
    const QString current = QFileInfo(deckPath_).absoluteFilePath();
    int number = 0;
    for (const QString& path : recentDecks()) {
        if (path == current || !QFileInfo::exists(path))
            continue;
        // &1 to &9: each deck has its key.
        recent_->addAction(u"&%1 %2"_qs.arg(++number).arg(QFileInfo(path).fileName()), this, [path] { openDeck(path); })
            ->setToolTip(path);
    }
    if (number == 0)
        recent_->addAction(tr("No other deck opened lately"))->setEnabled(false);
}

void DeckWindow::buildMenus()
{
    // Every action has a menu item and a shortcut.
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &DeckWindow::openChosen);
    recent_ = file->addMenu(tr("Open &Recent"));
    connect(recent_, &QMenu::aboutToShow, this, &DeckWindow::fillRecent);
    file->addSeparator();
    file->addAction(tr("&Import..."), QKeySequence(tr("Ctrl+I")), this, [this] {
        const QString title = tr("Import Entries");
        const QString source =
            chooseFile ? chooseFile(title)
                       : QFileDialog::getOpenFileName(this, title, QString(),
                                                      tr("Entries (*.csv *.tsv *.tab *.txt *.kvtml *.apkg *.colpkg "
                                                         "*.mdb *.bak);;All files (*)"));
        if (!source.isEmpty())
            guarded([&] { importFile(source); });
    });
    file->addAction(tr("&Export..."), QKeySequence(tr("Ctrl+E")), this, [this] {
        const QString title = tr("Export Entries");
        const QString tsv = tr("Tab-separated text (*.tsv)");
        QString type;
        QString target = chooseFile
                             ? chooseFile(title)
                             : QFileDialog::getSaveFileName(this, title, QString(), tr("CSV (*.csv);;") + tsv, &type);
        if (target.isEmpty())
            return;
        // The format comes from the name's extension: a name without one
        // gets that of the type chosen in the dialog.
        const QString suffix = QFileInfo(target).suffix().toLower();
        if (suffix != u"csv" && suffix != u"tsv")
            target += type == tsv ? u".tsv"_qs : u".csv"_qs;
        guarded([&] { exportTo(target); });
    });
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = model_->undoStack()->createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence(tr("Ctrl+Z")));
    // Each key once: on X11 QKeySequence::Redo is Ctrl+Shift+Z again, and an
    // action holding one key twice is an ambiguous shortcut that never fires.
    QAction* redo = model_->undoStack()->createRedoAction(this, tr("&Redo"));
    redo->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence(tr("Ctrl+Y"))});
    // While a box holds the focus, Ctrl+Z undoes its typing, not the deck's changes.
    for (QAction* action : {undo, redo})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table_->addActions({undo, redo});
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addAction(tr("&New Entry"), QKeySequence::New, this, [this] { guarded([&] { addEntry(); }); });
    QAction* change =
        edit->addAction(tr("E&dit Entry"), QKeySequence(Qt::Key_F2), this, [this] { guarded([&] { editCurrent(); }); });
    QAction* remove = edit->addAction(tr("De&lete Entries"), QKeySequence::Delete, this,
                                      [this] { guarded([&] { deleteSelected(); }); });
    // F2 and Delete belong to the table: in a box they edit its text.
    for (QAction* action : {change, remove})
        action->setShortcutContext(Qt::WidgetShortcut);
    table_->addActions({change, remove});
    edit->addSeparator();
    edit->addAction(tr("&Find"), QKeySequence::Find, this, [this] {
        search_->setFocus();
        search_->selectAll();
    });
    edit->addAction(tr("Find &Next"), QKeySequence::FindNext, this, [this] { guarded([&] { goToMatch(1); }); });
    edit->addAction(tr("Find Pre&vious"), QKeySequence::FindPrevious, this,
                    [this] { guarded([&] { goToMatch(-1); }); });
    edit->addAction(tr("&Go to Entries"), QKeySequence(tr("Ctrl+L")), table_, qOverload<>(&QWidget::setFocus));
    edit->addAction(tr("Edit in &Area"), QKeySequence(tr("Ctrl+Shift+E")), this,
                    [this] { area_->box(DeckModel::TermColumn)->setFocus(); });

    QMenu* deckMenu = menuBar()->addMenu(tr("&Deck"));
    deckMenu->addAction(tr("&Compact..."), QKeySequence(tr("Ctrl+Shift+K")), this,
                        [this] { guarded([&] { compact(); }); });
}

QWidget* DeckWindow::buildSearch()
{
    searchIn_ = new QComboBox;
    searchIn_->addItems({tr("Terms and definitions"), tr("Terms"), tr("Definitions")});
    auto* searchInLabel = new QLabel(tr("Search &in:"));
    searchInLabel->setBuddy(searchIn_);
    matchAccents_ = new QCheckBox(tr("Match &accents"));
    matchAccents_->setToolTip(tr("Off: \"e\" also finds \"é\", \"u\" finds \"ü\""));
    // Remembered from one session to the next.
    const QString accentsKey = u"search/matchAccents"_qs;
    matchAccents_->setChecked(QSettings(u"Verbrio"_qs, u"Verbrio Deck"_qs).value(accentsKey, false).toBool());
    filter_->setMatchAccents(matchAccents_->isChecked());

    connect(searchIn_, &QComboBox::currentIndexChanged, this, [this](int index) {
        guarded([&] {
            filter_->setScope(SearchFilter::Scope(index));
            searchChanged();
        });
    });
    connect(matchAccents_, &QCheckBox::toggled, this, [this, accentsKey](bool match) {
        guarded([&] {
            QSettings(u"Verbrio"_qs, u"Verbrio Deck"_qs).setValue(accentsKey, match);
            filter_->setMatchAccents(match);
            searchChanged();
        });
    });
    // The areas never show an entry the table hides.
    const auto keepCurrentShown = [this] {
        guarded([&] {
            if (!table_->currentIndex().isValid())
                searchChanged();
        });
    };
    connect(filter_, &QAbstractItemModel::rowsRemoved, this, keepCurrentShown);
    connect(filter_, &QAbstractItemModel::layoutChanged, this, keepCurrentShown);

    // Sorting by a column's header is the view's alone: IDs stay.
    table_->horizontalHeader()->setSortIndicator(DeckModel::IdColumn, Qt::AscendingOrder);
    table_->setSortingEnabled(true);

    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(search_, 1);
    layout->addWidget(searchInLabel);
    layout->addWidget(searchIn_);
    layout->addWidget(matchAccents_);
    return row;
}

void DeckWindow::searchChanged()
{
    // The rows shown are others now: the selection is the current row, and a
    // current entry the search hides gives way to the first shown.
    const QModelIndex current = table_->currentIndex();
    if (current.isValid())
        table_->selectOnly(current);
    else if (filter_->rowCount() > 0)
        table_->selectOnly(filter_->index(0, DeckModel::TermColumn));
    showCurrent();
    table_->viewport()->update();
    updateStatus();
}

void DeckWindow::goToMatch(int step)
{
    const int rows = filter_->rowCount();
    if (filter_->search().isEmpty() || rows == 0) {
        search_->setFocus();
        return;
    }
    const QModelIndex current = table_->currentIndex();
    const int row = current.isValid() ? (current.row() + step + rows) % rows : (step > 0 ? 0 : rows - 1);
    const QModelIndex at = filter_->index(row, current.isValid() ? current.column() : int(DeckModel::TermColumn));
    table_->selectOnly(at);
    table_->scrollTo(at);
}

void DeckWindow::addEntry()
{
    area_->commit();
    search_->clear(); // the new, empty entry would not match a search
    const int row = model_->addEntry();
    if (row < 0)
        return;
    const QModelIndex at = filter_->mapFromSource(model_->index(row, DeckModel::TermColumn));
    table_->setFocus();
    table_->selectOnly(at);
    table_->scrollTo(at);
    table_->edit(at);
}

void DeckWindow::deleteSelected()
{
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid())
        return;
    // The rows the user selected, when the cursor is among them; else the
    // row at the cursor alone, the one the user sees.
    keepSelectionInSight();
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(filter_->mapToSource(index).row());
    if (rows.size() > 1) {
        QMessageBox ask(QMessageBox::Question, tr("Delete Entries"),
                        tr("Delete %1?").arg(count(qsizetype(rows.size()), "entry", "entries")),
                        QMessageBox::Yes | QMessageBox::Cancel, this);
        ask.button(QMessageBox::Yes)->setText(tr("&Delete"));
        ask.setDefaultButton(QMessageBox::Cancel);
        ask.setEscapeButton(QMessageBox::Cancel);
        if (ask.exec() != QMessageBox::Yes)
            return;
    }
    const int next = current.row();
    model_->removeEntries(rows);
    if (filter_->rowCount() > 0)
        table_->selectOnly(filter_->index(std::min(next, filter_->rowCount() - 1), DeckModel::TermColumn));
}

void DeckWindow::keepSelectionInSight()
{
    const QModelIndex current = table_->currentIndex();
    if (current.isValid() && !table_->selectionModel()->isRowSelected(current.row(), {}))
        table_->selectOnly(current);
}

void DeckWindow::editCurrent()
{
    // The ID column takes no edit: F2 or Enter there does nothing, quietly.
    const QModelIndex current = table_->currentIndex();
    if (current.isValid() && current.flags().testFlag(Qt::ItemIsEditable))
        table_->edit(current);
}

void DeckWindow::showCurrent()
{
    const QModelIndex current = filter_->mapToSource(table_->currentIndex());
    if (!current.isValid() || model_->idAt(current.row()) != area_->entryId())
        area_->commit(); // an edit of the entry left behind is kept
    if (!current.isValid()) {
        area_->showEntry(-1, {}, {});
        return;
    }
    DeckEntry entry;
    if (model_->attempt([&] { entry = model_->entry(current.row()); }))
        area_->showEntry(entry.id, QString::fromStdString(entry.term), QString::fromStdString(entry.definition));
    for (const int column : {DeckModel::TermColumn, DeckModel::DefinitionColumn})
        area_->markMatches(column, filter_->matchesIn(area_->box(column)->toPlainText(), column));
}

void DeckWindow::updateStatus()
{
    const int stored = model_->rowCount() - (model_->hasPending() ? 1 : 0); // not the new row
    QString text = count(stored, "entry", "entries");
    if (stored > 0)
        text += tr(", IDs %1 to %2")
                    .arg(QLocale().toString(qlonglong(model_->idAt(0))),
                         QLocale().toString(qlonglong(model_->idAt(stored - 1))));
    if (!filter_->search().isEmpty())
        text += tr("; %1").arg(count(filter_->rowCount(), "match", "matches"));
    status_->setText(text);
}

void DeckWindow::updateFigures()
{
    updateStatus();
    try {
        // From the IDs the model holds: no pass over the file for each row
        // another program adds or deletes.
        const deck::DeckFigures figures = deck::figuresOf(store::countsOf(model_->ids()));
        const auto warnings = deck::deckWarnings(figures, deckPath_.toStdString());
        QStringList lines;
        for (const std::string& warning : warnings)
            lines << QString::fromStdString(warning);
        warning_->setText(lines.join(u' '));
        // Not for a deck whose only trouble is more entries than the Review
        // screen takes: renumbering cannot help it.
        compact_->setVisible(!warnings.empty() && deck::compactChangesIds(figures));
    } catch (const store::Error& e) {
        warning_->setText(QString::fromStdString(e.description()));
    }
}

void DeckWindow::report(int number, const QString& description)
{
    if (ending_)
        return; // nobody is there to read it
    QMessageBox::warning(this, windowTitle(), tr("%1\n(error %2)").arg(description).arg(number));
}

void DeckWindow::guarded(const std::function<void()>& work) noexcept
{
    try {
        work();
    } catch (...) {
        try {
            const ErrorReport error = currentError();
            report(error.number, error.description);
        } catch (...) {
            // The report itself failed (out of memory): nothing more can be shown.
        }
    }
}

bool DeckWindow::runTool(const QStringList& arguments, QString& said)
{
    QBuffer in, out, err;
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    deck::Console console{in, out, err};
    const int status = deck::runDeckTool(QStringList{u"verbrio-deck"_qs} + arguments, console);
    said = QString::fromUtf8(status == deck::kSuccess ? out.data() : err.data()).trimmed();
    model_->refresh(); // the tool wrote through a connection of its own
    return status == deck::kSuccess;
}

void DeckWindow::importFile(const QString& source)
{
    area_->commit();
    QFile file(source);
    if (QFileInfo(source).isDir() || !file.open(QIODevice::ReadOnly)) {
        QMessageBox::warning(this, tr("Import"),
                             tr("Cannot read '%1': %2")
                                 .arg(source, QFileInfo(source).isDir() ? tr("it is a folder") : file.errorString()));
        return;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (QFileInfo(source).canonicalFilePath() == QFileInfo(deckPath_).canonicalFilePath()) {
        QMessageBox::warning(this, tr("Import"), tr("'%1' is this deck itself.").arg(source));
        return;
    }
    std::unique_ptr<ImportDialog> dialog;
    try {
        dialog = std::make_unique<ImportDialog>(deck_, source, bytes, this);
    } catch (const store::Error& e) {
        report(e.number(), QString::fromStdString(e.description())); // the deck could not be read
        return;
    }
    if (answerImport)
        answerImport(*dialog);
    else
        dialog->exec();
    if (dialog->result() != QDialog::Accepted)
        return;
    model_->reload();
    updateFigures();
    const deck::ImportResult& result = dialog->written();
    statusBar()->showMessage(tr("Imported %1 from '%2'.").arg(count(result.imported, "entry", "entries"), source),
                             10000);
}

void DeckWindow::exportTo(const QString& target)
{
    QString said;
    if (!runTool({u"export"_qs, deckPath_, target}, said))
        QMessageBox::warning(this, tr("Export"), said);
    else
        statusBar()->showMessage(said, 10000);
}

void DeckWindow::compact()
{
    const auto answer = QMessageBox::question(this, tr("Compact"),
                                              tr("Compact renumbers the entries 1 to %1 and reclaims free space. "
                                                 "Undo forgets the changes made so far.\n\n"
                                                 "Close the Verbrio drill window on this deck first. Compact now?")
                                                  .arg(model_->rowCount()));
    if (answer != QMessageBox::Yes)
        return;
    // An edit not saved names its entry by ID: after renumbering, that ID
    // may be another entry's.
    if (!area_->commit()) {
        QMessageBox::information(this, tr("Compact"),
                                 tr("The edit of entry %1 is not saved: store it (Ctrl+Return) or discard it "
                                    "(Esc) before compacting.")
                                     .arg(area_->entryId()));
        return;
    }
    // Compact needs the file alone: this window's own connection lets go of
    // WAL first, or the tool would take it for another program's.
    deck_.leaveWal(true);
    QString said;
    if (!runTool({u"compact"_qs, deckPath_}, said)) {
        QMessageBox::warning(this, tr("Compact"), said);
        return;
    }
    model_->undoStack()->clear(); // its entries' IDs are gone
    updateFigures();
    statusBar()->showMessage(said.section(u'\n', 0, 0), 10000);
}

void DeckWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void DeckWindow::dropEvent(QDropEvent* event)
{
    const QString source = droppedFile(event->mimeData());
    if (source.isEmpty())
        return;
    event->acceptProposedAction();
    // Not inside the drop: the source program waits for it to end.
    QTimer::singleShot(0, this, [this, source] { importFile(source); });
}

bool DeckWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A file dropped on a text box is imported, as anywhere else on the
    // window, not typed into the box as its path.
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!droppedFile(drop->mimeData()).isEmpty()) {
            if (type == QEvent::Drop)
                dropEvent(drop);
            else
                drop->acceptProposedAction();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void DeckWindow::closeEvent(QCloseEvent* event)
{
    bool close = true;
    guarded([&] { close = mayClose(); });
    if (!close) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool DeckWindow::mayClose()
{
    if (ending_ || area_->commit()) // an edit in the area is kept
        return true;
    QMessageBox ask(QMessageBox::Warning, windowTitle(),
                    tr("The edit of entry %1 is not saved. Save it again before closing?").arg(area_->entryId()),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    ask.button(QMessageBox::Save)->setText(tr("&Save Again"));
    ask.setDefaultButton(QMessageBox::Cancel);
    ask.setEscapeButton(QMessageBox::Cancel);
    switch (ask.exec()) {
    case QMessageBox::Save: return area_->commit(true);
    case QMessageBox::Discard: area_->discard(); return true;
    default: return false;
    }
}

void DeckWindow::endRun()
{
    ending_ = true;
    guarded([&] { area_->commit(true); });
    close();
}

void DeckWindow::storePending()
{
    guarded([&] {
        area_->commit(true);
        model_->settle();
    });
}
