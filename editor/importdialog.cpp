// SPDX-License-Identifier: MIT
#include "importdialog.h"

#include "connection.h"
#include "csvformat.h"
#include "deckerror.h"
#include "error.h"
#include "sourceformat.h"
#include "textencoding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Entries the preview lists; the counts are of all.
constexpr int kPreviewRows = 50;

using deck::Format;
using deck::RemedyKind;

// The formats as the window names them.
struct FormatName {
    Format format;
    const char* name;
};
constexpr FormatName kFormatNames[] = {
    {Format::Tsv, QT_TRANSLATE_NOOP("ImportDialog", "Tab-separated text")},
    {Format::Csv, QT_TRANSLATE_NOOP("ImportDialog", "CSV")},
    {Format::Kvtml, QT_TRANSLATE_NOOP("ImportDialog", "KVTML word list")},
    {Format::Notes, QT_TRANSLATE_NOOP("ImportDialog", "Notes export")},
    {Format::Anki, QT_TRANSLATE_NOOP("ImportDialog", "Flashcard package")},
    {Format::Deck, QT_TRANSLATE_NOOP("ImportDialog", "Verbrio deck")},
};

// The separators offered by name; any other text typed is taken as it is.
struct SeparatorName {
    const char* name;
    const char* separator;
};
constexpr SeparatorName kSeparators[] = {
    {QT_TRANSLATE_NOOP("ImportDialog", "Comma"), ","}, {QT_TRANSLATE_NOOP("ImportDialog", "Semicolon"), ";"},
    {QT_TRANSLATE_NOOP("ImportDialog", "Tab"), "\t"},  {QT_TRANSLATE_NOOP("ImportDialog", "Pipe"), "|"},
    {QT_TRANSLATE_NOOP("ImportDialog", "Space"), " "},
};

// Encodings offered, as iconv names them; another may be typed.
constexpr const char* kEncodings[] = {"windows-1252", "iso-8859-1", "iso-8859-2", "iso-8859-15", "windows-1250",
                                      "windows-1251", "koi8-r",     "utf-16le",   "utf-16be",    "shift_jis",
                                      "euc-jp",       "gb18030",    "big5",       "euc-kr",      "windows-1256"};

bool readsAsUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && !bytes.contains('\0');
}

QString tr(const char* text)
{
    return QCoreApplication::translate("ImportDialog", text);
}

// What the user may change, in the words of this window's controls.
QString windowAdvice(const deck::Remedy& remedy)
{
    const QString detail = QString::fromStdString(remedy.detail);
    switch (remedy.kind) {
    case RemedyKind::None: return {};
    case RemedyKind::AllowLong: return tr(" (tick \u201cAllow long texts\u201d to import it anyway)");
    case RemedyKind::Utf16: return tr("; is the file UTF-16? Choose utf-16le or utf-16be as its encoding");
    case RemedyKind::Encoding: return tr("; choose the file's encoding (e.g. windows-1252), or save it as UTF-8");
    case RemedyKind::OwnEncoding: return tr("; choose the file's own encoding");
    case RemedyKind::Separator: return tr(" (separated by %1; choose the separator the file uses)").arg(detail);
    case RemedyKind::FormatTsv: return tr(" (to read quotes as ordinary characters, choose tab-separated text)");
    case RemedyKind::FormatCsv:
        return detail.isEmpty() || detail == u"comma"
                   ? tr("; choose CSV as the format")
                   : tr("; choose CSV as the format, %1 as the separator").arg(detail);
    case RemedyKind::SkipHeader: return tr("; tick \u201cFirst row is a header\u201d to leave it out");
    case RemedyKind::Html: return tr("; tick \u201cTexts are HTML\u201d to read them as HTML");
    case RemedyKind::Languages: return tr("; choose two of its languages for the term and the definition");
    case RemedyKind::SkipDuplicates: return tr("; tick \u201cSkip duplicates\u201d to leave them out");
    case RemedyKind::Delimited:
        return remedy.row.empty() ? tr("; type %1 as the separator").arg(detail)
                                  : tr("; type %1 as the separator and %2 as the row separator")
                                        .arg(detail, QString::fromStdString(remedy.row));
    case RemedyKind::Compact:
        return tr(" Compact, in the Deck menu, renumbers the deck's entries 1 to n and may make room.");
    }
    return {};
}

QString placeName(const char* place)
{
    const QString name = QString::fromLatin1(place);
    return name.left(1).toUpper() + name.mid(1);
}

QString counted(long n, const QString& one, const QString& many)
{
    return QLocale().toString(qlonglong(n)) + u' ' + (n == 1 ? one : many);
}

} // namespace

ImportDialog::ImportDialog(store::Connection& deck, const QString& path, const QByteArray& bytes, QWidget* parent)
    : QDialog(parent), deck_(deck), input_{bytes, QFile::encodeName(path).toStdString()}
{
    setWindowTitle(tr("Import %1").arg(QFileInfo(path).fileName()));
    stored_ = deck::storedPairs(deck_);

    // How to read the file:
    const auto detected = deck::formatOfContent(
        std::string_view(bytes.constData(), std::size_t(std::min<qsizetype>(bytes.size(), 4096))));
    const Format chosen = detected.value_or(deck::formatOfFileName(path).value_or(Format::Csv));
    format_ = new QComboBox;
    for (const FormatName& row : kFormatNames)
        format_->addItem(tr(row.name) + (row.format == chosen ? tr(" (detected)") : QString()), int(row.format));
    format_->setCurrentIndex(format_->findData(int(chosen)));

    separator_ = new QComboBox;
    separator_->setEditable(true);
    separator_->setInsertPolicy(QComboBox::NoInsert);
    separator_->setToolTip(tr("Choose one, or type the characters between term and definition, such as \" - \""));
    rowSeparator_ = new QLineEdit;
    rowSeparator_->setPlaceholderText(tr("A line end"));
    rowSeparator_->setToolTip(tr("The characters between rows, such as \";\", when rows do not end with the line"));

    encoding_ = new QComboBox;
    encoding_->setEditable(true);
    encoding_->setInsertPolicy(QComboBox::NoInsert);
    encoding_->addItem(tr("UTF-8 (or as its byte-order mark says)"), QString());
    for (const char* name : kEncodings)
        encoding_->addItem(QString::fromLatin1(name), QString::fromLatin1(name));
    // A text that is not UTF-8 is most often a Western spreadsheet's.
    const bool marked =
        bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!marked && !readsAsUtf8(bytes)) {
        encoding_->setItemText(1, encoding_->itemText(1) + tr(" (suggested)"));
        encoding_->setCurrentIndex(1);
    }

    header_ = new QCheckBox(tr("&First row is a header"));
    html_ = new QCheckBox(tr("Texts are &HTML"));
    termColumn_ = new QSpinBox;
    definitionColumn_ = new QSpinBox;
    for (QSpinBox* box : {termColumn_, definitionColumn_}) {
        box->setRange(0, 99);
        box->setSpecialValueText(tr("As the file says"));
    }
    termLanguage_ = new QLineEdit;
    definitionLanguage_ = new QLineEdit;
    termLanguage_->setPlaceholderText(tr("The first"));
    definitionLanguage_->setPlaceholderText(tr("The second"));
    allowLong_ = new QCheckBox(tr("Allow &long texts (over 255 characters)"));
    skipDuplicates_ = new QCheckBox(tr("&Skip duplicates of entries in the deck"));

    auto* form = new QFormLayout;
    form->addRow(tr("F&ormat:"), format_);
    form->addRow(tr("Se&parator:"), separator_);
    form->addRow(tr("&Row separator:"), rowSeparator_);
    form->addRow(tr("&Encoding:"), encoding_);
    // Two boxes on a row: the label's key goes to the first.
    const auto addPair = [&](const QString& label, QWidget* term, QWidget* definition) {
        auto* pair = new QHBoxLayout;
        pair->addWidget(term);
        pair->addWidget(definition);
        auto* name = new QLabel(label);
        name->setBuddy(term);
        form->addRow(name, pair);
    };
    addPair(tr("&Columns, term and definition:"), termColumn_, definitionColumn_);
    addPair(tr("L&anguages, term and definition:"), termLanguage_, definitionLanguage_);
    termColumn_->setAccessibleName(tr("Term column"));
    definitionColumn_->setAccessibleName(tr("Definition column"));
    termLanguage_->setAccessibleName(tr("Term language"));
    definitionLanguage_->setAccessibleName(tr("Definition language"));
    auto* ticks = new QVBoxLayout;
    for (QCheckBox* box : {header_, html_, allowLong_, skipDuplicates_})
        ticks->addWidget(box);
    form->addRow(ticks);

    // What it would import:
    preview_ = new QTableWidget(0, 3);
    preview_->setAccessibleName(tr("First entries"));
    preview_->setHorizontalHeaderLabels({tr("Line"), tr("Term"), tr("Definition")});
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setWordWrap(false);
    preview_->verticalHeader()->hide();
    preview_->horizontalHeader()->setStretchLastSection(true);
    summary_ = new QLabel;
    summary_->setAccessibleName(tr("What the import adds"));
    summary_->setWordWrap(true);
    message_ = new QLabel;
    message_->setAccessibleName(tr("How the file reads"));
    message_->setWordWrap(true);
    message_->setTextFormat(Qt::PlainText);
    summary_->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    import_ = buttons->addButton(tr("&Import"), QDialogButtonBox::AcceptRole);
    import_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImportDialog::importEntries);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(preview_, 1);
    layout->addWidget(summary_);
    layout->addWidget(message_);
    layout->addWidget(buttons);

    // Every change reads the file again, once the events of the moment are through:
    pending_ = new QTimer(this);
    pending_->setSingleShot(true);
    pending_->setInterval(0);
    connect(pending_, &QTimer::timeout, this, &ImportDialog::updatePreview);
    connect(format_, &QComboBox::currentIndexChanged, this, [this] {
        fillSeparators();
        enableForFormat();
        schedulePreview();
    });
    for (QComboBox* box : {separator_, encoding_})
        connect(box, &QComboBox::currentTextChanged, this, &ImportDialog::schedulePreview);
    for (QLineEdit* box : {rowSeparator_, termLanguage_, definitionLanguage_})
        connect(box, &QLineEdit::textChanged, this, &ImportDialog::schedulePreview);
    for (QCheckBox* box : {header_, html_, allowLong_, skipDuplicates_})
        connect(box, &QCheckBox::toggled, this, &ImportDialog::schedulePreview);
    for (QSpinBox* box : {termColumn_, definitionColumn_})
        connect(box, &QSpinBox::valueChanged, this, &ImportDialog::schedulePreview);

    fillSeparators();
    enableForFormat();
    updatePreview();
    resize(720, 640);
}

ImportDialog::~ImportDialog() = default;

void ImportDialog::fillSeparators()
{
    const QSignalBlocker quiet(separator_);
    separator_->clear();
    const auto format = Format(format_->currentData().toInt());
    if (format == Format::Csv)
        separator_->addItem(tr("Guessed from the lines"), QString());
    for (const SeparatorName& row : kSeparators)
        separator_->addItem(tr(row.name), QString::fromLatin1(row.separator));
    separator_->setCurrentIndex(format == Format::Tsv ? separator_->findData(u"\t"_qs) : 0);
}

void ImportDialog::enableForFormat()
{
    const auto format = Format(format_->currentData().toInt());
    const bool text = format == Format::Csv || format == Format::Tsv;
    const bool fields = format == Format::Notes || format == Format::Anki;
    for (QWidget* control :
         {static_cast<QWidget*>(separator_), static_cast<QWidget*>(rowSeparator_), static_cast<QWidget*>(header_)})
        control->setEnabled(text);
    encoding_->setEnabled(format != Format::Anki && format != Format::Deck);
    html_->setEnabled(format != Format::Anki && format != Format::Deck);
    termColumn_->setEnabled(fields);
    definitionColumn_->setEnabled(fields);
    termLanguage_->setEnabled(format == Format::Kvtml);
    definitionLanguage_->setEnabled(format == Format::Kvtml);
}

std::optional<deck::ImportOptions> ImportDialog::options(QString& problem) const
{
    deck::ImportOptions options;
    options.format = Format(format_->currentData().toInt());
    deck::ReadOptions& read = options.read;
    const bool text = options.format == Format::Csv || options.format == Format::Tsv;
    if (text) {
        read.skipHeader = header_->isChecked();
        // A name chosen from the list stands for its character; typed text is taken as it is.
        const int named = separator_->findText(separator_->currentText());
        const QString separator = named >= 0 ? separator_->itemData(named).toString() : separator_->currentText();
        if (options.format == Format::Csv && !separator.isEmpty()) {
            read.separator = deck::separatorTextNamed(separator.toStdString());
            if (!read.separator || separator == u"\"") {
                problem = tr("The separator can be any characters but a quote or a line end.");
                return std::nullopt;
            }
        } else if (options.format == Format::Tsv && separator != u"\t") {
            if (separator.isEmpty() || separator.contains(u'\n') || separator.contains(u'\r')) {
                problem = tr("The separator can be any characters but a line end.");
                return std::nullopt;
            }
            read.separator = separator.toStdString();
        }
        read.guessSeparator = options.format == Format::Csv && separator.isEmpty();
        read.rowSeparator = rowSeparator_->text().toStdString();
        if (!read.rowSeparator.empty() && read.rowSeparator == read.separator.value_or(text ? "" : ","))
            problem = tr("The row separator must differ from the separator.");
    }
    read.encoding = encoding_->isEnabled()
                        ? (encoding_->currentIndex() >= 0
                                   && encoding_->currentText() == encoding_->itemText(encoding_->currentIndex())
                               ? encoding_->currentData().toString()
                               : encoding_->currentText().trimmed())
                              .toStdString()
                        : std::string();
    if (!read.encoding.empty()) {
        try {
            deck::requireKnownEncoding(read.encoding);
        } catch (const store::Error&) {
            problem = tr("The encoding \u201c%1\u201d is not known.").arg(QString::fromStdString(read.encoding));
            return std::nullopt;
        }
    }
    read.html = html_->isEnabled() && html_->isChecked();
    if (termColumn_->isEnabled() && (termColumn_->value() > 0 || definitionColumn_->value() > 0)) {
        if (termColumn_->value() == 0 || definitionColumn_->value() == 0
            || termColumn_->value() == definitionColumn_->value()) {
            problem = tr("Choose two different columns for the term and the definition, or neither.");
            return std::nullopt;
        }
        read.columns = deck::FieldPair{termColumn_->value() - 1, definitionColumn_->value() - 1};
    }
    if (termLanguage_->isEnabled()) {
        const QString term = termLanguage_->text().trimmed();
        const QString definition = definitionLanguage_->text().trimmed();
        if (term.isEmpty() != definition.isEmpty()) {
            problem = tr("Name both languages, or neither.");
            return std::nullopt;
        }
        if (!term.isEmpty())
            read.languages = {term, definition};
    }
    options.allowLong = allowLong_->isChecked();
    options.skipDuplicates = skipDuplicates_->isChecked();
    if (!problem.isEmpty())
        return std::nullopt;
    return options;
}

void ImportDialog::schedulePreview()
{
    pending_->start();
}

void ImportDialog::updatePreview()
{
    pending_->stop();
    parsed_ = {};
    preview_->setRowCount(0);
    QString problem;
    const auto chosen = options(problem);
    if (!chosen) {
        summary_->setText(tr("Nothing to import."));
        message_->setText(problem);
        import_->setEnabled(false);
        return;
    }
    parsed_ = deck::parseSource(input_, *chosen, stored_);
    const deck::ImportResult& result = parsed_.result;

    QStringList said;
    for (const deck::SourceNote& note : result.notes)
        said << QString::fromStdString(note.text) + windowAdvice(note.remedy) + u'.';
    if (parsed_.refusal) {
        const deck::Refusal& refusal = *parsed_.refusal;
        const QString reason = QString::fromStdString(refusal.reason) + windowAdvice(refusal.remedy);
        said.prepend(refusal.line > 0 ? tr("%1 %2: %3.").arg(placeName(result.place)).arg(refusal.line).arg(reason)
                                      : reason + u'.');
        summary_->setText(tr("Nothing can be imported."));
        message_->setText(said.join(u'\n'));
        import_->setEnabled(false);
        return;
    }
    const auto added = static_cast<long>(parsed_.entries.size());
    try {
        deck::checkRoom(deck_, parsed_.entries.size());
    } catch (const deck::SourceError& e) {
        said.prepend(QString::fromStdString(e.reason()) + windowAdvice(e.remedy()));
    } catch (const store::Error& e) {
        said.prepend(QString::fromStdString(e.description()));
    }

    // The first entries and the counts:
    preview_->setHorizontalHeaderItem(0, new QTableWidgetItem(placeName(result.place)));
    const int rows = static_cast<int>(std::min<std::size_t>(parsed_.entries.size(), kPreviewRows));
    preview_->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const deck::SourceEntry& entry = parsed_.entries[std::size_t(row)];
        preview_->setItem(row, 0, new QTableWidgetItem(QString::number(entry.line)));
        preview_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(entry.term)));
        preview_->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(entry.definition)));
    }
    QString summary = tr("Adds %1").arg(counted(added, tr("entry"), tr("entries")));
    if (result.leftOutCount() > 0)
        summary += tr("; leaves out %1 (%2)")
                       .arg(QLocale().toString(qlonglong(result.leftOutCount())),
                            QString::fromStdString(deck::leftOutText(result)));
    if (result.duplicates > 0)
        summary += tr("; skips %1").arg(counted(result.duplicates, tr("duplicate"), tr("duplicates")));
    summary_->setText(summary + u'.');
    message_->setText(said.join(u'\n'));
    import_->setEnabled(added > 0);
}

QString ImportDialog::shownText() const
{
    return summary_->text() + u'\n' + message_->text();
}

void ImportDialog::importEntries()
{
    QString problem;
    const auto chosen = options(problem);
    if (!chosen || !import_->isEnabled())
        return;
    try {
        // Read again against the deck as it is now: another program may have
        // added entries since the preview.
        stored_ = deck::storedPairs(deck_);
        parsed_ = deck::parseSource(input_, *chosen, stored_);
        written_ = deck::storeParsed(deck_, parsed_);
    } catch (const store::Error& e) {
        const auto* source = dynamic_cast<const deck::SourceError*>(&e);
        const QString said = source ? QString::fromStdString(source->reason()) + windowAdvice(source->remedy())
                                    : QString::fromStdString(e.description());
        updatePreview();
        QMessageBox::warning(
            this, windowTitle(),
            tr("Nothing was imported; the deck is unchanged.\n%1\n(error %2)").arg(said).arg(e.number()));
        return;
    }
    accept();
}
