#include "deckwindow.h"

#include "commandline.h"
#include "connection.h"
#include "console.h"
#include "deck.h"
#include "deckcheck.h"
#include "deckmodel.h"
#include "entryarea.h"
#include "error.h"
#include "searchfilter.h"
#include "textdelegate.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
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
// Entries a preview of an import shows.
constexpr int kPreviewEntries = 5;

QString count(qsizetype n, const char* one, const char* many)
{
    return QLocale().toString(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

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
    setAcceptDrops(true);

    // The search field, the table and the entry area:
    search_ = new QLineEdit;
    search_->setPlaceholderText(tr("Search terms and definitions (Ctrl+F)"));
    search_->setAccessibleName(tr("Search"));
    search_->setClearButtonEnabled(true);

    table_ = new QTableView;
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
    auto* delegate = new TextDelegate(this);
    table_->setItemDelegate(delegate);

    area_ = new EntryArea;
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(table_);
    splitter->addWidget(area_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(search_);
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
    connect(compact_, &QPushButton::clicked, this, &DeckWindow::compact);

    buildMenus();
    for (QWidget* box : {static_cast<QWidget*>(search_), area_->box(DeckModel::TermColumn)->viewport(),
                         area_->box(DeckModel::DefinitionColumn)->viewport()})
        box->installEventFilter(this);

    // Wiring:
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) {
        filter_->setSearch(text);
        updateStatus();
    });
    connect(search_, &QLineEdit::returnPressed, table_, qOverload<>(&QWidget::setFocus));
    connect(table_, &QAbstractItemView::activated, this, [this](const QModelIndex& index) { table_->edit(index); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this, &DeckWindow::showCurrent);
    connect(model_, &QAbstractItemModel::dataChanged, this, &DeckWindow::showCurrent);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &DeckWindow::updateFigures);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &DeckWindow::updateFigures);
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
        table_->setCurrentIndex(index);
        area_->box(index.column())->setFocus();
    });
    connect(area_, &EntryArea::edited, this, [this](qint64 id, int column, const QString& text) {
        const int row = model_->rowOfId(id);
        if (row >= 0)
            model_->setData(model_->index(row, column), text);
    });

    // Changes another program makes (the drill storing an entry):
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [this] {
        // Not under a message box: a file that stays unreadable would stack one box on another.
        if (!QApplication::activeModalWidget())
            model_->refresh();
        model_->settle();
    });
    poll->start(kPollMs);

    updateFigures();
    table_->setFocus();
    if (filter_->rowCount() > 0)
        table_->setCurrentIndex(filter_->index(0, DeckModel::TermColumn));
    resize(800, 600);
}

DeckWindow::~DeckWindow() = default;

void DeckWindow::buildMenus()
{
    // Every action has a menu item and a shortcut.
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Import..."), QKeySequence(tr("Ctrl+I")), this, [this] {
        const QString title = tr("Import Entries");
        const QString source =
            chooseFile ? chooseFile(title)
                       : QFileDialog::getOpenFileName(this, title, QString(),
                                                      tr("Entries (*.csv *.tsv *.tab *.txt *.kvtml);;All files (*)"));
        if (!source.isEmpty())
            importFile(source);
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
        exportTo(target);
    });
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = model_->undoStack()->createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = model_->undoStack()->createRedoAction(this, tr("&Redo"));
    redo->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence::Redo});
    // While a box holds the focus, Ctrl+Z undoes its typing, not the deck's changes.
    for (QAction* action : {undo, redo})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    table_->addActions({undo, redo});
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addAction(tr("&New Entry"), QKeySequence::New, this, &DeckWindow::addEntry);
    QAction* change = edit->addAction(tr("E&dit Entry"), QKeySequence(Qt::Key_F2), this, [this] {
        if (table_->currentIndex().isValid())
            table_->edit(table_->currentIndex());
    });
    QAction* remove = edit->addAction(tr("De&lete Entries"), QKeySequence::Delete, this, &DeckWindow::deleteSelected);
    // F2 and Delete belong to the table: in a box they edit its text.
    for (QAction* action : {change, remove})
        action->setShortcutContext(Qt::WidgetShortcut);
    table_->addActions({change, remove});
    edit->addSeparator();
    edit->addAction(tr("&Find"), QKeySequence::Find, this, [this] {
        search_->setFocus();
        search_->selectAll();
    });
    edit->addAction(tr("&Go to Entries"), QKeySequence(tr("Ctrl+L")), table_, qOverload<>(&QWidget::setFocus));
    edit->addAction(tr("Edit in &Area"), QKeySequence(tr("Ctrl+Shift+E")), this,
                    [this] { area_->box(DeckModel::TermColumn)->setFocus(); });

    QMenu* deckMenu = menuBar()->addMenu(tr("&Deck"));
    deckMenu->addAction(tr("&Compact..."), QKeySequence(tr("Ctrl+Shift+K")), this, &DeckWindow::compact);
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
    table_->setCurrentIndex(at);
    table_->scrollTo(at);
    table_->edit(at);
}

void DeckWindow::deleteSelected()
{
    std::vector<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        rows.push_back(filter_->mapToSource(index).row());
    if (rows.empty() && table_->currentIndex().isValid())
        rows.push_back(filter_->mapToSource(table_->currentIndex()).row());
    const int next = table_->currentIndex().row();
    model_->removeEntries(rows);
    if (filter_->rowCount() > 0)
        table_->setCurrentIndex(filter_->index(std::min(next, filter_->rowCount() - 1), DeckModel::TermColumn));
}

void DeckWindow::showCurrent()
{
    const QModelIndex current = filter_->mapToSource(table_->currentIndex());
    if (!current.isValid()) {
        area_->showEntry(-1, {}, {});
        return;
    }
    if (model_->idAt(current.row()) != area_->entryId())
        area_->commit(); // an edit of the entry left behind is kept
    DeckEntry entry;
    if (model_->attempt([&] { entry = model_->entry(current.row()); }))
        area_->showEntry(entry.id, QString::fromStdString(entry.term), QString::fromStdString(entry.definition));
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
    QMessageBox::warning(this, windowTitle(), tr("%1\n(error %2)").arg(description).arg(number));
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
    // A trial run into an empty deck of its own shows what would be added,
    // with the same checks and messages, before the real deck is touched.
    QTemporaryDir trial;
    const QString trialDeck = trial.filePath(u"trial.mdb"_qs);
    QString said;
    if (!runTool({u"init"_qs, trialDeck}, said) || !runTool({u"import"_qs, trialDeck, source}, said)) {
        QMessageBox::warning(this, tr("Import"), said);
        return;
    }
    QString preview;
    qsizetype added = 0;
    {
        store::Connection trialConnection(QFile::encodeName(trialDeck).toStdString());
        DeckModel entries(trialConnection);
        added = entries.rowCount();
        for (int row = 0; row < std::min(entries.rowCount(), kPreviewEntries); ++row)
            preview += QStringLiteral("\n  ") + entries.index(row, DeckModel::TermColumn).data().toString()
                       + QStringLiteral(" \u2014 ") + entries.index(row, DeckModel::DefinitionColumn).data().toString();
    }
    if (added == 0) {
        QMessageBox::information(this, tr("Import"), said);
        return;
    }
    if (added > kPreviewEntries)
        preview += QStringLiteral("\n  \u2026");
    const auto answer = QMessageBox::question(
        this, tr("Import"),
        tr("Add %1 from '%2' to the deck?\n%3").arg(count(added, "entry", "entries"), source, preview));
    if (answer != QMessageBox::Yes)
        return;
    if (!runTool({u"import"_qs, deckPath_, source}, said))
        QMessageBox::warning(this, tr("Import"), said);
    else
        statusBar()->showMessage(said.section(u'\n', -1), 10000);
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
    area_->commit();
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
    area_->commit(); // an edit in the area is kept
    QMainWindow::closeEvent(event);
}
