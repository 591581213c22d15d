// Import and export against real deck files: exact round trips, all or
// nothing on malformed input, the length rule, duplicates.

#include "connection.h"
#include "decktest.h"
#include "deckerror.h"
#include "exporter.h"
#include "importer.h"
#include "tempdeck.h"

#include <QTest>

Q_DECLARE_METATYPE(deck::Format)

using deck::DeckErrorCode;
using deck::Format;

namespace {

deck::ImportOptions optionsFor(Format format)
{
    deck::ImportOptions options;
    options.format = format;
    options.read.guessSeparator = format == Format::Csv; // as for a file named .csv
    return options;
}

deck::ImportResult import(TempDeck& target, const QByteArray& source, const deck::ImportOptions& options)
{
    store::Connection connection(target.path());
    return deck::importEntries(connection, deck::SourceInput{source, {}}, options);
}

} // namespace

class TestImportExport : public QObject {
    Q_OBJECT

private slots:
    void exportThenImportGivesBackTheSameTexts_data();
    void exportThenImportGivesBackTheSameTexts();
    void tsvExportRefusesTabsAndLineBreaksNamingTheEntry_data();
    void tsvExportRefusesTabsAndLineBreaksNamingTheEntry();
    void malformedSourceIsRefusedWithItsLineAndNothingWritten_data();
    void malformedSourceIsRefusedWithItsLineAndNothingWritten();
    void textsOver255Utf16UnitsAreRefusedUnlessAllowed_data();
    void textsOver255Utf16UnitsAreRefusedUnlessAllowed();
    void duplicatesAreSkippedAndCounted_data();
    void duplicatesAreSkippedAndCounted();
    void entriesAreAppendedInSourceOrder();
    void tabSeparatedCsvIsReadAsSuchOnlyWhenNamedCsv();
};

void TestImportExport::exportThenImportGivesBackTheSameTexts_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");

    QTest::addRow("csv: tabs") << Format::Csv << "a\tb" << "c\t";
    QTest::addRow("csv: quotes") << Format::Csv << "\"quoted\"" << "say \"\"hi\"\" \"";
    QTest::addRow("csv: line breaks") << Format::Csv << "one\ntwo\n" << "three\r\nfour\rfive";
    QTest::addRow("csv: emoji") << Format::Csv << "😀 grin" << "🦊🏳️‍🌈";
    QTest::addRow("csv: right-to-left") << Format::Csv << "שלום" << "مرحبا بالعالم";
    QTest::addRow("csv: combining marks") << Format::Csv << "e\u0301" << "Z\u0324\u0354\u0367\u0311";
    QTest::addRow("csv: empty term") << Format::Csv << "" << "definition only";
    QTest::addRow("csv: empty definition") << Format::Csv << "term only" << "";
    QTest::addRow("csv: both empty") << Format::Csv << "" << "";
    QTest::addRow("csv: commas and outer spaces") << Format::Csv << " lead, trail " << "  ";
    QTest::addRow("csv: byte-order mark first") << Format::Csv << "\uFEFFmark" << "x";
    QTest::addRow("tsv: quotes, commas, Unicode") << Format::Tsv << "\"a\", b" << "שלום 😀 e\u0301";
    QTest::addRow("tsv: empty sides") << Format::Tsv << "" << "";
}

void TestImportExport::exportThenImportGivesBackTheSameTexts()
{
    QFETCH(Format, format);
    QFETCH(QString, term);
    QFETCH(QString, definition);

    TempDeck source({{3, term.toStdString(), definition.toStdString()}, {7, "next", "entry"}});
    store::Connection connection(source.path());
    const deck::ExportedText exported = deck::exportEntries(connection, format);
    QCOMPARE(exported.count, 2LL);

    TempDeck target;
    import(target, QByteArray::fromStdString(exported.text), optionsFor(format));
    const std::vector<TestEntry> expected{{1, term.toStdString(), definition.toStdString()}, {2, "next", "entry"}};
    QCOMPARE(target.entries(), expected);
}

void TestImportExport::tsvExportRefusesTabsAndLineBreaksNamingTheEntry_data()
{
    QTest::addColumn<QString>("term");
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("obstacle");

    QTest::addRow("tab in the term") << "a\tb" << "c" << "its term holds a tab";
    QTest::addRow("line break in the definition") << "a" << "b\nc" << "its definition holds a line break";
    QTest::addRow("carriage return") << "a" << "b\rc" << "its definition holds a line break";
}

void TestImportExport::tsvExportRefusesTabsAndLineBreaksNamingTheEntry()
{
    QFETCH(QString, term);
    QFETCH(QString, definition);
    QFETCH(QString, obstacle);

    TempDeck source({{2, "plain", "text"}, {4, term.toStdString(), definition.toStdString()}});
    store::Connection connection(source.path());
    const auto error = errorFrom([&] { deck::exportEntries(connection, Format::Tsv); });
    QVERIFY(error);
    QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::NotTabSafe));
    const QString description = QString::fromStdString(error->description());
    QVERIFY2(description.startsWith("entry 4 ") && description.contains(obstacle) && description.contains("CSV"), error->what());
}

void TestImportExport::malformedSourceIsRefusedWithItsLineAndNothingWritten_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("line");

    const int malformed = static_cast<int>(DeckErrorCode::Malformed);
    const int tooLong = static_cast<int>(DeckErrorCode::TooLong);
    QTest::addRow("csv: one field") << Format::Csv << QByteArray("a,b\nc,d\ne\n") << malformed << "line 3:";
    QTest::addRow("csv: three fields") << Format::Csv << QByteArray("a,b\nc,d,e\n") << malformed << "line 2:";
    QTest::addRow("csv: quote inside an unquoted field") << Format::Csv << QByteArray("a,b\nx\"y,z\n") << malformed << "line 2:";
    QTest::addRow("csv: text after a closing quote") << Format::Csv << QByteArray("\"a\"b,c\n") << malformed << "line 1:";
    QTest::addRow("csv: quote never closed") << Format::Csv << QByteArray("a,b\nc,\"d\ne,f\n") << malformed << "line 2:";
    QTest::addRow("csv: open quote meets a later quote") << Format::Csv << QByteArray("a,b\nc,\"d\ne,\"f\",g\n") << malformed << "line 2:";
    QTest::addRow("invalid UTF-8") << Format::Csv << QByteArray("a,b\nc,\x80\n") << malformed << "line 2:";
    QTest::addRow("overlong UTF-8") << Format::Csv << QByteArray("a,b\nc,\xc0\xaf\n") << malformed << "line 2:";
    QTest::addRow("UTF-16 surrogate in UTF-8") << Format::Tsv << QByteArray("a\tb\nc\t\xed\xa0\x80\n") << malformed << "line 2:";
    QTest::addRow("NUL character") << Format::Tsv << QByteArray("a\tb\n\0\td\n", 8) << malformed << "line 2:";
    QTest::addRow("UTF-16 with a lone surrogate") << Format::Csv << QByteArray("\xff\xfe" "a\0,\0b\0\n\0c\0,\0\x00\xd8\n\0", 18) << malformed << "line 2:";
    QTest::addRow("tsv: no tab") << Format::Tsv << QByteArray("a\tb\n\nc\n") << malformed << "line 3:";
    QTest::addRow("tsv: two tabs") << Format::Tsv << QByteArray("a\tb\tc\n") << malformed << "line 1:";
    QTest::addRow("kvtml: not well-formed") << Format::Kvtml << QByteArray("<kvtml version=\"2.0\">\n<entries>\n</kvtml>\n") << malformed << "line 3:";
    QTest::addRow("too long before a malformed line") << Format::Csv << (QByteArray("a,") + QByteArray(256, 'x') + "\nb\n") << tooLong << "line 1:";
    QTest::addRow("malformed before a too-long line") << Format::Csv << (QByteArray("b\na,") + QByteArray(256, 'x') + "\n") << malformed << "line 1:";
}

void TestImportExport::malformedSourceIsRefusedWithItsLineAndNothingWritten()
{
    QFETCH(Format, format);
    QFETCH(QByteArray, source);
    QFETCH(int, number);
    QFETCH(QString, line);

    TempDeck target(TempDeck::numbered(2));
    const QByteArray before = snapshot(target.path());
    const auto error = errorFrom([&] { import(target, source, optionsFor(format)); });
    QVERIFY(error);
    QCOMPARE(error->number(), number);
    QVERIFY2(QString::fromStdString(error->description()).startsWith(line), error->what());
    QCOMPARE(snapshot(target.path()), before);
    QCOMPARE(target.entries(), TempDeck::numbered(2));
}

void TestImportExport::textsOver255Utf16UnitsAreRefusedUnlessAllowed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("allowLong");
    QTest::addColumn<bool>("accepted");

    const QString emoji = QStringLiteral("😀"); // two UTF-16 code units
    QTest::addRow("255 characters") << QString(255, 'x') << false << true;
    QTest::addRow("256 characters") << QString(256, 'x') << false << false;
    QTest::addRow("127 emoji and a letter: 255 units") << emoji.repeated(127) + "x" << false << true;
    QTest::addRow("128 emoji: 256 units") << emoji.repeated(128) << false << false;
    QTest::addRow("256 characters with --allow-long") << QString(256, 'x') << true << true;
}

void TestImportExport::textsOver255Utf16UnitsAreRefusedUnlessAllowed()
{
    QFETCH(QString, text);
    QFETCH(bool, allowLong);
    QFETCH(bool, accepted);

    for (const bool asTerm : {true, false}) {
        TempDeck target;
        deck::ImportOptions options = optionsFor(Format::Tsv);
        options.allowLong = allowLong;
        const QByteArray line = asTerm ? text.toUtf8() + "\tshort\n" : "short\t" + text.toUtf8() + "\n";
        const auto error = errorFrom([&] { import(target, "ok\tfine\n" + line, options); });
        QCOMPARE(!error, accepted);
        QCOMPARE(target.entries().size(), accepted ? std::size_t(2) : std::size_t(0));
        if (error) {
            QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::TooLong));
            QVERIFY2(QString::fromStdString(error->description()).startsWith("line 2: the " + QString(asTerm ? "term" : "definition")), error->what());
        }
    }
}

void TestImportExport::duplicatesAreSkippedAndCounted_data()
{
    QTest::addColumn<bool>("skipDuplicates");
    QTest::addColumn<long>("imported");
    QTest::addColumn<long>("duplicates");

    QTest::addRow("skipped") << true << 2L << 3L;
    QTest::addRow("kept without --skip-duplicates") << false << 5L << 0L;
}

void TestImportExport::duplicatesAreSkippedAndCounted()
{
    QFETCH(bool, skipDuplicates);
    QFETCH(long, imported);
    QFETCH(long, duplicates);

    TempDeck target({{1, "a", "b"}});
    {
        SQLite::Database db(target.path(), SQLite::OPEN_READWRITE);
        db.exec("INSERT INTO Questions (ID, Question, Description) VALUES (2, NULL, 'empty term')");
    }
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.skipDuplicates = skipDuplicates;
    // Stored twice over, new, new again within the source, different case, the NULL term as empty text:
    const auto result = import(target, "a,b\na,c\na,c\nA,b\n,empty term\n", options);
    QCOMPARE(result.imported, imported);
    QCOMPARE(result.duplicates, duplicates);
    QCOMPARE(static_cast<long>(target.entries().size()), 2 + imported);
    if (skipDuplicates)
        QCOMPARE(target.entries().back(), (TestEntry{4, "A", "b"}));
}

void TestImportExport::entriesAreAppendedInSourceOrder()
{
    TempDeck target({{5, "old", "entry"}});
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.read.skipHeader = true;
    const auto result = import(target, "\xEF\xBB\xBFTerm,Definition\r\n\r\nzebra,last letter\r\napple,first\r\n", options);
    QCOMPARE(result.imported, 2L);
    const std::vector<TestEntry> expected{{5, "old", "entry"}, {6, "zebra", "last letter"}, {7, "apple", "first"}};
    QCOMPARE(target.entries(), expected);
}

void TestImportExport::tabSeparatedCsvIsReadAsSuchOnlyWhenNamedCsv()
{
    const QByteArray source = "a\tb\n\"c\"\"q\"\t\"d, e\"\n";
    TempDeck named;
    const auto result = import(named, source, optionsFor(Format::Csv));
    QCOMPARE(result.notes.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(result.notes.front()).contains("tab-separated"));
    const std::vector<TestEntry> expected{{1, "a", "b"}, {2, "c\"q", "d, e"}};
    QCOMPARE(named.entries(), expected);

    // --format csv says what the text is: no guessing.
    TempDeck chosen;
    deck::ImportOptions options = optionsFor(Format::Csv);
    options.read.guessSeparator = false;
    const auto error = errorFrom([&] { import(chosen, source, options); });
    QVERIFY(error);
    QCOMPARE(error->number(), static_cast<int>(DeckErrorCode::Malformed));
}

QTEST_GUILESS_MAIN(TestImportExport)
#include "tst_importexport.moc"
