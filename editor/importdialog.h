// SPDX-License-Identifier: MIT
#pragma once

#include "importer.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTimer;

namespace store {
class Connection;
}

// Imports a file into the deck: how to read it (format, separators,
// encoding, header, the term's and the definition's columns or languages,
// long texts, duplicates), the first entries and the counts as they would be
// imported, updated as the options change, and "Import", which writes every
// entry shown as counted, or none. The reading is the deck tool's; the words
// are the window's.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    // `bytes` are the file's content, `path` its local name.
    ImportDialog(store::Connection& deck, const QString& path, const QByteArray& bytes, QWidget* parent = nullptr);
    ~ImportDialog() override;

    // The options the controls say; nothing, with the reason in `problem`,
    // when they contradict each other.
    std::optional<deck::ImportOptions> options(QString& problem) const;
    // What Import wrote, once it has.
    const deck::ImportResult& written() const { return written_; }

    // The reading shown, updated at once rather than when the event loop
    // next runs.
    void updatePreview();
    // The summary, the notes and any refusal, as shown.
    QString shownText() const;
    QTableWidget* preview() const { return preview_; }
    QPushButton* importButton() const { return import_; }
    QComboBox* formatBox() const { return format_; }
    QComboBox* separatorBox() const { return separator_; }
    QLineEdit* rowSeparatorBox() const { return rowSeparator_; }
    QComboBox* encodingBox() const { return encoding_; }
    QCheckBox* headerBox() const { return header_; }
    QCheckBox* allowLongBox() const { return allowLong_; }
    QCheckBox* skipDuplicatesBox() const { return skipDuplicates_; }

private:
    void fillSeparators();
    void enableForFormat();
    void schedulePreview();
    void importEntries();

    store::Connection& deck_;
    deck::SourceInput input_;
    deck::StoredPairs stored_;
    deck::ParsedSource parsed_;
    deck::ImportResult written_;

    QComboBox* format_;
    QComboBox* separator_;
    QLineEdit* rowSeparator_;
    QComboBox* encoding_;
    QCheckBox* header_;
    QCheckBox* html_;
    QSpinBox* termColumn_;
    QSpinBox* definitionColumn_;
    QLineEdit* termLanguage_;
    QLineEdit* definitionLanguage_;
    QCheckBox* allowLong_;
    QCheckBox* skipDuplicates_;
    QTableWidget* preview_;
    QLabel* summary_;
    QLabel* message_;
    QPushButton* import_;
    QTimer* pending_;
};
